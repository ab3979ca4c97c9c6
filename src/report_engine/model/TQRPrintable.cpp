#include "report_engine/model/TQRPrintable.h"

#include "report_engine/model/TQRBands.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/printer/TQRPrinter.h"

namespace quorin {

TQRPrintable::TQRPrintable(TQRControl* parent) : TQRControl(nullptr), frame_(this), size_(this) {
    Color = Qt::white;
    TQRControl::SetBounds(0, 0, 10, 10);
    if (parent != nullptr) {
        SetParentControl(parent);
    }
}

TQRPrintable::~TQRPrintable() = default;

bool TQRPrintable::IsEnabled() const {
    return Enabled() || !Visible;
}

TCustomQuickRep* TQRPrintable::ParentReport() const {
    return printing_ ? printReport_ : FindParentReport();
}

TQRCustomBand* TQRPrintable::ParentBand() const {
    return printing_ ? printBand_ : FindParentBand();
}

TCustomQuickRep* TQRPrintable::FindParentReport() const {
    for (TQRControl* p = ParentControl(); p != nullptr; p = p->ParentControl()) {
        if (auto* report = dynamic_cast<TCustomQuickRep*>(p)) {
            return report;
        }
    }
    return nullptr;
}

TQRCustomBand* TQRPrintable::FindParentBand() const {
    return dynamic_cast<TQRCustomBand*>(ParentControl());
}

int TQRPrintable::ParentZoom() const {
    if (auto* panel = printing_ ? printPanel_ : dynamic_cast<TQRBasePanel*>(ParentControl())) {
        return panel->Zoom();
    }
    return 100;
}

void TQRPrintable::AlignIt() {
    TQRCustomBand* band = ParentBand();
    if (!alignToBand_ || band == nullptr || aligning_) {
        return;
    }
    aligning_ = true;
    switch (alignment_) {
        case TAlignment::taLeftJustify:
            SetLeft(0);
            break;
        case TAlignment::taRightJustify:
            SetLeft(band->Width() - Width());
            break;
        case TAlignment::taCenter:
            SetLeft((band->Width() - Width()) / 2);
            break;
    }
    aligning_ = false;
}

void TQRPrintable::SetAlignToBand(bool value) {
    alignToBand_ = value;
    AlignIt();
}

void TQRPrintable::Prepare() {
    printReport_ = FindParentReport();
    printBand_ = FindParentBand();
    printPanel_ = dynamic_cast<TQRBasePanel*>(ParentControl());
    printing_ = true;
    QRPrinter = printReport_ != nullptr ? printReport_->QRPrinter() : nullptr;
}

void TQRPrintable::Print(int OfsX, int OfsY) {
    TCustomQuickRep* report = ParentReport();
    if (report == nullptr || !report->RenderToCanvas || !frame_.AnyFrame() || QRPrinter == nullptr ||
        QRPrinter->GetCanvas() == nullptr) {
        return;
    }
    const long double left = OfsX + size_.Left();
    const long double top = OfsY + size_.Top();
    const QRect rect = QREdges(QRPrinter->XPos(static_cast<double>(left)), QRPrinter->YPos(static_cast<double>(top)),
                               QRPrinter->XPos(static_cast<double>(left + size_.Width())),
                               QRPrinter->YPos(static_cast<double>(top + size_.Height())));
    frame_.PaintIt(*QRPrinter->GetCanvas(), rect, QRPrinter->XFactor(), QRPrinter->YFactor());
}

void TQRPrintable::QRNotification(QObject* sender, TQRNotifyOperation operation) {
    (void)sender;
    if (operation == qrBandSizeChange) {
        AlignIt();
    }
}

void TQRPrintable::SetAlignment(TAlignment value) {
    alignment_ = value;
    if (alignToBand_) {
        AlignIt();
    }
}

void TQRPrintable::UnPrepare() {
    printing_ = false;
    printReport_ = nullptr;
    printBand_ = nullptr;
    printPanel_ = nullptr;
}

void TQRPrintable::SetBounds(int left, int top, int width, int height) {
    TQRControl::SetBounds(left, top, width, height);
    if (size_.ParentUpdating) {
        return;
    }
    // Pixel bounds set from outside become the stored size.
    size_.ParentUpdating = true;
    const int zoom = ParentZoom() == 0 ? 100 : ParentZoom();
    auto native = [&](int pixels, bool horizontal) {
        return size_.SaveUnit(static_cast<long double>(pixels) * 100 / zoom, TQRUnit::Pixels, horizontal);
    };
    size_.SetNative(0, native(height, false));
    size_.SetNative(1, native(left, true));
    size_.SetNative(2, native(top, false));
    size_.SetNative(3, native(width, true));
    size_.ParentUpdating = false;
    AlignIt();
}

void TQRPrintable::ParentChanged(TQRControl* oldParent) {
    (void)oldParent;
    printReport_ = FindParentReport();
    printBand_ = FindParentBand();
    printPanel_ = dynamic_cast<TQRBasePanel*>(ParentControl());
    if (TCustomQuickRep* report = ParentReport()) {
        size_.ParentReport = report;
        size_.SetUnits(report->Units());
    }
}

}  // namespace quorin
