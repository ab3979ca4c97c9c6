#include "controls/MaskEdit.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QStringList>

namespace quorin {

TMaskEdit::TMaskEdit(QWidget* parent) : QLineEdit(parent) {}

void TMaskEdit::SetEditMask(const QString& mask) {
    const QString kept = editMask_.isEmpty() ? QLineEdit::text() : Text();

    editMask_ = mask;
    const QStringList parts = mask.split(u';');
    const QString layout = parts.value(0);
    saveLiterals_ = parts.size() < 2 || parts.at(1) != QStringLiteral("0");
    blank_ = parts.size() >= 3 && !parts.at(2).isEmpty() ? parts.at(2).at(0) : QChar(u' ');

    // Qt's input masks: "0" is an optional digit, "n" an optional letter or digit,
    // ">" and "<" switch the case of what follows; a backslash makes any other
    // character a literal, so the punctuation never clashes with Qt's mask letters.
    // The case markers take no place on screen.
    layout_.clear();
    positions_.clear();
    letters_.clear();
    upper_.clear();
    QString qtMask;
    bool upper = false;
    for (const QChar c : layout) {
        if (c == u'>' || c == u'<') {
            upper = c == u'>';
            qtMask += c;
            continue;
        }
        if (c == u'9' || c == u'a') {
            positions_.append(int(layout_.size()));
            letters_.append(c == u'a');
            upper_.append(upper);
            qtMask += c == u'9' ? u'0' : u'n';
        } else {
            qtMask += u'\\';
            qtMask += c;
        }
        layout_ += c;
    }
    if (positions_.isEmpty()) {
        setInputMask(QString());
    } else {
        qtMask += u';';
        qtMask += blank_;
        setInputMask(qtMask);
    }
    SetText(kept);
}

QString TMaskEdit::Text() const {
    if (positions_.isEmpty())
        return QLineEdit::text();
    const QString shown = displayText();
    if (saveLiterals_) {
        QString out = shown;
        while (!out.isEmpty() && out.back() == blank_)
            out.chop(1);
        return out;
    }
    QString digits;
    for (int pos : positions_) {
        const QChar c = pos < shown.size() ? shown.at(pos) : blank_;
        digits += c == blank_ ? QChar(u' ') : c;
    }
    while (!digits.isEmpty() && digits.back() == u' ')
        digits.chop(1);
    return digits;
}

void TMaskEdit::SetText(const QString& value) {
    if (positions_.isEmpty()) {
        setText(value);
        return;
    }
    // Every digit (or letter) of the value fills the next position (a blank leaves
    // one empty); punctuation is skipped, what does not fit is dropped, and a letter
    // that comes to a digit-only position leaves it empty.
    QString chars;
    for (QChar c : value) {
        if (c.isDigit() || c == u' ' || (c.isLetter() && c.unicode() < 128))
            chars += c;
    }
    chars.truncate(positions_.size());
    QString shown = layout_;
    for (int i = 0; i < positions_.size(); ++i) {
        QChar c = i < chars.size() ? chars.at(i) : blank_;
        if (c == u' ' || (c.isLetter() && !letters_.at(i)))
            c = blank_;
        else if (c.isLetter())
            c = upper_.at(i) ? c.toUpper() : c.toLower();
        shown[positions_.at(i)] = c;
    }
    setText(shown);
}

int TMaskEdit::EndOfTyped() const {
    const QString shown = displayText();
    int filled = -1;
    for (int i = 0; i < positions_.size(); ++i) {
        const int pos = positions_.at(i);
        if (pos < shown.size() && shown.at(pos) != blank_)
            filled = i;
    }
    if (filled + 1 < positions_.size())
        return positions_.at(filled + 1);
    return int(shown.size());
}

void TMaskEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (entry_.Entering(event) && !positions_.isEmpty()) {
        // All selected, the caret on the first open position: typing replaces what was there.
        const int length = int(displayText().size());
        setSelection(length, positions_.first() - length);
    }
}

void TMaskEdit::focusOutEvent(QFocusEvent* event) {
    entry_.Left(event);
    QLineEdit::focusOutEvent(event);
}

void TMaskEdit::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (positions_.isEmpty() || event->button() != Qt::LeftButton || hasSelectedText())
        return;
    const int end = EndOfTyped();
    if (cursorPosition() > end)
        setCursorPosition(end);
}

void TMaskEdit::Clear() {
    SetText(QString());
}

}  // namespace quorin
