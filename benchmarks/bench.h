// What the timed benchmarks and the instruction counts share: the plug-in loaded into the plain
// host, the baselines, the references and the documents of a batch.
#pragma once

#include "platform/abi.h"
#include "sim/plain.h"
#include "undertest/plugin.h"

#include <stdint.h>
#include <string>
#include <vector>

namespace bench {

constexpr int32_t kItems = 1000; // k9 items the documents' lines look up
using undertest::kCtrlE;

// Loads the plug-in through the simulated loader into the plain host, attaches and starts it, once
// per process (the plug-in keeps module state from load to unload). Exits when any step fails.
void load_plugin();

// The baselines: handler routines that make exactly the host calls the hook of the table makes
// on Ctrl-E, in the same order and with the data flow between them, and then call the host's
// handler, with none of the plug-in's own work (baseline.cpp).
int32_t CZ_CDECL baseline_rw(CZ_HANDLER_PARAMETERS);
int32_t CZ_CDECL baseline_mr(CZ_HANDLER_PARAMETERS);
int32_t CZ_CDECL baseline_mm(CZ_HANDLER_PARAMETERS);

// The references: handler routines that do the whole of the hook's work for the table, written
// out by hand as one plain loop, with the services called directly (reference.cpp).
int32_t CZ_CDECL reference_rw(CZ_HANDLER_PARAMETERS);
int32_t CZ_CDECL reference_mr(CZ_HANDLER_PARAMETERS);
int32_t CZ_CDECL reference_mm(CZ_HANDLER_PARAMETERS);

// A document table with its hook (in the table's handler slot), reference and baseline.
struct Kind {
    const char* name; // rw, mr, mm
    int32_t table;
    cz_handler reference, baseline;
};
extern const Kind kKinds[3];
enum class Way { hook, reference, baseline };
cz_handler handler(const Kind& kind, Way way);

// One Ctrl-E on a document through a handler routine, as the host calls it.
int32_t call(cz_handler handler, plain::Document& doc);

// The documents of one timed batch of `n`-line documents: at least kBatchLines lines in all (1 000
// copies of a 10-line document, 10 of a 1 000-line one, one of 100 000 lines), made on first use
// and kept for the whole run (workload.cpp). Before it is handed out the first time, the batch is
// checked: `problem` is empty when the hook fills a document, the reference makes the hook's host
// calls and leaves a document of the same lines byte for byte as the hook leaves it, and the
// baseline makes the hook's host calls; else it says what is wrong.
constexpr int32_t kBatchLines = 10000;
struct Batch {
    std::vector<plain::Document> docs;
    std::string problem;
};
Batch& batch(const Kind& kind, int32_t n);

// Registers the benchmarks (ctrl_e.cpp, host_call.cpp).
void register_ctrl_e();
void register_host_call();

// The least of a benchmark's repetitions, the aggregate "min" beside the library's mean and median.
double least(const std::vector<double>& v);

} // namespace bench
