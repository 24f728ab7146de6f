// Host entry binding: the start-up binding pass, the missing-entry dialog and the answers to it,
// the fallback choice, and the first-use resolvers that carry out a call made before binding.
#include "harness.h"

#include "host/entries.h"
#include "plugin/module.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

using namespace harness;

namespace {

constexpr uint32_t kDialogStyle = 0x2012;
constexpr uint32_t kMessageLimit = 499; // the dialog's 500-byte message without its zero

// The missing-entry dialog's texts as the box shows them: Windows-1250 bytes, a blank wherever
// the message format has markup.
const std::string kCaption1250 = cp1250("POWAŻNY BŁĄD WTYCZKI");
const std::string kAdvice1250 =
    cp1250("\n\nBłąd ten można zignorować lecz dalsza praca\nprogramu w tych warunkach może być "
           "niebezpieczna.\n\nKonieczna jest aktualizacja programu!");

std::string message1250(const std::string& module, const std::string& entry) {
    return "W module  " + module + " \nbrak wpisu  " + entry + cp1250(" \nWywołano z wtyczki  ") +
           kTitle + " ." + kAdvice1250;
}

bool ends_with(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

HostEntry* entry_of(uintptr_t id) {
    for (HostEntry& e : g_host_entries)
        if (e.id == id) return &e;
    return nullptr;
}

// The identifiers looked up in the host module (or with no module), in order; the lookups of
// the plug-in's own entries that the test harness makes are left out.
std::vector<std::string> host_lookups() {
    std::vector<std::string> ids;
    for (const simloader::Lookup& l : simloader::lookups())
        if (l.module != "cenyzak.dll") ids.push_back(l.identifier);
    return ids;
}

size_t lookups_of(const std::string& id) {
    const std::vector<std::string> ids = host_lookups();
    return static_cast<size_t>(std::count(ids.begin(), ids.end(), id));
}

const std::vector<std::string> kTableOrder = {"52028", "52029", "52158", "38417", "52178", "52179",
                                              "51594", "52256", "52224", "52023", "52265", "52266",
                                              "52333", "52334", "52335", "51465", "51466", "51472",
                                              "51473", "52289", "52412"};

// The host's own routine for an ordinal (this lookup is logged like any other).
cz_proc host_routine(uintptr_t ordinal) {
    return cz_proc_address(g_module.host, reinterpret_cast<const char*>(ordinal));
}

class Binding : public HostTest {
  protected:
    bool load_without(const std::vector<int32_t>& missing, const std::vector<int32_t>& answers,
                      const char* file_name = kPluginPath, bool with_host = true) {
        h().missing = missing;
        simloader::script_answers(answers);
        return load(file_name, with_host);
    }
};

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

// ---- the binding pass at load ----

TEST_F(Binding, AHostWithEveryServiceLoadsWithoutADialogAndCallsReachIt) {
    ASSERT_TRUE(load());
    EXPECT_TRUE(simloader::boxes().empty());
    EXPECT_TRUE(h().trace.empty()) << "the pass only looks services up";
    EXPECT_EQ(host_lookups(), kTableOrder);
    for (const HostEntry& e : g_host_entries) {
        SCOPED_TRACE(e.id);
        EXPECT_EQ(e.target, host_routine(e.id));
    }
    ASSERT_EQ(attach(), 0);
    ASSERT_FALSE(h().trace.empty());
    EXPECT_EQ(h().trace.front(), "51594()");
    h().trace.clear();
    ASSERT_EQ(start(), 0);
    ASSERT_FALSE(h().trace.empty());
    EXPECT_EQ(h().trace.front(), "52256(72)");
}

// The ordinals of the table from `first` to `last`, both included, as the pass probes them.
std::vector<std::string> probes(const char* first, const char* last = "52412") {
    auto from = std::find(kTableOrder.begin(), kTableOrder.end(), first);
    auto to = std::find(kTableOrder.begin(), kTableOrder.end(), last);
    return std::vector<std::string>(from, to + 1);
}
std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct MissingCase {
    const char* label;
    std::vector<int32_t> missing; // ordinals the host module lacks
    std::vector<int32_t> answers; // one per box; a box beyond them fails (answer 0)
    bool loads;
    std::vector<std::string> boxes;   // the entry text of each box, in the order shown
    std::vector<std::string> lookups; // every lookup in the host module, in order
    const char* file_name = kPluginPath;
    bool with_host = true;
};

void PrintTo(const MissingCase& c, std::ostream* os) {
    *os << c.label;
}

// A dialog before the probe of 52158 converts its texts through 52158's first-use resolver,
// which looks 52158 up then; its probe looks it up again.
const MissingCase kMissingCases[] = {
    {"Ignore52029WithoutFallbackFails",
     {52029},
     {kIgnore},
     false,
     {"52029"},
     probes("52028", "52029") + std::vector<std::string>{"52158"}},
    {"Ignore52028GivesItsFallback",
     {52028},
     {kIgnore},
     true,
     {"52028"},
     std::vector<std::string>{"52028", "52158"} + probes("52029")},
    {"AfterIgnoreALaterServiceGetsItsFallbackWithoutABox",
     {52028, 52224},
     {kIgnore},
     true,
     {"52028"},
     std::vector<std::string>{"52028", "52158"} + probes("52029")},
    {"AfterIgnoreALaterServiceWithoutFallbackFailsWithoutABox",
     {52028, 52178},
     {kIgnore},
     false,
     {"52028"},
     std::vector<std::string>{"52028", "52158"} + probes("52029", "52178")},
    {"Ignore38417Fails", {38417}, {kIgnore}, false, {"38417"}, probes("52028", "38417")},
    {"Abort38417Fails", {38417}, {kAbort}, false, {"38417"}, probes("52028", "38417")},
    {"IgnoreTheLastEntryLoads", {52412}, {kIgnore}, true, {"52412"}, probes("52028")},
    {"AbortFailsEvenWithAFallback", {52256}, {kAbort}, false, {"52256"}, probes("52028", "52256")},
    {"AFailedBoxCountsAsAbort", {52256}, {0}, false, {"52256"}, probes("52028", "52256")},
    {"AFailedBoxAnsweringMinusOneCountsAsAbort",
     {52256},
     {-1},
     false,
     {"52256"},
     probes("52028", "52256")},
    {"AnOkAnswerCountsAsAbort", {52256}, {1}, false, {"52256"}, probes("52028", "52256")},
    {"RetryThenIgnoreLoads", {52256}, {kRetry, kIgnore}, true, {"52256", "52256"}, probes("52028")},
    {"Missing52158IsShownWithThePluginsOwnConversion",
     {52158},
     {kIgnore},
     false,
     {"52158"},
     probes("52028", "52158")},
    {"Missing52028And52158ShowTheInnerBoxFirst",
     {52028, 52158},
     {kIgnore, kIgnore},
     false,
     {"52158", "52028"},
     {"52028", "52158", "52029", "52158"}},
    {"Missing52028And52158AbortInnerIgnoreOuter",
     {52028, 52158},
     {kAbort, kIgnore},
     false,
     {"52158", "52028"},
     {"52028", "52158", "52029", "52158"}},
    {"UnknownFileNameIsShownAsNieznany",
     {52029},
     {kAbort},
     false,
     {"52029"},
     probes("52028", "52029") + std::vector<std::string>{"52158"},
     nullptr},
    {"NoHostModuleAtAll",
     {},
     {kIgnore, kIgnore},
     false,
     {"52158", "52028"},
     {"52028", "52158", "52029"},
     kPluginPath,
     false},
};

class MissingService : public Binding, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingService, TheAnswersDecideTheLoadAndEveryBoxNamesTheEntry) {
    const MissingCase& c = GetParam();
    EXPECT_EQ(load_without(c.missing, c.answers, c.file_name, c.with_host), c.loads);

