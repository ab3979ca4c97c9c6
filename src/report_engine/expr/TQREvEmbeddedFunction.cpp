#include "report_engine/expr/TQREvEmbeddedFunction.h"

#include "report_engine/expr/QRExprMessages.h"
#include "report_engine/expr/TQREvaluator.h"

namespace quorin {

TQREvEmbeddedFunction::TQREvEmbeddedFunction(const QString& expression)
    : expression_(expression), evaluator_(std::make_unique<TQREvaluator>()) {}

TQREvEmbeddedFunction::~TQREvEmbeddedFunction() = default;

TQREvResult TQREvEmbeddedFunction::Value(TQRFiFo&) {
    if (inEvaluation_) {
        return TQREvResult::Error(QRExprMessages::Text(QRExprMessages::RecursiveCall));
    }
    // An environment that was never prepared leaves its entries unprepared; that
    // is a fault of the expression, not a reason to throw from evaluation.
    if (!evaluator_->Prepared()) {
        return TQREvResult::Error(QRExprMessages::Text(QRExprMessages::NotPrepared));
    }
    inEvaluation_ = true;
    TQREvResult result = evaluator_->Value();
    inEvaluation_ = false;
    return result;
}

void TQREvEmbeddedFunction::Reset() {
    if (evaluator_->Prepared()) {
        evaluator_->Reset();
    }
}

}  // namespace quorin
