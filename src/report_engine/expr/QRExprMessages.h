#pragma once

#include <QString>

namespace quorin {

/// The evaluator's message texts. The results of expressions carry them as they
/// stand, filled in with the words below, and expression controls print them.
namespace QRExprMessages {
inline constexpr char16_t UnknownFunction[] = u"Unknown function : %1";
inline constexpr char16_t ErrorInExpression[] = u"Error in expression : %1";
inline constexpr char16_t Missing[] = u"Missing %1";
inline constexpr char16_t InvalidNot[] = u"Invalid use of NOT";
inline constexpr char16_t IllegalNumeric[] = u"Illegal character in numeric contant \"%1\"";
inline constexpr char16_t RecursiveCall[] = u"Recursive calls not allowed";
inline constexpr char16_t TooManyArguments[] = u"Too many arguments";
inline constexpr char16_t WrongArguments[] = u"Wrong arguments for %1";
inline constexpr char16_t MissingArgument[] = u"Missing argument for %1";
inline constexpr char16_t ConversionError[] = u"Conversion error";
inline constexpr char16_t DivisionByZero[] = u"Division by Zero";
inline constexpr char16_t InvalidFormat[] = u"Invalid format or value specified";
inline constexpr char16_t InvalidSqrt[] = u"Invalid argument to SQRT function";
inline constexpr char16_t CannotOperate[] = u"Cannot %1 %2 expressions";
inline constexpr char16_t OperatorNotCompatible[] = u"Operator %1 is not compatible with %2 expressions";
inline constexpr char16_t CannotDivideByZero[] = u"Cannot divide by 0";
inline constexpr char16_t FieldUnknownType[] = u"Field %1 is of unknown type";
inline constexpr char16_t NotAValue[] = u"Not a %1 value";
inline constexpr char16_t NotPrepared[] = u"Evaluator not prepared";

inline constexpr char16_t TrueText[] = u"True";
inline constexpr char16_t FalseText[] = u"False";
inline constexpr char16_t Vendor[] = u"QuorinRealinhamentoPreco";

/// A message with its one or two words filled in.
inline QString Format(const char16_t* text, const QString& a) {
    return QString::fromUtf16(text).arg(a);
}
inline QString Format(const char16_t* text, const QString& a, const QString& b) {
    return QString::fromUtf16(text).arg(a, b);
}
inline QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}
}  // namespace QRExprMessages

}  // namespace quorin
