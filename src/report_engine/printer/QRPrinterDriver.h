#pragma once

#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <cstdint>

namespace quorin {

/// The driver's settings record of a printer: the options the engine reads
/// and writes, each with a presence flag that says whether the driver
/// supports (when read) or should take (when written) that field.
struct TQRDeviceMode {
    enum TField : uint32_t {
        dmOrientation = 0x0001,
        dmPaperSize = 0x0002,
        dmPaperLength = 0x0004,
        dmPaperWidth = 0x0008,
        dmCopies = 0x0100,
        dmDefaultSource = 0x0200,
        dmDuplex = 0x1000,
    };

    uint32_t Fields = 0;
    int Orientation = 1;  // 1 portrait, 2 landscape
    int PaperSize = 0;    // device paper code (the table's device codes, 256 custom)
    int PaperLength = 0;  // tenths of a millimetre, portrait
    int PaperWidth = 0;   // tenths of a millimetre, portrait
    int Copies = 1;
    int DefaultSource = 0;  // paper-source code (the bin table's device codes)
    int Duplex = 1;         // 1 simplex, 2 long edge, 3 short edge

    bool Has(TField field) const { return (Fields & field) != 0; }
    void Set(TField field) { Fields |= field; }
};

/// The seam between the printer settings and a real printing system: the
/// selected printer's names, its settings record, what it offers and its
/// page geometry in device pixels. TQRQtPrinterDriver serves a QPrinter;
/// TQRFakePrinterDriver serves tests.
class TQRPrinterDriver {
  public:
    virtual ~TQRPrinterDriver() = default;

    /// Whether the platform lists at least one printer.
    virtual bool HasPrinters() const = 0;
    virtual QString DeviceName() const = 0;
    virtual QString DriverName() const = 0;
    virtual QString Port() const = 0;

    virtual TQRDeviceMode GetDeviceMode() const = 0;
    /// Hands a settings record to the selected printer; only present fields count.
    virtual void SetDeviceMode(const TQRDeviceMode& mode) = 0;

    /// The paper codes the driver lists as available.
    virtual QList<int> PaperCodes() const = 0;
    virtual int PixelsPerInchX() const = 0;
    virtual int PixelsPerInchY() const = 0;
    /// Offset of the printable area from the paper's top-left corner, in device pixels.
    virtual QPoint PrintableOffset() const = 0;
    /// The full page (unprintable margins included), in device pixels.
    virtual QSize PageSizePixels() const = 0;
};

}  // namespace quorin
