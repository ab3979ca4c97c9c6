#include "report_engine/model/QRUnits.h"

#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QThread>
#include <cmath>
#include <mutex>

#include "report_engine/model/TQRBands.h"
#include "report_engine/model/TQRPrintable.h"
#include "report_engine/model/TQuickRep.h"
#include "runtime/Rounding.h"

namespace quorin {

TQRUnit QRDefaultUnit() {
    static const TQRUnit unit = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
                                    ? TQRUnit::Inches
                                    : TQRUnit::MM;
    return unit;
}

int QRScreenDotsPerInch() {
    static std::once_flag once;
    static int dpi = 96;
    std::call_once(once, [] {
        auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
        if (app != nullptr && QThread::currentThread() == app->thread()) {
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                const int logical = static_cast<int>(std::lround(screen->logicalDotsPerInch()));
                if (logical > 0) {
                    dpi = logical;
                }
            }
        }
    });
    return dpi;
}

int64_t QRTrunc(long double value) {
    return static_cast<int64_t>(std::trunc(value));
}

// ---------------------------------------------------------------- TQRUnitBase

TQRUnitBase::TQRUnitBase(TCustomQuickRep* report)
    : Resolution(QRScreenDotsPerInch()), ParentReport(report), units_(QRDefaultUnit()), savedUnits_(units_) {}

long double TQRUnitBase::ReportFontSize() const {
    long double size = 10;
    if (ParentReport != nullptr) {
        size = std::fabs(static_cast<long double>(ParentReport->Font().Size));
    }
    return size == 0 ? 10 : size;
}

long double TQRUnitBase::LoadUnit(long double value, TQRUnit unit, bool horizontal) const {
    switch (unit) {
        case TQRUnit::MM:
            return value / 10;
        case TQRUnit::Inches:
            return value / 254;
        case TQRUnit::Pixels:
            return value / (254.0L / Resolution) * Zoom / 100;
        case TQRUnit::Characters:
            return horizontal ? value / QRCharWidth(ReportFontSize()) / 10
                              : value / QRCharHeight(ReportFontSize()) / 10;
        case TQRUnit::Native:
            return value;
    }
    return value;
}

long double TQRUnitBase::SaveUnit(long double value, TQRUnit unit, bool horizontal) const {
    switch (unit) {
        case TQRUnit::MM:
            return value * 10;
        case TQRUnit::Inches:
            return value * 254;
        case TQRUnit::Pixels:
            return value * (254.0L / Resolution) / (Zoom == 0 ? 100 : Zoom) * 100;
        case TQRUnit::Characters:
            return horizontal ? value * QRCharWidth(ReportFontSize()) * 10
                              : value * QRCharHeight(ReportFontSize()) * 10;
        case TQRUnit::Native:
            return value;
    }
    return value;
}

void TQRUnitBase::SetPixels() {
    savedUnits_ = units_;
    SetUnits(TQRUnit::Pixels);
}

void TQRUnitBase::RestoreUnit() {
    SetUnits(savedUnits_);
}

// ---------------------------------------------------------------- TQRBandSize

TQRBandSize::TQRBandSize(TQRCustomBand* band) : TQRUnitBase(nullptr), band_(band) {}

long double TQRBandSize::Value(int index) const {
    return LoadUnit(values_[index], units_, index == 1);
}

void TQRBandSize::SetValue(int index, long double value) {
    values_[index] = SaveUnit(value, units_, index == 1);
    SetParentSizes();
}

void TQRBandSize::ReadValues(const QList<long double>& values) {
    for (int i = 0; i < 2 && i < values.size(); ++i) {
        values_[i] = values[i];
    }
}

QList<long double> TQRBandSize::WriteValues() const {
    return {values_[0], values_[1]};
}

void TQRBandSize::SetParentSizes() {
    if (band_ == nullptr || ParentUpdating) {
        return;
    }
    ParentUpdating = true;
    band_->SetBounds(band_->Left(), band_->Top(), static_cast<int>(QRRound(LoadUnit(values_[1], TQRUnit::Pixels, true))),
                     static_cast<int>(QRRound(LoadUnit(values_[0], TQRUnit::Pixels, false))));
    ParentUpdating = false;
}

// ---------------------------------------------------------------- TQRPrintableSize

namespace {
bool PrintableHorizontal(int index) {
    return index == 1 || index == 3;
}
}  // namespace

TQRPrintableSize::TQRPrintableSize(TQRPrintable* printable) : TQRUnitBase(nullptr), printable_(printable) {}

long double TQRPrintableSize::Value(int index) const {
    long double value = LoadUnit(values_[index], units_, PrintableHorizontal(index));
    if (units_ == TQRUnit::Pixels && printable_ != nullptr) {
        value = value * printable_->ParentZoom() / 100;
    }
    return value;
}

void TQRPrintableSize::SetValue(int index, long double value) {
    if (units_ == TQRUnit::Pixels && printable_ != nullptr && printable_->ParentZoom() != 0) {
        value = value * 100 / printable_->ParentZoom();
    }
    values_[index] = SaveUnit(value, units_, PrintableHorizontal(index));
    SetParentSizes();
}

void TQRPrintableSize::ReadValues(const QList<long double>& values) {
    for (int i = 0; i < 4 && i < values.size(); ++i) {
        values_[i] = values[i];
    }
}

QList<long double> TQRPrintableSize::WriteValues() const {
    return {values_[0], values_[1], values_[2], values_[3]};
}

void TQRPrintableSize::SetParentSizes() {
    if (printable_ == nullptr || ParentUpdating) {
        return;
    }
    const long double zoom = printable_->ParentZoom();
    auto pixels = [&](int index) {
        return static_cast<int>(QRRound(LoadUnit(values_[index], TQRUnit::Pixels, PrintableHorizontal(index)) * zoom / 100));
    };
    ParentUpdating = true;
    printable_->SetBounds(pixels(1), pixels(2), pixels(3), pixels(0));
    ParentUpdating = false;
}

}  // namespace quorin
