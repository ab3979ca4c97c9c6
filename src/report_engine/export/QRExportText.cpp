#include "report_engine/export/QRExportText.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <array>
#include <map>
#include <tuple>

#include "report_engine/printer/TQRPrinter.h"
#include "runtime/Rounding.h"

namespace quorin {

struct TQRExportGeometry::Impl {
    QImage device{1, 1, QImage::Format_RGB32};
    using TKey = std::tuple<QString, int, int, bool, bool>;
    struct TMetrics {
        explicit TMetrics(const QFont& font, QPaintDevice* device) : Metrics(font, device) {
            Advances.fill(-1);
        }
        QFontMetricsF Metrics;
        std::array<double, 256> Advances;  // Latin-1 characters, measured on first use
    };
    std::map<TKey, std::unique_ptr<TMetrics>> metrics;
};

TQRExportGeometry::TQRExportGeometry(const TQRPrinter* printer) : printer_(printer), d(std::make_unique<Impl>()) {
    const double dpi = XFactor() * 254.0;
    d->device.setDotsPerMeterX(static_cast<int>(dpi / 0.0254 + 0.5));
    d->device.setDotsPerMeterY(static_cast<int>(YFactor() * 254.0 / 0.0254 + 0.5));
}

TQRExportGeometry::~TQRExportGeometry() = default;

int TQRExportGeometry::XPos(double x) const {
    return printer_ ? printer_->XPos(x) : static_cast<int>(RoundHalfEven(x));
}

int TQRExportGeometry::YPos(double y) const {
    return printer_ ? printer_->YPos(y) : static_cast<int>(RoundHalfEven(y));
}

double TQRExportGeometry::XFactor() const { return printer_ && printer_->XFactor() > 0 ? printer_->XFactor() : 1.0; }

double TQRExportGeometry::YFactor() const { return printer_ && printer_->YFactor() > 0 ? printer_->YFactor() : 1.0; }

double TQRExportGeometry::TextWidth(const TQRFont& font, const QString& text) const {
    const Impl::TKey key{font.Name, font.Size, font.Height, font.Bold, font.Italic};
    auto it = d->metrics.find(key);
    if (it == d->metrics.end()) {
        QFont qfont(font.Name);
        if (font.Height > 0) {
            qfont.setPixelSize(font.Height);
        } else {
            qfont.setPointSizeF(font.Size > 0 ? font.Size : 1);
        }
        qfont.setBold(font.Bold);
        qfont.setItalic(font.Italic);
        it = d->metrics.emplace(key, std::make_unique<Impl::TMetrics>(qfont, &d->device)).first;
    }
    // Sums of single advances for Latin-1 text (report texts are nearly all
    // Latin-1); anything else is shaped whole.
    Impl::TMetrics& m = *it->second;
    double width = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 256) return m.Metrics.horizontalAdvance(text);
        double& advance = m.Advances[u];
        if (advance < 0) advance = m.Metrics.horizontalAdvance(c);
        width += advance;
    }
    return width;
}

}  // namespace quorin
