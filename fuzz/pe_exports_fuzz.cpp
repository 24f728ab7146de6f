// The export table and version resource readers of the pre-flight check (hostsim --check-host,
// cenyzak-sprawdz.exe) over arbitrary file bytes: they read a client's module, an untrusted file,
// so no input may make them read outside the bytes, loop for long or crash. On every input: either
// a readable module with ordinals ascending, inside 0 to 65535, each one reported present, and a
// module name of at most 64 printable characters; or a reason in words. The version reader runs
// on every input too.
#include "cenyzak-sprawdz/pe_exports.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint16_t version[4];
    pe::read_file_version(data, size, version);
    const pe::Exports e = pe::read_exports(data, size);
    if (!e.ok) {
        if (e.error.empty() || !e.ordinals.empty()) abort();
        return 0;
    }
    if (!e.error.empty() || e.ordinals.size() > e.count || e.name.size() > 64) abort();
    for (char c : e.name)
        if (c < 0x20 || c > 0x7E) abort();
    for (size_t i = 0; i < e.ordinals.size(); ++i) {
        if (e.ordinals[i] > 65535 || (i > 0 && e.ordinals[i] <= e.ordinals[i - 1])) abort();
        if (!e.has(e.ordinals[i])) abort();
    }
    return 0;
}
