#pragma once

#include <cstdint>

namespace quorin {

/// Nearest integer, a tie going to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double x);
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
