#pragma once

#include <QList>

#include "report_engine/printer/QRPrinterDriver.h"

namespace quorin {

/// A printer driver that answers from its public fields and remembers the
/// records it was given: for tests, and for trying the engine without a
/// printer. The defaults describe an A4 printer at 600 dpi.
class TQRFakePrinterDriver : public TQRPrinterDriver {
  public:
    TQRFakePrinterDriver();

    bool HasPrinters() const override { return Printers; }
    QString DeviceName() const override { return Device; }
    QString DriverName() const override { return Driver; }
    QString Port() const override { return PortName; }
    TQRDeviceMode GetDeviceMode() const override { return Mode; }
    void SetDeviceMode(const TQRDeviceMode& mode) override { Written.append(mode); }
    QList<int> PaperCodes() const override { return Codes; }
    int PixelsPerInchX() const override { return DpiX; }
    int PixelsPerInchY() const override { return DpiY; }
    QPoint PrintableOffset() const override { return Offset; }
    QSize PageSizePixels() const override { return PagePixels; }

    bool Printers = true;
    QString Device = QStringLiteral("Impressora de teste");
    QString Driver = QStringLiteral("teste.drv");
    QString PortName = QStringLiteral("LPT1:");
    TQRDeviceMode Mode;
    QList<int> Codes;
    int DpiX = 600;
    int DpiY = 600;
    QPoint Offset{100, 50};
    QSize PagePixels{4960, 7016};
    /// Every record handed to the printer, oldest first.
    QList<TQRDeviceMode> Written;
};

}  // namespace quorin
