#include "controls/Edit.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QKeyEvent>

namespace quorin {

bool IsKeyboardOrProgramEntry(Qt::FocusReason reason) {
    return reason != Qt::MouseFocusReason && reason != Qt::ActiveWindowFocusReason &&
           reason != Qt::PopupFocusReason;
}

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {}

void TEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (IsKeyboardOrProgramEntry(event->reason()))
        selectAll();
}

namespace {

class EnterFilter : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button || !button->isEnabled() || !button->hasFocus())
            return false;
        button->click();
        return true;
    }
};

}  // namespace

void EnterPressesFocusedButton(QWidget* window) {
    auto* filter = new EnterFilter(window);
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        button->installEventFilter(filter);
}

}  // namespace quorin
