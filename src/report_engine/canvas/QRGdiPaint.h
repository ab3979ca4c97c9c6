#pragma once

#include <QPainter>
#include <QPen>
#include <QRectF>
#include <algorithm>
#include <cmath>

#include "report_engine/canvas/QREmfFormat.h"
#include "report_engine/canvas/TQRCanvas.h"

// Shapes drawn on a QPainter the way the recording's drawing model defines
// them: a pixel is the unit square right and below its coordinate, outlines
// run through pixel centres, a rectangle's right and bottom edges are
// exclusive, and a line leaves out its last pixel. Shared by the painter
// canvas and the player so that both put the same pixels down.
namespace quorin::gdipaint {

/// The recording's pen style code of an engine pen style.
inline uint32_t StyleCode(TQRPenStyle style) {
    switch (style) {
        case TQRPenStyle::psSolid:
            return emf::PS_SOLID;
        case TQRPenStyle::psDash:
            return emf::PS_DASH;
        case TQRPenStyle::psDot:
            return emf::PS_DOT;
        case TQRPenStyle::psDashDot:
            return emf::PS_DASHDOT;
        case TQRPenStyle::psDashDotDot:
            return emf::PS_DASHDOTDOT;
        case TQRPenStyle::psClear:
            return emf::PS_NULL;
    }
    return emf::PS_SOLID;
}

/// The dash pattern of a styled pen (dash, dot, dash-dot, dash-dot-dot):
/// lengths of the marks and gaps, alternately, in pixels of the recording's
/// reference device, i.e. what the preview shows at 100 %. Empty for a solid
/// or a null pen. Every output (screen, printer, PDF, metafile) draws this
/// pattern scaled to its own resolution.
inline const QList<qreal>& DashPattern(uint32_t style) {
    // Made once: every line of every page asks for its pen's pattern.
    static const QList<qreal> solid, dash{18, 6}, dot{3, 3}, dashDot{9, 6, 3, 6}, dashDotDot{9, 3, 3, 3, 3, 3};
    switch (style & 0xF) {
        case emf::PS_DASH:
            return dash;
        case emf::PS_DOT:
            return dot;
        case emf::PS_DASHDOT:
            return dashDot;
        case emf::PS_DASHDOTDOT:
            return dashDotDot;
        default:
            return solid;
    }
}

/// The pen of a style, width (0 = one device pixel) and colour. scale is the
/// number of painter units in one pixel of the reference device (1 when the
/// painter draws in the recording's own units, printer dpi / screen dpi on a
/// printer canvas). A styled pen is never thinner than one reference pixel
/// and its pattern is measured in reference pixels, so a dotted line keeps
/// the period and the weight the preview shows at 100 % on every device.
inline QPen MakePen(uint32_t style, int width, const QColor& color, qreal scale = 1) {
    if ((style & 0xF) == emf::PS_NULL) {
        return QPen(Qt::NoPen);
    }
    QPen pen(color);
    pen.setWidth(std::clamp(width, 0, 32767));
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    const QList<qreal>& lengths = DashPattern(style);
    if (lengths.isEmpty()) {
        return pen;
    }
    if (!(scale > 0)) {
        scale = 1;
    }
    // A cosmetic pen's pattern would count device pixels (3/1200 inch on a
    // printer, a solid line to the eye): styled pens are always geometric.
    const qreal unit = std::max(1, std::clamp(width, 0, 32767)) * scale;
    pen.setWidthF(unit);
    QList<qreal> dashes;
    for (const qreal l : lengths) {
        dashes.append(std::max<qreal>(0.1, l * scale / unit));
    }
    pen.setDashPattern(dashes);
    return pen;
}

/// The outline path of a box given by two corners, right and bottom exclusive.
inline QRectF OutlineBox(qreal x1, qreal y1, qreal x2, qreal y2) {
    const qreal l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
    return QRectF(l + 0.5, t + 0.5, std::max<qreal>(0, r - l - 1), std::max<qreal>(0, b - t - 1));
}

/// Without a pen the inside of a box is filled; it ends one pixel before the
/// exclusive edges, as the outline would have covered them.
inline QRectF FillBox(qreal x1, qreal y1, qreal x2, qreal y2) {
    const qreal l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
    return QRectF(l, t, std::max<qreal>(0, r - l - 1), std::max<qreal>(0, b - t - 1));
}

inline void Rectangle(QPainter& painter, qreal x1, qreal y1, qreal x2, qreal y2) {
    if (painter.pen().style() == Qt::NoPen) {
        if (painter.brush().style() != Qt::NoBrush) {
            painter.fillRect(FillBox(x1, y1, x2, y2), painter.brush());
        }
        return;
    }
    painter.drawRect(OutlineBox(x1, y1, x2, y2));
}

inline void Ellipse(QPainter& painter, qreal x1, qreal y1, qreal x2, qreal y2) {
    painter.drawEllipse(painter.pen().style() == Qt::NoPen ? FillBox(x1, y1, x2, y2) : OutlineBox(x1, y1, x2, y2));
}

inline void RoundRect(QPainter& painter, qreal x1, qreal y1, qreal x2, qreal y2, qreal cw, qreal ch) {
    const QRectF box = painter.pen().style() == Qt::NoPen ? FillBox(x1, y1, x2, y2) : OutlineBox(x1, y1, x2, y2);
    const qreal rx = std::clamp(std::abs(cw) / 2, 0.0, box.width() / 2);
    const qreal ry = std::clamp(std::abs(ch) / 2, 0.0, box.height() / 2);
    painter.drawRoundedRect(box, rx, ry, Qt::AbsoluteSize);
}

inline void Line(QPainter& painter, qreal x1, qreal y1, qreal x2, qreal y2) {
    const QPen& pen = painter.pen();
    if (pen.style() == Qt::NoPen || (x1 == x2 && y1 == y2)) {
        return;
    }
    // Solid horizontal and vertical lines (frames, rules) are filled as the
    // pixels they cover, from the first point up to the last one excluded;
    // the rasteriser's own line rules would move them by a pixel.
    if (pen.style() == Qt::SolidLine && (x1 == x2 || y1 == y2)) {
        const QTransform& t = painter.worldTransform();
        const bool horizontal = y1 == y2;
        qreal thickness = pen.widthF();
        if (thickness <= 0) {  // one device pixel
            const qreal scale = horizontal ? std::hypot(t.m12(), t.m22()) : std::hypot(t.m11(), t.m21());
            thickness = scale > 0 ? 1 / scale : 1;
        }
        const qreal offset = 0.5 - thickness / 2;
        QRectF cover;
        if (horizontal) {
            const qreal from = x2 > x1 ? x1 : x2 + 1;
            cover = QRectF(from, y1 + offset, std::abs(x2 - x1), thickness);
        } else {
            const qreal from = y2 > y1 ? y1 : y2 + 1;
            cover = QRectF(x1 + offset, from, thickness, std::abs(y2 - y1));
        }
        painter.fillRect(cover, pen.color());
        return;
    }
    painter.drawLine(QPointF(x1 + 0.5, y1 + 0.5), QPointF(x2 + 0.5, y2 + 0.5));
}

}  // namespace quorin::gdipaint
