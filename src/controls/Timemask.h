#pragma once

#include <QLineEdit>
#include <QString>

namespace quorin {

/// TTimeMaskEdit is the time entry field: a masked one-line box for hours and minutes
/// ("99:99", the ":" kept in the text, unfilled positions read as blanks) that takes only digits,
/// checks the time when the focus leaves it and may be left empty when `AceitaNulo` is true.
/// An invalid time is reported through PlatformMessageBox; the text is selected and the focus
/// stays in the box.
class TTimeMaskEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(Qt::Alignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AceitaNulo READ AceitaNulo WRITE SetAceitaNulo)

  public:
    /// The empty box: two blanks, ":", two blanks.
    static const QString EmptyText;

    explicit TTimeMaskEdit(QWidget* parent = nullptr);
    ~TTimeMaskEdit() override;

    /// Horizontal alignment of the text (left, right or centre); left at first.
    Qt::Alignment Alignment() const { return Alignment_; }
    void SetAlignment(Qt::Alignment alignment);
    bool AceitaNulo() const { return AceitaNulo_; }
    void SetAceitaNulo(bool aceitaNulo);

    /// The text as the box shows it, with ":" and a blank for every unfilled position.
    QString Text() const;

    /// Checks text as a time of day (hours 0-23, minutes 0-59); an empty box passes while
    /// `AceitaNulo` is true. On failure shows "Hora inválida", selects the text and puts the
    /// focus back into the box.
    void DateIsValid(const QString& text);

  Q_SIGNALS:
    /// After the box gained the focus and selected its text.
    void Entered();
    /// After the box lost the focus, whatever the time check found.
    void Exited();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    Qt::Alignment Alignment_ = Qt::AlignLeft;
    bool AceitaNulo_ = true;
    /// Set from focus gained to focus lost: window switches and popups neither leave nor enter.
    bool Entered_ = false;
    /// Set while a failed check puts the focus back, which is not a new entry.
    bool ReturningFocus_ = false;
};

}  // namespace quorin
