#include "report_engine/expr/TQREvResult.h"

#include <cmath>
#include <cstring>

#include "report_engine/expr/QRExprMessages.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatFloat.h"
#include "runtime/Rounding.h"

namespace quorin {

namespace {

// How many of the first `wanted` code units can be taken without cutting a
// surrogate pair in two.
int CutLength(QStringView text, int wanted) {
    int n = static_cast<int>(std::min<qsizetype>(text.size(), wanted));
    if (n > 0 && n < text.size() && text[n - 1].isHighSurrogate()) {
        --n;
    }
    return n;
}

[[noreturn]] void ThrowNotA(const char16_t* what) {
    throw Exception(QRExprMessages::Format(QRExprMessages::NotAValue, QString::fromUtf16(what)));
}

[[noreturn]] void ThrowErrorResult(const TQREvResult& result) {
    throw Exception(QRExprMessages::Format(QRExprMessages::ErrorInExpression, result.StringValue()));
}

}  // namespace

TQREvResult TQREvResult::Int(int32_t value) {
    TQREvResult r;
    r.ResultType = resInt;
    r.IntegerValue = value;
    return r;
}

TQREvResult TQREvResult::Double(double value) {
    TQREvResult r;
    r.ResultType = resDouble;
    r.DoubleValue = value;
    return r;
}

TQREvResult TQREvResult::Bool(bool value) {
    TQREvResult r;
    r.ResultType = resBool;
    r.BooleanValue = value;
    return r;
}

TQREvResult TQREvResult::String(QStringView text) {
    TQREvResult r;
    r.ResultType = resString;
    r.SetStringValue(text);
    return r;
}

TQREvResult TQREvResult::Error(QStringView message) {
    TQREvResult r;
    r.ResultType = resError;
    r.SetStringValue(message);
    return r;
}

void TQREvResult::SetStringValue(QStringView text) {
    const int n = CutLength(text, MaxStringLength);
    if (n > 0) {
        std::memcpy(chars_, text.utf16(), static_cast<size_t>(n) * sizeof(char16_t));
    }
    length_ = static_cast<uint8_t>(n);
}

void TQREvResult::AppendString(QStringView text) {
    const int n = CutLength(text, MaxStringLength - length_);
    if (n > 0) {
        std::memcpy(chars_ + length_, text.utf16(), static_cast<size_t>(n) * sizeof(char16_t));
    }
    length_ = static_cast<uint8_t>(length_ + n);
}

QString QRIntToText(int32_t value) {
    return QString::number(value);
}

QString QRDoubleToText(double value) {
    return FormatGeneral(value);
}

QString QRBoolToText(bool value) {
    return QRExprMessages::Text(value ? QRExprMessages::TrueText : QRExprMessages::FalseText);
}

QString QREvResultToString(const TQREvResult& result) {
    switch (result.ResultType) {
        case resInt:
            return QRIntToText(result.IntegerValue);
        case resDouble:
            return QRDoubleToText(result.DoubleValue);
        case resString:
            return result.StringValue();
        case resBool:
            return QRBoolToText(result.BooleanValue);
        case resError:
            break;
    }
    ThrowErrorResult(result);
}

int32_t QREvResultToInt(const TQREvResult& result) {
    switch (result.ResultType) {
        case resInt:
            return result.IntegerValue;
        case resDouble: {
            // A double that rounds outside the 32-bit range has no integer form.
            const double r = RoundHalfEven(result.DoubleValue);
            if (!(r >= -2147483648.0 && r <= 2147483647.0)) {
                throw EConvertError(QRExprMessages::Text(QRExprMessages::ConversionError));
            }
            return static_cast<int32_t>(r);
        }
        default:
            ThrowNotA(u"numeric");
    }
}

double QREvResultToFloat(const TQREvResult& result) {
    switch (result.ResultType) {
        case resInt:
            return result.IntegerValue;
        case resDouble:
            return result.DoubleValue;
        default:
            ThrowNotA(u"numeric");
    }
}

bool QREvResultToBoolean(const TQREvResult& result) {
    switch (result.ResultType) {
        case resBool:
            return result.BooleanValue;
        case resString: {
            const QString upper = result.StringValue().toUpper();
            if (upper == u"TRUE") {
                return true;
            }
            if (upper == u"FALSE") {
                return false;
            }
            break;
        }
        default:
            break;
    }
    ThrowNotA(u"boolean");
}

QVariant QREvResultToVariant(const TQREvResult& result) {
    switch (result.ResultType) {
        case resInt:
            return QVariant(static_cast<int>(result.IntegerValue));
        case resDouble:
            return QVariant(result.DoubleValue);
        case resString:
            return QVariant(result.StringValue());
        case resBool:
            return QVariant(result.BooleanValue);
        case resError:
            break;
    }
    ThrowErrorResult(result);
}

}  // namespace quorin
