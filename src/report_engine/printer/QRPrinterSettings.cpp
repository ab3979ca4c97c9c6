#include "report_engine/printer/QRPrinterSettings.h"

namespace quorin {

void TQRPrinterSettings::ApplySettings(TQRPrinterSettingsTarget& printer) const {
    printer.SetPrinterIndex(PrinterIndex);
    printer.SetPaperSize(PaperSize);
    printer.SetCopies(Copies);
    printer.SetOrientation(Orientation);
    printer.SetDuplex(Duplex);
    printer.SetBin(OutputBin);
    printer.SetTitle(Title);
}

}  // namespace quorin
