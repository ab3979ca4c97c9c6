#pragma once

#include <QString>

#include "report_engine/expr/TQREvResult.h"

namespace quorin {

// The result in one comparable text: numbers in C notation, booleans as
// true/false, texts and messages as they are.
inline QString Show(const TQREvResult& r) {
    switch (r.ResultType) {
        case resInt:
            return QString::number(r.IntegerValue);
        case resDouble:
            return QString::number(r.DoubleValue, 'g', 15);
        case resBool:
            return r.BooleanValue ? QStringLiteral("true") : QStringLiteral("false");
        default:
            return r.StringValue();
    }
}

}  // namespace quorin
