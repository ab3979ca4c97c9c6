#include "report_engine/expr/QRBuiltinFunctions.h"

#include <atomic>
#include <cmath>

#include "report_engine/expr/QRExprMessages.h"
#include "report_engine/expr/TQRFiFo.h"
#include "runtime/DateTime.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatFloat.h"
#include "runtime/FormatSettings.h"
#include "runtime/Rounding.h"

namespace quorin {

namespace {

std::atomic<QRNowFunction> g_now{nullptr};

TQREvResult Wrong(const char* name) {
    return TQREvResult::Error(
        QRExprMessages::Format(QRExprMessages::WrongArguments, QString::fromLatin1(name)));
}

bool IsNumber(const TQREvResult& r) {
    return r.ResultType == resInt || r.ResultType == resDouble;
}

double AsDouble(const TQREvResult& r) {
    return r.ResultType == resInt ? r.IntegerValue : r.DoubleValue;
}

bool FitsInt32(double value) {
    return value >= -2147483648.0 && value <= 2147483647.0;
}

// -1, 0 or 1 for values of the same type (int and double count as one).
int CompareSameKind(const TQREvResult& a, const TQREvResult& b) {
    switch (a.ResultType) {
        case resInt:
        case resDouble: {
            if (a.ResultType == resInt && b.ResultType == resInt) {
                return a.IntegerValue < b.IntegerValue ? -1 : (a.IntegerValue > b.IntegerValue ? 1 : 0);
            }
            const double x = AsDouble(a);
            const double y = AsDouble(b);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        case resString: {
            const QStringView x = a.StringView();
            const QStringView y = b.StringView();
            const auto* px = x.utf16();
            const auto* py = y.utf16();
            if (std::lexicographical_compare(px, px + x.size(), py, py + y.size())) {
                return -1;
            }
            return std::equal(px, px + x.size(), py, py + y.size()) ? 0 : 1;
        }
        case resBool:
            return int(a.BooleanValue) - int(b.BooleanValue);
        default:
            return 0;
    }
}

// UPPER, LOWER and PRETTY share their faults.
bool TextArgument(const TQREvElementFunction& f, const char* name, TQREvResult& fault) {
    if (f.ArgumentCount() != 1) {
        fault = TQREvResult::Error(
            QRExprMessages::Format(QRExprMessages::MissingArgument, QString::fromLatin1(name)));
        return false;
    }
    const TQREvResult& arg = f.Argument(0);
    if (arg.ResultType == resString) {
        return true;
    }
    // An error argument hands on its own message; a number or a boolean has no
    // text to show, so it is reported as a wrong argument.
    fault = arg.ResultType == resError ? arg : Wrong(name);
    return false;
}

}  // namespace

void SetQRNow(QRNowFunction now) {
    g_now.store(now);
}

QDateTime QRNow() {
    const QRNowFunction now = g_now.load();
    return now != nullptr ? now() : QDateTime::currentDateTime();
}

TQREvResult TQREvIfFunction::Calculate() {
    if (ArgumentCount() == 3 && Argument(0).ResultType == resBool) {
        return Argument(0).BooleanValue ? Argument(1) : Argument(2);
    }
    return Wrong("IF");
}

TQREvResult TQREvTypeOfFunction::Calculate() {
    if (ArgumentCount() != 1) {
        return Wrong("TypeOf");
    }
    static constexpr const char16_t* names[] = {u"INTEGER", u"FLOAT", u"STRING", u"BOOLEAN", u"ERROR"};
    return TQREvResult::String(QStringView(names[Argument(0).ResultType]));
}

TQREvResult TQREvIntFunction::Calculate() {
    if (ArgumentCount() == 1) {
        const TQREvResult& arg = Argument(0);
        if (arg.ResultType == resInt) {
            return arg;
        }
        if (arg.ResultType == resDouble) {
            const double t = std::trunc(arg.DoubleValue);
            if (FitsInt32(t)) {
                return TQREvResult::Int(static_cast<int32_t>(t));
            }
        }
    }
    return Wrong("INT");
}

TQREvResult TQREvFracFunction::Calculate() {
    if (ArgumentCount() == 1) {
        const TQREvResult& arg = Argument(0);
        if (arg.ResultType == resInt) {
            return TQREvResult::Double(0.0);
        }
        if (arg.ResultType == resDouble) {
            return TQREvResult::Double(arg.DoubleValue - std::trunc(arg.DoubleValue));
        }
    }
    return Wrong("FRAC");
}

TQREvResult TQREvSQRTFunction::Calculate() {
    if (ArgumentCount() == 1 && IsNumber(Argument(0))) {
        const double x = AsDouble(Argument(0));
        if (x >= 0.0) {
            return TQREvResult::Double(std::sqrt(x));
        }
    }
    return TQREvResult::Error(QRExprMessages::Text(QRExprMessages::InvalidSqrt));
}

TQREvResult TQREvDivFunction::Calculate() {
    if (ArgumentCount() != 2 || !IsNumber(Argument(0)) || !IsNumber(Argument(1))) {
        return Wrong("DIV");
    }
    int64_t operands[2];
    for (int i = 0; i < 2; ++i) {
        const TQREvResult& arg = Argument(i);
        if (arg.ResultType == resInt) {
            operands[i] = arg.IntegerValue;
        } else {
            const double r = RoundHalfEven(arg.DoubleValue);
            if (!FitsInt32(r)) {
                return Wrong("DIV");
            }
            operands[i] = static_cast<int64_t>(r);
        }
    }
    if (operands[1] == 0) {
        return TQREvResult::Error(QRExprMessages::Text(QRExprMessages::DivisionByZero));
    }
    // In 64 bits the one overflowing quotient (-2147483648 div -1) wraps like the
    // other integer operators instead of trapping.
    return TQREvResult::Int(static_cast<int32_t>(static_cast<uint32_t>(operands[0] / operands[1])));
}

TQREvResult TQREvStrFunction::Calculate() {
    if (ArgumentCount() == 1) {
        const TQREvResult& arg = Argument(0);
        switch (arg.ResultType) {
            case resInt:
                return TQREvResult::String(QRIntToText(arg.IntegerValue));
            case resDouble:
                return TQREvResult::String(QRDoubleToText(arg.DoubleValue));
            case resBool:
                return TQREvResult::String(QRBoolToText(arg.BooleanValue));
            default:
                break;
        }
    }
    return TQREvResult::Error(QRExprMessages::Text(QRExprMessages::ConversionError));
}

TQREvResult TQREvUpperFunction::Calculate() {
    TQREvResult fault;
    if (!TextArgument(*this, "UPPER", fault)) {
        return fault;
    }
    return TQREvResult::String(Argument(0).StringView().toString().toUpper());
}

TQREvResult TQREvLowerFunction::Calculate() {
    TQREvResult fault;
    if (!TextArgument(*this, "LOWER", fault)) {
        return fault;
    }
    return TQREvResult::String(Argument(0).StringView().toString().toLower());
}

TQREvResult TQREvPrettyFunction::Calculate() {
    TQREvResult fault;
    if (!TextArgument(*this, "PRETTY", fault)) {
        return fault;
    }
    const QStringView text = Argument(0).StringView();
    if (text.isEmpty()) {
        return Argument(0);
    }
    // A character outside the basic plane takes two code units; they go together.
    const qsizetype head = text.size() > 1 && text[0].isHighSurrogate() ? 2 : 1;
    return TQREvResult::String(text.left(head).toString().toUpper() + text.mid(head).toString().toLower());
}

TQREvResult TQREvTimeFunction::Calculate() {
    if (ArgumentCount() != 0) {
        return TQREvResult::Error(QRExprMessages::Text(QRExprMessages::TooManyArguments));
    }
    return TQREvResult::String(FormatDateTime(FormatSettings::current().longTimeFormat, QRNow()));
}

TQREvResult TQREvDateFunction::Calculate() {
    if (ArgumentCount() != 0) {
        return TQREvResult::Error(QRExprMessages::Text(QRExprMessages::TooManyArguments));
    }
    return TQREvResult::String(FormatDateTime(FormatSettings::current().shortDateFormat, QRNow()));
}

TQREvResult TQREvCopyFunction::Calculate() {
    if (ArgumentCount() != 3 || Argument(0).ResultType != resString || Argument(1).ResultType != resInt ||
        Argument(2).ResultType != resInt) {
        return Wrong("COPY");
    }
    const QStringView text = Argument(0).StringView();
    const int64_t start = std::max<int64_t>(Argument(1).IntegerValue, 1);
    const int64_t length = Argument(2).IntegerValue;
    if (start > text.size() || length <= 0) {
        return TQREvResult::String(QStringView());
    }
    const int64_t available = text.size() - start + 1;
    return TQREvResult::String(text.mid(start - 1, std::min(length, available)));
}

TQREvResult TQREvFormatNumericFunction::Calculate() {
    if (ArgumentCount() != 2 || Argument(0).ResultType != resString || !IsNumber(Argument(1))) {
        return Wrong("FORMATNUMERIC");
    }
    try {
        return TQREvResult::String(FormatFloat(Argument(0).StringValue(), AsDouble(Argument(1))));
    } catch (const std::exception&) {
        return TQREvResult::Error(QRExprMessages::Text(QRExprMessages::InvalidFormat));
    }
}

TQREvResult TQREvTrue::Calculate() {
    if (ArgumentCount() != 0) {
        return TQREvResult::Error(QRExprMessages::Text(QRExprMessages::TooManyArguments));
    }
    return TQREvResult::Bool(true);
}

TQREvResult TQREvFalse::Calculate() {
    if (ArgumentCount() != 0) {
        return TQREvResult::Error(QRExprMessages::Text(QRExprMessages::TooManyArguments));
    }
    return TQREvResult::Bool(false);
}

void TQREvSumFunction::Aggregate() {
    if (ArgumentCount() != 1) {
        ResAggreg = Wrong(FunctionName());
        Assigned = true;
        return;
    }
    const TQREvResult& value = Argument(0);
    if (!Assigned) {
        Assigned = true;
        if (IsNumber(value) || value.ResultType == resError) {
            ResAggreg = value;
        } else {
            ResAggreg = Wrong(FunctionName());
        }
        return;
    }
    switch (ResAggreg.ResultType) {
        case resInt:
        case resDouble:
            break;
        default:
            return;  // a fault stays
    }
    switch (value.ResultType) {
        case resInt:
            if (ResAggreg.ResultType == resInt) {
                ResAggreg.IntegerValue = static_cast<int32_t>(static_cast<uint32_t>(ResAggreg.IntegerValue) +
                                                              static_cast<uint32_t>(value.IntegerValue));
            } else {
                ResAggreg.DoubleValue += value.IntegerValue;
            }
            break;
        case resDouble:
            // An integer total meeting a fraction goes on as a double rather than
            // dropping the value.
            if (ResAggreg.ResultType == resInt) {
                ResAggreg = TQREvResult::Double(double(ResAggreg.IntegerValue));
            }
            ResAggreg.DoubleValue += value.DoubleValue;
            break;
        case resString:
            ResAggreg = Wrong(FunctionName());
            break;
        default:
            break;  // booleans and errors are passed over
    }
}

TQREvResult TQREvSumFunction::Calculate() {
    return Assigned ? ResAggreg : TQREvResult::Int(0);
}

void TQREvAverageFunction::Aggregate() {
    TQREvSumFunction::Aggregate();
    ++Count;
    if (ResAggreg.ResultType == resInt || ResAggreg.ResultType == resDouble) {
        Average = TQREvResult::Double(AsDouble(ResAggreg) / Count);
    } else {
        Average = ResAggreg;
    }
}

void TQREvAverageFunction::Reset() {
    TQREvSumFunction::Reset();
    Average = TQREvResult::Double(0.0);
    Count = 0;
}

void TQREvMaxFunction::Aggregate() {
    if (ArgumentCount() != 1) {
        ResAggreg = Wrong(FunctionName());
        Assigned = true;
        return;
    }
    const TQREvResult& value = Argument(0);
    if (!Assigned) {
        ResAggreg = value;
        Assigned = true;
        return;
    }
    const bool sameKind =
        ResAggreg.ResultType == value.ResultType || (IsNumber(ResAggreg) && IsNumber(value));
    if (ResAggreg.ResultType == resError || !sameKind) {
        return;  // a stored fault stays; a value of another kind cannot be ranked
    }
    if (Better(CompareSameKind(value, ResAggreg))) {
        ResAggreg = value;
    }
}

TQREvResult TQREvMaxFunction::Calculate() {
    return Assigned ? ResAggreg : TQREvResult::Int(0);
}

TQREvResult TQREvCountFunction::Value(TQRFiFo& fifo) {
    GetArguments(fifo);
    TQREvResult result;
    if (ArgumentCount() > 0) {
        result = TQREvResult::Error(QStringLiteral("COUNT - ") +
                                    QRExprMessages::Text(QRExprMessages::TooManyArguments));
    } else {
        if (fifo.Aggregate) {
            ++Count;
        }
        result = TQREvResult::Int(Count);
    }
    FreeArguments();
    return result;
}

}  // namespace quorin
