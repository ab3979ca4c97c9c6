#pragma once

#include "report_engine/expr/TQREvElement.h"

namespace quorin {

/// Marks the end of a function's arguments in the sequence.
class TQREvElementArgumentEnd : public TQREvElement {};

}  // namespace quorin
