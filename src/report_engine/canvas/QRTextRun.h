#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <QVarLengthArray>
#include <array>
#include <memory>
#include <optional>

#include "report_engine/canvas/TQRCanvas.h"

class QPainter;

// Text as every canvas backend lays it out: one resolved font, one advance per
// UTF-16 unit rounded so that the advances add up to the rounded width. The
// recorder writes the advances into its text records; the painter canvas and
// the player draw with them, so a page looks the same recorded, played back or
// drawn directly. Within a text the glyphs keep the font's own fractional
// spacing (FinePositions), so the whole-pixel rounding of each advance does not
// grow into visible gaps when a page is drawn enlarged.
namespace quorin::textrun {

/// A font as a recording describes it (a LOGFONT in pixel terms).
struct FontDesc {
    QString Face;
    int PixelSize = 13;  // character height (em) in logical pixels
    int Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int Charset = 1;

    bool operator==(const FontDesc&) const = default;
};
size_t qHash(const FontDesc& desc, size_t seed = 0);

/// The engine's font at a resolution: Size in points to pixels, or Height.
FontDesc DescOf(const TQRFont& font, int dotsPerInch);
QFont MakeFont(const FontDesc& desc);

using Advances = QVarLengthArray<int, 128>;
/// Where each unit's glyph starts, plus the text's end, from the text's start.
using Positions = QVarLengthArray<qreal, 129>;

struct FontTable;

/// Measures text in one font at a time. The per-character advances of a font
/// are kept per thread across measurers, since every page of a report prints
/// the same few fonts and a page gets a new recorder.
class Measurer {
  public:
    explicit Measurer(int dotsPerInch = 96);
    ~Measurer();

    /// Switches to the font; cheap when it is the current one.
    void SetFont(const FontDesc& desc);
    const FontDesc& Desc() const { return desc_; }

    /// Advance of each UTF-16 unit (the low half of a surrogate pair gets 0).
    void AdvancesOf(const QString& text, Advances& out);
    int Width(const QString& text);
    int Height() const;
    /// Distance from the top of the text cell to the baseline, whole pixels.
    int Ascent() const;

  private:
    FontDesc desc_;
    bool hasFont_ = false;
    std::shared_ptr<FontTable> table_;
};

/// Where the glyphs of text lie when its advances dx (logical units, one per
/// UTF-16 unit) are this font's rounded ones: the font's fractional advances,
/// stretched so that the text still ends where dx ends. out gets text.size() + 1
/// positions. False, with out empty, when dx does not follow the font (a glyph
/// more than one unit away: spacing chosen by another writer); dx is then to be
/// taken as it is.
bool FinePositions(const FontDesc& desc, QStringView text, const int* dx, Positions& out);
/// The measurements of a font, kept per thread; holding them spares the
/// look-up of FinePositions(desc, ...) for every text of the same font.
std::shared_ptr<FontTable> TableOf(const FontDesc& desc);
/// FinePositions with the measurements of TableOf.
bool FinePositions(FontTable& table, QStringView text, const int* dx, Positions& out);

/// A resolved font ready for drawing: the measurer plus its glyph source.
struct DrawFont {
    QFont Font;
    QFont Shaped;  // without decorations, with shaping: text the raw font cannot draw alone
    std::shared_ptr<FontTable> Table;
    QRawFont Raw;
    int Ascent = 0;
    int Height = 0;
    qreal UnderlinePos = 1;  // below the baseline
    qreal StrikeOutPos = 3;  // above the baseline
    qreal LineWidth = 1;
};
/// The drawing font for a desc, cached per thread.
const DrawFont& DrawFontFor(const FontDesc& desc);

/// Draws text whose baseline starts at origin, each unit advanced by dx
/// (logical units of the painter), in the painter's pen colour. Text of this
/// font's own glyphs is placed glyph by glyph (at FinePositions when dx follows
/// the font). Text with characters the font lacks, right-to-left or combining
/// characters is shaped by Qt, which falls back to an installed font that has
/// them and keeps the text's direction, and is fitted into dx's total width.
void Draw(QPainter& painter, const DrawFont& font, QPointF origin, const QString& text, const int* dx,
          bool underline, bool strikeOut);

}  // namespace quorin::textrun
