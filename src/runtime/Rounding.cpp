#include "runtime/Rounding.h"

#include <cfenv>
#include <cmath>
#include <limits>

namespace quorin {

long double RoundHalfEven(long double x) { return std::nearbyintl(x); }

double RoundHalfAwayFromZero(double x) { return std::round(x); }

double Trunc(double x) { return std::trunc(x); }

bool FitsInt64(long double x) {
    // 2^63 is exactly representable; the range is [-2^63, 2^63).
    constexpr long double limit = 9223372036854775808.0L;
    return std::isfinite(x) && x >= -limit && x < limit;
}

int64_t RoundHalfEvenToInt64(long double x) { return static_cast<int64_t>(std::nearbyintl(x)); }

int64_t RoundHalfEvenToInt64(double x) { return static_cast<int64_t>(RoundHalfEven(x)); }

int64_t TruncToInt64(double x) { return static_cast<int64_t>(std::trunc(x)); }

}  // namespace quorin
