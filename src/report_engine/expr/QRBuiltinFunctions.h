#pragma once

#include <QDateTime>

#include "report_engine/expr/TQREvElementFunction.h"

// The built-in functions of the expression language. They are small and only
// meaningful together with the library that registers them, so they share one
// header instead of one each.

namespace quorin {

class TQREvIfFunction : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

class TQREvTypeOfFunction : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

class TQREvIntFunction : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

class TQREvFracFunction : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

class TQREvSQRTFunction : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

class TQREvDivFunction : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

class TQREvStrFunction : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

class TQREvUpperFunction : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

class TQREvLowerFunction : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

class TQREvPrettyFunction : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

class TQREvTimeFunction : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

class TQREvDateFunction : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

class TQREvCopyFunction : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

class TQREvFormatNumericFunction : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

class TQREvTrue : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

class TQREvFalse : public TQREvElementFunction {
  public:
    TQREvResult Calculate() override;
};

/// SUM: the running total of its argument over the aggregate passes.
class TQREvSumFunction : public TQREvElementFunction {
  public:
    TQREvSumFunction() { IsAggregate = true; }
    void Aggregate() override;
    TQREvResult Calculate() override;
    void Reset() override { Assigned = false; }

    TQREvResult ResAggreg;
    bool Assigned = false;

  protected:
    virtual const char* FunctionName() const { return "SUM"; }
};

/// AVERAGE: SUM's total divided by the number of passes.
class TQREvAverageFunction : public TQREvSumFunction {
  public:
    void Aggregate() override;
    TQREvResult Calculate() override { return Average; }
    void Reset() override;

    TQREvResult Average = TQREvResult::Double(0.0);
    int32_t Count = 0;

  protected:
    const char* FunctionName() const override { return "AVERAGE"; }
};

/// MAX and MIN keep the greatest or the least value met over the passes.
class TQREvMaxFunction : public TQREvElementFunction {
  public:
    TQREvMaxFunction() { IsAggregate = true; }
    void Aggregate() override;
    TQREvResult Calculate() override;
    void Reset() override { Assigned = false; }

    TQREvResult ResAggreg;
    bool Assigned = false;

  protected:
    /// True when the value replaces the stored one.
    virtual bool Better(int comparison) const { return comparison > 0; }
    virtual const char* FunctionName() const { return "MAX"; }
};

class TQREvMinFunction : public TQREvMaxFunction {
  protected:
    bool Better(int comparison) const override { return comparison < 0; }
    const char* FunctionName() const override { return "MIN"; }
};

/// COUNT: the number of aggregate passes.
class TQREvCountFunction : public TQREvElementFunction {
  public:
    TQREvCountFunction() { IsAggregate = true; }
    TQREvResult Value(TQRFiFo& fifo) override;
    void Reset() override { Count = 0; }

    int32_t Count = 0;
};

/// The clock that TIME and DATE read; tests replace it. Null restores the system clock.
using QRNowFunction = QDateTime (*)();
void SetQRNow(QRNowFunction now);
QDateTime QRNow();

}  // namespace quorin
