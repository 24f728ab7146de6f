// hostsim over the scenarios in scenarios/: each report against its reviewed expected file, and
// the errors a person gets for a bad scenario file.
#include "hostsim/hostsim.h"

#include "cenyzak_version.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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
    EXPECT_EQ(r.out, slurp(source("tests/hostsim/expected/" + name + ".txt")));
}

INSTANTIATE_TEST_SUITE_P(Files, Scenario,
                         ::testing::Values("sample", "version-mismatch", "record-sizes",
                                           "missing-service-ignore", "missing-service-abort",
                                           "missing-service-no-box", "notice-off", "price-codes",
                                           "events", "path-characters"),
                         [](const auto& info) {
                             std::string s = info.param;
                             for (char& c : s)
                                 if (c == '-') c = '_';
                             return s;
                         });

TEST(Hostsim, WithoutArgumentsRunsTheBundledSample) {
    const Result r = run_main({});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, slurp(source("tests/hostsim/expected/sample.txt")));
}

TEST(Hostsim, JsonPrintsTheSameRunForTools) {
    const Result r = run_main({"--json", source("scenarios/sample.json")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, slurp(source("tests/hostsim/expected/sample.json.out")));
}

// A bad scenario file: status 2, one line naming the file, the place (once) and the fault, no
// report.
TEST(Hostsim, RejectsBadScenariosSayingWhereAndWhy) {
    const std::string many_events = [] {
        std::string events;
        for (int i = 0; i < 1001; ++i)
            events += (i ? ",5" : "5");
        return R"({"documents": [{"kind": "RW", "events": [)" + events + R"(], "lines": []}]})";
    }();
    struct Case {
        const char* label;
        std::string text;
        const char* message; // the whole line after "hostsim: FILE"
    } cases[] = {
        {"syntax error", "{\n  \"documents\": [\n    {\"kind\": \"RW\",, }\n  ]\n}\n",
         ":3:19: syntax error while parsing object key - unexpected ','; expected string literal"},
        {"cut short", "{\"documents\": [",
         ":1:16: syntax error while parsing value - unexpected "
         "end of input; expected '[', '{', or a literal"},
        {"empty file", "", ": the file is empty (a scenario is a JSON object with \"documents\")"},
        {"only blanks", " \n\t\n",
         ": the file is empty (a scenario is a JSON object with \"documents\")"},
        {"number beyond a double",
         "{\"documents\": [{\"kind\": \"RW\",\n  \"lines\": [{\"key\": 1e400}]}]}",
         ":2:21: the number 1e400 is out of range (a double reaches about 1.8e308)"},
        {"unknown field", "{\"documents\": [], \"colour\": 1}",
         ": colour: unknown field (known here: description, host, notice, price_codes, items, "
         "documents)"},
        {"wrong type", R"({"documents": [{"kind": "RW", "lines": [{"key": "101"}]}]})",
         ": documents[0].lines[0].key: expected a whole number, got \"101\""},
        {"object for a list", R"({"documents": {"kind": "RW"}})",
         ": documents: expected a list, got {\"kind\":\"RW\"}"},
        {"missing documents", R"({"items": []})",
         ": (top level): missing field \"documents\" (a list of RW, MR and MM documents)"},
        {"key out of range", R"({"documents": [{"kind": "MM", "lines": [{"key": 40000}]}]})",
         ": documents[0].lines[0].key: must lie between -32768 and 32767, got 40000"},
        {"quantity beyond int32",
         R"({"documents": [{"kind": "RW", "lines": [{"key": 1, "quantity": 3e6}]}]})",
         ": documents[0].lines[0].quantity: out of range, got 3000000.0"},
        {"negative ordinal",
         R"({"host": {"missing_services": [-1]}, "documents": [{"kind": "RW", "lines": []}]})",
         ": host.missing_services[0]: must lie between 1 and 65535, got -1"},
        {"absurd event count", many_events,
         ": documents[0].events: at most 1000 entries, got 1001"},
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
        {"a path the Windows code page cannot carry",
         R"({"host": {"plugin_file": "C:\\Магазин\\cenyzak.dll"}, "documents": []})",
         ": host.plugin_file: \"М\" is not in Windows-1250, the code page in which the plug-in "
         "learns its path"},
    };
    const std::string path = testing::TempDir() + "hostsim-bad-scenario.json";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::ofstream(path, std::ios::binary) << c.text;
        const Result r = run_main({path});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "hostsim: " + path + c.message + "\n");
    }
    std::remove(path.c_str());
}

