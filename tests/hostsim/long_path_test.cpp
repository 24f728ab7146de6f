// The plug-in installed under a long path (scenarios/long-path.json): 299 characters, the longest
// file name the plug-in takes whole, and beyond the 259 that LoadLibraryA accepts, so that
// hostsim.exe loads it by its \\?\ path under Wine. The native run is the reference the Wine run
// (scripts/wine-e2e.sh) is compared with.
#include "hostsim/hostsim.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(LongInstallPath, DialogKeepsThePathsEndAndTheReportNamesTheFile) {
    const std::string scenario = std::string(CZ_SOURCE_DIR) + "/scenarios/long-path.json";
    const std::string text = slurp(scenario);
    const size_t key = text.find("\"plugin_file\": \"");
    ASSERT_NE(key, std::string::npos);
    const size_t from = key + 16;
    std::string path = text.substr(from, text.find('"', from) - from);
    for (size_t at = path.find("\\\\"); at != std::string::npos; at = path.find("\\\\", at + 1))
        path.erase(at, 1);
    ASSERT_EQ(path.size(), 299u) << "the scenario's path is no longer the longest taken whole";

    std::string args[] = {"hostsim", scenario};
    char* argv[] = {args[0].data(), args[1].data()};
    testing::internal::CaptureStdout();
    const int status = hostsim::main(2, argv);
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_EQ(status, 0);
    EXPECT_EQ(out, slurp(std::string(CZ_SOURCE_DIR) + "/tests/hostsim/expected/long-path.txt"));
}

} // namespace
