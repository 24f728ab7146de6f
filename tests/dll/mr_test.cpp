// MR price and selling-price filling through the MR hook in the Mr_dok handler slot.
#include "harness.h"
#include "sim/rounding.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

using namespace harness;
using records::extent;
using records::get;
using records::put;

namespace {

using namespace records::mr_dok;
using records::mr::kMethod;

// One call of 52178 as the trace shows it. The amount is printed with 17 significant digits, so
// it reads back as exactly the double the host received.
struct Rounding {
    double amount;
    int32_t n;
};
std::vector<Rounding> roundings(const std::vector<std::string>& trace) {
    std::vector<Rounding> out;
    for (const std::string& call : trace) {
        if (call.rfind("52178(", 0) != 0) continue;
        char* end = nullptr;
        const double amount = std::strtod(call.c_str() + 6, &end);
        out.push_back({amount, static_cast<int32_t>(std::strtol(end + 1, nullptr, 10))});
    }
    return out;
}

uint64_t bits(double d) {
    uint64_t b;
    memcpy(&b, &d, sizeof b);
    return b;
}

class MrFill : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ready();
    }
    // One line with key 1 and scope 3, no price yet, and the given quantity.
    vordan::Lines line(int32_t quantity, uint8_t fill = 0) {
        vordan::Lines lines = h().make_lines(records::kMrDok, 1, fill);
        put(lines[0], kKey, 1);
        put(lines[0], kScope, 3);
        put(lines[0], kPrice, 0);
        put(lines[0], kQuantity, quantity);
        name(lines);
        return lines;
    }
    // The k9 item that the line of line() finds.
    void item(double price, int16_t code = 0) { h().items.push_back({1, 3, price, code}); }
    void method(int16_t m) { put(h().current(records::kMr), kMethod, m); }
};

TEST_F(MrFill, SellingPricesFollowMarkupOrMargin) {
    // Unit cost 10000 (price 10000, one unit); every level has its own percentage. Margins whose
    // distance from 100 % the host rounds to nothing (100 %, 99.996 %) give a factor of 0.
    struct Level {
        int32_t percent;
        double markup, margin;
    } levels[10] = {
        {25000, 12500, 13333},   {0, 10000, 10000},     {100000, 20000, 0},    {99996, 20000, 0},
        {-20000, 8000, 8333},    {50000, 15000, 20000}, {10000, 11000, 11111}, {-100000, 0, 5000},
        {200000, 30000, -10000}, {75000, 17500, 40000},
    };
    h().rates[4] = 2.0; // the selling price code's conversion doubles
    item(10000.0);
    for (int16_t m : {0, 1, -1, 256}) {
        SCOPED_TRACE("pricing method flag " + std::to_string(m));
        method(m);
        vordan::Lines lines = line(1000);
        put(lines[0], kSellingCode, 4);
        for (uint32_t j = 0; j < 10; ++j)
            put(lines[0], kPercent, levels[j].percent, j);
        ctrl_e(records::kMrDok, lines);
        ASSERT_EQ(get(lines[0], kValue), 10000.0);
        for (uint32_t j = 0; j < 10; ++j) {
            SCOPED_TRACE("level " + std::to_string(j) + ", " + std::to_string(levels[j].percent));
            const double expected = m == 0 ? levels[j].markup : levels[j].margin;
            EXPECT_EQ(get(lines[0], kSelling, j), expected);
            EXPECT_EQ(get(lines[0], kSellingConverted, j), 2 * expected);
            EXPECT_EQ(get(lines[0], kPercent, j), levels[j].percent);
        }
    }
}