    const std::string module = c.file_name ? c.file_name : "<nieznany>";
    const std::vector<simloader::Box>& boxes = simloader::boxes();
    ASSERT_EQ(boxes.size(), c.boxes.size());
    for (size_t i = 0; i < boxes.size(); ++i) {
        SCOPED_TRACE("box " + std::to_string(i) + " for " + c.boxes[i]);
        EXPECT_EQ(boxes[i].text, message1250(module, c.boxes[i]));
        EXPECT_EQ(boxes[i].caption, kCaption1250);
        EXPECT_EQ(boxes[i].style, kDialogStyle);
    }
    EXPECT_TRUE(h().messages.empty()) << "the dialog is the platform's box, not the host's";

    EXPECT_EQ(host_lookups(), c.lookups);

    // The pass itself calls no service but the text conversion, and that only while 52158 is
    // there to call.
    const bool has_52158 =
        c.with_host && std::find(c.missing.begin(), c.missing.end(), 52158) == c.missing.end();
    for (const std::string& call : h().trace)
        EXPECT_EQ(call, "52158(1, 3)");
    if (!has_52158) {
        EXPECT_TRUE(h().trace.empty());
    }

    if (!c.loads) return;
    for (int32_t i = 0; i < CZ_HOST_ENTRY_COUNT; ++i) {
        const HostEntry& e = g_host_entries[i];
        SCOPED_TRACE(e.id);
        const bool missing = std::find(c.missing.begin(), c.missing.end(),
                                       static_cast<int32_t>(e.id)) != c.missing.end();
        EXPECT_NE(e.target, nullptr);
        // A missing service runs on its own fallback routine, of the service's own type.
        EXPECT_EQ(e.target, missing ? fallback_routine(i) : host_routine(e.id));
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, MissingService, ::testing::ValuesIn(kMissingCases),
                         [](const ::testing::TestParamInfo<MissingCase>& info) {
                             return std::string(info.param.label);
                         });

TEST_F(Binding, TheModulePathIsShownAsThePlatformGaveIt) {
    // The platform gives the path in Windows-1250. The box must show those very bytes, whether the
    // host converts the message (52158) or, with 52158 itself missing, the plug-in does: Polish
    // letters and the bytes that are no letter in Windows-1250 but one in Mazovia alike.
    std::string every_high_byte = "C:\\";
    for (int b = 0x80; b <= 0xFF; ++b)
        every_high_byte += static_cast<char>(b);
    every_high_byte += "\\cenyzak.dll";
    const struct {
        const char* label;
        std::string path;
    } cases[] = {
        {"Polish letters: C:\\Księgowość\\ĄĆĘŁŃÓŚŹŻ ąćęłńóśźż\\",
         "C:\\Ksi\xEA"
         "gowo\x9C\xE6\\\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF \xB9\xE6\xEA\xB3\xF1"
         "\xF3\x9C\x9F\xBF\\cenyzak.dll"},
        {"bytes of Mazovia letters: C:\\Firma’s §1 ž\\", "C:\\Firma\x92s \xA7"
                                                         "1 \x9E\\cenyzak.dll"},
        {"every byte from 0x80 to 0xFF", every_high_byte},
        {"ASCII", "D:\\Vordan 2\\Wtyczki\\cenyzak.dll"},
    };
    for (const auto& c : cases)
        for (int32_t missing : {52029, 52158}) {
            SCOPED_TRACE(std::string(c.label) + ", " + std::to_string(missing) + " missing");
            simloader::reset();
            vordan::reset();
            EXPECT_FALSE(load_without({missing}, {kAbort}, c.path.c_str()));
            ASSERT_EQ(simloader::boxes().size(), 1u);
            EXPECT_EQ(simloader::boxes()[0].text, message1250(c.path, std::to_string(missing)));
            EXPECT_EQ(simloader::boxes()[0].caption, kCaption1250);
        }
}

TEST_F(Binding, RetryShowsTheSameBoxWithoutANewLookup) {
    EXPECT_FALSE(load_without({52029}, {kRetry, kRetry, kRetry, kAbort}));
    ASSERT_EQ(simloader::boxes().size(), 4u);
    for (const simloader::Box& box : simloader::boxes()) {
        EXPECT_EQ(box.text, message1250(kPluginPath, "52029"));
        EXPECT_EQ(box.caption, kCaption1250);
        EXPECT_EQ(box.style, kDialogStyle);
    }
    // 52029 once; 52158 by the first conversion of the dialog's texts; no probe after 52029.
    EXPECT_EQ(host_lookups(), (std::vector<std::string>{"52028", "52029", "52158"}));
    // The texts are converted once, before the first box.
    EXPECT_EQ(h().trace, std::vector<std::string>(2, "52158(1, 3)"));
}

TEST_F(Binding, TheDialogsCallOfTheTextConversionIsForwardedByItsResolver) {
    // The dialog for 52028 runs before the probe of 52158: its first conversion reaches 52158
    // through the entry's first-use resolver, its second one the bound entry.
    ASSERT_TRUE(load_without({52028}, {kIgnore}));
    EXPECT_EQ(h().trace, std::vector<std::string>(2, "52158(1, 3)"));
    const std::vector<std::string> lookups = host_lookups();
    ASSERT_GE(lookups.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lookups.begin(), lookups.begin() + 4),
              (std::vector<std::string>{"52028", "52158", "52029", "52158"}));
    ASSERT_EQ(simloader::boxes().size(), 1u);
    EXPECT_EQ(simloader::boxes()[0].text, message1250(kPluginPath, "52028"));
    EXPECT_EQ(simloader::boxes()[0].caption, kCaption1250);
}

TEST_F(Binding, TheIgnoreAllFlagAnswersLaterDialogsWithoutABox) {
    ASSERT_TRUE(load_without({52028}, {kIgnore}));
    ASSERT_EQ(simloader::boxes().size(), 1u);
    EXPECT_EQ(missing_entry_dialog(52029), 1);
    EXPECT_EQ(missing_entry_dialog(reinterpret_cast<uintptr_t>("_Anything@4")), 1);
    EXPECT_EQ(simloader::boxes().size(), 1u);
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

// ---- texts that do not fit ----

// A path of exactly `n` characters that ends with the plug-in's file name; every directory name
// is different, so that any part of the path shows where it came from.
std::string long_path(size_t n) {
    std::string path = "C:";
    for (int i = 0; path.size() < n; ++i)
        path += "\\d" + std::to_string(i);
    const std::string file = "\\cenyzak.dll";
    return path.substr(0, n - file.size()) + file;
}

struct LongCase {
    const char* label;
    size_t path_length;
    size_t name_length; // 0: the entry is the ordinal 52029
};

void PrintTo(const LongCase& c, std::ostream* os) {
    *os << c.label;
}

const LongCase kLongCases[] = {
    {"PathThatJustFits", 256, 0},           {"PathOneTooLong", 257, 0},
    {"LongestPathAndLongestName", 299, 99}, {"LongestPathAndTooLongName", 299, 150},
    {"ShortPathAndTooLongName", 40, 150},
};

class DialogText : public Binding, public ::testing::WithParamInterface<LongCase> {};

TEST_P(DialogText, StaysWithinItsBufferAndKeepsThePathsEndAndTheAdvice) {
    const LongCase& c = GetParam();
    const std::string path = long_path(c.path_length);
    ASSERT_EQ(path.size(), c.path_length);
    ASSERT_TRUE(load(path.c_str()));

    std::string name;
    for (size_t i = 0; i < c.name_length; ++i)
        name += static_cast<char>('a' + i % 26);
    uintptr_t id = 52029;
    if (c.name_length) {
        id = reinterpret_cast<uintptr_t>(name.c_str());
        ASSERT_GE(id, 65536u) << "a name's address must not pass for an ordinal";
    }
    simloader::script_answers({kAbort});
    EXPECT_EQ(missing_entry_dialog(id), 0);
    ASSERT_EQ(simloader::boxes().size(), 1u);
    const std::string& text = simloader::boxes()[0].text;

    EXPECT_LE(text.size(), kMessageLimit);
    EXPECT_TRUE(ends_with(text, kAdvice1250));
    const std::string entry = c.name_length ? name.substr(0, 99) : "52029";
    const std::string middle = " \nbrak wpisu  " + entry + cp1250(" \nWywoł");
    const size_t at = text.find(middle);
    ASSERT_NE(at, std::string::npos) << text;
    ASSERT_EQ(text.rfind("W module  ", 0), 0u);
    const std::string module = text.substr(10, at - 10);
    if (path.size() + entry.size() <= 261) {
        EXPECT_EQ(module, path);
    } else {
        // The start of the path gives way to "..."; the end, with the file name, stays, and the
        // message uses all of its room.
        ASSERT_EQ(module.rfind("...", 0), 0u) << module;
        EXPECT_TRUE(ends_with(path, module.substr(3))) << module;
        EXPECT_EQ(text.size(), kMessageLimit);
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, DialogText, ::testing::ValuesIn(kLongCases),
                         [](const ::testing::TestParamInfo<LongCase>& info) {
                             return std::string(info.param.label);
                         });

// ---- first-use resolvers ----

// The plug-in's module is in the process and its state is recorded, but the start-up binding
// pass has not run: every entry is still at its first-use resolver.
class FirstUseResolver : public HostTest {
  protected:
    void unbound(const std::vector<int32_t>& missing = {}) {
        h().missing = missing;
        vordan::register_module();
        attach_routine(simloader::add_module(&cenyzak_image, kPluginPath), 1, nullptr);
    }
};

// A waiting call that went through its resolver again and again would show box after box
// without end and fill the memory; every dialog converts its texts, so a count of the
// conversions stops such a test instead.
void stop_after_many_conversions(int32_t ordinal) {
    static int conversions = 0;
    if (ordinal == 52158 && ++conversions > 100) {
        fprintf(stderr, "the dialog keeps coming back\n");
        abort();
    }
}

TEST_F(FirstUseResolver, CarriesTheWaitingCallOutWithItsArgumentsAndResult) {
    unbound();
    h().rates[7] = 1.5;
    vordan::Lines lines = h().make_lines(records::kMrDok, 2);
    name(lines);
    uint8_t* header = h().current(records::kMr);
    struct Case {
        uintptr_t ordinal;
        std::function<void()> call; // calls twice: through the resolver, then bound
        std::string traced;
    } cases[] = {
        {52179,
         [] {
             for (int i = 0; i < 2; ++i)
                 EXPECT_EQ(HOST(RoundAmount)(2.375, 100), 238.0 / 100);
         },
         "52179(2.375, 100)"},
        {52178,
         [] {
             for (int i = 0; i < 2; ++i)
                 EXPECT_EQ(HOST(RoundToWhole)(-7.5, 1), -8);
         },
         "52178(-7.5, 1)"},
        {52289,
         [] {
             for (int i = 0; i < 2; ++i)
                 EXPECT_EQ(HOST(ConvertPrice)(2, 7, 10.25), 15.375);
         },
         "52289(2, 7, 10.25)"},
        {52029,
         [this] {
             for (int i = 0; i < 2; ++i) {
                 HOST(ShowFormattedMessage)("cap", "%s/%d/%s", 3, "ab", -9, "cd");
                 ASSERT_FALSE(h().messages.empty());
                 EXPECT_EQ(h().messages.back().text, "ab/-9/cd");
                 EXPECT_EQ(h().messages.back().caption, "cap");
             }
         },
         "52029(3)"},
        {51465,
         [&] {
             for (int i = 0; i < 2; ++i)
                 HOST(MrLineRecalc)(lines[1], lines.pointers.data(), 2, header, 4, 5, 6);
         },
         "51465(line1, lines, 2, Mr, 4, 5, 6)"},
        {52256,
         [this] {
             for (int i = 0; i < 2; ++i)
                 EXPECT_EQ(HOST(TableDescriptor)(72), h().descriptor(72));
         },
         "52256(72)"},
        {52266,
         [this] {
             for (int i = 0; i < 2; ++i)
                 EXPECT_EQ(HOST(LookupKey)(), &h().lookup_key);
         },
         "52266()"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.ordinal);
        HostEntry* entry = entry_of(c.ordinal);
        ASSERT_NE(entry, nullptr);
        const cz_proc resolver = entry->target;
        h().trace.clear();
        c.call();
        EXPECT_EQ(h().trace, std::vector<std::string>(2, c.traced));
        EXPECT_EQ(lookups_of(std::to_string(c.ordinal)), 1u) << "only the first call binds";
        EXPECT_NE(entry->target, resolver);
        EXPECT_EQ(entry->target, host_routine(c.ordinal));
    }
    EXPECT_TRUE(simloader::boxes().empty());
}

TEST_F(FirstUseResolver, AWaitingCallWhoseEntryStaysEmptyGetsZeroOfItsResultType) {
    unbound({52179, 52178, 52256, 52029});
    h().on_call = stop_after_many_conversions;
    simloader::script_answers({kAbort, kAbort, kAbort, kAbort});
    EXPECT_EQ(HOST(RoundAmount)(2.375, 100), 0.0);
    EXPECT_EQ(HOST(RoundToWhole)(-7.5, 1), 0);
    EXPECT_EQ(HOST(TableDescriptor)(72), nullptr);
    EXPECT_EQ(HOST(ShowFormattedMessage)("cap", "%s", 0, "x"), 0);
    EXPECT_EQ(simloader::boxes().size(), 4u);
    EXPECT_TRUE(h().messages.empty());
    for (uintptr_t ordinal : {52179, 52178, 52256, 52029})
        EXPECT_TRUE(entry_of(ordinal)->target == nullptr) << ordinal;
    // A double that the empty call left behind on the floating-point stack would spoil this.
    EXPECT_EQ(HOST(ConvertPrice)(2, 7, 10.25), 10.25);
}

// Whether the routine runs on a stack aligned as the platform's calling convention promises
// (16 bytes on Linux, i386 included): a local of that alignment shows it.
__attribute__((noinline)) bool stack_is_aligned() {
    alignas(16) char probe[16];
    uintptr_t address = reinterpret_cast<uintptr_t>(probe);
    asm volatile("" : "+r"(address)); // the compiler takes the alignment for granted: look
    return (address & 15) == 0;
}

TEST_F(FirstUseResolver, ResolvesOnAStackAlignedForTheRoutinesItCalls) {
    ASSERT_TRUE(stack_is_aligned());
    // The dialog of a waiting call runs inside the resolution, and its text conversion reaches
    // the host: the host's routine looks at the stack from there.
    unbound({52179});
    int calls = 0;
    bool aligned = true;
    h().on_call = [&](int32_t ordinal) {
        ++calls;
        aligned = aligned && stack_is_aligned();
        stop_after_many_conversions(ordinal);
    };
    simloader::script_answers({kAbort});
    HOST(RoundAmount)(2.375, 100);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(aligned);
}

} // namespace
