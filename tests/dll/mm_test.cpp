// MM price filling through the MM hook in the Mm_dok handler slot.
#include "harness.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

using namespace harness;
using records::extent;
using records::get;
using records::get_bits;
using records::put;

namespace {

using namespace records::mm_dok;
// The header's lookup scope of every line.
constexpr auto kHeaderScope = records::mm::kScope;

// The amounts 52178 received, in call order. The trace prints them with 17 significant digits,
// so they read back as exactly the doubles the host received.
std::vector<double> rounded_amounts(const std::vector<std::string>& trace) {
    std::vector<double> out;
    for (const std::string& call : trace)
        if (call.rfind("52178(", 0) == 0) out.push_back(std::strtod(call.c_str() + 6, nullptr));
    return out;
}

uint64_t bits(double d) {
    uint64_t b;
    memcpy(&b, &d, sizeof b);
    return b;
}
double from_bits(uint64_t b) {
    double d;
    memcpy(&d, &b, sizeof d);
    return d;
}

class MmFill : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ready();
        put(h().current(records::kMm), kHeaderScope, 3);
    }
    // n lines with keys 1, 2, ... and the given quantity; the header gives them scope 3.
    vordan::Lines lines(size_t n, int32_t quantity, uint8_t fill = 0) {
        vordan::Lines l = h().make_lines(records::kMmDok, n, fill);
        for (size_t i = 0; i < n; ++i) {
            put(l[i], kKey, static_cast<int16_t>(i + 1));
            put(l[i], kQuantity, quantity);
        }
        name(l);
        return l;
    }
};

TEST_F(MmFill, ValuesTheLineFromQuantityAndPrice) {
    h().rates[5] = 2.0;
    struct Case {
        const char* label;
        int32_t quantity;
        double price;
        double value, converted; // the amounts 52178 receives
        double stored_value, stored_converted;
    } cases[] = {
        {"1.5 units at 400", 1500, 400.0, 600.0, 1200.0, 600, 1200},
        {"quantity 0", 0, 400.0, 0.0, 0.0, 0, 0},
        // In binary64, (11 x 0.001) x 11500 is just below 126.5 and the host rounds it down;
        // 80-bit intermediates, or (11 x 11500) x 0.001, give exactly 126.5.
        {"11.5 units at 11, binary64", 11500, 11.0, 0x1.f9fffffffffffp+6, 0x1.f9fffffffffffp+7, 126,
         253},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        h().trace.clear();
        h().items = {{1, 3, c.price, 5}};
        vordan::Lines l = lines(1, c.quantity);
        ctrl_e(records::kMmDok, l);
        const std::vector<double> amounts = rounded_amounts(h().trace);
        ASSERT_EQ(amounts.size(), 3u);
        EXPECT_EQ(bits(amounts[0]), bits(c.value)) << amounts[0];
        EXPECT_EQ(bits(amounts[1]), bits(c.converted)) << amounts[1];
        EXPECT_EQ(amounts[2], c.stored_converted - c.stored_value);
        EXPECT_EQ(get(l[0], kValue), c.stored_value);
        EXPECT_EQ(get(l[0], kConverted), c.stored_converted);
        EXPECT_EQ(get(l[0], kDifference), c.stored_converted - c.stored_value);
    }
}

