#pragma once

#include <QString>

#include "report_engine/expr/TQREvElement.h"

namespace quorin {

/// A string literal.
class TQREvElementString : public TQREvElement {
  public:
    explicit TQREvElementString(const QString& text) : Text(text) {}
    TQREvResult Value(TQRFiFo&) override { return TQREvResult::String(Text); }

    QString Text;
};

}  // namespace quorin
