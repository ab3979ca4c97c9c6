#include "runtime/Currency.h"

#include <QString>

#include "runtime/Exceptions.h"
#include "runtime/Rounding.h"

namespace quorin {

Currency Currency::FromDouble(double x) {
    const long double scaled = RoundHalfEven(static_cast<long double>(x) * static_cast<long double>(Scale));
    if (!FitsInt64(scaled)) {
        throw EConvertError(QStringLiteral("O valor %1 está fora do intervalo de valores monetários.")
                                .arg(x, 0, 'g', 17));
    }
    return Currency(static_cast<int64_t>(scaled));
}

void Currency::ThrowOutOfRange() {
    throw EConvertError(QStringLiteral("A soma de valores monetários ultrapassa o maior valor representável "
                                       "(922.337.203.685.477,5807)."));
}

// Dividing gives the double nearest to the exact value, where multiplying by the
// inexact 0.0001 can land one unit off (37500 x 0.0001 is not 3.75).
double Currency::ToDouble() const { return static_cast<double>(scaled_) / static_cast<double>(Scale); }

}  // namespace quorin
