#pragma once

#include <QString>
#include <array>
#include <functional>

#include "report_engine/printer/QRPaperSize.h"
#include "report_engine/printer/QRPrinterDriver.h"

namespace quorin {

/// The engine's live view of the selected printer: the driver's settings
/// read from it, and the options written back when a print job starts.
/// Every length is in tenths of a millimetre. Setters that need the driver
/// keep the previous value and return false when the driver lacks the field.
class TPrinterSettings {
  public:
    /// Called with (these settings, handled, the driver's record): once before
    /// and once after the settings are read (the second call's handled is
    /// ignored), and before the record goes back to the printer.
    using TPrinterSettingsEvent = std::function<void(TPrinterSettings&, bool&, TQRDeviceMode&)>;

    TPrinterSettings();

    /// Stores the printer (not owned) and reads its settings when the
    /// platform lists at least one printer.
    void SetPrinter(TQRPrinterDriver* printer);
    TQRPrinterDriver* GetPrinter() const { return printer_; }

    void GetPrinterSettings();
    void ApplySettings();

    bool Supported(TQRDeviceMode::TField field) const;
    void SetField(TQRDeviceMode::TField field) { deviceMode_.Set(field); }
    const TQRDeviceMode& GetDeviceMode() const { return deviceMode_; }

    int GetCopies() const { return copies_; }
    bool SetCopies(int value);
    bool GetDuplex() const { return duplex_; }
    bool SetDuplex(bool value);
    TPrinterOrientation GetOrientation() const { return orientation_; }
    bool SetOrientation(TPrinterOrientation value);
    TQRBin GetOutputBin() const { return outputBin_; }
    bool SetOutputBin(TQRBin value);
    TQRPaperSize GetPaperSize() const { return paperSize_; }
    /// Stores a size the driver lists, or Default; refuses any other.
    bool SetPaperSize(TQRPaperSize value);
    bool GetPaperSizeSupported(TQRPaperSize size) const;
    /// The table's size for a named paper; the stored size for Default and Custom.
    int GetPaperWidth() const;
    int GetPaperLength() const;
    void SetPaperWidth(int value) { paperWidth_ = value; }
    void SetPaperLength(int value) { paperLength_ = value; }
    QString GetTitle() const { return title_; }
    void SetTitle(const QString& value) { title_ = value; }

    QString GetDevice() const { return device_; }
    QString GetDriver() const { return driver_; }
    QString GetPort() const { return port_; }
    int GetMaxExtentX() const { return maxExtentX_; }
    int GetMaxExtentY() const { return maxExtentY_; }
    int GetMinExtentX() const { return minExtentX_; }
    int GetMinExtentY() const { return minExtentY_; }
    int GetPixelsPerX() const { return pixelsPerX_; }
    int GetPixelsPerY() const { return pixelsPerY_; }
    int GetTopOffset() const { return topOffset_; }
    int GetLeftOffset() const { return leftOffset_; }
    bool GetSettingsRead() const { return settingsRead_; }

    // Copied from the report's settings; used as they are.
    bool GetPrintMetaFile() const { return printMetaFile_; }
    void SetPrintMetaFile(bool value) { printMetaFile_ = value; }
    bool GetUseStandardprinter() const { return useStandardprinter_; }
    void SetUseStandardprinter(bool value) { useStandardprinter_ = value; }
    bool GetUseExtendedDuplex() const { return useExtendedDuplex_; }
    void SetUseExtendedDuplex(bool value) { useExtendedDuplex_ = value; }
    int GetExtendedDuplex() const { return extendedDuplex_; }
    void SetExtendedDuplex(int value) { extendedDuplex_ = value; }
    bool GetUseCustomBinCode() const { return useCustomBinCode_; }
    void SetUseCustomBinCode(bool value) { useCustomBinCode_ = value; }
    int GetCustomBinCode() const { return customBinCode_; }
    void SetCustomBinCode(int value) { customBinCode_ = value; }
    bool GetUseCustomPaperCode() const { return useCustomPaperCode_; }
    void SetUseCustomPaperCode(bool value) { useCustomPaperCode_ = value; }
    int GetCustomPaperCode() const { return customPaperCode_; }
    void SetCustomPaperCode(int value) { customPaperCode_ = value; }

    TPrinterSettingsEvent OnGetPrinterSettings;
    TPrinterSettingsEvent OnApplyPrinterSettings;

  private:
    void ReadDevice();

    QString device_;
    QString driver_;
    QString port_;
    TQRDeviceMode deviceMode_;
    int copies_ = 1;
    bool duplex_ = false;
    bool printMetaFile_ = false;
    bool useStandardprinter_ = false;
    bool useExtendedDuplex_ = false;
    int extendedDuplex_ = 0;
    bool useCustomBinCode_ = false;
    int customBinCode_ = 0;
    bool useCustomPaperCode_ = false;
    int customPaperCode_ = 0;
    int maxExtentX_ = 0;
    int maxExtentY_ = 0;
    int minExtentX_ = 0;
    int minExtentY_ = 0;
    TPrinterOrientation orientation_ = poPortrait;
    TQRBin outputBin_ = TQRBin::First;
    TQRPaperSize paperSize_ = TQRPaperSize::A4;
    int paperWidth_ = 0;
    int paperLength_ = 0;
    int pixelsPerX_ = 0;
    int pixelsPerY_ = 0;
    int topOffset_ = 0;
    int leftOffset_ = 0;
    TQRPrinterDriver* printer_ = nullptr;
    QString title_;
    std::array<bool, 27> paperSizes_{};  // sizes 1 to 27
    bool settingsRead_ = false;
};

}  // namespace quorin
