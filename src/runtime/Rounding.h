#pragma once

#include <cmath>
#include <cstdint>

namespace quorin {

/// Nearest integer, a tie going to the even neighbour (2.5 -> 2, 3.5 -> 4).
/// Below 2^52 adding 2^52 leaves no fraction, so the addition itself rounds,
/// ties to even (the default rounding of the floating-point environment, as
/// nearbyint follows it, without its save and restore of that environment);
/// the sign comes back for -0.4 -> -0. Inline: every length passes here.
inline double RoundHalfEven(double x) {
    constexpr double kNoFraction = 4503599627370496.0;  // 2^52
    const double magnitude = std::fabs(x);
    if (!(magnitude < kNoFraction)) return x;  // whole already, infinite or not a number
    const double sum = magnitude + kNoFraction;
    return std::copysign(sum - kNoFraction, x);
}
long double RoundHalfEven(long double x);
/// Nearest integer, a tie going away from zero (2.5 -> 3, -2.5 -> -3).
double RoundHalfAwayFromZero(double x);
/// Drops the fraction (-2.7 -> -2).
double Trunc(double x);

/// The same as integers. The value must fit in 64 bits; callers that cannot
/// guarantee it check with FitsInt64 first.
int64_t RoundHalfEvenToInt64(long double x);
int64_t RoundHalfEvenToInt64(double x);
int64_t TruncToInt64(double x);
bool FitsInt64(long double x);

}  // namespace quorin
