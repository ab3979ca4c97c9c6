#include "report_engine/model/TQRFrame.h"

#include "report_engine/model/QRUnits.h"

namespace quorin {

void TQRFrame::PaintIt(TQRCanvas& canvas, const QRect& rect, double xFactor, double yFactor) const {
    if (Width == 0 || !AnyFrame()) {
        return;
    }
    int tx = static_cast<int>(QRRound(static_cast<long double>(xFactor) / 72 * 254 * Width));
    int ty = static_cast<int>(QRRound(static_cast<long double>(yFactor) / 72 * 254 * Width));
    if ((tx < 1 && Width >= 1) || Width == -1) {
        tx = 1;
    }
    if ((ty < 1 && Width >= 1) || Width == -1) {
        ty = 1;
    }
    const int left = rect.left();
    const int top = rect.top();
    const int right = rect.left() + rect.width();
    const int bottom = rect.top() + rect.height();
    canvas.Brush = TQRBrush{Color, TQRBrushStyle::bsSolid};
    canvas.Pen = TQRPen{Color, 1, Style};
    auto fill = [&](int x1, int y1, int x2, int y2) {
        if (x2 > x1 && y2 > y1) {
            canvas.FillRect(QRect(x1, y1, x2 - x1, y2 - y1));
        }
    };
    if (DrawTop) {
        fill(left, top, right, top + ty);
    }
    if (DrawBottom) {
        fill(left, bottom - ty, right, bottom);
    }
    if (DrawLeft) {
        fill(left, top, left + tx, bottom);
    }
    if (DrawRight) {
        fill(right - tx, top, right, bottom);
    }
    canvas.Brush.Style = TQRBrushStyle::bsClear;
}

}  // namespace quorin
