#pragma once

#include "report_engine/expr/TQREvElement.h"

namespace quorin {

/// A binary operator; its two operands are the elements that follow it. Both are
/// always evaluated.
class TQREvElementOperator : public TQREvElement {
  public:
    explicit TQREvElementOperator(TQREvOperator op) : OpCode(op) {}
    TQREvResult Value(TQRFiFo& fifo) override;

    /// The operator applied to two evaluated operands.
    static TQREvResult Apply(TQREvOperator op, TQREvResult left, const TQREvResult& right);

    TQREvOperator OpCode;
};

}  // namespace quorin
