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
// one line of it.
#include "bench.h"

#include <benchmark/benchmark.h>

#include <string.h>
#include <time.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

namespace {

struct Kind {
    const char* name;
    int32_t table;
    cz_handler reference, baseline;
};
const Kind kKinds[] = {
    {"rw", records::kRwDok, reference_rw, baseline_rw},
    {"mr", records::kMrDok, reference_mr, baseline_mr},
    {"mm", records::kMmDok, reference_mm, baseline_mm},
};
enum class Way { hook, reference, baseline };
const int32_t kSizes[] = {10, 1000, 100000};
constexpr int32_t kBatchLines = 10000;

double thread_seconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int32_t call(cz_handler handler, plain::Document& doc) {
    return handler(kCtrlE, 0, &doc.count, doc.lines.data(), 0, 0, 0, 0, 0, 0, 0);
}

// The host calls one Ctrl-E makes, as ordinals in order.
std::vector<int32_t> journal(cz_handler handler, plain::Document& doc) {
    std::vector<int32_t> calls(64 * doc.lines.size() + 64);
    plain::unprice(doc);
    plain::journal_to(calls.data(), static_cast<uint32_t>(calls.size()));
    call(handler, doc);
    calls.resize(plain::journal_size());
    plain::journal_off();
    return calls;
}

// Whether the hook filled the document's first line as a first Ctrl-E does.
bool filled(const plain::Document& doc) {
    const uint8_t* line = doc.lines[0];
    switch (doc.table) {
    case records::kRwDok: // slot 0 has the purchase price
        return records::get(line, records::rw_dok::kSlotPrice) == plain::item(1).price;
    case records::kMrDok: // a line price and a last selling price
        return records::get(line, records::mr_dok::kPrice) != 0 &&
               records::get(line, records::mr_dok::kSelling, 9) != 0.0;
    case records::kMmDok: // a line value
        return records::get(line, records::mm_dok::kValue) != 0.0;
    }
    return false;
}

// The first line record whose bytes differ between two documents, or -1 when none does.
int32_t first_difference(const plain::Document& a, const plain::Document& b) {
    const size_t size = records::record_size(a.table);
    for (size_t i = 0; i < a.lines.size(); ++i)
        if (i >= b.lines.size() || memcmp(a.lines[i], b.lines[i], size) != 0)
            return static_cast<int32_t>(i);
    return a.lines.size() == b.lines.size() ? -1 : static_cast<int32_t>(a.lines.size());
}

// The documents of one batch, made on first use and kept for the whole run, with their check:
// empty when the hook fills a document, the reference makes the hook's host calls and leaves a
// document of the same lines byte for byte as the hook leaves it, and the baseline makes the
// hook's host calls; else what is wrong.
struct Batch {
    std::vector<plain::Document> docs;
    std::string problem;
};
Batch& batch(const Kind& kind, int32_t n) {
    static std::map<std::pair<int32_t, int32_t>, Batch> batches;
    auto found = batches.find({kind.table, n});
    if (found != batches.end()) return found->second;
    Batch& c = batches[{kind.table, n}];
    for (int32_t copies = n < kBatchLines ? kBatchLines / n : 1; copies > 0; --copies)
        c.docs.push_back(plain::make_document(kind.table, n, kItems));
    plain::Document& doc = c.docs.front();
    const int32_t handled = plain::handler_calls();
    const std::vector<int32_t> hook = journal(plain::handler_in_slot(kind.table), doc);
    if (!filled(doc)) c.problem = "the hook did not fill the first line";
    if (plain::handler_calls() != handled + 1) c.problem = "the hook did not call the host handler";
    {
        plain::Document same = plain::make_document(kind.table, n, kItems);
        const std::vector<int32_t> reference = journal(kind.reference, same);
        if (reference != hook)
            c.problem = "the reference makes " + std::to_string(reference.size()) +
                        " host calls, the hook " + std::to_string(hook.size()) +
                        " (or another order)";
        else if (const int32_t line = first_difference(doc, same); line >= 0)
            c.problem =
                "the reference leaves line " + std::to_string(line) + " other than the hook does";
    }
    const std::vector<int32_t> baseline = journal(kind.baseline, doc);
    if (baseline != hook && c.problem.empty())
        c.problem = "the baseline makes " + std::to_string(baseline.size()) +
                    " host calls, the hook " + std::to_string(hook.size()) + " (or another order)";
    return c;
}

void ctrl_e(benchmark::State& state, const Kind& kind, int32_t n, Way way) {
    Batch& b = batch(kind, n);
    if (!b.problem.empty()) {
        state.SkipWithError(b.problem.c_str());
        return;
    }
    const cz_handler handler = way == Way::hook        ? plain::handler_in_slot(kind.table)
                               : way == Way::reference ? kind.reference
                                                       : kind.baseline;
    for (auto _ : state) {
        for (plain::Document& doc : b.docs)
            plain::unprice(doc);
        const double start = thread_seconds();
        for (plain::Document& doc : b.docs)
            benchmark::DoNotOptimize(call(handler, doc));
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
