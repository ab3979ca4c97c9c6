#include "controls/MaskEdit.h"

#include <QStringList>

namespace quorin {

TMaskEdit::TMaskEdit(QWidget* parent) : QLineEdit(parent) {}

void TMaskEdit::SetEditMask(const QString& mask) {
    const QString kept = editMask_.isEmpty() ? QLineEdit::text() : Text();

    editMask_ = mask;
    const QStringList parts = mask.split(u';');
    layout_ = parts.value(0);
    saveLiterals_ = parts.size() < 2 || parts.at(1) != QStringLiteral("0");
    blank_ = parts.size() >= 3 && !parts.at(2).isEmpty() ? parts.at(2).at(0) : QChar(u' ');

    // Qt's input masks: "0" is an optional digit, a backslash makes any other
    // character a literal, so the punctuation never clashes with Qt's own mask letters.
    positions_.clear();
    QString qtMask;
    for (int i = 0; i < layout_.size(); ++i) {
        const QChar c = layout_.at(i);
        if (c == u'9') {
            positions_.append(i);
            qtMask += u'0';
        } else {
            qtMask += u'\\';
            qtMask += c;
        }
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
    // Every digit of the value fills the next digit position (a blank leaves one
    // empty); punctuation is skipped and what does not fit is dropped.
    QString chars;
    for (QChar c : value) {
        if (c.isDigit() || c == u' ')
            chars += c;
    }
    chars.truncate(positions_.size());
    QString shown = layout_;
    for (int i = 0; i < positions_.size(); ++i)
        shown[positions_.at(i)] = i < chars.size() && chars.at(i) != u' ' ? chars.at(i) : blank_;
    setText(shown);
}

void TMaskEdit::Clear() {
    SetText(QString());
}

}  // namespace quorin
