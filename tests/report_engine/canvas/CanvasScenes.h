#pragma once

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>

#include "report_engine/canvas/TQRCanvas.h"

namespace quorin::scenes {

/// A page with what a report draws: texts in three alignments, opaque and
/// transparent, fonts of several sizes and styles, frame lines, shapes and a picture.
inline void ReportPage(TQRCanvas& canvas) {
    canvas.Brush = TQRBrush{Qt::white, TQRBrushStyle::bsSolid};
    canvas.FillRect(QRect(0, 0, 400, 300));
    canvas.Font = TQRFont{};
    canvas.Font.Size = 10;
    canvas.TextOut(10, 10, QStringLiteral("Proposta de Preços — Lote 1"));
    canvas.Font.Bold = true;
    canvas.Font.Size = 12;
    canvas.TextAlign = TAlignment::taRightJustify;
    canvas.TextOut(390, 30, QStringLiteral("Página: 1"));
    canvas.Font.Bold = false;
    canvas.Font.Italic = true;
    canvas.Font.Size = 9;
    canvas.TextAlign = TAlignment::taCenter;
    canvas.TextOut(200, 50, QStringLiteral("Especificação técnica"));
    canvas.TextAlign = TAlignment::taLeftJustify;
    canvas.Font.Italic = false;
    canvas.Font.Color = QColor(0, 0, 160);
    canvas.TransparentBackground = false;
    canvas.Brush.Color = QColor(255, 255, 160);
    canvas.TextOut(10, 70, QStringLiteral("Valor unitário R$ 1.234,56"));
    canvas.TransparentBackground = true;
    canvas.Font.Color = Qt::black;

    canvas.Pen = TQRPen{};
    canvas.MoveTo(10, 95);
    canvas.LineTo(390, 95);
    canvas.Pen.Style = TQRPenStyle::psDot;
    canvas.MoveTo(10, 100);
    canvas.LineTo(390, 100);
    canvas.Pen.Style = TQRPenStyle::psDash;
    canvas.MoveTo(10, 105);
    canvas.LineTo(390, 105);
    canvas.Pen.Style = TQRPenStyle::psSolid;
    canvas.Pen.Width = 3;
    canvas.MoveTo(200, 110);
    canvas.LineTo(200, 160);
    canvas.Pen.Width = 1;

    canvas.Brush = TQRBrush{QColor(200, 230, 255), TQRBrushStyle::bsSolid};
    canvas.Rectangle(10, 120, 110, 170);
    canvas.Brush.Style = TQRBrushStyle::bsClear;
    canvas.Pen.Color = QColor(160, 0, 0);
    canvas.Ellipse(120, 120, 190, 170);
    canvas.Brush = TQRBrush{QColor(220, 255, 220), TQRBrushStyle::bsSolid};
    canvas.RoundRect(210, 120, 300, 170, 20, 20);
    canvas.Pen.Style = TQRPenStyle::psClear;
    canvas.Brush.Color = QColor(90, 90, 90);
    canvas.Rectangle(310, 120, 390, 170);
    canvas.Pen = TQRPen{};

    QImage picture(8, 6, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            picture.setPixel(x, y, qRgb(x * 30, y * 40, 200 - x * 20));
        }
    }
    canvas.StretchDraw(QRect(10, 180, 80, 60), picture);

    canvas.SetClipRect(QRect(100, 180, 60, 20));
    canvas.Font.Size = 14;
    canvas.TextOut(100, 180, QStringLiteral("Recortado além da caixa"));
    canvas.ResetClip();
    canvas.Font.Size = 8;
    canvas.TextOut(100, 210, QStringLiteral("Depois do recorte"));
    canvas.Brush = TQRBrush{Qt::black, TQRBrushStyle::bsSolid};
    canvas.FillRect(QRect(100, 230, 290, 2));
}

