#pragma once

#include <QFont>
#include <QHash>
#include <QImage>
#include <QString>
#include <QStringView>
#include <array>
#include <memory>

#include "report_engine/canvas/TQRCanvas.h"
#include "report_engine/printables/QRFormatLines.h"

class QFontMetricsF;

namespace quorin {

/// The font a TQRFont describes, for measuring at a given resolution. A
/// nonzero Height is taken as pixels, otherwise Size as points.
QFont QRMakeFont(const TQRFont& font);

/// The TQRTextMeasurer class measures text for line breaking the way the
/// report's measuring context does: QFontMetricsF on a QImage at the report's
/// resolution, the width of a text being the sum of its characters' advances,
/// rounded, plus one pixel, scaled by the control's zoom. Character advances
/// are cached, so measuring a word costs a few table reads and the width of a
/// line and a word is the sum of both advances. Not shared between threads.
class TQRTextMeasurer : public TQRLineMeasure {
  public:
    TQRTextMeasurer(const TQRFont& font, int dotsPerInch, int zoom = 100);
    ~TQRTextMeasurer() override;
    TQRTextMeasurer(const TQRTextMeasurer&) = delete;
    TQRTextMeasurer& operator=(const TQRTextMeasurer&) = delete;

    /// True when the measurer was made for that font, resolution and zoom.
    bool Matches(const TQRFont& font, int dotsPerInch, int zoom) const {
        return font_ == font && dotsPerInch_ == dotsPerInch && zoom_ == zoom;
    }

    /// The unrounded advance of the text at zoom 100.
    double Advance(QStringView text) override;
    /// The width the line breaker compares with the control's pixel width.
    int WidthOfAdvance(double advance) const override;
    int TextWidth(QStringView text) { return WidthOfAdvance(Advance(text)); }
    /// Height of a line ("W") at the control's zoom, as the control's minimum height uses it.
    int LineHeight() const;

  private:
    double CharAdvance(char32_t c) {
        if (c < kTableSize && table_[c] >= 0) {
            return table_[c];
        }
        return MeasureChar(c);
    }
    double MeasureChar(char32_t c);

    TQRFont font_;
    int dotsPerInch_;
    int zoom_;
    QImage device_;
    std::unique_ptr<QFontMetricsF> metrics_;
    static constexpr int kTableSize = 0x250;  // Latin with its supplements and extensions
    std::array<float, kTableSize> table_;
    QHash<char32_t, double> others_;
};

}  // namespace quorin
