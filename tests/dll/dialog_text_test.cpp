// The missing-entry dialog's texts for plug-in paths and entry names too long for its buffers.
#include "binding.h"

using namespace binding;

namespace {

constexpr uint32_t kMessageLimit = 499; // the dialog's 500-byte message without its zero

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
    loader::script_answers({kAbort});
    EXPECT_EQ(missing_entry_dialog(id), 0);
    ASSERT_EQ(loader::boxes().size(), 1u);
    const std::string& text = loader::boxes()[0].text;

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

} // namespace
