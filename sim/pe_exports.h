// The export table of a 32-bit Windows module, read from the file's bytes as data: the module is
// never loaded or run. The file is untrusted (a client's host module), so every read is checked
// against the bytes at hand and every count is bounded before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pe {

struct Exports {
    bool ok = false;
    std::string error; // when not ok: why the bytes are not a readable 32-bit module, in words
    // Ordinals whose export address slot is non-zero (a zero slot exports nothing), ascending.
    std::vector<uint32_t> ordinals;
    // Where the export address table lies in the file and the ordinal of its first slot, so that
    // a copy of a module can be given a cleared slot (no table: count 0).
    uint64_t table_offset = 0;
    uint32_t base = 0, count = 0;
    bool has(uint32_t ordinal) const;
};

// Parses the DOS and PE headers, the section table and the export directory of a PE32 (i386)
// image. A module without an export directory is readable and exports nothing.
Exports read_exports(const uint8_t* data, size_t size);

} // namespace pe
