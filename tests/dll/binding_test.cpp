// Host entry binding: the start-up binding pass, the missing-entry dialog and the answers to it.
#include "binding.h"

using namespace binding;

namespace {

TEST_F(Binding, AHostWithEveryServiceLoadsWithoutADialogAndCallsReachIt) {
    ASSERT_TRUE(load());
    EXPECT_TRUE(loader::boxes().empty());
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
    const std::vector<loader::Box>& boxes = loader::boxes();
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
            loader::reset();
            vordan::reset();
            EXPECT_FALSE(load_without({missing}, {kAbort}, c.path.c_str()));
            ASSERT_EQ(loader::boxes().size(), 1u);
            EXPECT_EQ(loader::boxes()[0].text, message1250(c.path, std::to_string(missing)));
            EXPECT_EQ(loader::boxes()[0].caption, kCaption1250);
        }
}

TEST_F(Binding, RetryShowsTheSameBoxWithoutANewLookup) {
    EXPECT_FALSE(load_without({52029}, {kRetry, kRetry, kRetry, kAbort}));
    ASSERT_EQ(loader::boxes().size(), 4u);
    for (const loader::Box& box : loader::boxes()) {
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
    ASSERT_EQ(loader::boxes().size(), 1u);
    EXPECT_EQ(loader::boxes()[0].text, message1250(kPluginPath, "52028"));
    EXPECT_EQ(loader::boxes()[0].caption, kCaption1250);
}

TEST_F(Binding, TheIgnoreAllFlagAnswersLaterDialogsWithoutABox) {
    ASSERT_TRUE(load_without({52028}, {kIgnore}));
    ASSERT_EQ(loader::boxes().size(), 1u);
    EXPECT_EQ(missing_entry_dialog(52029), 1);
    EXPECT_EQ(missing_entry_dialog(reinterpret_cast<uintptr_t>("_Anything@4")), 1);
    EXPECT_EQ(loader::boxes().size(), 1u);
}

} // namespace
