// One Ctrl-E batch of the timed benchmark, for counting under callgrind instead of timing:
//
//   valgrind --tool=callgrind --collect-atstart=no [--cache-sim=yes ...]
//       build/bench/cenyzak_counts KIND WAY LINES            (one command line)
//
// KIND is rw, mr or mm, WAY hook, reference or baseline, LINES the lines of a document (the batch
// holds as many copies as the timed benchmark's: ctrl_e.cpp, workload.cpp). The program
//   1. loads the plug-in, makes the batch and checks it as the timed benchmark does (the reference
//      and the baseline make the hook's host calls, the reference leaves the same bytes);
//   2. runs one Ctrl-E on every document of the batch, not counted: what runs once per process
//      (the hook's host entries bound on first use) is behind it, and a simulated cache then holds
//      what a Ctrl-E on this batch leaves, as before each timed repetition;
//   3. takes the prices away again (not counted), as the timed benchmark does before each batch;
//   4. counts one Ctrl-E on every document of the batch: collection is switched on right before
//      the first call and off right after the last, so the count holds the handler's work, the
//      host calls it makes and the loop over the documents (one call each), and nothing of the
//      set-up. Collection being off does not stop the simulated cache: the set-up's reads and
//      writes pass through it uncounted.
// It prints `lines: N`, the lines counted, on standard output; callgrind's totals divided by N are
// per line. scripts/instruction-counts.sh runs it for ./bench --counts and for the guard in ./test.
#include "bench.h"

#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int usage(const char* why) {
    fprintf(stderr,
            "cenyzak_counts: %s\n"
            "usage: valgrind --tool=callgrind --collect-atstart=no cenyzak_counts KIND WAY LINES\n"
            "  KIND rw, mr or mm; WAY hook, reference or baseline; LINES 1 to 100000 (the longest "
            "document the benchmark has)\n",
            why);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) return usage("three arguments expected");
    const bench::Kind* kind = nullptr;
    for (const bench::Kind& k : bench::kKinds)
        if (strcmp(argv[1], k.name) == 0) kind = &k;
    if (!kind) return usage("KIND must be rw, mr or mm");
    bench::Way way;
    if (strcmp(argv[2], "hook") == 0)
        way = bench::Way::hook;
    else if (strcmp(argv[2], "reference") == 0)
        way = bench::Way::reference;
    else if (strcmp(argv[2], "baseline") == 0)
        way = bench::Way::baseline;
    else
        return usage("WAY must be hook, reference or baseline");
    char* end = nullptr;
    const long n = strtol(argv[3], &end, 10);
    if (end == argv[3] || *end != '\0' || n < 1 || n > 100000)
        return usage("LINES must be a whole number from 1 to 100000");
    // Outside valgrind the client requests do nothing, and nothing would be counted.
    if (!RUNNING_ON_VALGRIND) return usage("not running under valgrind");

    bench::load_plugin();
    bench::Batch& b = bench::batch(*kind, static_cast<int32_t>(n));
    if (!b.problem.empty()) {
        fprintf(stderr, "cenyzak_counts: %s %ld lines: %s\n", kind->name, n, b.problem.c_str());
        return 1;
    }
    const cz_handler h = bench::handler(*kind, way);
    for (plain::Document& doc : b.docs)
        plain::unprice(doc);
    for (plain::Document& doc : b.docs)
        bench::call(h, doc);
    for (plain::Document& doc : b.docs)
        plain::unprice(doc);

    int32_t other_results = 0;
    CALLGRIND_TOGGLE_COLLECT;
    for (plain::Document& doc : b.docs)
        other_results += bench::call(h, doc) != plain::kHandlerResult;
    CALLGRIND_TOGGLE_COLLECT;

    if (other_results != 0) {
        fprintf(stderr, "cenyzak_counts: the %s handler did not return the host's result\n",
                argv[2]);
        return 1;
    }
    printf("lines: %ld\n", n * static_cast<long>(b.docs.size()));
    return 0;
}
