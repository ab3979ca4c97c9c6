#pragma once

#include "report_engine/expr/TQREvElement.h"

namespace quorin {

/// The negation written with "not"; its operand is the element that follows it.
class TQREvElementNot : public TQREvElement {
  public:
    TQREvResult Value(TQRFiFo& fifo) override;
};

}  // namespace quorin
