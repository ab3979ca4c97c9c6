#pragma once

#include <QRect>

namespace quorin {

class TQRCanvas;
class TQRPrinter;

// The page sink as the printables use it: positions in native units
// become device pixels of the page being recorded.
TQRCanvas* QRCanvasOf(const TQRPrinter& printer);
int QRXPos(const TQRPrinter& printer, long double x);
int QRYPos(const TQRPrinter& printer, long double y);
double QRXFactor(const TQRPrinter& printer);
double QRYFactor(const TQRPrinter& printer);

/// The device rectangle from (x1, y1) to (x2, y2) in native units, the right
/// and bottom edges exclusive.
inline QRect QRDeviceRect(const TQRPrinter& printer, long double x1, long double y1, long double x2,
                          long double y2) {
    const int left = QRXPos(printer, x1);
    const int top = QRYPos(printer, y1);
    return QRect(left, top, QRXPos(printer, x2) - left, QRYPos(printer, y2) - top);
}

}  // namespace quorin
