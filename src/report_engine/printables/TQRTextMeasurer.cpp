#include "report_engine/printables/TQRTextMeasurer.h"

#include <QFontMetricsF>
#include <cmath>

#include "runtime/Rounding.h"

namespace quorin {

QFont QRMakeFont(const TQRFont& font) {
    QFont f(font.Name);
    if (font.Height != 0) {
        f.setPixelSize(std::abs(font.Height));
    } else {
        f.setPointSizeF(font.Size == 0 ? 1.0 : std::abs(font.Size));
    }
    f.setBold(font.Bold);
    f.setItalic(font.Italic);
    f.setUnderline(font.Underline);
    f.setStrikeOut(font.StrikeOut);
    // Breaking sums character advances; kerning would make a line differ from its words.
    f.setKerning(false);
    return f;
}

TQRTextMeasurer::TQRTextMeasurer(const TQRFont& font, int dotsPerInch, int zoom)
    : font_(font),
      dotsPerInch_(dotsPerInch > 0 ? dotsPerInch : 96),
      zoom_(zoom > 0 ? zoom : 100),
      device_(1, 1, QImage::Format_RGB32) {
    const int dotsPerMeter = qRound(dotsPerInch_ / 0.0254);
    device_.setDotsPerMeterX(dotsPerMeter);
    device_.setDotsPerMeterY(dotsPerMeter);
    metrics_ = std::make_unique<QFontMetricsF>(QRMakeFont(font_), &device_);
    table_.fill(-1.0f);
}

TQRTextMeasurer::~TQRTextMeasurer() = default;

double TQRTextMeasurer::MeasureChar(char32_t c) {
    if (c < kTableSize) {
        float& w = table_[c];
        if (w < 0) {
            w = static_cast<float>(metrics_->horizontalAdvance(QChar(static_cast<char16_t>(c))));
        }
        return w;
    }
    auto it = others_.constFind(c);
    if (it != others_.constEnd()) {
        return *it;
    }
    const double w = metrics_->horizontalAdvance(QString::fromUcs4(&c, 1));
    others_.insert(c, w);
    return w;
}

double TQRTextMeasurer::Advance(QStringView text) {
    double sum = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
            ++i;
        }
        sum += CharAdvance(c);
    }
    return sum;
}

int TQRTextMeasurer::WidthOfAdvance(double advance) const {
    const double width = RoundHalfEven(advance) + 1;
    return static_cast<int>(RoundHalfEven(width * zoom_ / 100.0));
}

int TQRTextMeasurer::LineHeight() const {
    const double height = RoundHalfEven(metrics_->ascent()) + RoundHalfEven(metrics_->descent());
    return static_cast<int>(height * zoom_ / 100);
}

}  // namespace quorin
