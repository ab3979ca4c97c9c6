#include "report_engine/model/TQRPage.h"

#include "report_engine/model/TQuickRep.h"

#include <cmath>

namespace quorin {

namespace {
bool PageHorizontal(int index) {
    return index >= 3;
}
}  // namespace

TQRPage::TQRPage(TCustomQuickRep* report) : TQRUnitBase(report) {
    if (QRDefaultUnit() == TQRUnit::Inches) {
        units_ = TQRUnit::Inches;
        SetPaperSize(TQRPaperSize::Letter);
        for (int i : {0, 2, 4, 5}) {
            values_[i] = 127;
        }
    } else {
        units_ = TQRUnit::MM;
        SetPaperSize(TQRPaperSize::A4);
        for (int i : {0, 2, 4, 5}) {
            values_[i] = 100;
        }
    }
}

long double TQRPage::Value(int index) const {
    return LoadUnit(values_[index], units_, PageHorizontal(index));
}

void TQRPage::SetValue(int index, long double value) {
    const bool paperLength = index == 1 || index == 3;
    if (paperLength && paperSize_ != TQRPaperSize::Custom) {
        return;
    }
    values_[index] = SaveUnit(value, units_, PageHorizontal(index));
    if (paperLength) {
        Resize();
    }
}

void TQRPage::Resize() {
    if (ParentReport != nullptr) {
        ParentReport->PageChanged();
    }
}

void TQRPage::SetColumns(int value) {
    if (value < 1 || value == columns_) {
        return;
    }
    columns_ = value;
    Resize();
}

void TQRPage::SetOrientation(TPrinterOrientation value) {
    orientation_ = value;
    SetPaperSize(paperSize_);
}

void TQRPage::SetPaperSize(TQRPaperSize value) {
    if (value == TQRPaperSize::Default || value == TQRPaperSize::Custom) {
        paperSize_ = value;
        return;
    }
    const TQRPaperSizeInfo& info = QRPaperSizeInfo(value);
    const TQRUnit saved = units_;
    units_ = TQRUnit::MM;
    paperSize_ = TQRPaperSize::Custom;
    // The table's millimetres have at most two decimals: taken exactly.
    const long double width = std::round(static_cast<long double>(info.widthMm) * 100) / 100;
    const long double length = std::round(static_cast<long double>(info.lengthMm) * 100) / 100;
    if (orientation_ == poPortrait) {
        values_[3] = std::round(SaveUnit(width, units_, true) * 10) / 10;
        values_[1] = std::round(SaveUnit(length, units_, false) * 10) / 10;
    } else {
        values_[1] = std::round(SaveUnit(width, units_, false) * 10) / 10;
        values_[3] = std::round(SaveUnit(length, units_, true) * 10) / 10;
    }
    units_ = saved;
    Resize();
    paperSize_ = value;
}

void TQRPage::SetPrintOrder(TQRPrintOrder value) {
    printOrder_ = value;
    Resize();
}

void TQRPage::ReadValues(const QList<long double>& values) {
    for (int i = 0; i < 7 && i < values.size(); ++i) {
        values_[i] = values[i];
    }
    Resize();
}

QList<long double> TQRPage::WriteValues() const {
    return QList<long double>(std::begin(values_), std::end(values_));
}

}  // namespace quorin
