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
// UTF-16 unit rounded so that the advances add up to the rounded width, and
// glyphs placed at exactly those advances. The recorder writes the advances
// into its text records; the painter canvas and the player draw with them, so
// a page looks the same recorded, played back or drawn directly.
namespace quorin::textrun {

/// A font as a recording describes it (a LOGFONT in pixel terms).
struct FontSpec {
    QString Face;
    int PixelSize = 13;  // character height (em) in logical pixels
    int Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int Charset = 1;

    bool operator==(const FontSpec&) const = default;
};
size_t qHash(const FontSpec& spec, size_t seed = 0);

/// The engine's font at a resolution: Size in points to pixels, or Height.
FontSpec SpecOf(const TQRFont& font, int dotsPerInch);
QFont MakeFont(const FontSpec& spec);

using Advances = QVarLengthArray<int, 128>;

struct FontTable;

/// Measures text in one font at a time. The per-character advances of a font
/// are kept per thread across measurers, since every page of a report prints
/// the same few fonts and a page gets a new recorder.
class Measurer {
  public:
    explicit Measurer(int dotsPerInch = 96);
    ~Measurer();

    /// Switches to the font; cheap when it is the current one.
    void SetFont(const FontSpec& spec);
    const FontSpec& Spec() const { return spec_; }

    /// Advance of each UTF-16 unit (the low half of a surrogate pair gets 0).
    void AdvancesOf(const QString& text, Advances& out);
    int Width(const QString& text);
    int Height() const;
    /// Distance from the top of the text cell to the baseline, whole pixels.
    int Ascent() const;

  private:
    FontSpec spec_;
    bool hasFont_ = false;
    std::shared_ptr<FontTable> table_;
};

/// A resolved font ready for drawing: the measurer plus its glyph source.
struct DrawFont {
    QFont Font;
    QRawFont Raw;
    int Ascent = 0;
    int Height = 0;
    qreal UnderlinePos = 1;  // below the baseline
    qreal StrikeOutPos = 3;  // above the baseline
    qreal LineWidth = 1;
};
/// The drawing font for a spec, cached per thread.
const DrawFont& DrawFontFor(const FontSpec& spec);

/// Draws text whose baseline starts at origin, each unit advanced by dx
/// (logical units of the painter), in the painter's pen colour.
void Draw(QPainter& painter, const DrawFont& font, QPointF origin, const QString& text, const int* dx,
          bool underline, bool strikeOut);

}  // namespace quorin::textrun
