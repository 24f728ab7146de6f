// Fuzz target: the plug-in's whole lifecycle as a buggy host might drive it, checked after every
// step against the model in undertest/lifecycle_model.h.
//
// Which services the host lacks and how the user answers the missing-entry dialog are fixed per
// process, as in a host, which loads the plug-in once: the environment variable CZ_FUZZ_HOST
// names one of the hosts below (default "full"), and fuzz/run keeps a corpus per host. The load
// itself is checked against the model before the first input.
//
// Each input is a sequence of up to 50 steps, each an operation byte and its arguments
// (fuzz::Input reads from the front; missing bytes read as zeros):
//   attach (with or without a title buffer), detach (with or without a second argument),
//   start, start with a non-zero flag, entry 30009, an event on a line table (through the slot
//   or through the hook pointer the host kept; Ctrl-E or another code; the count, the lines'
//   fill and keys, the host handler's result, up to three events from inside the recalculation
//   services), a table dropped or brought back, a table's record size changed, the interface
//   version changed, a k9 item changed, the notice setting changed.
#include "fuzz/common.h"
#include "undertest/lifecycle_driver.h"

#include <cstdlib>

namespace {

using fuzz::Input;
using fuzz::pick;
using lifecycle::kAbort;
using lifecycle::kIgnore;
using lifecycle::kRetry;

struct NamedHost {
    const char* name;
    lifecycle::HostChoice choice;
};
// Hosts that load the plug-in: every service, and each way of going on without the four services
// that have a stand-in.
const NamedHost kHosts[] = {
    {"full", {{}, {}, kAbort}},
    {"no-lookup", {{52412}, {kRetry, kIgnore}, kAbort}},
    {"no-descriptors", {{52256}, {kIgnore}, kAbort}},
    {"no-message-no-settings", {{52028, 52224}, {kIgnore}, kAbort}},
    {"stand-ins", {{52028, 52224, 52256, 52412}, {kRetry, kRetry, kIgnore}, kAbort}},
};

constexpr int kMaxSteps = 50;
lifecycle::Driver* g_driver;

const int32_t kFlags[] = {1, -1, 2, 0x10000, INT32_MIN};
const int32_t kOtherEvents[] = {0, 1, 4, 6, -1, -5, 0x105, INT32_MIN};
const int32_t kCounts[] = {0, 1, 2, 3, 4, 4, -1, INT32_MIN};
const int32_t kResults[] = {0x600D, 0, -1, 1, INT32_MIN};
const int16_t kSizes[] = {0, -1, 1, INT16_MIN, INT16_MAX};
const int32_t kVersions[] = {112, 111, 113, 0, -112, 0x10070};
const int32_t kSettings[] = {0, 1, -1, 65536, 0x10001, INT32_MIN};
const int32_t kReadResults[] = {0, 1, 0x10000, -1, 0x20000};
const int16_t kScopes[] = {0, 7, -1};
const uint64_t kPrices[] = {0x4029000000000000,  // 12.5
                            0x41CDCD6500000000,  // 1e9
                            0x7FF8000000000000,  // NaN
                            0xFFF0000000000000,  // -infinity
                            0x8000000000000000}; // -0.0

lifecycle::Dispatch read_dispatch(Input& in) {
    const uint8_t b = in.u8();
    lifecycle::Dispatch d;
    d.row = b % 3;
    d.kept_hook = (b >> 2) & 1;
    d.event = ((b >> 3) & 3) != 0 ? lifecycle::kCtrlE : pick(in, kOtherEvents);
    return d;
}

void step(lifecycle::Driver& d, Input& in) {
    switch (in.u8() % 11) {
    case 0:
        d.attach(in.u8() & 1);
        break;
    case 1:
        d.detach(in.u8() & 1);
        break;
    case 2:
        d.start(0);
        break;
    case 3:
        d.start(pick(in, kFlags) | 1); // never 0: that is the start above
        break;
    case 4:
        d.entry_30009();
        break;
    case 5: {
        const lifecycle::Dispatch event = read_dispatch(in);
        const int32_t count = pick(in, kCounts);
        d.set_count(event.row, count < 0 || count > lifecycle::kLines ? count % 2 - 1 : count);
        const uint8_t fill = in.u8();
        d.fill_lines(event.row, fill, in.u8());
        d.set_handler_result(pick(in, kResults));
        std::vector<lifecycle::Dispatch> nested(in.u8() % 4);
        for (lifecycle::Dispatch& n : nested)
            n = read_dispatch(in);
        d.event(event, nested);
        break;
    }
    case 6:
        d.toggle_table(in.u8() % 7);
        break;
    case 7: {
        const int table = in.u8() % 7;
        const int16_t size = in.u8() & 1 ? records::kTables[table].size : pick(in, kSizes);
        d.resize_table(table, size);
        break;
    }
    case 8:
        d.set_version(pick(in, kVersions));
        break;
    case 9: {
        const size_t item = in.u8();
        const int16_t scope = pick(in, kScopes);
        const uint64_t bits = pick(in, kPrices);
        double price;
        memcpy(&price, &bits, sizeof price);
        d.change_item(item, scope, price, int16_t(in.u8() % 4));
        break;
    }
    case 10: {
        const uint8_t b = in.u8();
        d.set_notice(b & 1, pick(in, kSettings), (b & 2) ? pick(in, kReadResults) : 0, b & 4,
                     (b >> 3) % 4);
        break;
    }
    }
    d.check_slots();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* name = getenv("CZ_FUZZ_HOST");
    if (!name || !*name) name = "full";
    const NamedHost* chosen = nullptr;
    for (const NamedHost& host : kHosts)
        if (strcmp(host.name, name) == 0) chosen = &host;
    if (!chosen) {
        fprintf(stderr, "lifecycle_fuzz: CZ_FUZZ_HOST=%s is not one of:", name);
        for (const NamedHost& host : kHosts)
            fprintf(stderr, " %s", host.name);
        fprintf(stderr, "\n");
        exit(2);
    }
    g_driver = new lifecycle::Driver(chosen->choice);
    ORACLE_CHECK(g_driver->load(), std::string("host ") + name + ": the plug-in did not load");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    // Each input starts from the host as at load, with the plug-in detached (its mismatch list
    // stays, as in a host that attaches it again).
    g_driver->reset_host();
    g_driver->detach(false);
    g_driver->check_slots();
    for (int n = 0; n < kMaxSteps && !in.done(); ++n)
        step(*g_driver, in);
    return 0;
}
