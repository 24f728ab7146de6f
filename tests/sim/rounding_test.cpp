// The simulated host's rounding services 52178 and 52179 (sim/rounding.h), which both simulated
// hosts share.
#include "sim/rounding.h"
#include "sim/vordan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(HostRounding, WholeRoundsHalvesAwayFromZeroOnTheExactValue) {
    const double below_half = 0.49999999999999994; // the largest double below 0.5
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* label;
        double amount;
        int32_t whole;
    } cases[] = {
        {"just below one half", below_half, 0},
        {"just above minus one half", -below_half, 0},
        {"one half", 0.5, 1},
        {"minus one half", -0.5, -1},
        {"126.49999999999999", 0x1.f9fffffffffffp+6, 126},
        {"2.5", 2.5, 3},
        {"-2.5", -2.5, -3},
        {"2^52 + 1", 4503599627370497.0, INT32_MAX},
        {"-1e12", -1e12, INT32_MIN},
        {"2147483646.5", 2147483646.5, INT32_MAX},
        {"NaN", nan, 0},
        {"-0.0", -0.0, 0},
    };
    vordan::reset();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(rounding::whole(c.amount), c.whole);
        EXPECT_EQ(vordan_52178(c.amount, 1), c.whole); // what the traced host's service returns
    }
}

TEST(HostRounding, ToFractionRoundsToMultiplesOfOneNth) {
    EXPECT_EQ(rounding::to_fraction(2.375, 100), 238.0 / 100);
    EXPECT_EQ(rounding::to_fraction(-2.375, 100), -238.0 / 100);
    EXPECT_EQ(rounding::to_fraction(1.25, 0), 1.25); // no fraction to round to
    EXPECT_TRUE(std::isinf(rounding::to_fraction(INFINITY, 100)));
}

} // namespace
