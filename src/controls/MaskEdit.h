#pragma once

#include <QLineEdit>
#include <QString>

#include "controls/Edit.h"

namespace quorin {

/// A line edit under an edit mask of the form "layout;flag;blank", where each "9" of
/// the layout is an optional digit, each "a" an optional letter or digit, ">" makes
/// the letters after it upper case ("<" lower case), and every other character is
/// punctuation shown in place and skipped by the cursor. With the flag "0" the text of the field holds only
/// the characters typed into the digit positions, up to the last one typed; the blank
/// is the character shown for an empty position.
///
/// Entering the field by the keyboard or the program (see TFocusEntry) selects its
/// text with the caret on the first open position, so typing fills the mask from its
/// start; a click beyond what was typed puts the caret right after it, and the focus
/// coming back from another window or a popup leaves the field as it was.
class TMaskEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit TMaskEdit(QWidget* parent = nullptr);

    /// Sets the mask; the characters the field holds are kept as far as the new mask
    /// has positions for them.
    void SetEditMask(const QString& mask);
    const QString& EditMask() const { return editMask_; }

    /// Number of digit (and letter) positions of the mask.
    int Capacity() const { return positions_.size(); }

    /// The field's text: digits only when the flag is "0" (blanks of skipped positions
    /// kept, trailing ones dropped), the shown text with its punctuation otherwise.
    QString Text() const;
    /// Puts the given characters into the digit positions, in order; punctuation in
    /// the value is skipped.
    void SetText(const QString& value);
    void Clear();

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    /// The caret position right after the last filled position (the first
    /// position when nothing was typed).
    int EndOfTyped() const;

    TFocusEntry entry_;
    QString editMask_;
    QString layout_;
    bool saveLiterals_ = true;
    QChar blank_{u' '};
    QList<int> positions_;  // indexes of the digit positions in the layout
    QList<bool> letters_;   // per position: takes letters too
    QList<bool> upper_;     // per position: letters become upper case
};

}  // namespace quorin
