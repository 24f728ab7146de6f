// Hook installation and removal, and the frame the three hooks share.
#include "harness.h"
#include "undertest/lines.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>

using namespace harness;
using records::get;
using records::put;

namespace {

using records::Field;

using records::extent;
using records::Extent;
namespace rw_dok = records::rw_dok;
namespace mr_dok = records::mr_dok;
namespace mm_dok = records::mm_dok;

// A line table (its name, tables, key and the bytes its hook owns: undertest/lines.h) and what
// its hook does with a line, for the tests that hold for all three hooks.
struct LineTable : undertest::LineTable {
    // Where a line's lookup scope comes from: the line or (Mm_dok) the header.
    Field<int16_t> lookup_scope;
    bool scope_in_header;
    std::vector<Extent> unpriced;      // cleared, these make a line the hook fills
    std::vector<Field<int16_t>> codes; // the line's price codes the hook converts prices by
    int conversions;                   // 52289 calls for one filled line
    // The recalculation calls of a filled two-line document whose count drops to 1 after the call
    // `shortening`: the calls after it get the new count.
    int32_t shortening;
    std::vector<std::string> recalculations;
    // The recalculation calls of a filled two-line document whose host moves the header table's
    // current record to a fresh buffer in every lookup (the n-th buffer is traced as "#n").
    std::vector<std::string> moved_header_recalculations;
};
const LineTable kLineTables[] = {
    {*undertest::line_table(records::kRwDok),
     rw_dok::kScope,
     false,
     {extent(rw_dok::kSlotPrice)},
     {},
     0,
     52334,
     {"52333(line0)", "52333(line1)", "52334(lines, 2, Rw, 0, 0, 0)", "52335(Rw, Rw, lines, 1)"},
     // the one current after the lines
     {"52333(line0)", "52333(line1)", "52334(lines, 2, Rw#2, 0, 0, 0)",
      "52335(Rw#2, Rw#2, lines, 2)"}},
    {*undertest::line_table(records::kMrDok),
     mr_dok::kScope,
     false,
     {extent(mr_dok::kPrice)},
     {mr_dok::kPriceCode, mr_dok::kSellingCode},
     11, // the line price and ten selling prices
     51465,
     {"51465(line0, lines, 2, Mr, 0, 0, 0)", "51466(Mr, Mr, lines, 1)"},
     // the one current when the event arrived, for every line
     {"51465(line0, lines, 2, Mr, 0, 0, 0)", "51466(Mr, Mr, lines, 2)",
      "51465(line1, lines, 2, Mr, 0, 0, 0)", "51466(Mr, Mr, lines, 2)"}},
    {*undertest::line_table(records::kMmDok),
     records::mm::kScope,
     true,
     {},
     {mm_dok::kPriceCode},
     1,
     51472,
     {"51472(line0, lines, 2, Mm, 0, 0, 0)", "51473(Mm, Mm, lines, 1)"},
     {"51472(line0, lines, 2, Mm, 0, 0, 0)", "51473(Mm, Mm, lines, 2)",
      "51472(line1, lines, 2, Mm, 0, 0, 0)", "51473(Mm, Mm, lines, 2)"}},
};

void PrintTo(const LineTable& t, std::ostream* os) {
    *os << t.name;
}

class HookInstall : public HostTest {
  protected:
    // The host's own routine of each line table before anything was installed.
    std::map<int32_t, cz_handler> original() {
        std::map<int32_t, cz_handler> m;
        for (const LineTable& t : kLineTables)
            m[t.table] = h().tables.at(t.table).handler();
        return m;
    }
    void expect_host_handlers(const std::map<int32_t, cz_handler>& m) {
        for (const auto& [table, handler] : m)
            EXPECT_EQ(h().tables.at(table).handler(), handler);
    }
};

TEST_F(HookInstall, HooksAllThreeTablesAndRemovalPutsTheHostHandlersBack) {
    ASSERT_TRUE(load());
    const auto host_handlers = original();
    ASSERT_EQ(attach(), 0);
    ASSERT_EQ(start(), 0);
    for (const LineTable& t : kLineTables) {
        SCOPED_TRACE(t.name);
        EXPECT_NE(h().tables.at(t.table).handler(), host_handlers.at(t.table));
    }
    EXPECT_EQ(detach(), 0);
    expect_host_handlers(host_handlers);
    EXPECT_EQ(detach(), 0); // nothing hooked: nothing changes
    expect_host_handlers(host_handlers);
}

TEST_F(HookInstall, SecondStartRequestsNoDescriptorAndChangesNothing) {
    ASSERT_TRUE(load());
    ASSERT_EQ(attach(), 0);
    ASSERT_EQ(start(), 0);
    const auto hooked = original();
    h().trace.clear();
    ASSERT_EQ(start(), 0);
    for (const std::string& call : h().trace)
        EXPECT_NE(call.rfind("52256", 0), 0u) << call;
    expect_host_handlers(hooked);
}

TEST_F(HookInstall, MissingMrDokUnhooksRwDokAndLeavesMmDokAlone) {
    h().remove_table(records::kMrDok);
    ASSERT_TRUE(load());
    const cz_handler rw = h().tables.at(records::kRwDok).handler();
    const cz_handler mm = h().tables.at(records::kMmDok).handler();
    // Rw_dok's slot is written twice (hook, then the host handler back): watch it in between.
    std::vector<bool> rw_hooked_at_request;
    h().on_call = [&](int32_t ordinal) {
        if (ordinal == 52256)
            rw_hooked_at_request.push_back(h().tables.at(records::kRwDok).handler() != rw);
    };
    h().trace.clear();
    ASSERT_EQ(start(), 0);
    h().on_call = nullptr;
    EXPECT_EQ(h().tables.at(records::kRwDok).handler(), rw);
    EXPECT_EQ(h().tables.at(records::kMmDok).handler(), mm);
    std::vector<std::string> requested;
    for (const std::string& call : h().trace)
        if (call.rfind("52256", 0) == 0) requested.push_back(call);
    EXPECT_EQ(requested, (std::vector<std::string>{"52256(72)", "52256(80)"}));
    EXPECT_EQ(rw_hooked_at_request, (std::vector<bool>{false, true}));
}

class HookInstallSize : public HookInstall, public ::testing::WithParamInterface<int16_t> {};

TEST_P(HookInstallSize, WrongRwDokRecordSizeNeverTouchesAnyHandlerSlot) {
    h().add_table(records::kRwDok, GetParam());
    ASSERT_TRUE(load());
    const auto host_handlers = original();
    std::vector<cz_handler> seen;
    h().on_call = [&](int32_t) { seen.push_back(h().tables.at(records::kRwDok).handler()); };
    ASSERT_EQ(start(), 0);
    expect_host_handlers(host_handlers); // Mr_dok and Mm_dok were never reached either
    for (cz_handler handler : seen)
        EXPECT_EQ(handler, host_handlers.at(records::kRwDok));
}

INSTANTIATE_TEST_SUITE_P(Sizes, HookInstallSize, ::testing::Values(2124, -2125, 0, 2126));

// Each line table's hook: every event is passed on with the eleven arguments and the result.
class HookFrame : public HostTest, public ::testing::WithParamInterface<LineTable> {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ready();
    }
    // `n` lines filled with `fill`, each with key and scope `key` (the scope in the header for
    // Mm_dok) and its unpriced fields cleared, so that the hook fills it from item `key`.
    vordan::Lines fillable(size_t n, int16_t key, uint8_t fill) {
        const LineTable& t = GetParam();
        vordan::Lines lines = h().make_lines(t.table, n, fill);
        name(lines);
        for (size_t i = 0; i < n; ++i) {
            put(lines[i], t.key, key);
            put(t.scope_in_header ? h().current(t.header) : lines[i], t.lookup_scope, key);
            for (const Extent& u : t.unpriced)
                memset(lines[i] + u.offset, 0, u.width);
        }
        return lines;
    }
    // The calls of the recalculation services in the trace, in order.
    std::vector<std::string> recalculations() const {
        std::vector<std::string> calls;
        for (const std::string& call : vordan::host().trace)
            for (const char* prefix : {"5233", "5146", "5147"})
                if (call.rfind(prefix, 0) == 0) calls.push_back(call);
        return calls;
    }
};