TEST(Hostsim, RejectsABadCommandLine) {
    const std::string usage =
        " (usage: hostsim [--json] [SCENARIO.json] | --check-host FOLDER|MODULE.dll)\n";
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--jsn"}, "hostsim: unknown option '--jsn'" + usage},
        {{"a.json", "b.json"},
         "hostsim: more than one scenario given ('a.json' and 'b.json'); run one at a time\n"},
        {{"/nonexistent/x.json"}, "hostsim: /nonexistent/x.json: no such file\n"},
        {{testing::TempDir()}, "hostsim: " + testing::TempDir() + ": a directory, not a file\n"},
        {{"--check-host"}, "hostsim: --check-host needs the module file to check" + usage},
        {{"--json", "--check-host", "VORDAN.dll"},
         "hostsim: --check-host takes only the module file" + usage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const Result r = run_main(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(r.out, "");
    }
}

TEST(Hostsim, VersionAndHelp) {
    const Result v = run_main({"--version"});
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out, "hostsim " CZ_VERSION "\n");
    const Result h = run_main({"--help"});
    EXPECT_EQ(h.status, 0);
    for (const char* option : {"--json", "--check-host", "--version", "--help", "SCENARIO.json"})
        EXPECT_NE(h.out.find(option), std::string::npos) << option;
}

// The example in scenarios/README.md, comments and all, runs as it stands.
TEST(Hostsim, TheReadmeExampleRunsAsWritten) {
    const std::string readme = slurp(source("scenarios/README.md"));
    const size_t open = readme.find("```json\n");
    ASSERT_NE(open, std::string::npos);
    const size_t start = open + 8, end = readme.find("```", start);
    const std::string example = readme.substr(start, end - start);
    ASSERT_NE(example.find("//"), std::string::npos) << "the example shows the comments";
    const std::string path = testing::TempDir() + "readme-example.json";
    std::ofstream(path, std::ios::binary) << example;
    const Result r = run_main({path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("MM 7/2026"), std::string::npos) << r.out;
    std::remove(path.c_str());
}

// The report's small cases. Each test loads the plug-in once: a test runs in a process of its own,
// as the plug-in expects of a module.
struct ReportCase {
    std::string path = testing::TempDir() + "report-case-" +
                       testing::UnitTest::GetInstance()->current_test_info()->name() + ".json";
    ~ReportCase() { std::remove(path.c_str()); }
    Result run(const std::string& documents, bool json, const std::string& host = "") {
        std::ofstream(path, std::ios::binary) << R"({"items": [{"key": 1, "scope": 1, "price": 500},
                            {"key": 2, "scope": 1, "price": 800}],)"
                                              << host << R"("documents": )" << documents << "}";
        std::vector<std::string> args = {path};
        if (json) args.insert(args.begin(), "--json");
        return run_main(args);
    }
};

// An item without a name, an RW line with no slot in use, and margins the host rounds to 100 %,
// whose selling price 0 is shown and explained, while the empty levels are listed as left out.
TEST(Hostsim, ReportMarksAndNotes) {
    const Result r = ReportCase().run(R"([
        {"kind": "RW", "lines": [{"key": 1, "scope": 1, "quantity": 2},
                                 {"key": 1, "scope": 1, "slots": [{"used": true}]}]},
        {"kind": "MR", "method": "margin",
         "lines": [{"key": 2, "scope": 1, "quantity": 1, "percents": [99.999, 10]}]}])",
                                      true);
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["format"], 1);
    const auto& rw = j["documents"][0]["lines"];
    EXPECT_FALSE(rw[0].contains("item"));
    EXPECT_EQ(rw[0]["mark"], "no_slot_in_use");
    EXPECT_EQ(rw[1]["mark"], "filled");
    EXPECT_EQ(j["documents"][0]["summary"], (nlohmann::json{{"no_slot_in_use", 1}, {"filled", 1}}));
    const auto& mr = j["documents"][1]["lines"][0];
    EXPECT_EQ(mr["fields"]["level_0_selling"]["after"], 0.0);
    EXPECT_EQ(mr["notes"][0]["code"], "margin_100");
    EXPECT_EQ(mr["notes"][0]["level"], 0);
    EXPECT_EQ(mr["hidden_fields"][0], "level_2_percent");
}

TEST(Hostsim, ReportOfADocumentWithoutLines) {
    const Result r = ReportCase().run(R"([{"kind": "MM", "name": "MM 1", "lines": []}])", false);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("MM 1 (MM document, lines in Mm_dok, scope 0)\n"
                         "  event 5 (Ctrl-E): host handler called, result 0\n"
                         "  summary: the document has no lines\n"),
              std::string::npos)
        << r.out;
}

// Without 52412, answered Ignore, the stand-in finds no item: no line is "filled" or "priced".
TEST(Hostsim, ReportWithTheLookupServiceIgnored) {
    const Result r = ReportCase().run(
        R"([{"kind": "RW", "lines": [{"key": 1, "scope": 1, "slots": [{"used": true}]}]},
            {"kind": "MR", "lines": [{"key": 2, "scope": 1, "quantity": 1}]},
            {"kind": "MM", "scope": 1, "lines": [{"key": 2, "quantity": 1, "price": 300}]}])",
        true, R"("host": {"missing_services": [52412], "dialog_answers": ["ignore"]},)");
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    for (int d = 0; d < 3; ++d)
        EXPECT_EQ(j["documents"][d]["lines"][0]["mark"], "no_purchase_price") << d;
}

} // namespace
