#pragma once

#include "report_engine/model/QRUnits.h"
#include "report_engine/printer/QRPaperSize.h"

namespace quorin {

enum class TQRPrintOrder { ColByCol, RowByRow };

/// The paper of a report: size, orientation, margins and columns. Width and
/// Length accept values only while the paper size is Custom; a named size
/// takes its lengths from the paper table (exchanged in landscape).
class TQRPage : public TQRUnitBase {
  public:
    explicit TQRPage(TCustomQuickRep* report);

    long double BottomMargin() const { return Value(0); }
    void SetBottomMargin(long double value) { SetValue(0, value); }
    long double Length() const { return Value(1); }
    void SetLength(long double value) { SetValue(1, value); }
    long double TopMargin() const { return Value(2); }
    void SetTopMargin(long double value) { SetValue(2, value); }
    long double Width() const { return Value(3); }
    void SetWidth(long double value) { SetValue(3, value); }
    long double LeftMargin() const { return Value(4); }
    void SetLeftMargin(long double value) { SetValue(4, value); }
    long double RightMargin() const { return Value(5); }
    void SetRightMargin(long double value) { SetValue(5, value); }
    long double ColumnSpace() const { return Value(6); }
    void SetColumnSpace(long double value) { SetValue(6, value); }

    int Columns() const { return columns_; }
    void SetColumns(int value);
    TPrinterOrientation Orientation() const { return orientation_; }
    void SetOrientation(TPrinterOrientation value);
    TQRPaperSize PaperSize() const { return paperSize_; }
    void SetPaperSize(TQRPaperSize value);
    bool Ruler = true;
    TQRPrintOrder PrintOrder() const { return printOrder_; }
    void SetPrintOrder(TQRPrintOrder value);

    /// The stored value at an index (native), whatever the unit.
    long double NativeValue(int index) const { return values_[index]; }

    void ReadValues(const QList<long double>& values) override;
    QList<long double> WriteValues() const override;

  private:
    long double Value(int index) const;
    void SetValue(int index, long double value);
    void Resize();

    long double values_[7] = {0, 0, 0, 0, 0, 0, 0};
    int columns_ = 1;
    TPrinterOrientation orientation_ = poPortrait;
    TQRPaperSize paperSize_ = TQRPaperSize::Custom;
    TQRPrintOrder printOrder_ = TQRPrintOrder::ColByCol;
};

}  // namespace quorin
