#pragma once

#include <QString>
#include <memory>

#include "report_engine/expr/TQREvElement.h"

namespace quorin {

class TQREvaluator;

/// A named expression of an environment, evaluated by its own evaluator. An
/// expression that reaches itself again while it is being evaluated gives
/// "Recursive calls not allowed".
class TQREvEmbeddedFunction : public TQREvElement {
  public:
    explicit TQREvEmbeddedFunction(const QString& expression);
    ~TQREvEmbeddedFunction() override;

    TQREvResult Value(TQRFiFo& fifo) override;
    void Reset() override;

    const QString& Expression() const { return expression_; }
    TQREvaluator& Evaluator() const { return *evaluator_; }

  private:
    QString expression_;
    std::unique_ptr<TQREvaluator> evaluator_;
    bool inEvaluation_ = false;
};

}  // namespace quorin
