#pragma once

#include <QString>
#include <memory>

#include "report_engine/canvas/TQRCanvas.h"

namespace quorin {

class TQRPrinter;

/// Where the export filters get positions and text widths from: the run's
/// page sink when there is one (its XPos/YPos and factors), else native
/// units taken as device pixels. Text is measured with QFontMetricsF on an
/// image at the sink's resolution, so it works on the generation thread.
class TQRExportGeometry {
  public:
    explicit TQRExportGeometry(const TQRPrinter* printer = nullptr);
    ~TQRExportGeometry();
    TQRExportGeometry(const TQRExportGeometry&) = delete;
    TQRExportGeometry& operator=(const TQRExportGeometry&) = delete;

    int XPos(double x) const;
    int YPos(double y) const;
    double XFactor() const;
    double YFactor() const;
    /// Width of the text in device pixels.
    double TextWidth(const TQRFont& font, const QString& text) const;

  private:
    const TQRPrinter* printer_;
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace quorin