TEST_F(MmFill, CopiesThePriceIntoEveryUsedSlotAsAWholeNumber) {
    // Every slot starts priced (77, code 33) and the line has a price (99.0, code 2) already.
    const int32_t flags[10] = {1, 0, -1, 7, 0, std::numeric_limits<int32_t>::min(), 0, 2, 0, 1};
    struct Case {
        const char* label;
        uint64_t purchase; // the bits of the purchase price
        int32_t slot;
    } cases[] = {
        {"12.75", bits(12.75), 12},
        {"-12.75 truncates toward zero", bits(-12.75), -12},
        {"1e12 saturates", bits(1e12), std::numeric_limits<int32_t>::max()},
        {"2^31 - 1", bits(2147483647.0), std::numeric_limits<int32_t>::max()},
        {"2^31 saturates", bits(2147483648.0), std::numeric_limits<int32_t>::max()},
        {"-2^31", bits(-2147483648.0), std::numeric_limits<int32_t>::min()},
        {"-2^31 - 1 saturates", bits(-2147483649.0), std::numeric_limits<int32_t>::min()},
        {"NaN with a payload gives 0", 0xFFF8DEADBEEF0001ull, 0},
        {"signalling NaN gives 0", 0x7FF0000000000001ull, 0},
        {"-0.0", bits(-0.0), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        h().items = {{1, 3, from_bits(c.purchase), 4}};
        vordan::Lines l = lines(1, 1000);
        put(l[0], kPrice, 99.0);
        put(l[0], kPriceCode, 2);
        for (uint32_t j = 0; j < 10; ++j) {
            put(l[0], kSlotUse, flags[j], j);
            put(l[0], kSlotPrice, 77, j);
            put(l[0], kSlotCode, 33, j);
        }
        ctrl_e(records::kMmDok, l);
        // The line price takes the eight bytes of the k9 record's purchase price as they are.
        EXPECT_EQ(get_bits(l[0], kPrice), get_bits(h().current(records::kK9), records::k9::kPrice));
        EXPECT_EQ(get(l[0], kPriceCode), 4);
        for (uint32_t j = 0; j < 10; ++j) {
            SCOPED_TRACE("slot " + std::to_string(j) + ", use flag " + std::to_string(flags[j]));
            EXPECT_EQ(get(l[0], kSlotPrice, j), flags[j] ? c.slot : 77);
            EXPECT_EQ(get(l[0], kSlotCode, j), flags[j] ? 4 : 33);
        }
    }
}

TEST_F(MmFill, FailedLookupValuesTheLinesOwnPriceWithCodeZero) {
    h().rates[7] = 3.0;                     // would triple the converted value under code 7
    h().items = {{1, 4, 12.0, 5}};          // other scope: not found
    vordan::Lines l = lines(1, 2000, 0x5A); // slots in use
    put(l[0], kKey, 1);
    put(l[0], kPrice, 50.0);
    put(l[0], kPriceCode, 7);
    const auto before = l.records[0]->bytes();
    ctrl_e(records::kMmDok, l);
    EXPECT_EQ(get(l[0], kPrice), 50.0);
    EXPECT_EQ(get(l[0], kPriceCode), 0);
    EXPECT_EQ(get(l[0], kValue), 100.0);
    EXPECT_EQ(get(l[0], kConverted), 100.0);
    EXPECT_EQ(get(l[0], kDifference), 0.0);
    EXPECT_EQ(get(l[0], kValueMark), 0u);
    // No slot is touched.
    expect_only_changed(before, l[0], {extent(kPriceCode), extent(kValue, kValueMark)});
    const std::vector<std::string> expected = {"52266()",
                                               "52266()",
                                               "52265()",
                                               "52412(-1, 0)",
                                               "52178(100, 1)",
                                               "52289(2, 0, 50)",
                                               "52179(50, 100)",
                                               "52178(100, 1)",
                                               "52178(0, 1)",
                                               "51472(line0, lines, 1, Mm, 0, 0, 0)",
                                               "51473(Mm, Mm, lines, 1)"};
    EXPECT_EQ(line_trace(), expected);
}

TEST_F(MmFill, CallsTheHostLineByLineWhetherTheLookupSucceedsOrNot) {
    h().rates[5] = 2.0;
    h().items = {{1, 3, 400.0, 5}}; // the second line (key 2) finds nothing
    vordan::Lines l = lines(2, 1500);
    put(l[1], kPrice, 40.0);
    h().lookup_scope = 9;
    ctrl_e(records::kMmDok, l);
    const std::vector<std::string> expected = {
        "52256(49)", "52256(58)", "52266()", "52265()",
        // line 0: price 400, code 5 (converts at 2), 1.5 units
        "52266()", "52266()", "52265()", "52412(-1, 0)", "52178(600, 1)", "52289(2, 5, 400)",
        "52179(800, 100)", "52178(1200, 1)", "52178(600, 1)", "51472(line0, lines, 2, Mm, 0, 0, 0)",
        "51473(Mm, Mm, lines, 2)",
        // line 1: not found, valued at its own price 40 with code 0
        "52266()", "52266()", "52265()", "52412(-1, 0)", "52178(60, 1)", "52289(2, 0, 40)",
        "52179(40, 100)", "52178(60, 1)", "52178(0, 1)", "51472(line1, lines, 2, Mm, 0, 0, 0)",
        "51473(Mm, Mm, lines, 2)", "52265()", "52266()"};
    EXPECT_EQ(h().trace, expected);
    EXPECT_EQ(h().lookup_scope, 9);
    ASSERT_EQ(h().handler_calls.size(), 1u);
}

TEST_F(MmFill, EmptyDocumentCallsNoRecalculation) {
    h().items = {{1, 3, 10.0, 0}};
    vordan::Lines l = lines(1, 1000);
    for (int32_t count : {0, -1}) {
        SCOPED_TRACE(count);
        h().trace.clear();
        l.count = count;
        const auto before = l.records[0]->bytes();
        ctrl_e(records::kMmDok, l);
        const std::vector<std::string> expected = {"52256(49)", "52256(58)", "52266()",
                                                   "52265()",   "52265()",   "52266()"};
        EXPECT_EQ(h().trace, expected);
        EXPECT_EQ(l.records[0]->bytes(), before);
    }
}

TEST_F(MmFill, WithoutACurrentHeaderNothingIsFilled) {
    // Every line's lookup scope is the header's: without a header record no line can be looked
    // up, and the event goes to the host handler untouched.
    put(h().descriptor(records::kMm), records::desc::kCurrent, nullptr);
    h().items = {{1, 3, 3.5, 6}};
    vordan::Lines l = lines(1, 1000);
    const auto before = l.records[0]->bytes();
    ctrl_e(records::kMmDok, l);
    EXPECT_EQ(l.records[0]->bytes(), before);
    EXPECT_EQ(h().trace, (std::vector<std::string>{"52256(49)", "52256(58)"}));
    EXPECT_EQ(h().handler_calls.size(), 1u);
}

} // namespace
