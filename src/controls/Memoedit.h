#pragma once

#include <QLineEdit>
#include <QString>
#include <cstdint>

namespace quorin {

/// Reads a value text of the numeric entry field: every "." (grouping) and "%" is dropped and the
/// rest is read with "," as the decimal separator, blanks around it allowed; the empty text is 0.
/// Raises EConvertError for a text that is not a number.
double Converte_Valor(const QString& text);

/// TMemoEdit is the numeric entry field: a single-line, right-aligned box that lets only a number
/// fitting its mask be typed, shows the number without grouping while it has the focus and with
/// the full picture after it, and keeps the value as numbers and as the plain text `Valor`.
///
/// The mask `Mascara` is picture ";" flag, e.g. "###,###,###,###0.0000;0": a picture with "." is
/// a decimal field, otherwise an integer field; flag "1" lets `Valor` of a decimal field carry
/// grouping. Input errors are reported on leaving the box through PlatformMessageBox, and the
/// focus stays in the box.
///
/// The maximum length limits what the user types or pastes, never a text the program assigns
/// (a 13-digit price with grouping is 22 characters under a limit of 20). QLineEdit's own limit
/// cuts assigned text, so this class keeps its own limit and its own setText/setMaxLength, which
/// hide QLineEdit's: call them through a TMemoEdit, not through a QLineEdit pointer.
class TMemoEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QString Mascara READ Mascara WRITE SetMascara)
    Q_PROPERTY(bool ShowZero READ ShowZero WRITE SetShowZero)
    Q_PROPERTY(bool AcceptZero READ AcceptZero WRITE SetAcceptZero)
    Q_PROPERTY(QString ErrorMessageZero READ ErrorMessageZero WRITE SetErrorMessageZero)
    Q_PROPERTY(int maxLength READ maxLength WRITE setMaxLength)
    Q_PROPERTY(QString text READ text WRITE setText USER true)

  public:
    explicit TMemoEdit(QWidget* parent = nullptr);
    ~TMemoEdit() override;

    /// The value as plain text: "0" for a blank box, else the value formatted by the mask (no
    /// grouping unless the flag is "1"); while the text does not convert it keeps its last such
    /// text. Callers read it with StrToFloat and reset it by assigning "0".
    QString Valor;

    const QString& Mascara() const { return Mascara_; }
    void SetMascara(const QString& mascara);
    bool ShowZero() const { return ShowZero_; }
    void SetShowZero(bool showZero);
    bool AcceptZero() const { return AcceptZero_; }
    void SetAcceptZero(bool acceptZero);
    const QString& ErrorMessageZero() const { return ErrorMessageZero_; }
    void SetErrorMessageZero(const QString& message);

    int16_t DigitosInteiros() const { return DigitosInteiros_; }
    int16_t CasasDecimais() const { return CasasDecimais_; }
    bool TemDecimais() const { return TemDecimais_; }
    int32_t ValorInteiro() const { return ValorInteiro_; }
    double ValorDecimal() const { return ValorDecimal_; }

    /// The limit for typed and pasted text; 0 or less means no limit of its own.
    int maxLength() const { return MaxLength_; }
    void setMaxLength(int maxLength);
    /// Assigns the text in full (runs the text-change steps like any change).
    void setText(const QString& text);

    /// s with "0"s in front up to n characters, counted on s without its blanks; a blank s gets n.
    static QString StrZero(const QString& s, int n);
    /// The number of characters other than ",".
    static int Conta_Num_Valido(const QString& s);
    /// s without any ",".
    static QString Retira_Virgula(const QString& s);
    /// False when the text (up to a NUL character) holds a letter A-Z or a-z, a CR or a LF.
    static bool IsNumeric(const QString& text);

  Q_SIGNALS:
    /// After every change of the text, once `Valor` follows it.
    void Changed();
    /// After the box gained the focus and selected its text.
    void Entered();
    /// After the box lost the focus with an accepted value; not sent when the exit is refused.
    void Exited();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void Change();
    void DoEnter();
    void DoExit();
    void RefuseExit(const QString& message);
    /// The typed character after the filter, or a null character when it is refused.
    QChar FilterKey(QChar key) const;
    QString Picture() const;
    QString FormatValor(double value) const;
    void SyncPlatformLimit(qsizetype textLength);

    QString Mascara_{QStringLiteral("00000;0")};
    bool ShowZero_ = false;
    bool AcceptZero_ = false;
    QString ErrorMessageZero_;
    int16_t DigitosInteiros_ = 0;
    int16_t CasasDecimais_ = 0;
    bool TemDecimais_ = false;
    int32_t ValorInteiro_ = 0;
    double ValorDecimal_ = 0;
    int MaxLength_ = 0;
    /// Set from focus gained until an accepted exit: window switches and popups neither leave
    /// nor enter the box.
    bool Entered_ = false;
    /// Set while a refused exit puts the focus back, which is not a new entry.
    bool ReturningFocus_ = false;
};

}  // namespace quorin
