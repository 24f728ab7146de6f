// The rounding the simulated host's services 52178 and 52179 do, one routine each for both
// simulated hosts (the traced one in vordan.h and the plain one in plain.h).
//
// Halves round away from zero, decided on the exact value of the double: 0.49999999999999994 (the
// largest double below one half) rounds to 0 and 0.5 to 1. Adding 0.5 and truncating would give 1
// for the former, because the sum 0.99999999999999994 is not a double and rounds up to 1.0.
#pragma once

#include <cmath>
#include <cstdint>

namespace rounding {

// 52178: a whole number, kept inside the int32 range; a NaN gives 0.
inline int32_t whole(double amount) {
    if (std::isnan(amount)) return 0;
    const double r = std::round(amount);
    if (r >= 2147483647.0) return INT32_MAX;
    if (r <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(r);
}

// 52179: a multiple of 1/n (n = 100: hundredths); a non-positive n, an infinity or a NaN leaves the
// amount as it is.
inline double to_fraction(double amount, int32_t n) {
    if (n <= 0 || !std::isfinite(amount)) return amount;
    return std::round(amount * n) / n;
}

} // namespace rounding