TEST_P(HookFrame, PassesOtherEventsOnUntouchedAfterTheTwoDescriptorRequests) {
    const LineTable& t = GetParam();
    vordan::Lines lines = h().make_lines(t.table, 2, 0x5C);
    name(lines);
    const auto before = lines.records[0]->bytes();
    h().handler_result = -77;
    undertest::HandlerWords args;
    for (int32_t event : {0, 4, 6, -5, 0x105}) {
        SCOPED_TRACE(event);
        h().trace.clear();
        h().handler_calls.clear();
        EXPECT_EQ(dispatch(t.table, event, &lines.count, lines.pointers.data(), args), -77);
        EXPECT_EQ(h().trace, (std::vector<std::string>{"52256(49)",
                                                       "52256(" + std::to_string(t.header) + ")"}));
        ASSERT_EQ(h().handler_calls.size(), 1u);
        const vordan::HandlerCall& c = h().handler_calls[0];
        EXPECT_EQ(c.table, t.table);
        EXPECT_EQ(c.event, event);
        EXPECT_EQ(c.a2, args.a2);
        EXPECT_EQ(c.count, &lines.count);
        EXPECT_EQ(c.records, lines.pointers.data());
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(c.rest[i], args.rest[i]);
        EXPECT_EQ(lines.records[0]->bytes(), before);
    }
}

