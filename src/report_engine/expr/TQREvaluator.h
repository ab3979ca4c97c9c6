#pragma once

#include <QString>
#include <QVariant>
#include <memory>

#include "report_engine/expr/TQREvElementDataField.h"
#include "report_engine/expr/TQREvResult.h"
#include "report_engine/expr/TQRFiFo.h"

namespace quorin {

class TQREvEnvironment;

/// Prepares an expression once into a sequence of elements in prefix order and
/// evaluates that sequence whenever a value is needed. Names resolve to built-in
/// functions, then to fields of the data sets handed over, then to the named
/// expressions of the local environment and of the global one.
///
/// Faults in an expression never throw: they become resError values carrying a
/// message. Only Value on an unprepared evaluator and the typed accessors throw
/// (quorin::Exception).
class TQREvaluator {
  public:
    TQREvaluator();
    virtual ~TQREvaluator();
    TQREvaluator(const TQREvaluator&) = delete;
    TQREvaluator& operator=(const TQREvaluator&) = delete;

    /// Uses `dataSets` (not owned; may be null). A list the evaluator made for
    /// itself is destroyed when it is replaced.
    void SetDatasets(TQRDataSetList* dataSets);
    /// The list in use; an empty one of its own when none was set.
    TQRDataSetList* GetDatasets();

    /// The local environment (not owned), set before Prepare.
    TQREvEnvironment* Environment = nullptr;

    void Prepare(const QString& expression);
    void UnPrepare();
    bool Prepared() const { return prepared_; }

    /// Throws "Evaluator not prepared" when unprepared.
    TQREvResult Value();
    /// Clears the running state of every aggregate.
    void Reset();
    /// One aggregate pass: evaluates once with every aggregate taking its value.
    void DoAggregate();
    bool GetAggregate() const { return fifo_ != nullptr && fifo_->Aggregate; }
    void SetAggregate(bool aggregate);
    /// True when the expression holds an aggregate function.
    bool GetIsAggreg() const;
    /// Prepare, Value, UnPrepare.
    TQREvResult Calculate(const QString& expression);

    QString AsString() { return QREvResultToString(Value()); }
    int32_t AsInteger() { return QREvResultToInt(Value()); }
    double AsFloat() { return QREvResultToFloat(Value()); }
    bool AsBoolean() { return QREvResultToBoolean(Value()); }
    QVariant AsVariant() { return QREvResultToVariant(Value()); }

    /// The prepared sequence; null while unprepared.
    TQRFiFo* FiFo() const { return fifo_.get(); }

    /// Deeper nesting than this is refused with an error element, so that a
    /// hostile text cannot exhaust the stack while preparing or evaluating.
    static constexpr int MaxNesting = 512;

  protected:
    /// Resolves a name written with or without an argument list; descendants may
    /// add names of their own.
    virtual void EvalFunction(const QString& name, const QString& arguments);
    /// Resolves a name that is no function: data fields, then environments.
    virtual void EvalVariable(const QString& name);

    void Evaluate(const QString& text);
    void EvalSimpleExpr(const QString& text);
    void EvalTerm(const QString& text);
    void EvalFactor(const QString& text);
    void EvalConstant(const QString& text);
    void EvalString(const QString& text);
    void EvalFunctionExpr(const QString& text);
    void EvalEnvironment(const QString& name);
    /// 1-based position of the first argument separator outside quotes, brackets
    /// and parentheses, or 0.
    static int FindDelimiter(const QString& text);
    /// Removes blanks at both ends; a text of blanks only keeps one.
    static QString TrimString(const QString& text);

    /// Appends an element to the sequence being prepared.
    void Put(std::unique_ptr<TQREvElement> element) { fifo_->Put(std::move(element)); }
    void PutError(const QString& message);

  private:
    class NestingGuard;
    bool Enter(const QString& text);

    std::unique_ptr<TQRDataSetList> ownDataSets_;
    TQRDataSetList* dataSets_ = nullptr;
    std::unique_ptr<TQRFiFo> fifo_;
    bool prepared_ = false;
    int nesting_ = 0;
};

}  // namespace quorin
