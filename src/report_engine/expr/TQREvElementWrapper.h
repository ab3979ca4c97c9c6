#pragma once

#include "report_engine/expr/TQREvElement.h"

namespace quorin {

/// Stands in a sequence for an element owned elsewhere (a named expression of an
/// environment), so that destroying the sequence leaves that element alone.
class TQREvElementWrapper : public TQREvElement {
  public:
    explicit TQREvElementWrapper(TQREvElement* target) : Target(target) {}
    TQREvResult Value(TQRFiFo& fifo) override { return Target->Value(fifo); }

    TQREvElement* Target;
};

}  // namespace quorin
