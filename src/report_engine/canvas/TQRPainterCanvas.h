#pragma once

#include <QPainterPath>
#include <QPointF>
#include <memory>

#include "report_engine/canvas/TQRCanvas.h"

class QPainter;

namespace quorin {

namespace textrun {
class Measurer;
}

/// The canvas over any QPainter (printer, image, widget). Coordinates are the
/// painter's logical pixels; dotsPerInch is the resolution fonts are sized for.
/// referenceDotsPerInch is the resolution of the page recordings (the screen's):
/// styled pens draw their pattern in its pixels, as the preview shows it at 100 %.
class TQRPainterCanvas : public TQRCanvas {
  public:
    TQRPainterCanvas(QPainter& painter, int dotsPerInch, int referenceDotsPerInch = 96);
    ~TQRPainterCanvas() override;

    int DotsPerInch() const override { return dotsPerInch_; }
    void TextOut(int x, int y, const QString& text) override;
    int TextWidth(const QString& text) override;
    int TextHeight(const QString& text) override;
    void FillRect(const QRect& rect) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void SetClipRect(const QRect& rect) override;
    void ResetClip() override;
    void StretchDraw(const QRect& rect, const QImage& picture) override;

    QPainter& Painter() { return painter_; }

  private:
    void UsePen();
    void UseBrush();

    QPainter& painter_;
    int dotsPerInch_;
    qreal penScale_;  // painter pixels per reference pixel
    QPointF penPos_;
    std::unique_ptr<textrun::Measurer> measurer_;
    // The painter's clip before this canvas touched it, which ResetClip restores.
    bool hadClip_ = false;
    QPainterPath initialClip_;
};

}  // namespace quorin
