#pragma once

#include <QString>

#include "report_engine/printer/QRPaperSize.h"

namespace quorin {

/// What TQRPrinterSettings::ApplySettings writes into: the report printer.
class TQRPrinterSettingsTarget {
  public:
    virtual ~TQRPrinterSettingsTarget() = default;
    virtual void SetPrinterIndex(int index) = 0;
    virtual void SetPaperSize(TQRPaperSize size) = 0;
    virtual void SetCopies(int copies) = 0;
    virtual void SetOrientation(TPrinterOrientation orientation) = 0;
    virtual void SetDuplex(bool duplex) = 0;
    virtual void SetBin(TQRBin bin) = 0;
    virtual void SetTitle(const QString& title) = 0;
};

/// The printer options a report is designed with. The report's stored
/// settings publish these fields; ApplySettings hands them to the report
/// printer when a run starts.
class TQRPrinterSettings {
  public:
    virtual ~TQRPrinterSettings() = default;

    /// Printer index, paper size, copies, orientation, duplex, bin, title, in that order.
    void ApplySettings(TQRPrinterSettingsTarget& printer) const;

    int Copies = 1;
    TPrinterOrientation Orientation = poPortrait;
    bool Duplex = false;
    bool UseStandardprinter = false;
    int ExtendedDuplex = 0;  // a raw device duplex code, 0 for none
    bool UseCustomBinCode = false;
    int CustomBinCode = 0;
    bool UseCustomPaperCode = false;
    int CustomPaperCode = 0;
    TQRBin OutputBin = TQRBin::Auto;
    TQRPaperSize PaperSize = TQRPaperSize::Letter;
    int PrinterIndex = -1;  // -1 for the platform's current printer
    QString Title;
    int FirstPage = 0;  // 0 for the first page
    int LastPage = 0;   // 0 for the last page
    bool PrintMetaFile = false;
};

}  // namespace quorin
