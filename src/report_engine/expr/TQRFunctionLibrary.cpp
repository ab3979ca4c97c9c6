#include "report_engine/expr/TQRFunctionLibrary.h"

#include "report_engine/expr/QRBuiltinFunctions.h"
#include "report_engine/expr/QRExprMessages.h"
#include "report_engine/expr/TQREvElementError.h"

namespace quorin {

namespace {

struct BuiltIn {
    TQREvElementFunctionClass elementClass;
    const char* name;
    const char* description;
    const char* argumentCodes;
};

// The order is the order the expression builder lists them in.
const BuiltIn kBuiltIns[] = {
    {QRFunctionClass<TQREvIfFunction>, "IF",
     "IF(<Exp>, <X>, <Y>)|Returns <X> or <Y> depending on the boolean expression <Exp>", "5BVV"},
    {QRFunctionClass<TQREvStrFunction>, "STR", "STR(<X>)|Convert a numeric <X> to a string", "7N"},
    {QRFunctionClass<TQREvUpperFunction>, "UPPER", "UPPER(<X>)|Converts a string to upper case letters",
     "7S"},
    {QRFunctionClass<TQREvLowerFunction>, "LOWER", "LOWER(<X>)|Converts a string to lower case letters",
     "7S"},
    {QRFunctionClass<TQREvPrettyFunction>, "PRETTY",
     "PRETTY(<X>)|Makes the first character upper case and the rest lower case", "7S"},
    {QRFunctionClass<TQREvTimeFunction>, "TIME", "TIME|Return current time as a string", "1"},
    {QRFunctionClass<TQREvDateFunction>, "DATE", "DATE|Return current date as a string", "1"},
    {QRFunctionClass<TQREvCopyFunction>, "COPY", "COPY(<X>, <St>,<Len>)|Returns a substring of string X",
     "7SNN"},
    {QRFunctionClass<TQREvSumFunction>, "SUM", "SUM(<X>)|Sums the numeric <X>", "3N"},
    {QRFunctionClass<TQREvCountFunction>, "COUNT", "COUNT|Increments for each iteration", "3"},
    {QRFunctionClass<TQREvMaxFunction>, "MAX", "MAX(<X>)|Returns the highest <X>", "3V"},
    {QRFunctionClass<TQREvMinFunction>, "MIN", "MIN(<X>)|Returns the lowest <X>", "3V"},
    {QRFunctionClass<TQREvAverageFunction>, "AVERAGE", "AVERAGE(<X>)|Returns the average of numeric <X>",
     "3N"},
    {QRFunctionClass<TQREvTrue>, "TRUE", "TRUE|boolean value", "5"},
    {QRFunctionClass<TQREvFalse>, "FALSE", "FALSE|boolean value", "5"},
    {QRFunctionClass<TQREvIntFunction>, "INT", "INT(<X>)|Returns the integer part of <X>", "2N"},
    {QRFunctionClass<TQREvFracFunction>, "FRAC", "FRAC(<X>)|Returns the fractional part of <X>", "2N"},
    {QRFunctionClass<TQREvSQRTFunction>, "SQRT", "SQRT(<X>)|Returns square root of <X>", "2N"},
    {QRFunctionClass<TQREvDivFunction>, "DIV", "DIV(<X>, <Y>) | Integer division of <X> by <Y>", "2NN"},
    {QRFunctionClass<TQREvTypeOfFunction>, "TYPEOF", "TYPEOF(<Exp>)|Returns the data type of <Exp>", "6N"},
    {QRFunctionClass<TQREvFormatNumericFunction>, "FORMATNUMERIC",
     "FORMATNUMERIC(<F>,<N>)|Formats numeric <N> using the mask in <F>", "7SN"},
};

}  // namespace

std::unique_ptr<TQREvElement> TQRFunctionLibrary::GetFunction(const QString& name) const {
    const int index = IndexOf(name);
    if (index < 0) {
        return std::make_unique<TQREvElementError>(
            QRExprMessages::Format(QRExprMessages::UnknownFunction, name));
    }
    return GetEntry(index)->ElementClass();
}

TQRFunctionLibrary& QRFunctionLibrary() {
    static TQRFunctionLibrary library = [] {
        TQRFunctionLibrary lib;
        const QString vendor = QRExprMessages::Text(QRExprMessages::Vendor);
        for (const BuiltIn& f : kBuiltIns) {
            lib.Add(f.elementClass, QString::fromLatin1(f.name), QString::fromLatin1(f.description), vendor,
                    QString::fromLatin1(f.argumentCodes));
        }
        return lib;
    }();
    return library;
}

void RegisterQRFunction(TQREvElementFunctionClass elementClass, const QString& name,
                        const QString& description, const QString& vendor, const QString& argumentCodes) {
    QRFunctionLibrary().Add(elementClass, name, description, vendor, argumentCodes);
}

}  // namespace quorin
