#pragma once

#include <QString>
#include <QStringView>
#include <QVariant>
#include <cstdint>

namespace quorin {

enum TQREvResultType : uint8_t { resInt = 0, resDouble = 1, resString = 2, resBool = 3, resError = 4 };

/// Operator codes of the expression language, in the order of their codes.
enum TQREvOperator : uint8_t {
    opLess,
    opLessOrEqual,
    opGreater,
    opGreaterOrEqual,
    opEqual,
    opUnequal,
    opPlus,
    opMinus,
    opOr,
    opMul,
    opDiv,
    opAnd
};

/// One value of an expression with its type tag. A fixed-size record that is
/// copied by value: its text (the text of a resString, the message of a
/// resError) lives inside the record and holds at most 255 characters, so
/// evaluation never allocates for results.
struct TQREvResult {
    static constexpr int MaxStringLength = 255;

    TQREvResultType ResultType = resInt;
    int32_t IntegerValue = 0;
    double DoubleValue = 0.0;
    bool BooleanValue = false;

    static TQREvResult Int(int32_t value);
    static TQREvResult Double(double value);
    static TQREvResult Bool(bool value);
    static TQREvResult String(QStringView text);
    static TQREvResult Error(QStringView message);

    /// The text area: the text of a resString or the message of a resError.
    QString StringValue() const { return QString(reinterpret_cast<const QChar*>(chars_), length_); }
    QStringView StringView() const { return QStringView(chars_, length_); }
    int StringLength() const { return length_; }
    /// Stores the first 255 characters of the text (a surrogate pair is never split).
    void SetStringValue(QStringView text);
    /// Appends as much of the text as still fits.
    void AppendString(QStringView text);

  private:
    uint8_t length_ = 0;
    char16_t chars_[MaxStringLength];
};

/// A heap object holding one result; function elements keep their evaluated
/// arguments in a list of them.
struct TQREvResultClass {
    TQREvResult EvResult;
};

/// The conversions of the typed accessors. They throw quorin::Exception with the
/// message of the failure.
QString QREvResultToString(const TQREvResult& result);
int32_t QREvResultToInt(const TQREvResult& result);
double QREvResultToFloat(const TQREvResult& result);
bool QREvResultToBoolean(const TQREvResult& result);
QVariant QREvResultToVariant(const TQREvResult& result);

/// Text forms used when operands of different types meet and by STR.
QString QRIntToText(int32_t value);
QString QRDoubleToText(double value);
QString QRBoolToText(bool value);

}  // namespace quorin
