#pragma once

#include <QLineEdit>

class QAbstractButton;

namespace quorin {

/// Tells an entry into a field from the focus coming back to it.
///
/// The focus comes back when the window is activated again, or a popup closes, after the field
/// lost the focus that same way: the field is as the user left it. Every other focus-in not made
/// by the mouse is an entry: by the keyboard, by the program, and also by an activation that hands
/// the field a focus the program gave it while the window was inactive (after the open dialog or
/// a message window, the window manager activates the window again only after the program has
/// chosen the field).
class TFocusEntry {
  public:
    /// From the field's focusInEvent: true when this focus-in enters the field other than by a
    /// mouse click.
    bool Entering(const QFocusEvent* event);
    /// From the field's focusOutEvent.
    void Left(const QFocusEvent* event);

  private:
    bool away_ = false;  // lost the focus to another window or a popup, not to another control
};

/// A single-line edit that selects all its text whenever the keyboard or the program
/// enters it (see TFocusEntry), so that typing replaces what was there; a mouse click
/// places the caret where it clicks, and the focus coming back leaves it as it was.
class TEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit TEdit(QWidget* parent = nullptr);

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    TFocusEntry entry_;
};

/// Makes Enter (Return or the keypad's Enter) press whichever button of `window`
/// has the focus, as Space does.
void EnterPressesFocusedButton(QWidget* window);

}  // namespace quorin
