#pragma once

#include <QPainter>
#include <QPen>
#include <QRectF>
#include <algorithm>
#include <cmath>

#include "report_engine/canvas/QREmfFormat.h"

// Shapes drawn on a QPainter the way the recording's drawing model defines
// them: a pixel is the unit square right and below its coordinate, outlines
// run through pixel centres, a rectangle's right and bottom edges are
// exclusive, and a line leaves out its last pixel. Shared by the painter
// canvas and the player so that both put the same pixels down.
namespace quorin::gdipaint {

/// The pen of a style, width (0 = one device pixel) and colour.
inline QPen MakePen(uint32_t style, int width, const QColor& color) {
    if ((style & 0xF) == emf::PS_NULL) {
        return QPen(Qt::NoPen);
    }
    QPen pen(color);
    pen.setWidth(std::clamp(width, 0, 32767));
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    const qreal unit = width <= 1 ? 1.0 : width;
    auto pattern = [&](std::initializer_list<qreal> lengths) {
        QList<qreal> dashes;
        for (const qreal l : lengths) {
            dashes.append(std::max(0.1, l / unit));
        }
        pen.setDashPattern(dashes);
    };
    switch (style & 0xF) {
        case emf::PS_DASH:
            pattern({18, 6});
            break;
        case emf::PS_DOT:
            pattern({3, 3});
            break;
        case emf::PS_DASHDOT:
            pattern({9, 6, 3, 6});
            break;
        case emf::PS_DASHDOTDOT:
            pattern({9, 3, 3, 3, 3, 3});
            break;
        default:
            break;
    }
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
