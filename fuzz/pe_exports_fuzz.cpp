// The export table reader of hostsim --check-host over arbitrary file bytes: it reads a client's
// module, an untrusted file, so no input may make it read outside the bytes, loop for long or
// crash. On every input: either a readable module with ordinals ascending, inside 0 to 65535,
// each one reported present; or a reason in words.
#include "sim/pe_exports.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const pe::Exports e = pe::read_exports(data, size);
    if (!e.ok) {
        if (e.error.empty() || !e.ordinals.empty()) abort();
        return 0;
    }
    if (!e.error.empty() || e.ordinals.size() > e.count) abort();
    for (size_t i = 0; i < e.ordinals.size(); ++i) {
        if (e.ordinals[i] > 65535 || (i > 0 && e.ordinals[i] <= e.ordinals[i - 1])) abort();
        if (!e.has(e.ordinals[i])) abort();
    }
    return 0;
}
