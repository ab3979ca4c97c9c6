#include "controls/Edit.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QKeyEvent>
#include <utility>

namespace quorin {

namespace {

bool ComesBack(Qt::FocusReason reason) {
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

}  // namespace

bool TFocusEntry::Entering(const QFocusEvent* event) {
    const bool wasAway = std::exchange(away_, false);
    if (event->reason() == Qt::MouseFocusReason)
        return false;
    return !(wasAway && ComesBack(event->reason()));
}

void TFocusEntry::Left(const QFocusEvent* event) {
    away_ = ComesBack(event->reason());
}

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {}

void TEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (entry_.Entering(event))
        selectAll();
}

void TEdit::focusOutEvent(QFocusEvent* event) {
    entry_.Left(event);
    QLineEdit::focusOutEvent(event);
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
