// The fallback choice (which services the plug-in can go on without) and the fallback routines
// at the plug-in's call sites when the host lacks such a service.
#include "binding.h"

#include <map>

using namespace binding;

namespace {

// ---- fallback choice ----

TEST(FallbackChoice, OrdinalsChooseByTheirLastTwoDigits) {
    struct Case {
        uintptr_t ordinal;
        int32_t row; // -1: none
    } cases[] = {
        {52099, 0},  {52000, 0}, {52012, 3}, {52056, 14}, {52058, -1}, {52060, -1},
        {52029, -1}, {52028, 7}, {52024, 6}, {52256, 14}, {52412, 3},  {38417, -1},
        {65535, -1}, {65532, 8}, {4, 1},     {0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ordinal);
        EXPECT_EQ(fallback_row(c.ordinal), c.row);
    }
}

TEST(FallbackChoice, NamesChooseByTheWholeNumberAfterTheirLastAt) {
    struct Case {
        const char* name;
        int32_t row; // -1: none
    } cases[] = {
        {"ConvertText", 0}, // no "@"
        {"_Show@x", 0},     // a letter after it
        {"_Show@", 0},      // nothing after it
        {"@", 0},
        {"_Show@-4", 0}, // a sign is no digit
        {"_Show@12", 3},
        {"_Show@6", 1},
        {"_Show@56", 14},
        {"@56", 14},
        {"_Show@57", 14}, // rounded down
        {"_Show@59", 14},
        {"_Show@60", -1},
        {"@60", -1},
        {"_Show@0", 0},
        {"@0", 0},
        {"_Show@12abc", 3}, // only the leading digits count
        {"_Show@0012", 3},
        {"_Show@60@8", 2}, // the last "@" decides
        {"_Show@8@name", 0},
        {"@16", 4},
        // The whole number counts, not its first digits.
        {"Svc@570", -1},
        {"Svc@580", -1},
        {"Svc@5900", -1},
        {"Svc@0571", -1},
        {"Svc@000000000000000000048", 12},
        {"_Show@99999999999999999999999999", -1},
        {"_Show@4294967296", -1}, // 2^32: would wrap to 0 in 32 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fallback_row(reinterpret_cast<uintptr_t>(c.name)), c.row);
    }
}

TEST(FallbackChoice, OnlyFourOfThePluginsServicesHaveAFallback) {
    const std::map<uintptr_t, int32_t> with_fallback = {
        {52028, 7}, {52224, 6}, {52256, 14}, {52412, 3}};
    for (const HostEntry& e : g_host_entries) {
        SCOPED_TRACE(e.id);
        auto it = with_fallback.find(e.id);
        EXPECT_EQ(fallback_row(e.id), it == with_fallback.end() ? -1 : it->second);
    }
}

// ---- fallback routines at the plug-in's call sites ----

TEST_F(Binding, TheMismatchReportGoesToTheFallbackOfAMissingMessageService) {
    ASSERT_TRUE(load_without({52028}, {kIgnore}));
    h().remove_table(records::kK9);
    ASSERT_EQ(attach(), -1);
    h().trace.clear();
    EXPECT_EQ(start(1), 0);
    EXPECT_TRUE(h().messages.empty());
    EXPECT_TRUE(h().trace.empty());
}

TEST_F(Binding, NoticeAndLookupRunOnTheFallbacksOfTheirMissingServices) {
    ASSERT_TRUE(load_without({52224, 52412}, {kIgnore}));
    ASSERT_EQ(attach(), 0);
    h().trace.clear();
    ASSERT_EQ(start(), 0);
    // The setting reads as 0 (success, value untouched), so the notice is shown; the write of the
    // flag goes to the fallback too.
    EXPECT_EQ(h().trace.back(), "52023(1194, 0, 0)");
    for (const std::string& call : h().trace)
        EXPECT_NE(call.rfind("52224", 0), 0u) << call;

    // The k9 lookup answers 0: the line stays as it was and the host's handler still runs.
    h().items.push_back({7, 0, 12.5, 1});
    vordan::Lines lines = h().make_lines(records::kRwDok, 1);
    records::put(lines[0], records::rw_dok::kKey, 7);
    records::put(lines[0], records::rw_dok::kSlotUse, 1);
    const auto before = lines.records[0]->bytes();
    h().trace.clear();
    EXPECT_EQ(ctrl_e(records::kRwDok, lines), h().handler_result);
    EXPECT_EQ(lines.records[0]->bytes(), before);
    for (const std::string& call : h().trace)
        EXPECT_NE(call.rfind("52333", 0), 0u) << call;
    EXPECT_EQ(h().handler_calls.size(), 1u);
}

// Under clang's -fsanitize=function (the asan preset) every call through an entry is checked
// against the routine's own type: a fallback of another type stops the run. One process per
// service, as the plug-in is loaded once per process.
class FallbackAtWork : public Binding, public ::testing::WithParamInterface<int32_t> {};

TEST_P(FallbackAtWork, CarriesAttachStartAndCtrlEThroughItsOwnType) {
    const int32_t missing = GetParam();
    ASSERT_TRUE(load_without({missing}, {kIgnore}));
    // Without 52256 no table can be found: the attach check refuses and the report goes out.
    const int32_t attached = attach();
    EXPECT_EQ(attached, missing == 52256 ? -1 : 0);
    EXPECT_EQ(start(attached == 0 ? 0 : 1), 0);
    h().items.push_back({7, 0, 12.5, 1});
    for (int32_t table : {records::kRwDok, records::kMrDok, records::kMmDok}) {
        SCOPED_TRACE(table);
        vordan::Lines lines = h().make_lines(table, 1);
        const records::Field<int16_t> key = table == records::kRwDok   ? records::rw_dok::kKey
                                            : table == records::kMrDok ? records::mr_dok::kKey
                                                                       : records::mm_dok::kKey;
        records::put(lines[0], key, 7);
        h().handler_calls.clear();
        EXPECT_EQ(ctrl_e(table, lines), h().handler_result);
        EXPECT_EQ(h().handler_calls.size(), 1u);
    }
    EXPECT_EQ(detach(), 0);
}

INSTANTIATE_TEST_SUITE_P(Services, FallbackAtWork, ::testing::Values(52028, 52224, 52256, 52412));

} // namespace