TEST_P(HookFrame, CtrlEPassesTheSameArgumentsOnAfterFilling) {
    const LineTable& t = GetParam();
    vordan::Lines lines = h().make_lines(t.table, 1);
    h().handler_result = 31337;
    EXPECT_EQ(ctrl_e(t.table, lines), 31337);
    ASSERT_EQ(h().handler_calls.size(), 1u);
    EXPECT_EQ(h().handler_calls[0].event, kCtrlE);
    EXPECT_EQ(h().handler_calls[0].records, lines.pointers.data());
}

TEST_P(HookFrame, SkipsZeroKeysAndTakesKeyFFFFAsMinusOne) {
    const LineTable& t = GetParam();
    vordan::Lines lines = h().make_lines(t.table, 2);
    name(lines);
    put(lines[0], t.key, 0);
    put(lines[1], t.key, int16_t(0xFFFF));
    std::vector<int32_t> keys_looked_up;
    h().on_call = [&](int32_t ordinal) {
        if (ordinal == 52412) keys_looked_up.push_back(h().lookup_key);
    };
    const auto zero_key_line = lines.records[0]->bytes();
    ctrl_e(t.table, lines);
    EXPECT_EQ(keys_looked_up, std::vector<int32_t>{-1});
    EXPECT_EQ(lines.records[0]->bytes(), zero_key_line);
}

TEST_P(HookFrame, RestoresTheLookupScopeAndKeyWhateverTheLinesSet) {
    const LineTable& t = GetParam();
    vordan::Lines lines = h().make_lines(t.table, 3);
    for (int i = 0; i < 3; ++i) {
        put(lines[i], t.key, int16_t(100 + i));
        put(t.scope_in_header ? h().current(t.header) : lines[i], t.lookup_scope, -9);
    }
    std::vector<int16_t> scopes;
    h().on_call = [&](int32_t ordinal) {
        if (ordinal == 52412) scopes.push_back(h().lookup_scope);
    };
    h().lookup_scope = 321;
    h().lookup_key = -654;
    ctrl_e(t.table, lines);
    EXPECT_EQ(scopes, (std::vector<int16_t>{-9, -9, -9}));
    EXPECT_EQ(h().lookup_scope, 321);
    EXPECT_EQ(h().lookup_key, -654);
}

TEST_P(HookFrame, FollowsACountThatChangesDuringTheLoop) {
    const LineTable& t = GetParam();
    vordan::Lines lines = h().make_lines(t.table, 4);
    for (int i = 0; i < 4; ++i)
        put(lines[i], t.key, int16_t(i + 1));
    lines.count = 2;
    int lookups = 0;
    h().on_call = [&](int32_t ordinal) {
        if (ordinal != 52412) return;
        // The first lookup grows the document to four lines, the third shrinks it to three.
        ++lookups;
        if (lookups == 1) lines.count = 4;
        if (lookups == 3) lines.count = 3;
    };
    ctrl_e(t.table, lines);
    EXPECT_EQ(lookups, 3);
}

TEST_P(HookFrame, ANegativeOrZeroCountProcessesNoLine) {
    const LineTable& t = GetParam();
    vordan::Lines lines = h().make_lines(t.table, 1);
    put(lines[0], t.key, 1);
    for (int32_t count : {0, -1, INT32_MIN}) {
        SCOPED_TRACE(count);
        lines.count = count;
        h().trace.clear();
        ctrl_e(t.table, lines);
        for (const std::string& call : h().trace)
            EXPECT_NE(call, "52412(-1, 0)");
    }
}

