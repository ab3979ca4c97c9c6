#include "report_engine/canvas/TQRPainterCanvas.h"

#include <QPainter>

#include "report_engine/canvas/QRGdiPaint.h"
#include "report_engine/canvas/QRTextRun.h"

namespace quorin {

TQRPainterCanvas::TQRPainterCanvas(QPainter& painter, int dotsPerInch, int referenceDotsPerInch)
    : painter_(painter),
      dotsPerInch_(dotsPerInch > 0 ? dotsPerInch : 96),
      penScale_(qreal(dotsPerInch_) / (referenceDotsPerInch > 0 ? referenceDotsPerInch : 96)),
      measurer_(std::make_unique<textrun::Measurer>(dotsPerInch_)),
      hadClip_(painter.hasClipping()) {
    if (hadClip_) {
        initialClip_ = painter.clipPath();
    }
}

TQRPainterCanvas::~TQRPainterCanvas() = default;

void TQRPainterCanvas::UsePen() {
    painter_.setPen(gdipaint::MakePen(gdipaint::StyleCode(Pen.Style), Pen.Width, Pen.Color, penScale_));
}

void TQRPainterCanvas::UseBrush() {
    painter_.setBrush(Brush.Style == TQRBrushStyle::bsClear ? QBrush(Qt::NoBrush) : QBrush(Brush.Color));
}

void TQRPainterCanvas::TextOut(int x, int y, const QString& text) {
    const textrun::FontDesc desc = textrun::DescOf(Font, dotsPerInch_);
    measurer_->SetFont(desc);
    textrun::Advances dx;
    measurer_->AdvancesOf(text, dx);
    int width = 0;
    for (const int d : dx) {
        width += d;
    }
    const textrun::DrawFont& font = textrun::DrawFontFor(desc);
    qreal left = x;
    if (TextAlign == TAlignment::taRightJustify) {
        left = x - width;
    } else if (TextAlign == TAlignment::taCenter) {
        left = x - width / 2.0;
    }
    if (!TransparentBackground) {
        painter_.fillRect(QRectF(left, y, width, font.Height), Brush.Color);
    }
    painter_.setPen(Font.Color);
    textrun::Draw(painter_, font, QPointF(left, y + font.Ascent), text, dx.constData(), desc.Underline,
                  desc.StrikeOut);
}

int TQRPainterCanvas::TextWidth(const QString& text) {
    measurer_->SetFont(textrun::DescOf(Font, dotsPerInch_));
    return measurer_->Width(text);
}

int TQRPainterCanvas::TextHeight(const QString&) {
    measurer_->SetFont(textrun::DescOf(Font, dotsPerInch_));
    return measurer_->Height();
}

void TQRPainterCanvas::FillRect(const QRect& rect) {
    if (Brush.Style == TQRBrushStyle::bsClear) {
        return;
    }
    painter_.fillRect(rect, Brush.Color);
}

void TQRPainterCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    UsePen();
    UseBrush();
    gdipaint::Rectangle(painter_, x1, y1, x2, y2);
}

void TQRPainterCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    UsePen();
    UseBrush();
    gdipaint::Ellipse(painter_, x1, y1, x2, y2);
}

void TQRPainterCanvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) {
    UsePen();
    UseBrush();
    gdipaint::RoundRect(painter_, x1, y1, x2, y2, cornerWidth, cornerHeight);
}

void TQRPainterCanvas::MoveTo(int x, int y) {
    penPos_ = QPointF(x, y);
}

void TQRPainterCanvas::LineTo(int x, int y) {
    UsePen();
    gdipaint::Line(painter_, penPos_.x(), penPos_.y(), x, y);
    penPos_ = QPointF(x, y);
}

void TQRPainterCanvas::SetClipRect(const QRect& rect) {
    painter_.setClipRect(rect, painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

void TQRPainterCanvas::ResetClip() {
    if (hadClip_) {
        painter_.setClipPath(initialClip_);
    } else {
        painter_.setClipping(false);
    }
}

void TQRPainterCanvas::StretchDraw(const QRect& rect, const QImage& picture) {
    if (picture.isNull() || rect.isEmpty()) {
        return;
    }
    const bool smooth = painter_.testRenderHint(QPainter::SmoothPixmapTransform);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter_.drawImage(QRectF(rect), picture);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

}  // namespace quorin
