#pragma once

#include <QList>
#include <cstdint>

#include "runtime/Rounding.h"

namespace quorin {

class TCustomQuickRep;
class TQRControl;
class TQRCustomBand;
class TQRPrintable;

/// The units a report object shows its lengths in. Every length is stored in
/// the native unit, a tenth of a millimetre (254 to the inch).
enum class TQRUnit { MM, Inches, Pixels, Characters, Native };

/// Inches when the system's measurement system is U.S., else MM; decided once.
TQRUnit QRDefaultUnit();
/// The screen's logical pixels per inch: the primary screen's when a GUI
/// application with a screen runs, else 96.
int QRScreenDotsPerInch();

/// Nearest integer, halves to the even neighbour, as every length of the engine
/// rounds: in double, which holds every length exactly enough.
inline int64_t QRRound(long double value) {
    return static_cast<int64_t>(RoundHalfEven(static_cast<double>(value)));
}
/// Drops the fraction.
int64_t QRTrunc(long double value);

/// Millimetres per character cell at a font size.
inline long double QRCharWidth(long double size) { return (80.0L / size) / 2.54L; }
inline long double QRCharHeight(long double size) { return (145.3L / size) / 2.54L; }

/// The base of every object that holds lengths: converts between the native
/// unit and the object's current unit, and keeps the stored "Values" list.
class TQRUnitBase {
  public:
    explicit TQRUnitBase(TCustomQuickRep* report = nullptr);
    virtual ~TQRUnitBase() = default;

    /// Native value to unit; horizontal tells which character cell size counts.
    virtual long double LoadUnit(long double value, TQRUnit unit, bool horizontal) const;
    virtual long double SaveUnit(long double value, TQRUnit unit, bool horizontal) const;
    virtual TQRUnit GetUnits() const { return units_; }
    virtual void Loaded() { SetParentSizes(); }
    /// The stored "Values" list, native, in the object's index order.
    virtual void ReadValues(const QList<long double>& values) = 0;
    virtual QList<long double> WriteValues() const = 0;
    /// Applies the stored lengths to the owning control's pixel bounds.
    virtual void SetParentSizes() {}
    virtual void SetUnits(TQRUnit unit) { units_ = unit; }

    /// Remembers the current unit and switches to pixels; RestoreUnit switches back.
    void SetPixels();
    void RestoreUnit();

    int Resolution;
    bool ParentUpdating = false;
    int Zoom = 100;
    TCustomQuickRep* ParentReport;

  protected:
    /// The absolute point size of the owning report's font (10 without one).
    long double ReportFontSize() const;

    TQRUnit units_;
    TQRUnit savedUnits_;
};

/// Height and width of a band.
class TQRBandSize : public TQRUnitBase {
  public:
    explicit TQRBandSize(TQRCustomBand* band);

    long double Height() const { return Value(0); }
    void SetHeight(long double value) { SetValue(0, value); }
    long double Width() const { return Value(1); }
    void SetWidth(long double value) { SetValue(1, value); }

    long double NativeHeight() const { return values_[0]; }
    long double NativeWidth() const { return values_[1]; }
    void SetNativeHeight(long double value) { values_[0] = value; }
    void SetNativeWidth(long double value) { values_[1] = value; }

    void ReadValues(const QList<long double>& values) override;
    QList<long double> WriteValues() const override;
    void SetParentSizes() override;

  private:
    long double Value(int index) const;
    void SetValue(int index, long double value);

    TQRCustomBand* band_;
    long double values_[2] = {20, 40};
};

/// Height, left, top and width of a printable, relative to its band.
class TQRPrintableSize : public TQRUnitBase {
  public:
    explicit TQRPrintableSize(TQRPrintable* printable);

    long double Height() const { return Value(0); }
    void SetHeight(long double value) { SetValue(0, value); }
    long double Left() const { return Value(1); }
    void SetLeft(long double value) { SetValue(1, value); }
    long double Top() const { return Value(2); }
    void SetTop(long double value) { SetValue(2, value); }
    long double Width() const { return Value(3); }
    void SetWidth(long double value) { SetValue(3, value); }

    long double Native(int index) const { return values_[index]; }
    void SetNative(int index, long double value) { values_[index] = value; }

    void ReadValues(const QList<long double>& values) override;
    QList<long double> WriteValues() const override;
    void SetParentSizes() override;

  private:
    long double Value(int index) const;
    void SetValue(int index, long double value);

    TQRPrintable* printable_;
    long double values_[4] = {20, 20, 20, 20};
};

}  // namespace quorin
