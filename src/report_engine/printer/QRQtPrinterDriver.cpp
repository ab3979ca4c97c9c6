#include "report_engine/printer/QRQtPrinterDriver.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>

#include "report_engine/printer/QRPaperSize.h"

namespace quorin {

namespace {

constexpr int kCustomPaperCode = 256;

// Qt's paper sources against the driver's paper-source codes (keep in sync
// with QPrinter::PaperSource): OnlyOne/Upper 1 ... LargeCapacity 11,
// Cassette 14, FormSource 15.
int SourceCode(QPrinter::PaperSource source) {
    switch (source) {
        case QPrinter::Cassette:
            return 14;
        case QPrinter::FormSource:
            return 15;
        default:
            return source <= QPrinter::LargeCapacity ? static_cast<int>(source) + 1 : 7;
    }
}

QPrinter::PaperSource SourceOf(int code) {
    if (code == 14) {
        return QPrinter::Cassette;
    }
    if (code == 15) {
        return QPrinter::FormSource;
    }
    if (code >= 1 && code <= 11) {
        return static_cast<QPrinter::PaperSource>(code - 1);
    }
    return QPrinter::Auto;
}

int DuplexCode(QPrinter::DuplexMode mode) {
    switch (mode) {
        case QPrinter::DuplexLongSide:
        case QPrinter::DuplexAuto:
            return 2;
        case QPrinter::DuplexShortSide:
            return 3;
        default:
            return 1;
    }
}

QPrinter::DuplexMode DuplexOf(int code) {
    switch (code) {
        case 2:
            return QPrinter::DuplexLongSide;
        case 3:
            return QPrinter::DuplexShortSide;
        default:
            return QPrinter::DuplexNone;
    }
}

bool IsPdf(const QPrinter& printer) {
    return printer.outputFormat() == QPrinter::PdfFormat;
}

}  // namespace

TQRQtPrinterDriver::TQRQtPrinterDriver(QPrinter& printer) : printer_(printer) {}

bool TQRQtPrinterDriver::HasPrinters() const {
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

QString TQRQtPrinterDriver::DeviceName() const {
    return printer_.printerName();
}

QString TQRQtPrinterDriver::DriverName() const {
    return IsPdf(printer_) ? QStringLiteral("PDF") : QPrinterInfo(printer_).makeAndModel();
}

// CUPS hides the device address behind the queue; the queue is all we know.
QString TQRQtPrinterDriver::Port() const {
    return IsPdf(printer_) ? printer_.outputFileName() : QString();
}

TQRDeviceMode TQRQtPrinterDriver::GetDeviceMode() const {
    TQRDeviceMode mode;
    mode.Fields = TQRDeviceMode::dmOrientation | TQRDeviceMode::dmPaperSize | TQRDeviceMode::dmPaperLength |
                  TQRDeviceMode::dmPaperWidth | TQRDeviceMode::dmCopies;
    const QPageLayout layout = printer_.pageLayout();
    mode.Orientation = layout.orientation() == QPageLayout::Landscape ? 2 : 1;
    const QPageSize size = layout.pageSize();
    mode.PaperSize = size.id() == QPageSize::Custom ? kCustomPaperCode : size.windowsId();
    const QSizeF mm = size.size(QPageSize::Millimeter);
    mode.PaperWidth = static_cast<int>(std::lround(mm.width() * 10));
    mode.PaperLength = static_cast<int>(std::lround(mm.height() * 10));
    mode.Copies = printer_.copyCount();
    // QPrinter takes a paper source on every platform; a system without
    // trays of its own ignores it.
    mode.Set(TQRDeviceMode::dmDefaultSource);
    mode.DefaultSource = SourceCode(printer_.paperSource());
    const QPrinterInfo info(printer_);
    if (!info.isNull() && info.supportedDuplexModes().size() > 1) {
        mode.Set(TQRDeviceMode::dmDuplex);
        mode.Duplex = DuplexCode(printer_.duplex());
    }
    return mode;
}

void TQRQtPrinterDriver::SetDeviceMode(const TQRDeviceMode& mode) {
    if (mode.Has(TQRDeviceMode::dmPaperSize) || mode.Has(TQRDeviceMode::dmPaperWidth)) {
        QPageSize size;
        if (mode.Has(TQRDeviceMode::dmPaperSize) && mode.PaperSize != kCustomPaperCode) {
            size = QPageSize(QPageSize::id(mode.PaperSize));
        }
        if ((!size.isValid() || size.id() == QPageSize::Custom) && mode.PaperWidth > 0 &&
            mode.PaperLength > 0) {
            size = QPageSize(QSizeF(mode.PaperWidth / 10.0, mode.PaperLength / 10.0), QPageSize::Millimeter);
        }
        if (size.isValid()) {
            printer_.setPageSize(size);
        }
    }
    if (mode.Has(TQRDeviceMode::dmOrientation)) {
        printer_.setPageOrientation(mode.Orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
    if (mode.Has(TQRDeviceMode::dmCopies) && mode.Copies > 0) {
        printer_.setCopyCount(mode.Copies);
    }
    if (mode.Has(TQRDeviceMode::dmDefaultSource)) {
        printer_.setPaperSource(SourceOf(mode.DefaultSource));
    }
    if (mode.Has(TQRDeviceMode::dmDuplex)) {
        printer_.setDuplex(DuplexOf(mode.Duplex));
    }
}

QList<int> TQRQtPrinterDriver::PaperCodes() const {
    QList<int> codes;
    const QPrinterInfo info(printer_);
    if (IsPdf(printer_) || info.isNull()) {
        for (const TQRPaperSizeInfo& size : kQRPaperSizes) {
            if (size.size != TQRPaperSize::Default) {
                codes.append(size.deviceCode);
            }
        }
        return codes;
    }
    for (const QPageSize& size : info.supportedPageSizes()) {
        if (const int code = size.windowsId(); code > 0) {
            codes.append(code);
        }
    }
    if (info.supportsCustomPageSizes()) {
        codes.append(kCustomPaperCode);
    }
    return codes;
}

int TQRQtPrinterDriver::PixelsPerInchX() const {
    return printer_.resolution();
}

int TQRQtPrinterDriver::PixelsPerInchY() const {
    return printer_.resolution();
}

QPoint TQRQtPrinterDriver::PrintableOffset() const {
    const QPageLayout layout = printer_.pageLayout();
    return layout.paintRectPixels(printer_.resolution()).topLeft() -
           layout.fullRectPixels(printer_.resolution()).topLeft();
}

QSize TQRQtPrinterDriver::PageSizePixels() const {
    return printer_.pageLayout().fullRectPixels(printer_.resolution()).size();
}

}  // namespace quorin
