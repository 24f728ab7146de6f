// RW price filling through the RW hook in the Rw_dok handler slot.
#include "harness.h"

#include <cmath>
#include <limits>

using namespace harness;
using records::get;
using records::put;

namespace {

using namespace records::rw_dok;

class RwFill : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ready();
    }
    // One line with key and scope, and an item for it.
    vordan::Lines line(int16_t key, int16_t scope, uint8_t fill = 0) {
        vordan::Lines lines = h().make_lines(records::kRwDok, 1, fill);
        put(lines[0], kKey, key);
        put(lines[0], kScope, scope);
        name(lines);
        return lines;
    }
};

TEST_F(RwFill, FillsOnlyUsedSlotsStillAtZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* label;
        int32_t use;
        double price;
        bool filled;
    } cases[] = {
        {"unused, zero", 0, 0.0, false},        {"used, zero", 1, 0.0, true},
        {"negative flag, zero", -7, 0.0, true}, {"used, 0.01", 1, 0.01, false},
        {"used, -0.0", 1, -0.0, true},          {"used, NaN", 1, nan, false},
    };
    h().items.push_back({12, 3, 47.25, 9});
    vordan::Lines lines = line(12, 3);
    for (uint32_t j = 0; j < 6; ++j) {
        put(lines[0], kSlotUse, cases[j].use, j);
        put(lines[0], kSlotPrice, cases[j].price, j);
        put(lines[0], kSlotCode, 77, j);
    }
    ctrl_e(records::kRwDok, lines);
    for (uint32_t j = 0; j < 6; ++j) {
        SCOPED_TRACE(cases[j].label);
        const double price = get(lines[0], kSlotPrice, j);
        const int16_t code = get(lines[0], kSlotCode, j);
        if (cases[j].filled) {
            EXPECT_EQ(price, 47.25);
            EXPECT_EQ(code, 9);
        } else {
            EXPECT_EQ(code, 77);
            if (std::isnan(cases[j].price))
                EXPECT_TRUE(std::isnan(price));
            else
                EXPECT_EQ(std::signbit(price), std::signbit(cases[j].price));
        }
    }
}

TEST_F(RwFill, ZeroPurchasePriceStillSetsTheCode) {
    h().items.push_back({5, 0, 0.0, 4});
    vordan::Lines lines = line(5, 0);
    put(lines[0], kSlotUse, 1);
    ctrl_e(records::kRwDok, lines);
    EXPECT_EQ(get(lines[0], kSlotPrice), 0.0);
    EXPECT_EQ(get(lines[0], kSlotCode), 4);
}

TEST_F(RwFill, FailedLookupLeavesTheLineAndSkipsItsRecalculation) {
    h().items.push_back({5, 1, 10.0, 4}); // other scope: not found
    vordan::Lines lines = line(5, 0, 0x00);
    put(lines[0], kSlotUse, 1);
    const auto before = lines.records[0]->bytes();
    ctrl_e(records::kRwDok, lines);
    EXPECT_EQ(lines.records[0]->bytes(), before);
    for (const std::string& call : h().trace)
        EXPECT_NE(call.rfind("52333", 0), 0u) << call;
}

TEST_F(RwFill, EachLineGetsThePriceOfItsOwnLookupInOrder) {
    h().items = {{1, 2, 10.5, 1}, {-1, 2, 99.0, 2}};
    vordan::Lines lines = h().make_lines(records::kRwDok, 3);
    name(lines);
    const int16_t keys[3] = {1, 0, -1}; // the middle line has no key
    for (int i = 0; i < 3; ++i) {
        put(lines[i], kKey, keys[i]);
        put(lines[i], kScope, 2);
        put(lines[i], kSlotUse, 1, 9); // slot 9 in use
    }
    h().lookup_key = 4444;
    h().lookup_scope = 55;
    ctrl_e(records::kRwDok, lines);
    EXPECT_EQ(get(lines[0], kSlotPrice, 9), 10.5);
    EXPECT_EQ(get(lines[1], kSlotPrice, 9), 0.0);
    EXPECT_EQ(get(lines[2], kSlotPrice, 9), 99.0);
    EXPECT_EQ(get(lines[2], kSlotCode, 9), 2);
    const std::vector<std::string> expected = {"52256(49)",
                                               "52256(56)",
                                               "52266()",
                                               "52265()",
                                               "52266()",
                                               "52266()",
                                               "52265()",
                                               "52412(-1, 0)",
                                               "52333(line0)", // line 0
                                               "52266()",
                                               "52266()", // line 1: key 0
                                               "52266()",
                                               "52266()",
                                               "52265()",
                                               "52412(-1, 0)",
                                               "52333(line2)", // line 2: key -1
                                               "52334(lines, 3, Rw, 0, 0, 0)",
                                               "52335(Rw, Rw, lines, 3)",
                                               "52265()",
                                               "52266()"};
    EXPECT_EQ(h().trace, expected);
    // The host's lookup key and scope are as they were before the event.
    EXPECT_EQ(h().lookup_key, 4444);
    EXPECT_EQ(h().lookup_scope, 55);
    ASSERT_EQ(h().handler_calls.size(), 1u);
}

TEST_F(RwFill, ClosingStepsRunWithTheCountReadAtEachCall) {
    vordan::Lines lines = h().make_lines(records::kRwDok, 1);
    put(lines[0], kKey, 1); // would be processed if the count let it
    name(lines);
    for (int32_t count : {0, -3}) {
        SCOPED_TRACE(count);
        h().trace.clear();
        lines.count = count;
        // 52334 changes the count: 52335 sees the new value.
        h().on_call = [&](int32_t ordinal) {
            if (ordinal == 52334) lines.count = 7;
        };
        ctrl_e(records::kRwDok, lines);
        const std::vector<std::string> expected = {"52256(49)",
                                                   "52256(56)",
                                                   "52266()",
                                                   "52265()",
                                                   "52334(lines, " + std::to_string(count) +
                                                       ", Rw, 0, 0, 0)",
                                                   "52335(Rw, Rw, lines, 7)",
                                                   "52265()",
                                                   "52266()"};
        EXPECT_EQ(h().trace, expected);
    }
}

TEST_F(RwFill, WithoutACurrentHeaderTheLinesAreFilledAndTheNullHeaderGoesOn) {
    // The RW hook never reads the header: it only hands the host's pointer to the recalculations.
    put(h().descriptor(records::kRw), records::desc::kCurrent, nullptr);
    h().items.push_back({0x3A3A, 0x3A3A, 3.5, 6});
    vordan::Lines lines = h().make_lines(records::kRwDok, 1, 0x3A);
    name(lines);
    put(lines[0], kSlotPrice, 0.0);
    const auto before = lines.records[0]->bytes();
    ctrl_e(records::kRwDok, lines);
    EXPECT_EQ(get(lines[0], kSlotPrice), 3.5);
    EXPECT_EQ(get(lines[0], kSlotCode), 6);
    expect_only_changed(before, lines[0],
                        {records::extent(kSlotPrice), records::extent(kSlotCode)});
    const std::vector<std::string> expected = {"52256(49)",
                                               "52256(56)",
                                               "52266()",
                                               "52265()",
                                               "52266()",
                                               "52266()",
                                               "52265()",
                                               "52412(-1, 0)",
                                               "52333(line0)",
                                               "52334(lines, 1, null, 0, 0, 0)",
                                               "52335(null, null, lines, 1)",
                                               "52265()",
                                               "52266()"};
    EXPECT_EQ(h().trace, expected);
    EXPECT_EQ(h().handler_calls.size(), 1u);
}

} // namespace
