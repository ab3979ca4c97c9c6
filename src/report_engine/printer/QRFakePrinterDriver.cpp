#include "report_engine/printer/QRFakePrinterDriver.h"

namespace quorin {

TQRFakePrinterDriver::TQRFakePrinterDriver() {
    Mode.Fields = TQRDeviceMode::dmOrientation | TQRDeviceMode::dmPaperSize | TQRDeviceMode::dmCopies |
                  TQRDeviceMode::dmDefaultSource | TQRDeviceMode::dmDuplex;
    Mode.PaperSize = 9;
    Mode.PaperWidth = 2100;
    Mode.PaperLength = 2970;
    Mode.DefaultSource = 7;
    Codes = {1, 5, 9, 11};
}

}  // namespace quorin
