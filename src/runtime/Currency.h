#pragma once

#include <compare>
#include <cstdint>

namespace quorin {

/// Money as a 64-bit integer holding value x 10000: four exact decimals. Every sum
/// and comparison of money goes through it, so 33,3333 + 33,3333 + 33,3334 is
/// exactly 100,0000.
class Currency {
public:
    static constexpr int64_t Scale = 10000;

    constexpr Currency() = default;
    static constexpr Currency FromScaled(int64_t scaled) { return Currency(scaled); }
    static constexpr Currency FromInteger(int64_t n) { return Currency(n * Scale); }
    /// x x 10000 computed in long double (64-bit mantissa), then rounded to the
    /// nearest integer with ties to even. NaN, infinities and values outside the
    /// range raise EConvertError.
    static Currency FromDouble(double x);

    constexpr int64_t Scaled() const { return scaled_; }
    double ToDouble() const;

    /// scaled value > n x 10000, signed.
    constexpr bool GreaterThan(int64_t n) const { return scaled_ > n * Scale; }
    /// scaled value differs from the scaled value of x (converted as FromDouble).
    bool DiffersFrom(double x) const { return scaled_ != FromDouble(x).scaled_; }

    /// Sums and differences are exact or raise EConvertError: a result outside the
    /// 64-bit range never wraps into a wrong total.
    constexpr Currency& operator+=(Currency other) {
        int64_t result = 0;
        if (__builtin_add_overflow(scaled_, other.scaled_, &result)) {
            ThrowOutOfRange();
        }
        scaled_ = result;
        return *this;
    }
    constexpr Currency& operator-=(Currency other) {
        int64_t result = 0;
        if (__builtin_sub_overflow(scaled_, other.scaled_, &result)) {
            ThrowOutOfRange();
        }
        scaled_ = result;
        return *this;
    }
    friend constexpr Currency operator+(Currency a, Currency b) { return a += b; }
    friend constexpr Currency operator-(Currency a, Currency b) { return a -= b; }
    friend constexpr Currency operator-(Currency a) { return Currency() -= a; }
    friend constexpr bool operator==(Currency, Currency) = default;
    friend constexpr auto operator<=>(Currency, Currency) = default;

private:
    constexpr explicit Currency(int64_t scaled) : scaled_(scaled) {}
    [[noreturn]] static void ThrowOutOfRange();
    int64_t scaled_ = 0;
};

}  // namespace quorin
