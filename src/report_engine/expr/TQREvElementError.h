#pragma once

#include <QString>

#include "report_engine/expr/TQREvElement.h"

namespace quorin {

/// A fault found while preparing; evaluates to a resError with its message.
class TQREvElementError : public TQREvElement {
  public:
    explicit TQREvElementError(const QString& message) : Message(message) {}
    TQREvResult Value(TQRFiFo&) override { return TQREvResult::Error(Message); }

    QString Message;
};

}  // namespace quorin
