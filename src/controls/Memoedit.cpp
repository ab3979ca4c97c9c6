#include "controls/Memoedit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <algorithm>
#include <limits>

#include "controls/PlatformMessageBox.h"
#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatFloat.h"

namespace quorin {
namespace {

constexpr QChar kBackspace{8};
constexpr QChar kLineFeed{10};
constexpr QChar kCarriageReturn{13};
constexpr int kNoLimit = 32767;

const QString kMascaraPadrao = QStringLiteral("00000;0");

// The character a key press types, as the filter sees it: backspace and the Ctrl+letter
// shortcuts are control characters (Ctrl+V is 22), Ctrl+Backspace is DEL. Keys that type
// nothing (arrows, Delete, Home, function keys) give a null character and are not filtered.
QChar TypedChar(const QKeyEvent* event) {
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int key = event->key();
    if (key == Qt::Key_Backspace) {
        return mods == Qt::ControlModifier ? QChar(0x7F) : kBackspace;
    }
    if (mods == Qt::ControlModifier) {
        return key >= Qt::Key_A && key <= Qt::Key_Z ? QChar(key - Qt::Key_A + 1) : QChar();
    }
    // Whatever else types text goes through the filter, whatever the modifiers
    // (the box would otherwise insert Alt+letter as it comes).
    const QString text = event->text();
    if (text.isEmpty() || (mods & Qt::ControlModifier && text.at(0).unicode() < 32)) {
        return QChar();
    }
    return text.at(0);
}

// Return, Enter and Escape never become text in a single-line box; they always reach the
// standard handling so that a dialog's default and cancel buttons keep working.
bool IsDialogKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

}  // namespace

double Converte_Valor(const QString& text) {
    FormatSettings settings = FormatSettings::current();
    settings.decimalSeparator = u',';
    if (text.isEmpty()) {
        return StrToFloat(QStringLiteral("0,00"), settings);
    }
    QString plain = text;
    plain.remove(u'.');
    plain.remove(u'%');
    return StrToFloat(plain, settings);
}

TMemoEdit::TMemoEdit(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    resize(115, 21);
    // A number is typed key by key; an input method would commit text around the filter.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setMaxLength(5);
    setText(StrZero(QString::number(ValorInteiro_), 5));
    // Connected first, so that every other receiver of textChanged already sees the new Valor.
    connect(this, &QLineEdit::textChanged, this, &TMemoEdit::Change);
}

TMemoEdit::~TMemoEdit() = default;

void TMemoEdit::SetMascara(const QString& mascara) {
    if (mascara == Mascara_) {
        return;
    }
    if (Trim(mascara).isEmpty()) {
        PlatformMessageBox::Show(this, QStringLiteral("Máscara inválida."));
        Mascara_ = kMascaraPadrao;
        TemDecimais_ = false;  // the replacement is an integer mask, whatever the previous one was
        setText(FormatFloat(QStringLiteral("00000"), ValorInteiro_));
        Valor = text();
        setMaxLength(Conta_Num_Valido(QStringLiteral("00000")) + 2);
        return;
    }
    TemDecimais_ = mascara.contains(u'.');
    Mascara_ = mascara;
    const QString picture = Picture();
    if (TemDecimais_) {
        setText(FormatFloat(picture, ValorDecimal_));
        const qsizetype point = mascara.indexOf(u'.');
        qsizetype end = mascara.indexOf(u';', point);
        if (end < 0) {
            end = mascara.size();
        }
        DigitosInteiros_ = static_cast<int16_t>(Conta_Num_Valido(mascara.left(point)));
        CasasDecimais_ = static_cast<int16_t>(end - point - 1);
        // Valor follows the flag as after any change: the shown text carries grouping from
        // 1.000 on, which a string-to-float conversion would not read back.
        Valor = FormatValor(ValorDecimal_);
    } else {
        setText(FormatFloat(picture, ValorInteiro_));
        Valor = text();
    }
    setMaxLength(Conta_Num_Valido(picture) + 2);
}

void TMemoEdit::SetShowZero(bool showZero) {
    ShowZero_ = showZero;
}

void TMemoEdit::SetAcceptZero(bool acceptZero) {
    if (acceptZero == AcceptZero_) {
        return;
    }
    AcceptZero_ = acceptZero;
    if (!acceptZero) {
        ErrorMessageZero_.clear();
    }
}

void TMemoEdit::SetErrorMessageZero(const QString& message) {
    if (message == ErrorMessageZero_) {
        return;
    }
    if (!Trim(message).isEmpty()) {
        SetAcceptZero(true);
    }
    ErrorMessageZero_ = message;
}

void TMemoEdit::setMaxLength(int maxLength) {
    MaxLength_ = maxLength > 0 ? maxLength : 0;
    SyncPlatformLimit(text().size());
}

void TMemoEdit::setText(const QString& text) {
    SyncPlatformLimit(std::max(text.size(), QLineEdit::text().size()));
    QLineEdit::setText(text);
    SyncPlatformLimit(text.size());
}

// QLineEdit cuts its text to its own limit, also when the program assigns it. Its limit is
// therefore the larger of ours and the text's length: typed and pasted text still stops at ours
// (nothing fits into a text that is already longer), assigned text is kept whole.
void TMemoEdit::SyncPlatformLimit(qsizetype textLength) {
    const int ours = MaxLength_ > 0 ? MaxLength_ : kNoLimit;
    const int wanted = static_cast<int>(std::max<qsizetype>(ours, textLength));
    if (QLineEdit::maxLength() != wanted) {
        QLineEdit::setMaxLength(wanted);
    }
}

QString TMemoEdit::StrZero(const QString& s, int n) {
    const QString trimmed = Trim(s);
    const qsizetype k = trimmed.isEmpty() ? n : n - trimmed.size();
    return k > 0 ? QString(k, u'0') + s : s;
}

int TMemoEdit::Conta_Num_Valido(const QString& s) {
    return static_cast<int>(s.size() - s.count(u','));
}

QString TMemoEdit::Retira_Virgula(const QString& s) {
    QString out = s;
    out.remove(u',');
    return out;
}

bool TMemoEdit::IsNumeric(const QString& text) {
    for (const QChar c : text) {
        if (c.isNull()) {
            break;
        }
        const char16_t u = c.unicode();
        if ((u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || c == kCarriageReturn || c == kLineFeed) {
            return false;
        }
    }
    return true;
}

QString TMemoEdit::Picture() const {
    const qsizetype semicolon = Mascara_.indexOf(u';');
    return semicolon < 0 ? Mascara_ : Mascara_.left(semicolon);
}

QString TMemoEdit::FormatValor(double value) const {
    const qsizetype semicolon = Mascara_.indexOf(u';');
    const bool grouped =
        semicolon >= 0 && semicolon + 1 < Mascara_.size() && Mascara_.at(semicolon + 1) == u'1';
    const QString picture = Picture();
    return FormatFloat(grouped ? picture : Retira_Virgula(picture), value);
}

QChar TMemoEdit::FilterKey(QChar key) const {
    const QString t = text();
    const int s = hasSelectedText() ? selectionStart() : cursorPosition();
    const int l = static_cast<int>(selectedText().size());
    const int m = MaxLength_ > 0 ? MaxLength_ : kNoLimit;
    const bool hasMinus = t.contains(u'-');
    QChar k = key;

    // 1. The decimal point of the keypad and of the full keyboard both type the comma.
    if (TemDecimais_ && k == u'.') {
        k = u',';
    }
    // 2. One minus sign.
    if (k == u'-' && l == 0 && hasMinus) {
        return QChar();
    }
    // 3. Integer positions and decimal places, for the part of the number the caret is in.
    if (TemDecimais_ && l == 0 && k != u'-') {
        const qsizetype comma = t.indexOf(u',');
        bool integerPart = true;
        qsizetype partLength = t.size();
        if (comma >= 0) {
            if (k == kBackspace || s <= comma) {
                partLength = comma;
            } else {
                integerPart = false;
                partLength = t.size() - comma - 1;
                if (partLength == CasasDecimais_) {
                    return QChar();
                }
            }
        }
        if (integerPart && k != kBackspace && k != u',' &&
            partLength == DigitosInteiros_ + (hasMinus ? 1 : 0)) {
            return QChar();
        }
    }
    // 4. One comma, and only in a decimal field.
    if (k == u',' && (!TemDecimais_ || t.contains(u','))) {
        return QChar();
    }
    // 5. Digits, the minus sign, the comma and the control characters other than CR and LF.
    const char16_t u = k.unicode();
    if (u >= 32 && !(u >= u'0' && u <= u'9') && k != u'-' && k != u',') {
        return QChar();
    }
    if (k == kCarriageReturn || k == kLineFeed) {
        return QChar();
    }
    // 6. The minus sign only at the start.
    if (k == u'-' && s > 0) {
        return QChar();
    }
    // 7. Length: without a minus sign typing stops one short of the limit, with one at the limit.
    if (!hasMinus) {
        if (k != kBackspace && l != t.size() && t.size() + 1 == m && k != u'-') {
            return QChar();
        }
    } else if (t.size() > m && k != u'-') {
        return QChar();
    }
    // 8. The box's own limit: a character replaces the selection only when the result fits.
    if (u >= 32 && t.size() - l + 1 > m) {
        return QChar();
    }
    return k;
}

void TMemoEdit::keyPressEvent(QKeyEvent* event) {
    if (event->text().size() > 1 && !(event->modifiers() & Qt::ControlModifier)) {
        // Some keyboards compose several characters in one press: each goes through the filter.
        for (const QChar c : event->text()) {
            QKeyEvent single(event->type(), Qt::Key_unknown, event->modifiers(), QString(c),
                             event->isAutoRepeat());
            keyPressEvent(&single);
        }
        event->accept();
        return;
    }
    const QChar typed = TypedChar(event);
    if (typed.isNull() || IsDialogKey(event->key())) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QChar k = FilterKey(typed);
    if (k.isNull()) {
        event->accept();
        return;
    }
    if (k != typed) {
        QKeyEvent changed(event->type(), Qt::Key_Comma, event->modifiers() & ~Qt::KeypadModifier, QString(k),
                          event->isAutoRepeat(), event->count());
        QLineEdit::keyPressEvent(&changed);
        event->setAccepted(changed.isAccepted());
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TMemoEdit::Change() {
    const QString t = text();
    if (Trim(t).isEmpty()) {
        Valor = QStringLiteral("0");
    } else if (TemDecimais_) {
        if (t != u"-") {
            try {
                ValorDecimal_ = Converte_Valor(t);
                Valor = FormatValor(ValorDecimal_);
            } catch (const EConvertError&) {
                // Half-typed or pasted text: Valor keeps the last value that converted.
            }
        }
    } else if (!t.contains(u',') && t != u"-") {
        if (!IsNumeric(t)) {
            Valor = QStringLiteral("0");
        } else if (int32_t n = 0; TryStrToInt(t, n)) {
            ValorInteiro_ = n;
            Valor = FormatFloat(Picture(), n);
        }
    }
    Q_EMIT Changed();
}

void TMemoEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    const bool sameEntry = ReturningFocus_ || (Entered_ && (event->reason() == Qt::ActiveWindowFocusReason ||
                                                            event->reason() == Qt::PopupFocusReason));
    if (!sameEntry) {
        Entered_ = true;
        DoEnter();
    }
}

void TMemoEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (!Entered_ || event->reason() == Qt::ActiveWindowFocusReason ||
        event->reason() == Qt::PopupFocusReason) {
        return;
    }
    DoExit();
}

void TMemoEdit::DoEnter() {
    const QString t = text();
    const QString picture = Picture();
    if (Trim(t).isEmpty()) {
        if (TemDecimais_) {
            setText(QStringLiteral("0,00"));
        } else {
            setMaxLength(Conta_Num_Valido(picture) + 1);
            setText(QStringLiteral("0"));
        }
    } else if (TemDecimais_) {
        try {
            ValorDecimal_ = Converte_Valor(t);
            setText(FormatFloat(Retira_Virgula(picture), ValorDecimal_));
        } catch (const EConvertError&) {
            // Left as it is; leaving the box reports it.
        }
    } else if (int32_t n = 0; TryStrToInt(t, n)) {
        ValorInteiro_ = n;
        setText(QString::number(n));
        setMaxLength(Conta_Num_Valido(picture) + 1);
    }
    selectAll();
    Q_EMIT Entered();
}

void TMemoEdit::DoExit() {
    if (Trim(text()).isEmpty()) {
        setText(TemDecimais_ ? QStringLiteral("0.00") : QStringLiteral("0"));
    }
    const QString picture = Picture();
    bool zero = false;
    if (TemDecimais_) {
        double value = 0;
        try {
            value = Converte_Valor(text());
        } catch (const EConvertError&) {
            RefuseExit(QStringLiteral("Valor inválido."));
            return;
        }
        ValorDecimal_ = value;
        setText(value != 0 || ShowZero_ ? FormatFloat(picture, value) : QString());
        Valor = FormatValor(value);
        zero = value == 0;
    } else {
        int32_t n = 0;
        if (!TryStrToInt(text(), n)) {
            RefuseExit(QStringLiteral("Valor inválido."));
            return;
        }
        ValorInteiro_ = n;
        setText(n != 0 || ShowZero_ ? FormatFloat(picture, n) : QString());
        Valor = FormatFloat(picture, n);
        zero = n == 0;
    }
    if (zero && AcceptZero_ && !Trim(ErrorMessageZero_).isEmpty()) {
        RefuseExit(ErrorMessageZero_);
        return;
    }
    Entered_ = false;
    Q_EMIT Exited();
}

// The focus goes back before the message is shown: the window then hands the focus back to this
// box when the message box closes, and the widget the user was moving to neither enters nor
// leaves.
void TMemoEdit::RefuseExit(const QString& message) {
    if (!isVisible() || !isEnabled()) {
        // Hidden or disabled while it had the focus: nothing can be corrected here.
        Entered_ = false;
        return;
    }
    ReturningFocus_ = true;
    setFocus(Qt::OtherFocusReason);
    ReturningFocus_ = false;
    selectAll();
    PlatformMessageBox::Show(this, message);
}

}  // namespace quorin
