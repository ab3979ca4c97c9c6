#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace quorin {

/// What the line breaker needs to know about widths: the advance of a piece
/// of text, additive over concatenation, and the width in the control's
/// pixels that a run of text with that advance has.
class TQRLineMeasure {
  public:
    virtual ~TQRLineMeasure() = default;
    virtual double Advance(QStringView text) = 0;
    virtual int WidthOfAdvance(double advance) const = 0;
    int TextWidth(QStringView text) { return WidthOfAdvance(Advance(text)); }
};

/// The rules a text control breaks its text with.
struct TQRLineRules {
    bool AutoSize = true;  ///< the control widens instead of wrapping
    bool WordWrap = true;  ///< without it a paragraph keeps only what fits on its first line
    int Width = 0;         ///< the control's width in pixels
};

/// Breaks one text into lines. Line feeds are deleted; each carriage return
/// ends a paragraph, and an empty paragraph is an empty line. With AutoSize a
/// paragraph is one line. Otherwise words (running up to and including a blank
/// or a hyphen) are set on a line while it stays within the width; a word
/// wider than the width goes on over the next lines, each cut after its last
/// character that fits (without WordWrap only its front prints). Every line
/// holds at least one character, or the rest of the word is dropped, so no text
/// makes the breaker loop.
void QRFormatParagraphs(const QString& text, TQRLineMeasure& measure, const TQRLineRules& rules,
                        QStringList& lines);

/// The lines a text control prints: its caption broken into lines, or, for a
/// control that prints a list of lines, each of them broken (with AutoSize
/// taken unchanged).
QStringList QRFormatLines(bool captionBased, const QString& caption, const QStringList& sourceLines,
                          TQRLineMeasure& measure, const TQRLineRules& rules);

/// The widest of the lines as the measure sees them; 0 for no lines.
int QRWidestLine(const QStringList& lines, TQRLineMeasure& measure);

}  // namespace quorin
