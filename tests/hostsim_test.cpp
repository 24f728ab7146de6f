// hostsim over the scenarios in scenarios/: each report against its reviewed expected file, and
// the errors a person gets for a bad scenario file.
#include "sim/hostsim.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

std::string source(const std::string& relative) {
    return std::string(CZ_SOURCE_DIR) + "/" + relative;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs hostsim's command line and returns its exit status, standard output and error output.
struct Result {
    int status;
    std::string out, err;
};
Result run_main(std::vector<std::string> args) {
    args.insert(args.begin(), "hostsim");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = hostsim::main(int(argv.size()), argv.data());
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    return {status, out, err};
}

class Scenario : public ::testing::TestWithParam<const char*> {};

TEST_P(Scenario, PrintsTheReviewedReport) {
    const std::string name = GetParam();
    const Result r = run_main({source("scenarios/" + name + ".json")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, slurp(source("tests/expected/" + name + ".txt")));
}

INSTANTIATE_TEST_SUITE_P(Files, Scenario,
                         ::testing::Values("sample", "version-mismatch", "record-sizes",
                                           "missing-service-ignore", "missing-service-abort",
                                           "notice-off", "price-codes", "events"),
                         [](const auto& info) {
                             std::string s = info.param;
                             for (char& c : s)
                                 if (c == '-') c = '_';
                             return s;
                         });

TEST(Hostsim, WithoutArgumentsRunsTheBundledSample) {
    const Result r = run_main({});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, slurp(source("tests/expected/sample.txt")));
}

TEST(Hostsim, JsonPrintsTheSameRunForTools) {
    const Result r = run_main({"--json", source("scenarios/sample.json")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, slurp(source("tests/expected/sample.json.out")));
}

// A bad scenario file: status 2, a message naming the file, the place and the fault, no report.
TEST(Hostsim, RejectsBadScenariosSayingWhereAndWhy) {
    struct Case {
        const char* label;
        const char* text;
        const char* message; // expected after "hostsim: FILE"
    } cases[] = {
        {"syntax error", "{\n  \"documents\": [\n    {\"kind\": \"RW\",, }\n  ]\n}\n",
         ":3:19: parse error"},
        {"unknown field", "{\"documents\": [], \"colour\": 1}",
         ": colour: unknown field (known here: description, host, notice, price_codes, items, "
         "documents)"},
        {"wrong type", R"({"documents": [{"kind": "RW", "lines": [{"key": "101"}]}]})",
         ": documents[0].lines[0].key: expected a whole number, got \"101\""},
        {"missing documents", R"({"items": []})",
         ": (top level): missing field \"documents\" (a list of RW, MR and MM documents)"},
        {"key out of range", R"({"documents": [{"kind": "MM", "lines": [{"key": 40000}]}]})",
         ": documents[0].lines[0].key: must lie between -32768 and 32767, got 40000"},
        {"too many decimals",
         R"({"documents": [{"kind": "RW", "lines": [{"key": 1, "quantity": 1.0005}]}]})",
         ": documents[0].lines[0].quantity: at most three decimals, got 1.0005"},
        {"field of another kind",
         R"({"documents": [{"kind": "RW", "method": "margin", "lines": []}]})",
         ": documents[0].method: only MR documents have a pricing method"},
        {"unknown answer",
         R"({"host": {"dialog_answers": ["maybe"]}, "documents": [{"kind": "RW", "lines": []}]})",
         ": host.dialog_answers[0]: expected \"abort\", \"retry\", \"ignore\" or \"no box\", got "
         "\"maybe\""},
    };
    const std::string path = testing::TempDir() + "bad-scenario.json";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::ofstream(path, std::ios::binary) << c.text;
        const Result r = run_main({path});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("hostsim: " + path + c.message, 0), 0u) << r.err;
    }
    std::remove(path.c_str());
}

TEST(Hostsim, RejectsABadCommandLine) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--jsn"}, "hostsim: unknown option '--jsn' (usage: hostsim [--json] [scenario.json])\n"},
        {{"a.json", "b.json"},
         "hostsim: more than one scenario given ('a.json' and 'b.json'); run one at a time\n"},
        {{"/nonexistent/x.json"}, "hostsim: /nonexistent/x.json: cannot open the file\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const Result r = run_main(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(r.out, "");
    }
}

} // namespace
