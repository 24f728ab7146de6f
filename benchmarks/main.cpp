// The benchmarks: what the plug-in costs its host on Ctrl-E, and what a call through a host entry
// costs. The Google Benchmark table goes to standard error; standard output gets the figures that
// matter, one `name: value` line each:
//   <kind>_hook_vs_reference_1000         time of the hook / time of the reference (the same work
//                                         written out by hand), 1 000 lines
//   <kind>_hook_vs_reference_100000       the same, 100 000 lines
//   <kind>_per_line_100000_vs_1000        the hook's time per line at 100 000 / at 1 000 lines
//   <kind>_reference_per_line_100000_vs_1000  the same for the reference
//   <kind>_hook_vs_baseline_100000        time of the hook / time of the baseline, 100 000 lines
//   <kind>_hook_vs_baseline_1000          the same, 1 000 lines
//   <kind>_baseline_per_line_100000_vs_1000  the same for the baseline: what the machine's memory
//                                         makes of a longer document without the plug-in
//   entry_vs_direct_call                  a call through a host entry / a direct call
// Each from the medians of the repetitions (or from the single runs when there is one each).
//
// Defaults, which arguments given to the program override: 5 repetitions in random interleaving,
// at least 0.2 s of timed work each, only the aggregates shown.
#include "bench.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace bench {

double least(const std::vector<double>& v) {
    double m = v.empty() ? 0.0 : v.front();
    for (double x : v)
        m = x < m ? x : m;
    return m;
}

namespace {

// The console table as usual, and each benchmark's time per unit (its per_line or per_call
// counter) kept by benchmark name.
class Figures : public benchmark::ConsoleReporter {
  public:
    explicit Figures(OutputOptions options) : ConsoleReporter(options) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            const bool single = r.run_type == Run::RT_Iteration && r.repetitions <= 1;
            if (!median && !single) continue;
            for (const char* unit : {"per_line", "per_call"}) {
                auto c = r.counters.find(unit);
                if (c != r.counters.end()) per_unit_[r.run_name.function_name] = c->second.value;
            }
        }
    }

    // Prints `name: a / b` when both benchmarks ran.
    void ratio(const std::string& name, const std::string& a, const std::string& b) const {
        auto x = per_unit_.find(a), y = per_unit_.find(b);
        if (x == per_unit_.end() || y == per_unit_.end() || y->second <= 0) return;
        printf("%s: %.2f\n", name.c_str(), x->second / y->second);
    }

  private:
    std::map<std::string, double> per_unit_;
};

} // namespace

} // namespace bench

int main(int argc, char** argv) {
    // The defaults first: the library takes the last setting of a flag, so the arguments win.
    static char defaults[][64] = {
        "--benchmark_repetitions=5", "--benchmark_enable_random_interleaving=true",
        "--benchmark_min_time=0.2", "--benchmark_display_aggregates_only=true"};
    std::vector<char*> args = {argv[0]};
    for (char* d : defaults)
        args.push_back(d);
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

    bench::load_plugin();
    bench::register_ctrl_e();
    bench::register_host_call();

    // Colours only on a terminal, as the library's own choice of reporter would do.
    bench::Figures figures(isatty(2) ? benchmark::ConsoleReporter::OO_ColorTabular
                                     : benchmark::ConsoleReporter::OO_Tabular);
    figures.SetOutputStream(&std::cerr);
    figures.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&figures);
    benchmark::Shutdown();

    for (const std::string kind : {"rw", "mr", "mm"}) {
        const std::string hook = "ctrl_e/" + kind + "/hook/",
                          reference = "ctrl_e/" + kind + "/reference/",
                          baseline = "ctrl_e/" + kind + "/baseline/";
        figures.ratio(kind + "_hook_vs_reference_1000", hook + "1000", reference + "1000");
        figures.ratio(kind + "_hook_vs_reference_100000", hook + "100000", reference + "100000");
        figures.ratio(kind + "_per_line_100000_vs_1000", hook + "100000", hook + "1000");
        figures.ratio(kind + "_reference_per_line_100000_vs_1000", reference + "100000",
                      reference + "1000");
        figures.ratio(kind + "_hook_vs_baseline_100000", hook + "100000", baseline + "100000");
        figures.ratio(kind + "_hook_vs_baseline_1000", hook + "1000", baseline + "1000");
        figures.ratio(kind + "_baseline_per_line_100000_vs_1000", baseline + "100000",
                      baseline + "1000");
    }
    figures.ratio("entry_vs_direct_call", "host_call/entry", "host_call/direct");
    return 0;
}
