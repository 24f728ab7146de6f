// One host service call through its host entry (HOST: one indirect call through the entry's
// current target, as the plug-in makes every call) against a direct call of the same routine.
// The service is 52178, the rounding, the call the MR hook makes most often.
#include "bench.h"

#include "host/entries.h"

#include <benchmark/benchmark.h>

namespace bench {

namespace {

constexpr int kCallsPerIteration = 8;

struct ThroughEntry {
    static int32_t call(double amount) { return HOST(RoundToWhole)(amount, 1); }
};
struct Direct {
    static int32_t call(double amount) { return plain::s52178(amount, 1); }
};

template <typename Way> void host_call(benchmark::State& state) {
    if (g_host_entries[CZ_ENTRY_RoundToWhole].target != reinterpret_cast<cz_proc>(plain::s52178)) {
        state.SkipWithError("entry 52178 is not bound to the plain host's routine");
        return;
    }
    double amount = 1234.5;
    benchmark::DoNotOptimize(amount);
    for (auto _ : state) {
        for (int i = 0; i < kCallsPerIteration; ++i)
            benchmark::DoNotOptimize(Way::call(amount));
    }
    state.counters["per_call"] =
        benchmark::Counter(kCallsPerIteration, benchmark::Counter::kIsIterationInvariantRate |
                                                   benchmark::Counter::kInvert);
}

} // namespace

void register_host_call() {
    benchmark::RegisterBenchmark("host_call/entry", host_call<ThroughEntry>)
        ->ComputeStatistics("min", least);
    benchmark::RegisterBenchmark("host_call/direct", host_call<Direct>)
        ->ComputeStatistics("min", least);
}

} // namespace bench
