#include "runtime/Rounding.h"

#include <cfenv>
#include <cmath>
#include <limits>

namespace quorin {

// The default floating-point environment rounds to nearest, ties to even; nearbyint
// follows it and raises no inexact exception.
// Below 2^52 adding 2^52 leaves no fraction, so the addition itself rounds,
// ties to even, as nearbyint does, without its save and restore of the
// floating-point environment; the sign comes back for -0.4 -> -0.
double RoundHalfEven(double x) {
    constexpr double kNoFraction = 4503599627370496.0;  // 2^52
    const double magnitude = std::fabs(x);
    if (!(magnitude < kNoFraction)) return x;  // whole already, infinite or not a number
    const double sum = magnitude + kNoFraction;
    return std::copysign(sum - kNoFraction, x);
}

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
