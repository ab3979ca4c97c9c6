#include "report_engine/expr/TQREvElementOperator.h"

#include <algorithm>

#include "report_engine/expr/QRExprMessages.h"

namespace quorin {

namespace {

TQREvResult ToText(const TQREvResult& value) {
    switch (value.ResultType) {
        case resInt:
            return TQREvResult::String(QRIntToText(value.IntegerValue));
        case resDouble:
            return TQREvResult::String(QRDoubleToText(value.DoubleValue));
        case resBool:
            return TQREvResult::String(QRBoolToText(value.BooleanValue));
        default:
            return value;
    }
}

// Character codes one by one; a proper prefix sorts first.
int CompareTexts(QStringView a, QStringView b) {
    const auto* pa = a.utf16();
    const auto* pb = b.utf16();
    if (std::lexicographical_compare(pa, pa + a.size(), pb, pb + b.size())) {
        return -1;
    }
    return std::equal(pa, pa + a.size(), pb, pb + b.size()) ? 0 : 1;
}

TQREvResult Fail(const char16_t* text, const char* a, const char* b) {
    return TQREvResult::Error(QRExprMessages::Format(text, QString::fromLatin1(a), QString::fromLatin1(b)));
}

const char* TypeWord(TQREvResultType type) {
    switch (type) {
        case resString:
            return "string";
        case resBool:
            return "boolean";
        default:
            return "numeric";
    }
}

const char* ComparisonSymbol(TQREvOperator op) {
    switch (op) {
        case opLess:
            return "<";
        case opLessOrEqual:
            return "<=";
        case opGreater:
            return ">";
        default:
            return ">=";
    }
}

template <typename T>
bool Compare(TQREvOperator op, const T& a, const T& b) {
    switch (op) {
        case opLess:
            return a < b;
        case opLessOrEqual:
            return a <= b;
        case opGreater:
            return a > b;
        case opGreaterOrEqual:
            return a >= b;
        case opEqual:
            return a == b;
        default:
            return a != b;
    }
}

int32_t Wrap(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

}  // namespace

TQREvResult TQREvElementOperator::Value(TQRFiFo& fifo) {
    const TQREvResult left = QREvaluateNext(fifo);
    const TQREvResult right = QREvaluateNext(fifo);
    return Apply(OpCode, left, right);
}

TQREvResult TQREvElementOperator::Apply(TQREvOperator op, TQREvResult left, const TQREvResult& right_) {
    if (left.ResultType == resError) {
        return left;
    }
    if (right_.ResultType == resError) {
        return right_;
    }
    TQREvResult right = right_;
    if (left.ResultType != right.ResultType) {
        if (left.ResultType == resInt && right.ResultType == resDouble) {
            left = TQREvResult::Double(left.IntegerValue);
        } else if (left.ResultType == resDouble && right.ResultType == resInt) {
            right = TQREvResult::Double(right.IntegerValue);
        } else {
            left = ToText(left);
            right = ToText(right);
        }
    }
    const TQREvResultType type = left.ResultType;

    switch (op) {
        case opLess:
        case opLessOrEqual:
        case opGreater:
        case opGreaterOrEqual:
        case opEqual:
        case opUnequal:
            switch (type) {
                case resInt:
                    return TQREvResult::Bool(Compare(op, left.IntegerValue, right.IntegerValue));
                case resDouble:
                    return TQREvResult::Bool(Compare(op, left.DoubleValue, right.DoubleValue));
                case resString:
                    return TQREvResult::Bool(
                        Compare(op, CompareTexts(left.StringView(), right.StringView()), 0));
                default:
                    if (op == opEqual || op == opUnequal) {
                        return TQREvResult::Bool(Compare(op, left.BooleanValue, right.BooleanValue));
                    }
                    return Fail(QRExprMessages::OperatorNotCompatible, ComparisonSymbol(op), "boolean");
            }
        case opPlus:
            switch (type) {
                case resInt:
                    return TQREvResult::Int(Wrap(int64_t(left.IntegerValue) + right.IntegerValue));
                case resDouble:
                    return TQREvResult::Double(left.DoubleValue + right.DoubleValue);
                case resString:
                    left.AppendString(right.StringView());
                    return left;
                default:
                    return Fail(QRExprMessages::CannotOperate, "add", "boolean");
            }
        case opMinus:
            switch (type) {
                case resInt:
                    return TQREvResult::Int(Wrap(int64_t(left.IntegerValue) - right.IntegerValue));
                case resDouble:
                    return TQREvResult::Double(left.DoubleValue - right.DoubleValue);
                default:
                    return Fail(QRExprMessages::CannotOperate, "subtract", TypeWord(type));
            }
        case opMul:
            switch (type) {
                case resInt:
                    return TQREvResult::Int(Wrap(int64_t(left.IntegerValue) * right.IntegerValue));
                case resDouble:
                    return TQREvResult::Double(left.DoubleValue * right.DoubleValue);
                default:
                    return Fail(QRExprMessages::CannotOperate, "multiply", TypeWord(type));
            }
        case opDiv:
            switch (type) {
                case resInt:
                    if (right.IntegerValue == 0) {
                        return TQREvResult::Error(QRExprMessages::Text(QRExprMessages::CannotDivideByZero));
                    }
                    return TQREvResult::Double(double(left.IntegerValue) / double(right.IntegerValue));
                case resDouble:
                    if (right.DoubleValue == 0.0) {
                        return TQREvResult::Error(QRExprMessages::Text(QRExprMessages::CannotDivideByZero));
                    }
                    return TQREvResult::Double(left.DoubleValue / right.DoubleValue);
                default:
                    return Fail(QRExprMessages::CannotOperate, "divide", TypeWord(type));
            }
        case opOr:
        case opAnd: {
            const bool isOr = op == opOr;
            switch (type) {
                case resInt:
                    return TQREvResult::Int(isOr ? (left.IntegerValue | right.IntegerValue)
                                                 : (left.IntegerValue & right.IntegerValue));
                case resBool:
                    return TQREvResult::Bool(isOr ? (left.BooleanValue || right.BooleanValue)
                                                  : (left.BooleanValue && right.BooleanValue));
                default:
                    return Fail(QRExprMessages::OperatorNotCompatible, isOr ? "OR" : "AND", TypeWord(type));
            }
        }
    }
    return TQREvResult::Error(QString());
}

}  // namespace quorin
