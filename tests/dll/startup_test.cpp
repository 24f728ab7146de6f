// Module start-up through the simulated loader, and the entries 30001, 30008 and 30009 in the
// order of calls the host makes.
#include "harness.h"
#include "undertest/lines.h"

#include <algorithm>
#include <cstring>
#include <map>

using namespace harness;

namespace {

// A module of the process other than the plug-in, for notifications about it.
const cz_sim_image kOtherImage = {"inny.dll", nullptr, 0, nullptr};

class PluginTest : public HostTest {
  protected:
    // The routine in every table's handler slot, by table number.
    std::map<int32_t, cz_handler> handlers() {
        std::map<int32_t, cz_handler> slots;
        for (auto& [number, table] : h().tables)
            slots[number] = table.handler();
        return slots;
    }

    // The plug-in file name as the mismatch report's closing shows it (refuses the attach first
    // by removing k9, so that the report is the size table).
    std::string shown_file_name() {
        h().remove_table(records::kK9);
        EXPECT_EQ(attach(), -1);
        h().messages.clear();
        EXPECT_EQ(start(1), 0);
        if (h().messages.size() != 1) {
            ADD_FAILURE() << "no report";
            return "";
        }
        const std::string& text = h().messages[0].text;
        const std::string tail = mazovia("\x01\nNIE zostanie załadowany!");
        const size_t open = text.rfind('\x02');
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
        if (open == std::string::npos || text.size() < open + 1 + tail.size()) return "";
        return text.substr(open + 1, text.size() - tail.size() - open - 1);
    }
};

using StartRoutine = PluginTest;

TEST_F(StartRoutine, DoesNothingForReasonsOtherThanProcessAttach) {
    cz_module other = loader::add_module(&kOtherImage, "C:\\Inne\\inny.dll");
    {
        SCOPED_TRACE("no VORDAN in the process: a binding pass would raise the dialog");
        for (uint32_t reason : {0u, 2u, 3u}) {
            SCOPED_TRACE(reason);
            EXPECT_EQ(cenyzak_image.start(other, reason, nullptr), 1);
        }
        EXPECT_TRUE(loader::boxes().empty());
    }
    ASSERT_TRUE(load());
    h().trace.clear();
    for (uint32_t reason : {0u, 2u, 3u}) {
        SCOPED_TRACE(reason);
        EXPECT_EQ(cenyzak_image.start(other, reason, nullptr), 1);
    }
    EXPECT_TRUE(h().trace.empty());
    EXPECT_TRUE(loader::boxes().empty());
    // The module state is still the plug-in's own, not the other module's.
    EXPECT_EQ(shown_file_name(), "cenyzak.dll");
}

TEST_F(StartRoutine, UnloadCallsNothing) {
    ASSERT_TRUE(load());
    h().trace.clear();
    loader::free_library(module());
    EXPECT_TRUE(h().trace.empty());
    EXPECT_TRUE(loader::boxes().empty());
}

TEST_F(StartRoutine, FailsTheLoadInAProcessWithoutTheHostModule) {
    loader::script_answers({}, kAbort);
    EXPECT_FALSE(load(kPluginPath, /*with_host=*/false));
    ASSERT_FALSE(loader::boxes().empty());
    for (const loader::Box& box : loader::boxes())
        EXPECT_EQ(box.style, kDialogStyle);
    // The dialog that fails the load is the one for the first service in the table.
    EXPECT_NE(loader::boxes().back().text.find("52028"), std::string::npos);
    EXPECT_TRUE(h().trace.empty());
}

// Whether Windows ends the cut name with a zero (since Vista) or not (Windows XP).
class StartRoutineOn : public PluginTest, public ::testing::WithParamInterface<bool> {};

TEST_P(StartRoutineOn, CutsALongFileNameToTheLimitWithItsZero) {
    loader::cut_names_unterminated(GetParam());
    const std::string dir = "C:\\Wtyczki\\";
    ASSERT_TRUE(load((dir + std::string(400, 'n')).c_str()));
    // 299 bytes of the path survive, its zero is the 300th.
    EXPECT_EQ(shown_file_name(), std::string(299 - dir.size(), 'n'));
}

INSTANTIATE_TEST_SUITE_P(Windows, StartRoutineOn, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "WindowsXp" : "LaterWindows");
});

TEST_F(StartRoutine, LeavesTheFileNameEmptyWhenItCannotBeHad) {
    ASSERT_TRUE(load(nullptr));
    EXPECT_EQ(shown_file_name(), "");
}

using TitleCopy = PluginTest;

