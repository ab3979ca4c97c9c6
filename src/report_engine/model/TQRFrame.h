#pragma once

#include <QColor>
#include <QRect>

#include "report_engine/canvas/TQRCanvas.h"

namespace quorin {

class TQRControl;

/// A rectangle from its four edges (right and bottom exclusive).
inline QRect QREdges(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

/// The lines drawn around a band, a report or a printable.
class TQRFrame {
  public:
    explicit TQRFrame(TQRControl* owner = nullptr) : owner_(owner) {}

    QColor Color = Qt::black;
    bool DrawTop = false;
    bool DrawBottom = false;
    bool DrawLeft = false;
    bool DrawRight = false;
    TQRPenStyle Style = TQRPenStyle::psSolid;
    /// Points (1/72 inch); -1 means one device pixel, 0 draws nothing.
    int Width = 1;

    bool AnyFrame() const { return DrawTop || DrawBottom || DrawLeft || DrawRight; }
    /// Paints the selected sides inside rect; the factors are device pixels
    /// per native unit horizontally and vertically.
    void PaintIt(TQRCanvas& canvas, const QRect& rect, double xFactor, double yFactor) const;

    TQRControl* Owner() const { return owner_; }

  private:
    TQRControl* owner_;
};

}  // namespace quorin