TEST_P(HookFrame, SkipsAHoleInTheRecordArray) {
    const LineTable& t = GetParam();
    vordan::Lines lines = h().make_lines(t.table, 2);
    put(lines[1], t.key, 1);
    lines.pointers[0] = nullptr;
    h().items.push_back({1, 0, 2.0, 1});
    int lookups = 0;
    h().on_call = [&](int32_t ordinal) { lookups += ordinal == 52412; };
    ctrl_e(t.table, lines);
    EXPECT_EQ(lookups, 1);
}

// On a document longer than the distance the hook looks ahead, it reads an entry of the record
// array ahead of the line it fills only below the count as it is then (an array exactly as long
// as the count, ending where readable memory ends: a read past it faults), and a pointer it finds
// there is not dereferenced before that line's turn: the wild entries beyond a count the host
// shrinks during the loop do no harm.
TEST_P(HookFrame, LooksAheadOnlyBelowTheCountAndThroughNoPointerBeforeItsTurn) {
    const LineTable& t = GetParam();
    struct Case {
        size_t entries;
        int32_t count, shrunk_to; // the count before the loop and after the first lookup
    };
    for (const Case c : {Case{40, 40, 40}, Case{40, 40, 8}}) {
        SCOPED_TRACE(c.shrunk_to);
        vordan::Lines lines = h().make_lines(t.table, c.entries);
        for (size_t i = 0; i < c.entries; ++i)
            put(lines[i], t.key, int16_t(i + 1));
        std::vector<uint8_t*> array(lines.pointers.begin(), lines.pointers.end());
        for (size_t i = c.shrunk_to; i < c.entries; ++i) // addresses where no record lies
            array[i] = reinterpret_cast<uint8_t*>(uintptr_t(0xDEAD0000) + i);
        int32_t count = c.count;
        int lookups = 0;
        h().on_call = [&](int32_t ordinal) {
            if (ordinal != 52412) return;
            ++lookups;
            count = c.shrunk_to;
        };
        PageEndArray at_page_end(array);
        dispatch(t.table, 5, &count, at_page_end.data());
        EXPECT_EQ(lookups, c.shrunk_to);
    }
}

TEST_P(HookFrame, WithoutK9OrHeaderTheEventGoesToTheHostUntouched) {
    const LineTable& t = GetParam();
    vordan::Lines lines = h().make_lines(t.table, 1, 0x11);
    put(lines[0], t.key, 1);
    const auto before = lines.records[0]->bytes();
    for (int32_t gone : {t.header, int32_t(records::kK9)}) {
        SCOPED_TRACE(gone);
        h().remove_table(gone);
        h().trace.clear();
        h().handler_calls.clear();
        EXPECT_EQ(ctrl_e(t.table, lines), h().handler_result);
        EXPECT_EQ(h().trace.size(), 2u); // the two descriptor requests only
        EXPECT_EQ(h().handler_calls.size(), 1u);
        EXPECT_EQ(lines.records[0]->bytes(), before);
        h().add_table(gone, records::record_size(gone));
    }
}

TEST_P(HookFrame, ChangesNoByteOutsideTheFieldsItOwns) {
    const LineTable& t = GetParam();
    // Every other byte holds 0x5A: every slot and selling level in use, every field non-zero.
    h().items.push_back({0x5A5A, 0x5A5A, 3.5, 6});
    vordan::Lines lines = fillable(1, 0x5A5A, 0x5A);
    const auto before = lines.records[0]->bytes();
    const auto header = h().tables.at(t.header).current->bytes();
    ctrl_e(t.table, lines);
    EXPECT_NE(lines.records[0]->bytes(), before); // filled
    expect_only_changed(before, lines[0], t.owned);
    EXPECT_EQ(h().tables.at(t.header).current->bytes(), header);
    EXPECT_TRUE(lines.records[0]->guard_intact());
}

TEST_P(HookFrame, RecalculationsGetTheCountAsItIsAtEachCall) {
    const LineTable& t = GetParam();
    h().items.push_back({1, 1, 10.0, 0});
    vordan::Lines lines = fillable(2, 1, 0x01);
    h().on_call = [&](int32_t ordinal) {
        if (ordinal == t.shortening) lines.count = 1;
    };
    ctrl_e(t.table, lines);
    EXPECT_EQ(recalculations(), t.recalculations);
}

