#include "report_engine/printer/PrinterSettings.h"

#include "runtime/Rounding.h"

namespace quorin {

namespace {

constexpr int kMaxNameLength = 127;
constexpr int kMaxDriverNameLength = 63;

int RoundToInt(double value) {
    return static_cast<int>(RoundHalfEvenToInt64(value));
}

// Device pixels to tenths of a millimetre; a driver that reports no
// resolution gives 0 rather than a division by zero.
int PixelsToTenthsMm(int pixels, int pixelsPerInch) {
    return pixelsPerInch > 0 ? RoundToInt(static_cast<double>(pixels) / pixelsPerInch * 254.0) : 0;
}

}  // namespace

TPrinterSettings::TPrinterSettings() = default;

void TPrinterSettings::SetPrinter(TQRPrinterDriver* printer) {
    printer_ = printer;
    if (printer_ && printer_->HasPrinters()) {
        GetPrinterSettings();
    }
}

bool TPrinterSettings::Supported(TQRDeviceMode::TField field) const {
    return printer_ != nullptr && deviceMode_.Has(field);
}

void TPrinterSettings::ReadDevice() {
    device_ = printer_->DeviceName().left(kMaxNameLength);
    driver_ = printer_->DriverName().left(kMaxDriverNameLength);
    port_ = printer_->Port().left(kMaxNameLength);
    deviceMode_ = printer_->GetDeviceMode();
}

void TPrinterSettings::GetPrinterSettings() {
    if (!printer_) {
        return;
    }
    ReadDevice();
    bool handled = false;
    if (OnGetPrinterSettings) {
        OnGetPrinterSettings(*this, handled, deviceMode_);
        if (handled) {
            return;
        }
    }
    pixelsPerX_ = printer_->PixelsPerInchX();
    pixelsPerY_ = printer_->PixelsPerInchY();
    copies_ = Supported(TQRDeviceMode::dmCopies) ? deviceMode_.Copies : 1;
    outputBin_ = TQRBin::First;
    if (Supported(TQRDeviceMode::dmDefaultSource)) {
        for (const TQRBinInfo& bin : kQRBins) {
            if (bin.deviceCode == deviceMode_.DefaultSource) {
                outputBin_ = bin.bin;
                break;
            }
        }
    }
    if (Supported(TQRDeviceMode::dmDuplex)) {
        duplex_ = deviceMode_.Duplex != 1;
    }
    const QPoint offset = printer_->PrintableOffset();
    leftOffset_ = PixelsToTenthsMm(offset.x(), pixelsPerX_);
    topOffset_ = PixelsToTenthsMm(offset.y(), pixelsPerY_);
    paperSize_ = TQRPaperSize::Default;
    if (Supported(TQRDeviceMode::dmPaperSize)) {
        for (const TQRPaperSizeInfo& size : kQRPaperSizes) {
            if (size.deviceCode == deviceMode_.PaperSize) {
                paperSize_ = size.size;
                break;
            }
        }
    }
    const QSize page = printer_->PageSizePixels();
    paperWidth_ = PixelsToTenthsMm(page.width(), pixelsPerX_);
    paperLength_ = PixelsToTenthsMm(page.height(), pixelsPerY_);
    paperSizes_.fill(false);
    for (const int code : printer_->PaperCodes()) {
        for (size_t i = 1; i < kQRPaperSizes.size(); ++i) {
            if (kQRPaperSizes[i].deviceCode == code) {
                paperSizes_[i - 1] = true;
            }
        }
    }
    settingsRead_ = true;
    if (OnGetPrinterSettings) {
        bool ignored = false;
        OnGetPrinterSettings(*this, ignored, deviceMode_);
    }
}

void TPrinterSettings::ApplySettings() {
    if (!printer_) {
        return;
    }
    ReadDevice();
    TQRDeviceMode& mode = deviceMode_;
    const bool paperSizeSupported = Supported(TQRDeviceMode::dmPaperSize);
    mode.PaperLength = GetPaperLength();
    mode.Set(TQRDeviceMode::dmPaperLength);
    mode.PaperWidth = GetPaperWidth();
    mode.Set(TQRDeviceMode::dmPaperWidth);
    if (paperSizeSupported && paperSize_ != TQRPaperSize::Default) {
        mode.Set(TQRDeviceMode::dmPaperSize);
        mode.PaperSize = useCustomPaperCode_ ? customPaperCode_ : QRPaperSizeInfo(paperSize_).deviceCode;
    }
    mode.Copies = copies_;
    mode.Set(TQRDeviceMode::dmCopies);
    mode.Duplex = extendedDuplex_ != 0 ? extendedDuplex_ : (duplex_ ? 3 : 1);
    mode.Set(TQRDeviceMode::dmDuplex);
    mode.DefaultSource = useCustomBinCode_ ? customBinCode_ : QRBinCode(outputBin_);
    mode.Set(TQRDeviceMode::dmDefaultSource);
    mode.Orientation = orientation_ == poLandscape ? 2 : 1;
    mode.Set(TQRDeviceMode::dmOrientation);
    bool handled = false;
    if (OnApplyPrinterSettings) {
        OnApplyPrinterSettings(*this, handled, mode);
    }
    if (!handled) {
        printer_->SetDeviceMode(mode);
    }
}

bool TPrinterSettings::SetCopies(int value) {
    if (!Supported(TQRDeviceMode::dmCopies)) {
        return false;
    }
    copies_ = value;
    return true;
}

bool TPrinterSettings::SetDuplex(bool value) {
    if (!Supported(TQRDeviceMode::dmDuplex)) {
        return false;
    }
    duplex_ = value;
    return true;
}

bool TPrinterSettings::SetOrientation(TPrinterOrientation value) {
    if (!Supported(TQRDeviceMode::dmOrientation)) {
        return false;
    }
    orientation_ = value;
    return true;
}

bool TPrinterSettings::SetOutputBin(TQRBin value) {
    if (!Supported(TQRDeviceMode::dmDefaultSource)) {
        return false;
    }
    outputBin_ = value;
    return true;
}

bool TPrinterSettings::GetPaperSizeSupported(TQRPaperSize size) const {
    if (size == TQRPaperSize::Default) {
        return true;
    }
    return paperSizes_[static_cast<size_t>(size) - 1];
}

bool TPrinterSettings::SetPaperSize(TQRPaperSize value) {
    if (!GetPaperSizeSupported(value)) {
        return false;
    }
    paperSize_ = value;
    return true;
}

int TPrinterSettings::GetPaperWidth() const {
    if (paperSize_ == TQRPaperSize::Default || paperSize_ == TQRPaperSize::Custom) {
        return paperWidth_;
    }
    return RoundToInt(QRPaperSizeInfo(paperSize_).widthMm * 10.0);
}

int TPrinterSettings::GetPaperLength() const {
    if (paperSize_ == TQRPaperSize::Default || paperSize_ == TQRPaperSize::Custom) {
        return paperLength_;
    }
    return RoundToInt(QRPaperSizeInfo(paperSize_).lengthMm * 10.0);
}

}  // namespace quorin
