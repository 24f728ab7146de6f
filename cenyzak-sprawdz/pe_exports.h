// The export table and the version resource of a 32-bit Windows module, read from the file's bytes
// as data: the module is never loaded or run. The file is untrusted (a client's host module, or
// whatever file the integrator points at), so every read is checked against the bytes at hand and
// every count is bounded before it is used. The reasons are in Polish: the pre-flight check shows
// them to the integrator as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pe {

// Why bytes are not a readable 32-bit x86 module.
enum class Fault {
    none,
    not_a_module,  // no Windows module at all: too short, no "MZ", no PE header where it points
    damaged,       // a module's headers or export table cut short or inconsistent
    is_64_bit,     // a module for x64 (machine 0x8664)
    other_machine, // a module for another processor
};

struct Exports {
    bool ok = false;
    Fault fault = Fault::none;
    std::string error; // when not ok: the detail of the fault, in words ("plik nie zaczyna się...")
    // The module's own name as its export directory gives it ("VORDAN.dll"), printable ASCII of
    // at most 64 characters; empty when there is none or it is not such a name.
    std::string name;
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

// The file version of the module's version resource (the four numbers Properties -> Details
// shows, 1.1.0.0), from its first RT_VERSION resource. False when the bytes are no readable 32-bit
// module or it has no readable version resource.
bool read_file_version(const uint8_t* data, size_t size, uint16_t version[4]);

} // namespace pe