TEST_F(MrFill, TruncatesThePurchasePriceIntoTheLinePrice) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const int32_t max = std::numeric_limits<int32_t>::max();
    const int32_t min = std::numeric_limits<int32_t>::min();
    struct Case {
        const char* label;
        double purchase;
        int32_t price;
    } cases[] = {
        {"12.9", 12.9, 12},
        {"-5.7", -5.7, -5},
        {"just below the int32 end", 2147483647.9, max},
        {"the int32 end", 2147483647.0, max},
        {"2^31, just past the int32 end", 2147483648.0, max},
        {"just above the int32 start", -2147483648.9, min},
        {"-2^31, the int32 start", -2147483648.0, min},
        {"-2^31 - 1, just past the int32 start", -2147483649.0, min},
        {"1e12 saturates", 1e12, max},
        {"-1e12 saturates", -1e12, min},
        {"+inf saturates", inf, max},
        {"-inf saturates", -inf, min},
        {"NaN gives 0", nan, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        h().items.clear();
        item(c.purchase, 21);
        vordan::Lines lines = line(0);
        ctrl_e(records::kMrDok, lines);
        EXPECT_EQ(get(lines[0], kPrice), c.price);
        EXPECT_EQ(get(lines[0], kPriceCode), 21);
    }
}

// The unit cost divides the line value by quantity x 0.001, the host's own order. At these
// quantities quantity / 1000.0 is another double, and the selling price one grosz off the host's.
TEST_F(MrFill, SellingPricesDivideByTheQuantityTimesAThousandth) {
    struct Case {
        int32_t quantity; // thousandths of a unit
        double purchase;
        int32_t percent;
        int16_t method;
    } cases[] = {
        {144, 60.0, 0, 0},     {208, 61.0, 0, 0},     {944, 62.0, 0, 0},
        {36, 237.0, 25000, 0}, {576, 47.0, 25000, 1}, {416, 843.0, 10000, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("quantity " + std::to_string(c.quantity) + ", price " +
                     std::to_string(c.purchase) + ", " + std::to_string(c.percent) +
                     (c.method ? " margin" : " markup"));
        h().items.clear();
        item(c.purchase);
        method(c.method);
        vordan::Lines lines = line(c.quantity);
        for (uint32_t j = 0; j < 10; ++j)
            put(lines[0], kPercent, c.percent, j);
        ctrl_e(records::kMrDok, lines);
        // The host's computation: the line value, the unit cost, the factor, each rounded by it.
        const double q = c.quantity, a = c.percent;
        const double value = rounding::whole((c.purchase * 0.001) * q);
        const double factor = c.method == 0 ? a / 100000.0 + 1.0 : 1.0 / (1.0 - a / 100000.0);
        const double selling = rounding::whole((value / (q * 0.001)) * factor);
        ASSERT_EQ(get(lines[0], kValue), value);
        ASSERT_NE(rounding::whole((value / (q / 1000.0)) * factor), selling)
            << "not a telling case";
        for (uint32_t j = 0; j < 10; ++j)
            EXPECT_EQ(get(lines[0], kSelling, j), selling) << "level " << j;
    }
}

TEST_F(MrFill, LeavesAPricedLineByteForByte) {
    item(55.0, 2);
    for (int32_t price : {7, -1, std::numeric_limits<int32_t>::min()}) {
        SCOPED_TRACE(price);
        vordan::Lines lines = line(1000, 0x5A);
        put(lines[0], kPrice, price);
        const auto before = lines.records[0]->bytes();
        h().trace.clear();
        h().lookup_scope = 9;
        ctrl_e(records::kMrDok, lines);
        EXPECT_EQ(lines.records[0]->bytes(), before);
        // The price test is the only call for the line: no scope, no lookup, no recalculation.
        const std::vector<std::string> expected = {"52266()", "52266()",
                                                   "52178(" + std::to_string(price) + ", 1)"};
        EXPECT_EQ(line_trace(), expected);
        EXPECT_EQ(h().lookup_scope, 9);
    }
}

TEST_F(MrFill, FailedLookupValuesTheLineAtZeroAndClearsThePercentages) {
    h().items.push_back({1, 4, 30.0, 5}); // other scope: not found
    vordan::Lines lines = line(2500, 0x5A);
    const auto before = lines.records[0]->bytes();
    ctrl_e(records::kMrDok, lines);

    EXPECT_EQ(get(lines[0], kPrice), 0);
    EXPECT_EQ(get(lines[0], kPriceCode), 0);
    EXPECT_EQ(get(lines[0], kValue), 0.0);
    EXPECT_EQ(get(lines[0], kConverted), 0.0);
    EXPECT_EQ(get(lines[0], kDifference), 0.0);
    for (uint32_t j = 0; j < 10; ++j)
        EXPECT_EQ(get(lines[0], kPercent, j), 0) << j;
    // The twenty selling prices, like everything outside the cleared fields, keep their bytes.
    expect_only_changed(before, lines[0],
                        {extent(kPriceCode), extent(kValue, kConverted), extent(kPercent)});
    // Without a line value no selling level calls the host.
    const std::vector<std::string> expected = {"52266()",
                                               "52266()",
                                               "52178(0, 1)",
                                               "52265()",
                                               "52412(-1, 0)",
                                               "52178(0, 1)",
                                               "52289(2, 0, 0)",
                                               "52179(0, 100)",
                                               "52178(0, 1)",
                                               "52178(0, 1)",
                                               "51465(line0, lines, 1, Mr, 0, 0, 0)",
                                               "51466(Mr, Mr, lines, 1)"};
    EXPECT_EQ(line_trace(), expected);
}

TEST_F(MrFill, QuantityZeroWithoutAValueClearsThePercentages) {
    item(500.0);
    vordan::Lines lines = line(0, 0x5A);
    const auto before = lines.records[0]->bytes();
    ctrl_e(records::kMrDok, lines);
    EXPECT_EQ(get(lines[0], kPrice), 500);
    // Price test, line value, converted line value, value difference: all of zero amounts.
    const std::vector<Rounding> r = roundings(h().trace);
    ASSERT_EQ(r.size(), 4u);
    for (const Rounding& x : r)
        EXPECT_EQ(x.amount, 0.0);
    for (uint32_t j = 0; j < 10; ++j)
        EXPECT_EQ(get(lines[0], kPercent, j), 0) << j;
    expect_only_changed(before, lines[0], {extent(kPrice, kConverted), extent(kPercent)});
}

TEST_F(MrFill, QuantityZeroDividesTheLineValueByOne) {
    // A host that values the line at 250 although its quantity is 0: the unit cost is 250.
    int calls = 0;
    h().round_whole = [&](double amount, int32_t) {
        if (++calls == 2) return 250; // the line value; the first call is the price test
        return std::isfinite(amount) ? static_cast<int32_t>(std::lround(amount)) : -1;
    };
    item(500.0);
    vordan::Lines lines = line(0);
    for (uint32_t j = 0; j < 10; ++j)
        put(lines[0], kPercent, 20000, j);
    ctrl_e(records::kMrDok, lines);
    EXPECT_EQ(get(lines[0], kValue), 250.0);
    for (uint32_t j = 0; j < 10; ++j)
        EXPECT_EQ(get(lines[0], kSelling, j), 300.0);
}

TEST_F(MrFill, ComputesTheAmountsInDoublePrecision) {
    // 11 x 11.5 units: in binary64, (11 x 0.001) x 11500 is just below 126.5, so the host rounds
    // it down. 80-bit intermediates, or (11 x 11500) x 0.001, give exactly 126.5 and round up.
    item(11.0);
    vordan::Lines lines = line(11500);
    ctrl_e(records::kMrDok, lines);
    const std::vector<Rounding> r = roundings(h().trace);
    ASSERT_GE(r.size(), 3u);
    const double expected = 0x1.f9fffffffffffp+6; // 126.49999999999998579
    EXPECT_EQ(bits(r[1].amount), bits(expected)) << "line value: " << r[1].amount;
    EXPECT_EQ(bits(r[2].amount), bits(expected)) << "converted line value: " << r[2].amount;
    EXPECT_EQ(get(lines[0], kValue), 126.0);
    EXPECT_EQ(get(lines[0], kConverted), 126.0);
    EXPECT_EQ(get(lines[0], kDifference), 0.0);
}

TEST_F(MrFill, CallsTheHostLineByLine) {
    for (int16_t m : {0, 1}) {
        SCOPED_TRACE(m == 0 ? "markup" : "margin");
        h().trace.clear();
        h().items = {{1, 3, 12.9, 3}, {2, 4, 40.0, 0}};
        h().rates[3] = 2.0;
        method(m);
        vordan::Lines lines = h().make_lines(records::kMrDok, 2);
        name(lines);
        const int16_t keys[2] = {1, 2}, scopes[2] = {3, 4};
        const int32_t quantities[2] = {2000, 500};
        for (int i = 0; i < 2; ++i) {
            put(lines[i], kKey, keys[i]);
            put(lines[i], kScope, scopes[i]);
            put(lines[i], kQuantity, quantities[i]);
        }
        ctrl_e(records::kMrDok, lines);

        // Each level: the margin test (margin only), the selling price, its conversion.
        auto levels = [&](std::vector<std::string>& t, const std::string& unit_cost) {
            for (int j = 0; j < 10; ++j) {
                if (m != 0) t.push_back("52178(10000, 1)");
                t.push_back("52178(" + unit_cost + ", 1)");
                t.push_back("52289(2, 0, " + unit_cost + ")");
                t.push_back("52178(" + unit_cost + ", 100)");
            }
        };
        std::vector<std::string> expected = {"52256(49)", "52256(79)", "52266()", "52265()"};
        // Line 0: price 12 (from 12.9) and code 3 (converts at 2), 2 units.
        expected.insert(expected.end(), {"52266()", "52266()", "52178(0, 1)", "52265()",
                                         "52412(-1, 0)", "52178(24, 1)", "52289(2, 3, 12)",
                                         "52179(24, 100)", "52178(48, 1)", "52178(24, 1)"});
        levels(expected, "12");
        expected.insert(expected.end(),
                        {"51465(line0, lines, 2, Mr, 0, 0, 0)", "51466(Mr, Mr, lines, 2)"});
        // Line 1: price 40, code 0, half a unit.
        expected.insert(expected.end(), {"52266()", "52266()", "52178(0, 1)", "52265()",
                                         "52412(-1, 0)", "52178(20, 1)", "52289(2, 0, 40)",
                                         "52179(40, 100)", "52178(20, 1)", "52178(0, 1)"});
        levels(expected, "40");
        expected.insert(expected.end(), {"51465(line1, lines, 2, Mr, 0, 0, 0)",
                                         "51466(Mr, Mr, lines, 2)", "52265()", "52266()"});
        EXPECT_EQ(h().trace, expected);
        EXPECT_EQ(get(lines[0], kPrice), 12);
        EXPECT_EQ(get(lines[0], kPriceCode), 3);
        EXPECT_EQ(get(lines[0], kDifference), 24.0);
        EXPECT_EQ(get(lines[1], kSelling, 9), 40.0);
    }
}

TEST_F(MrFill, WithoutACurrentHeaderNothingIsFilledAndACtrlEWithOneCompletesTheLine) {
    // The selling prices are priced by the header's method. Without a header record the line is
    // left as it is (a price given now would make every later Ctrl-E skip the line, its selling
    // prices never computed) and the event goes to the host's handler untouched.
    item(100.0);
    vordan::Lines lines = line(1000);
    for (uint32_t j = 0; j < 10; ++j) {
        put(lines[0], kPercent, 25000, j);
        put(lines[0], kSelling, 7.0, j);
    }
    uint8_t* const header = h().current(records::kMr);
    put(h().descriptor(records::kMr), records::desc::kCurrent, nullptr);
    const auto before = lines.records[0]->bytes();
    ctrl_e(records::kMrDok, lines);
    EXPECT_EQ(lines.records[0]->bytes(), before);
    EXPECT_EQ(h().trace, (std::vector<std::string>{"52256(49)", "52256(79)"}));
    EXPECT_EQ(h().handler_calls.size(), 1u);

    // With the header back (markup), the same Ctrl-E prices the line and all its levels.
    put(h().descriptor(records::kMr), records::desc::kCurrent, header);
    method(0);
    ctrl_e(records::kMrDok, lines);
    EXPECT_EQ(get(lines[0], kPrice), 100);
    EXPECT_EQ(get(lines[0], kValue), 100.0);
    for (uint32_t j = 0; j < 10; ++j) {
        EXPECT_EQ(get(lines[0], kSelling, j), 125.0) << j;
        EXPECT_EQ(get(lines[0], kPercent, j), 25000) << j;
    }
}

} // namespace
