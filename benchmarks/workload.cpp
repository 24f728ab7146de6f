// The workload that the timed benchmarks (ctrl_e.cpp) and the instruction counts (counts.cpp)
// share: the plug-in loaded into the plain host, and the documents of one timed batch with the
// check that the reference and the baseline make the hook's host calls.
#include "bench.h"

#include "platform/loader_linux.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

namespace bench {

// The ten words the benchmarks' host passes on beside the count and the records: zeros.
const undertest::HandlerWords kNoWords = {0, {0, 0, 0, 0, 0, 0, 0}};

void load_plugin() {
    loader::reset();
    plain::setup(kItems);
    plain::register_module();
    static undertest::Plugin plugin;
    if (!plugin.load()) {
        fprintf(stderr, "the plug-in refused to load\n");
        exit(1);
    }
    if (plugin.attach() != 0 || plugin.start() != 0) {
        fprintf(stderr, "the plug-in did not attach and start\n");
        exit(1);
    }
    for (int32_t table : {records::kRwDok, records::kMrDok, records::kMmDok})
        if (plain::handler_in_slot(table) == plain::handler) {
            fprintf(stderr, "table %d is not hooked\n", table);
            exit(1);
        }
}

const Kind kKinds[3] = {
    {"rw", records::kRwDok, reference_rw, baseline_rw},
    {"mr", records::kMrDok, reference_mr, baseline_mr},
    {"mm", records::kMmDok, reference_mm, baseline_mm},
};

cz_handler handler(const Kind& kind, Way way) {
    switch (way) {
    case Way::hook:
        return plain::handler_in_slot(kind.table);
    case Way::reference:
        return kind.reference;
    case Way::baseline:
        return kind.baseline;
    }
    return nullptr;
}

int32_t call(cz_handler handler, plain::Document& doc) {
    return undertest::call_handler(handler, kCtrlE, &doc.count, doc.pointers.data(), kNoWords);
}

namespace {

// The host calls one Ctrl-E makes, as ordinals in order.
std::vector<int32_t> journal(cz_handler handler, plain::Document& doc) {
    std::vector<int32_t> calls(64 * doc.pointers.size() + 64);
    plain::unprice(doc);
    plain::journal_to(calls.data(), static_cast<uint32_t>(calls.size()));
    call(handler, doc);
    calls.resize(plain::journal_size());
    plain::journal_off();
    return calls;
}

// Whether the hook filled the document's first line as a first Ctrl-E does.
bool filled(const plain::Document& doc) {
    const uint8_t* line = doc.pointers[0];
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
    for (size_t i = 0; i < a.pointers.size(); ++i)
        if (i >= b.pointers.size() || memcmp(a.pointers[i], b.pointers[i], size) != 0)
            return static_cast<int32_t>(i);
    return a.pointers.size() == b.pointers.size() ? -1 : static_cast<int32_t>(a.pointers.size());
}

} // namespace

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

} // namespace bench
