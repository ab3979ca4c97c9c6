#include "controls/Timemask.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <algorithm>

#include "controls/PlatformMessageBox.h"
#include "runtime/Conversions.h"

namespace quorin {
namespace {

// Two optional digits, ":", two optional digits; a blank stands for an unfilled position.
const QString kEditMask = QStringLiteral("99:99; ");

bool IsBlank(QChar c) {
    return c.unicode() < 33;
}

// Reads a run of ASCII digits (at most 9, so the value fits) after optional blanks.
bool ScanNumber(const QString& s, qsizetype& pos, int& value) {
    while (pos < s.size() && IsBlank(s[pos])) {
        ++pos;
    }
    const qsizetype start = pos;
    value = 0;
    while (pos < s.size() && pos - start < 9 && s[pos] >= u'0' && s[pos] <= u'9') {
        value = value * 10 + (s[pos].unicode() - u'0');
        ++pos;
    }
    return pos > start;
}

// Hours, then optionally ":" and minutes, blanks allowed around the numbers.
bool IsTimeOfDay(const QString& s) {
    qsizetype pos = 0;
    int hours = 0;
    int minutes = 0;
    if (!ScanNumber(s, pos, hours)) {
        return false;
    }
    while (pos < s.size() && IsBlank(s[pos])) {
        ++pos;
    }
    if (pos < s.size() && s[pos] == u':') {
        ++pos;
        if (!ScanNumber(s, pos, minutes)) {
            return false;
        }
    }
    while (pos < s.size() && IsBlank(s[pos])) {
        ++pos;
    }
    return pos == s.size() && hours <= 23 && minutes <= 59;
}

}  // namespace

const QString TTimeMaskEdit::EmptyText = QStringLiteral("  :  ");

TTimeMaskEdit::TTimeMaskEdit(QWidget* parent) : QLineEdit(parent) {
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setInputMask(kEditMask);
    setText(EmptyText);
    setAlignment(Alignment_ | Qt::AlignVCenter);
    resize(49, height());
}

TTimeMaskEdit::~TTimeMaskEdit() = default;

void TTimeMaskEdit::SetAlignment(Qt::Alignment alignment) {
    alignment &= Qt::AlignHorizontal_Mask;
    if (alignment == Alignment_) {
        return;
    }
    Alignment_ = alignment;
    setAlignment(Alignment_ | Qt::AlignVCenter);
}

void TTimeMaskEdit::SetAceitaNulo(bool aceitaNulo) {
    AceitaNulo_ = aceitaNulo;
}

QString TTimeMaskEdit::Text() const {
    return displayText();
}

void TTimeMaskEdit::DateIsValid(const QString& text) {
    if (AceitaNulo_ && text == EmptyText) {
        return;
    }
    if (IsTimeOfDay(Trim(text))) {
        return;
    }
    // The focus goes back first, so that the window returns it to this box when the message
    // box closes and the widget the user was moving to neither enters nor leaves.
    ReturningFocus_ = true;
    setFocus(Qt::OtherFocusReason);
    ReturningFocus_ = false;
    selectAll();
    PlatformMessageBox::Show(this, QStringLiteral("Hora inválida"));
}

void TTimeMaskEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    // Editing keys and the dialog keys are the masked box's own.
    const bool passes = key == Qt::Key_Backspace || key == Qt::Key_Return || key == Qt::Key_Enter ||
                        key == Qt::Key_Escape || (mods & (Qt::AltModifier | Qt::MetaModifier));
    if (passes) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // Every typed character but a digit is refused, the Ctrl+letter control characters included.
    const bool control = mods == Qt::ControlModifier && key >= Qt::Key_A && key <= Qt::Key_Z;
    const QString text = event->text();
    const bool digits = std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (control || !digits) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TTimeMaskEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    const bool sameEntry = ReturningFocus_ || (Entered_ && (event->reason() == Qt::ActiveWindowFocusReason ||
                                                            event->reason() == Qt::PopupFocusReason));
    if (sameEntry) {
        return;
    }
    Entered_ = true;
    setInputMask(kEditMask);
    selectAll();
    Q_EMIT Entered();
}

void TTimeMaskEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (!Entered_ || event->reason() == Qt::ActiveWindowFocusReason ||
        event->reason() == Qt::PopupFocusReason) {
        return;
    }
    Entered_ = false;
    if (isVisible() && isEnabled()) {
        DateIsValid(Text());
    }
    if (hasFocus()) {
        Entered_ = true;  // the check put the focus back: still the same entry
    }
    Q_EMIT Exited();
}

}  // namespace quorin
