#pragma once

#include "report_engine/printer/QRPrinterDriver.h"

class QPrinter;

namespace quorin {

/// The printer driver over a QPrinter: the settings record maps onto its page
/// layout, copy count, paper source and duplex mode; what the printer offers
/// comes from QPrinterInfo. A printer that writes a PDF file takes any size.
class TQRQtPrinterDriver : public TQRPrinterDriver {
  public:
    /// The printer is not owned and must outlive the driver.
    explicit TQRQtPrinterDriver(QPrinter& printer);

    bool HasPrinters() const override;
    QString DeviceName() const override;
    QString DriverName() const override;
    QString Port() const override;
    TQRDeviceMode GetDeviceMode() const override;
    void SetDeviceMode(const TQRDeviceMode& mode) override;
    QList<int> PaperCodes() const override;
    int PixelsPerInchX() const override;
    int PixelsPerInchY() const override;
    QPoint PrintableOffset() const override;
    QSize PageSizePixels() const override;

  private:
    QPrinter& printer_;
};

}  // namespace quorin