// A host may make another buffer the current record of a document header while the event runs.
// The RW hook takes the header for its closing recalculations after the lines; the MR and MM
// hooks take it once, when the event arrives.
TEST_P(HookFrame, HandsOnTheHeaderRecordItsHookTakesWhenTheHostMovesIt) {
    const LineTable& t = GetParam();
    h().items.push_back({1, 1, 10.0, 0});
    vordan::Lines lines = fillable(2, 1, 0x01);
    h().habits.moves = {{t.header, 52412}};
    ctrl_e(t.table, lines);
    EXPECT_EQ(recalculations(), t.moved_header_recalculations);
    EXPECT_EQ(h().moved_away[t.header].size(), 2u);
}

// A host may list one record twice in the array. The second visit leaves it as the first did: the
// RW and MR hooks find it priced, the MM hook computes the same values again.
TEST_P(HookFrame, ARecordListedTwiceEndsAsAfterOneVisit) {
    const LineTable& t = GetParam();
    h().items.push_back({1, 1, 10.25, 4});
    vordan::Lines once = fillable(1, 1, 0x01);
    vordan::Lines twice = fillable(1, 1, 0x01);
    ctrl_e(t.table, once);
    std::vector<uint8_t*> array = {twice[0], twice[0]};
    int32_t count = 2;
    dispatch(t.table, kCtrlE, &count, array.data());
    EXPECT_EQ(twice.records[0]->bytes(), once.records[0]->bytes());
    EXPECT_NE(once.records[0]->bytes(), fillable(1, 1, 0x01).records[0]->bytes()); // filled
}

TEST_P(HookFrame, PassesCodeMinusOneToTheConversionAs65535) {
    const LineTable& t = GetParam();
    h().rates[65535] = 2.0;
    h().items.push_back({1, 1, 40.0, -1});
    vordan::Lines lines = fillable(1, 1, 0x01);
    for (Field<int16_t> code : t.codes)
        put(lines[0], code, -1);
    ctrl_e(t.table, lines);
    for (Field<int16_t> code : t.codes)
        EXPECT_EQ(get(lines[0], code), -1) << code.offset;
    int conversions = 0;
    for (const std::string& call : h().trace) {
        if (call.rfind("52289(", 0) != 0) continue;
        EXPECT_EQ(call.rfind("52289(2, 65535, ", 0), 0u) << call;
        ++conversions;
    }
    EXPECT_EQ(conversions, t.conversions);
}

INSTANTIATE_TEST_SUITE_P(LineTables, HookFrame, ::testing::ValuesIn(kLineTables),
                         [](const auto& info) {
                             std::string s = info.param.name;
                             s.erase(std::remove(s.begin(), s.end(), '_'), s.end());
                             return s;
                         });

TEST_F(HookInstall, AnEmptyHandlerSlotIsNeverCalled) {
    put(h().descriptor(records::kRwDok), records::desc::kHandler, nullptr);
    ASSERT_TRUE(load());
    ASSERT_EQ(attach(), 0);
    ASSERT_EQ(start(), 0);
    h().items.push_back({1, 0, 2.5, 3});
    vordan::Lines lines = h().make_lines(records::kRwDok, 1);
    put(lines[0], records::rw_dok::kKey, 1);
    put(lines[0], records::rw_dok::kSlotUse, 1);
    EXPECT_EQ(ctrl_e(records::kRwDok, lines), 0);
    EXPECT_EQ(get(lines[0], records::rw_dok::kSlotPrice), 2.5); // filled all the same
    EXPECT_TRUE(h().handler_calls.empty());
    EXPECT_EQ(detach(), 0);
    EXPECT_EQ(h().tables.at(records::kRwDok).handler(), nullptr); // the slot as the host had it
}

// Legal ways of a host that the default simulated host never shows, none of which may change what
// the plug-in does. Each is run against the tidy host on the same document, a document longer
// than the hook's look-ahead with lines found, not found and without a key: the plug-in must make
// the same host calls in the same order with the same arguments, leave the same bytes in every
// line and the host's lookup key and scope as they were.
struct Habit {
    const char* label;
    void (*on)(vordan::Habits&);
    bool page_end_array; // the record array ends where readable memory ends
};
const Habit kHabits[] = {
    {"LookupFoundAsMinusOne", [](vordan::Habits& m) { m.found = -1; }, false},
    {"LookupFoundAsInt32Min", [](vordan::Habits& m) { m.found = INT32_MIN; }, false},
    {"LookupFoundInHighBitsOnly", [](vordan::Habits& m) { m.found = 0x10000; }, false},
    // The tidy host's document holds the keys as this host reads them back.
    {"KeyCellReadsBackNormalised",
     [](vordan::Habits& m) {
         m.key_seen_as = {{0, 3}, {2, 0}, {-1, 1}};
     },
     false},
    {"K9RecordMovesInEveryLookup",
     [](vordan::Habits& m) {
         m.moves = {{records::kK9, 52412}};
     },
     false},
    {"RecalculationsMakeLookupsOfTheirOwn",
     [](vordan::Habits& m) {
         m.recalculations_look_up = vordan::Item{0x777, 0x77, 666.5, 66};
     },
     false},
    {"RecordArrayEndsAtUnreadableMemory", [](vordan::Habits&) {}, true},
};