/// Fonts, pens and brushes that keep changing, also inside clipped parts, so
/// that objects are created, reselected, evicted and restored.
inline void ManyObjects(TQRCanvas& canvas) {
    for (int i = 0; i < 40; ++i) {
        if (i % 7 == 3) {
            canvas.SetClipRect(QRect(0, 5 * i, 300, 40));
        }
        canvas.Font.Size = 7 + i % 9;
        canvas.Font.Bold = i % 2 == 0;
        canvas.Font.Underline = i % 5 == 0;
        canvas.Font.Color = QColor::fromHsv(i * 9 % 360, 200, 120);
        canvas.TextOut(5 + i % 3 * 60, 7 * i, QStringLiteral("Linha %1 çã").arg(i));
        canvas.Pen.Width = i % 3;
        canvas.Pen.Style = static_cast<TQRPenStyle>(i % 6);
        canvas.Pen.Color = QColor::fromHsv(i * 37 % 360, 255, 160);
        canvas.Brush.Style = i % 4 == 0 ? TQRBrushStyle::bsClear : TQRBrushStyle::bsSolid;
        canvas.Brush.Color = QColor::fromHsv(i * 23 % 360, 60, 250);
        canvas.Rectangle(200 + i % 4 * 40, 7 * i, 230 + i % 4 * 40, 7 * i + 6);
        canvas.MoveTo(180, 7 * i);
        canvas.LineTo(195, 7 * i + 5);
        if (i % 7 == 5) {
            canvas.ResetClip();
        }
    }
}

inline QString ScreenshotDir() {
    const QString dir = QStringLiteral(QUORIN_BINARY_DIR "/screenshots");
    QDir().mkpath(dir);
    return dir;
}

/// Share of pixels whose channels differ by more than tolerance.
inline double DifferentShare(const QImage& a, const QImage& b, int tolerance) {
    if (a.size() != b.size()) {
        return 1.0;
    }
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 different = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            if (std::abs(qRed(p[col]) - qRed(q[col])) > tolerance ||
                std::abs(qGreen(p[col]) - qGreen(q[col])) > tolerance ||
                std::abs(qBlue(p[col]) - qBlue(q[col])) > tolerance) {
                ++different;
            }
        }
    }
    return double(different) / (double(x.width()) * x.height());
}

/// Share of the pixels of a that no pixel of b within radius matches within
/// tolerance: a comparison that forgives shifts of a pixel or two (other
/// renderers smooth edges and place glyphs their own way) and still sees a
/// line, a shape or a word that is missing or misplaced.
inline double UnmatchedShare(const QImage& a, const QImage& b, int radius, int tolerance, QImage* map = nullptr) {
    if (a.size() != b.size()) {
        return 1.0;
    }
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 unmatched = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            bool found = false;
            for (int dy = -radius; dy <= radius && !found; ++dy) {
                const int r = row + dy;
                if (r < 0 || r >= y.height()) {
                    continue;
                }
                const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(r));
                for (int dx = -radius; dx <= radius && !found; ++dx) {
                    const int c = col + dx;
                    found = c >= 0 && c < y.width() && std::abs(qRed(p[col]) - qRed(q[c])) <= tolerance &&
                            std::abs(qGreen(p[col]) - qGreen(q[c])) <= tolerance &&
                            std::abs(qBlue(p[col]) - qBlue(q[c])) <= tolerance;
                }
            }
            unmatched += found ? 0 : 1;
            if (map && !found) {
                map->setPixel(col, row, qRgb(255, 0, 0));
            }
        }
    }
    return double(unmatched) / (double(x.width()) * x.height());
}

/// The first picture lightened, with the pixels that differ from the second in red.
inline QImage Difference(const QImage& a, const QImage& b, int tolerance) {
    QImage out = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    for (int row = 0; row < out.height() && row < y.height(); ++row) {
        auto* p = reinterpret_cast<QRgb*>(out.scanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < out.width() && col < y.width(); ++col) {
            const bool differs = std::abs(qRed(p[col]) - qRed(q[col])) > tolerance ||
                                 std::abs(qGreen(p[col]) - qGreen(q[col])) > tolerance ||
                                 std::abs(qBlue(p[col]) - qBlue(q[col])) > tolerance;
            p[col] = differs ? qRgb(255, 0, 0)
                             : qRgb(192 + qRed(p[col]) / 4, 192 + qGreen(p[col]) / 4, 192 + qBlue(p[col]) / 4);
        }
    }
    return out;
}

}  // namespace quorin::scenes
