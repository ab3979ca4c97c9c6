#pragma once

#include "report_engine/expr/TQREvElement.h"

namespace quorin {

/// A numeric literal, or an environment constant that the report overwrites in place.
class TQREvElementConstant : public TQREvElement {
  public:
    explicit TQREvElementConstant(const TQREvResult& value) : Constant(value) {}
    TQREvResult Value(TQRFiFo&) override { return Constant; }

    TQREvResult Constant;
};

}  // namespace quorin
