// The installation notice that entry 30008 with flag 0 shows after the hook installation, and the
// notice flag that the host keeps as the setting Pytaj in section VUZivo.
#include "harness.h"

#include <optional>

using namespace harness;

namespace {

const std::string kSetting = undertest::kNoticeSetting;
const std::string kRead = "52224(1, VUZivo, Pytaj, %d)";
const std::string kShow = "52023(1194, 0, 0)";
const std::string kWrite = "52224(2, VUZivo, Pytaj, %d)";

class InstallationNotice : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ready(); // the hooks are in: every further start runs only the notice
    }

    // The setting as the host keeps it, if it does.
    std::optional<int32_t> setting() const {
        auto it = vordan::host().settings.find(kSetting);
        if (it == vordan::host().settings.end()) return std::nullopt;
        return it->second;
    }

    // The notice's calls among everything a start traced.
    std::vector<std::string> notice_trace() const {
        std::vector<std::string> calls;
        for (const std::string& call : vordan::host().trace)
            if (call.rfind("52224(", 0) == 0 || call.rfind("52023(", 0) == 0) calls.push_back(call);
        return calls;
    }
};

TEST_F(InstallationNotice, FollowsTheStoredFlag) {
    struct Case {
        const char* label;
        std::optional<int32_t> stored;
        int32_t read_result;         // non-zero low 16 bits: the read fails
        std::optional<int16_t> user; // what the user leaves in the flag
        bool shown;
        std::optional<int32_t> after; // the setting afterwards
    } cases[] = {
        {"no setting", std::nullopt, 0, std::nullopt, true, 0},
        {"no setting, user sets the flag", std::nullopt, 0, 1, true, 1},
        {"stored 0", 0, 0, std::nullopt, true, 0},
        {"stored 1", 1, 0, std::nullopt, false, 1},
        {"stored -1", -1, 0, std::nullopt, false, -1},
        {"stored 65536: low bits 0", 65536, 0, std::nullopt, true, 0},
        {"stored 65536, user sets -1", 65536, 0, -1, true, -1},
        {"stored 65537: low bits 1", 65537, 0, std::nullopt, false, 65537},
        {"read fails although it stored 1", 1, 0x0001, std::nullopt, true, 0},
        {"read fails, user sets the flag", 1, 0x7FFF0002, 5, true, 5},
        {"read succeeds with high bits in its result", 1, 0x10000, std::nullopt, false, 1},
    };
    h().failed_read_stores = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        h().settings.clear();
        if (c.stored) h().settings[kSetting] = *c.stored;
        h().setting_read_result = c.read_result;
        h().notice_flag_set = c.user;
        h().trace.clear();
        h().messages.clear();

        EXPECT_EQ(start(0), 0);

        const std::vector<std::string> expected =
            c.shown ? std::vector<std::string>{kRead, kShow, kWrite}
                    : std::vector<std::string>{kRead};
        EXPECT_EQ(notice_trace(), expected);
        EXPECT_EQ(h().messages.size(), c.shown ? 1u : 0u);
        EXPECT_EQ(setting(), c.after);
    }
}

TEST_F(InstallationNotice, ShowsTheTitleInItsMessage) {
    EXPECT_EQ(start(0), 0);
    ASSERT_EQ(h().messages.size(), 1u);
    const vordan::Message& m = h().messages[0];
    EXPECT_EQ(m.ordinal, 52023);
    EXPECT_EQ(m.flags, 1194); // the notice number
    EXPECT_EQ(
        m.text,
        mazovia("Zainstalowano wtyczkę: Wypelnienie RW, MM wew. i MM wys. cenami zakupu (Ctrl-E)"));
}

TEST_F(InstallationNotice, IsNotShownAgainOnceTheUserSetsTheFlag) {
    // ready() showed it once and the user left the flag clear: it comes again.
    EXPECT_EQ(start(0), 0);
    EXPECT_EQ(h().messages.size(), 1u);
    EXPECT_EQ(setting(), 0);
    h().notice_flag_set = 1;
    EXPECT_EQ(start(0), 0);
    EXPECT_EQ(h().messages.size(), 2u);
    EXPECT_EQ(setting(), 1);
    h().trace.clear();
    EXPECT_EQ(start(0), 0);
    EXPECT_EQ(h().messages.size(), 2u);
    EXPECT_EQ(notice_trace(), std::vector<std::string>{kRead});
}

} // namespace
