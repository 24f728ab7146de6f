// A Ctrl-E on RW, MR and MM documents of 10, 1 000 and 100 000 lines: the hook, called through the
// table's handler slot as the host calls it, beside the reference that does the same work written
// out by hand (reference.cpp) and the baseline that makes only the same host calls (baseline.cpp).
//
// Every timed Ctrl-E starts from the document as the user has it before the first Ctrl-E: the
// lines' prices are taken away again before each one (plain::unprice, outside the timed part), so
// that every line goes the whole way through the filling instead of being skipped as priced.
//
// The time is the thread's CPU time (manual time), read before and after a batch of Ctrl-Es: the
// machine is shared, and CPU time leaves out what other processes take. Reading that clock costs
// a system call (some 0.3 us), so a timed batch holds at least 10 000 lines: one Ctrl-E on each of
// 1 000 copies of a 10-line document, of 10 copies of a 1 000-line one, or one Ctrl-E on the
// 100 000-line one. The table's time column is the batch; per_doc and per_line are one Ctrl-E and
// one line of it. The batches and their check before timing: workload.cpp.
#include "bench.h"

#include <benchmark/benchmark.h>

#include <time.h>

#include <string>

namespace bench {

namespace {

const int32_t kSizes[] = {10, 1000, 100000};

double thread_seconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void ctrl_e(benchmark::State& state, const Kind& kind, int32_t n, Way way) {
    Batch& b = batch(kind, n);
    if (!b.problem.empty()) {
        state.SkipWithError(b.problem.c_str());
        return;
    }
    const cz_handler h = handler(kind, way);
    for (auto _ : state) {
        for (plain::Document& doc : b.docs)
            plain::unprice(doc);
        const double start = thread_seconds();
        for (plain::Document& doc : b.docs)
            benchmark::DoNotOptimize(call(h, doc));
        state.SetIterationTime(thread_seconds() - start);
    }
    const double docs = static_cast<double>(b.docs.size());
    const auto per = benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert;
    state.counters["docs"] = docs;
    state.counters["per_doc"] = benchmark::Counter(docs, per);
    state.counters["per_line"] = benchmark::Counter(docs * n, per);
}

} // namespace

void register_ctrl_e() {
    for (const Kind& kind : kKinds)
        for (int32_t n : kSizes)
            for (Way way : {Way::hook, Way::reference, Way::baseline}) {
                const char* const what = way == Way::hook        ? "/hook/"
                                         : way == Way::reference ? "/reference/"
                                                                 : "/baseline/";
                const std::string name =
                    std::string("ctrl_e/") + kind.name + what + std::to_string(n);
                benchmark::RegisterBenchmark(name.c_str(), ctrl_e, kind, n, way)
                    ->UseManualTime()
                    ->ComputeStatistics("min", least)
                    ->Unit(benchmark::kMicrosecond);
            }
}

} // namespace bench
