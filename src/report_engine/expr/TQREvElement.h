#pragma once

#include "report_engine/expr/TQREvResult.h"

namespace quorin {

class TQRFiFo;

/// The base of the elements of a prepared expression. An element's Value may
/// pull the elements that follow it from the sequence (the operands of an
/// operator, the arguments of a function).
class TQREvElement {
  public:
    TQREvElement() = default;
    virtual ~TQREvElement() = default;
    TQREvElement(const TQREvElement&) = delete;
    TQREvElement& operator=(const TQREvElement&) = delete;

    virtual TQREvResult Value(TQRFiFo& fifo);
    virtual void Reset() {}

    bool IsAggregate = false;
};

}  // namespace quorin

namespace quorin {

/// Takes the next element of the sequence and evaluates it. A sequence that ends
/// where an operand is due gives an error result instead of failing.
TQREvResult QREvaluateNext(TQRFiFo& fifo);

}  // namespace quorin