TEST_F(TitleCopy, WritesTheTitleAndItsZeroAndNothingMore) {
    ASSERT_TRUE(load());
    struct Case {
        const char* label;
        int32_t version;
        int32_t result;
    } cases[] = {{"accepted", 112, 0}, {"refused", 111, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        h().version = c.version;
        char buffer[80];
        memset(buffer, 0x5A, sizeof buffer);
        EXPECT_EQ(attach(buffer), c.result);
        EXPECT_EQ(std::string(buffer, 57), std::string(kTitle) + '\0');
        for (size_t i = 57; i < sizeof buffer; ++i)
            ASSERT_EQ(buffer[i], 0x5A) << "byte " << i;
    }
}

using Entry30001 = PluginTest;

TEST_F(Entry30001, AttachWithoutATitleBufferStillRunsTheCheck) {
    ASSERT_TRUE(load());
    EXPECT_EQ(attach(nullptr), 0);
    h().remove_table(records::kMm);
    h().trace.clear();
    EXPECT_EQ(attach(nullptr), -1);
    ASSERT_FALSE(h().trace.empty());
    EXPECT_EQ(h().trace.front(), "51594()");
}

TEST_F(Entry30001, DetachNeverWritesItsSecondArgument) {
    ASSERT_TRUE(load());
    const auto host_handlers = handlers();
    char buffer[80];
    memset(buffer, 0x5A, sizeof buffer);
    {
        SCOPED_TRACE("nothing installed");
        EXPECT_EQ(detach(buffer), 0);
        EXPECT_EQ(handlers(), host_handlers);
    }
    ASSERT_EQ(attach(), 0);
    ASSERT_EQ(start(), 0);
    h().trace.clear();
    {
        SCOPED_TRACE("hooks installed");
        EXPECT_EQ(detach(buffer), 0);
        EXPECT_EQ(handlers(), host_handlers);
        EXPECT_TRUE(h().trace.empty());
    }
    for (size_t i = 0; i < sizeof buffer; ++i)
        ASSERT_EQ(buffer[i], 0x5A) << "byte " << i;
}

using Entry30009 = PluginTest;

TEST_F(Entry30009, ReturnsZeroAndChangesNothingAtAnyPoint) {
    ASSERT_TRUE(load());
    auto check = [&](const char* when) {
        SCOPED_TRACE(when);
        const std::vector<std::string> trace = h().trace;
        const size_t messages = h().messages.size();
        const auto slots = handlers();
        EXPECT_EQ(entry_30009(), 0);
        EXPECT_EQ(h().trace, trace);
        EXPECT_EQ(h().messages.size(), messages);
        EXPECT_EQ(handlers(), slots);
    };
    check("before attach");
    ASSERT_EQ(attach(), 0);
    check("after attach");
    ASSERT_EQ(start(), 0);
    check("after start");
    ASSERT_EQ(detach(), 0);
    check("after detach");
}

using Lifecycle = PluginTest;

TEST_F(Lifecycle, RunsFromAttachToDetachAndGivesEveryTableItsHandlerBack) {
    ASSERT_TRUE(load());
    const auto host_handlers = handlers();
    char title[57];
    EXPECT_EQ(attach(title), 0);
    EXPECT_STREQ(title, kTitle);
    EXPECT_EQ(start(), 0);
    const auto running = handlers();
    for (auto& [number, handler] : running) {
        SCOPED_TRACE(number);
        const bool line_table = undertest::line_table(number) != nullptr;
        EXPECT_EQ(handler != host_handlers.at(number), line_table);
    }
    // A Ctrl-E on an RW document reaches the host's handler through the hook.
    vordan::Lines lines = h().make_lines(records::kRwDok, 0);
    EXPECT_EQ(ctrl_e(records::kRwDok, lines), h().handler_result);
    ASSERT_EQ(h().handler_calls.size(), 1u);
    EXPECT_EQ(h().handler_calls[0].table, records::kRwDok);
    EXPECT_EQ(h().handler_calls[0].event, kCtrlE);

    EXPECT_EQ(detach(), 0);
    EXPECT_EQ(handlers(), host_handlers);
}

TEST_F(Lifecycle, SecondStartRequestsNoDescriptorAndShowsTheNoticeAgain) {
    ready();
    const auto hooked = handlers();
    EXPECT_EQ(start(), 0);
    const std::vector<std::string> expected = {"52224(1, VUZivo, Pytaj, %d)", "52023(1194, 0, 0)",
                                               "52224(2, VUZivo, Pytaj, %d)"};
    EXPECT_EQ(h().trace, expected);
    ASSERT_EQ(h().messages.size(), 1u);
    EXPECT_EQ(h().messages[0].ordinal, 52023);
    EXPECT_EQ(handlers(), hooked);
}

TEST_F(Lifecycle, FailedInstallationUnhooksEverythingAndStillShowsTheNotice) {
    ASSERT_TRUE(load());
    ASSERT_EQ(attach(), 0);
    h().remove_table(records::kMrDok);
    const auto host_handlers = handlers();
    bool rw_hooked_meanwhile = false;
    h().on_call = [&](int32_t ordinal) {
        if (ordinal == 52256 && h().trace.back() == "52256(80)")
            rw_hooked_meanwhile =
                h().tables.at(records::kRwDok).handler() != host_handlers.at(records::kRwDok);
    };
    h().trace.clear();
    EXPECT_EQ(start(), 0);
    h().on_call = nullptr;
    // Rw_dok is hooked, Mr_dok fails, Mm_dok is never asked for; the notice follows.
    const std::vector<std::string> expected = {"52256(72)", "52256(80)",
                                               "52224(1, VUZivo, Pytaj, %d)", "52023(1194, 0, 0)",
                                               "52224(2, VUZivo, Pytaj, %d)"};
    EXPECT_EQ(h().trace, expected);
    EXPECT_TRUE(rw_hooked_meanwhile);
    EXPECT_EQ(handlers(), host_handlers);
    ASSERT_EQ(h().messages.size(), 1u);
    EXPECT_EQ(h().messages[0].ordinal, 52023);
    // The failed table is listed for a report.
    h().messages.clear();
    EXPECT_EQ(start(1), 0);
    ASSERT_EQ(h().messages.size(), 1u);
    EXPECT_NE(h().messages[0].text.find("\x01"
                                        "tp25p40\x01"
                                        "Mr_dok\t1034\tbrak\n"),
              std::string::npos);
}

} // namespace
