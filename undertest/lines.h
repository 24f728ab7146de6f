// The three line tables the plug-in hooks, in its order of installation, as the host's record
// model (sim/records.h) describes them: the document header table, the lookup key and scope of a
// line, and the only bytes of a line record that the table's hook may change.
#pragma once

#include "sim/records.h"

#include <cstdint>
#include <vector>

namespace undertest {

struct LineTable {
    const char* name;
    int32_t table;  // the line table
    int32_t header; // its document header table
    records::Field<int16_t> key;
    // The line's own lookup scope; Mm_dok lines have none (offset 0): the header's is used.
    records::Field<int16_t> scope;
    // The only bytes of a line the hook may change, in ascending order: the price and the
    // amounts it computes, the slots or selling levels it fills (the selling percentages
    // included: a line without value has them set to 0). Everything else stays as it was.
    std::vector<records::Extent> owned;
};

// Rw_dok, Mr_dok, Mm_dok.
const std::vector<LineTable>& line_tables();

// The line table of that number; null for any other table.
const LineTable* line_table(int32_t table);

// The first byte at which `after` differs from `before` (both `size` bytes) outside `allowed`, or
// -1. `allowed` in ascending order, apart, as LineTable::owned holds it; out of order, the check
// stops the process. Compared a stretch at a time by memcmp: a byte-by-byte loop would feed a
// fuzzer's comparison tracing thousands of comparisons per event.
int64_t changed_outside(const uint8_t* after, const uint8_t* before, uint32_t size,
                        const std::vector<records::Extent>& allowed);

} // namespace undertest
