#pragma once

#include <QLineEdit>

class QAbstractButton;

namespace quorin {

/// A single-line edit that selects all its text whenever it gets the focus from
/// the keyboard or from the program, so that typing replaces what was there; a
/// mouse click places the caret where it clicks.
class TEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit TEdit(QWidget* parent = nullptr);

  protected:
    void focusInEvent(QFocusEvent* event) override;
};

/// Whether a focus change is an entry by the keyboard or by the program (not a
/// mouse click, nor the window or a popup giving the focus back).
bool IsKeyboardOrProgramEntry(Qt::FocusReason reason);

/// Makes Enter (Return or the keypad's Enter) press whichever button of `window`
/// has the focus, as Space does.
void EnterPressesFocusedButton(QWidget* window);

}  // namespace quorin
