#include "report_engine/printables/QRPrintableHelpers.h"

#include "report_engine/printer/TQRPrinter.h"

namespace quorin {

TQRCanvas* QRCanvasOf(const TQRPrinter& printer) {
    return printer.GetCanvas();
}

int QRXPos(const TQRPrinter& printer, long double x) {
    return printer.XPos(static_cast<double>(x));
}

int QRYPos(const TQRPrinter& printer, long double y) {
    return printer.YPos(static_cast<double>(y));
}

double QRXFactor(const TQRPrinter& printer) {
    return printer.XFactor();
}

double QRYFactor(const TQRPrinter& printer) {
    return printer.YFactor();
}

}  // namespace quorin