void PrintTo(const Habit& habit, std::ostream* os) {
    *os << habit.label;
}

class HostHabits : public HostTest,
                   public ::testing::WithParamInterface<std::tuple<LineTable, Habit>> {
  protected:
    static constexpr size_t kLines = 20; // beyond the look-ahead of 16 lines
    static constexpr int16_t kScope = 7;

    void SetUp() override {
        HostTest::SetUp();
        ready();
        h().items = {{1, kScope, 2.5, 1}, {2, kScope, -7.75, 2}, {3, kScope, 1234.5, 3}};
    }

    struct Outcome {
        std::vector<std::string> trace;
        std::vector<std::vector<uint8_t>> lines;
        int32_t key;
        int16_t scope;
    };

    // One Ctrl-E on the document, by the host with the habit (`untidy`) or by the tidy host.
    Outcome run(bool untidy) {
        const auto& [t, habit] = GetParam();
        vordan::Habits habits;
        habit.on(habits);
        vordan::Lines lines = h().make_lines(t.table, kLines, 0x01);
        name(lines);
        for (size_t i = 0; i < kLines; ++i) {
            int32_t key = std::vector<int32_t>{1, 0, 2, 3, -1}[i % 5]; // -1 has no item
            if (auto seen = habits.key_seen_as.find(key);
                !untidy && seen != habits.key_seen_as.end())
                key = seen->second;
            put(lines[i], t.key, static_cast<int16_t>(key));
            put(t.scope_in_header ? h().current(t.header) : lines[i], t.lookup_scope, kScope);
            for (const Extent& u : t.unpriced)
                memset(lines[i] + u.offset, 0, u.width);
        }
        uint8_t** array = lines.pointers.data();
        std::unique_ptr<PageEndArray> at_page_end;
        if (untidy && habit.page_end_array) {
            at_page_end = std::make_unique<PageEndArray>(lines.pointers);
            array = at_page_end->data();
            h().names[array] = "lines";
        }
        h().habits = untidy ? habits : vordan::Habits();
        h().trace.clear();
        h().lookup_key = 4444;
        h().lookup_scope = 55;
        dispatch(t.table, kCtrlE, &lines.count, array);
        h().habits = vordan::Habits();
        Outcome o{h().trace, {}, h().lookup_key, h().lookup_scope};
        for (const auto& record : lines.records)
            o.lines.push_back(record->bytes());
        return o;
    }
};

TEST_P(HostHabits, ChangeNothingThePluginDoes) {
    const Outcome tidy = run(false);
    const Outcome untidy = run(true);
    EXPECT_EQ(untidy.trace, tidy.trace);
    // The key fields may differ: the tidy host's document holds the keys as read back.
    const std::vector<Extent> keys = {records::extent(std::get<0>(GetParam()).key)};
    for (size_t i = 0; i < kLines; ++i) {
        const std::vector<uint8_t>& want = tidy.lines[i];
        EXPECT_EQ(undertest::changed_outside(untidy.lines[i].data(), want.data(),
                                             uint32_t(want.size()), keys),
                  -1)
            << "line " << i;
    }
    EXPECT_EQ(untidy.key, tidy.key);
    EXPECT_EQ(untidy.scope, tidy.scope);
}

INSTANTIATE_TEST_SUITE_P(LineTables, HostHabits,
                         ::testing::Combine(::testing::ValuesIn(kLineTables),
                                            ::testing::ValuesIn(kHabits)),
                         [](const auto& info) {
                             std::string s = std::get<0>(info.param).name;
                             s.erase(std::remove(s.begin(), s.end(), '_'), s.end());
                             return s + "_" + std::get<1>(info.param).label;
                         });

} // namespace
