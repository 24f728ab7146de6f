#include "undertest/lines.h"

#include "undertest/oracle.h"

#include <cstring>
#include <string>

namespace undertest {

const std::vector<LineTable>& line_tables() {
    using records::extent;
    namespace rw = records::rw_dok;
    namespace mr = records::mr_dok;
    namespace mm = records::mm_dok;
    static const std::vector<LineTable> kTables = {
        {"Rw_dok",
         records::kRwDok,
         records::kRw,
         rw::kKey,
         rw::kScope,
         {extent(rw::kSlotPrice), extent(rw::kSlotCode)}},
        // line price to converted line value; the selling levels
        {"Mr_dok",
         records::kMrDok,
         records::kMr,
         mr::kKey,
         mr::kScope,
         {extent(mr::kPrice, mr::kConverted), extent(mr::kPercent, mr::kSellingConverted)}},
        // line price to value mark; slot prices and codes
        {"Mm_dok",
         records::kMmDok,
         records::kMm,
         mm::kKey,
         {0},
         {extent(mm::kPrice, mm::kValueMark), extent(mm::kSlotPrice, mm::kSlotCode)}},
    };
    return kTables;
}

const LineTable* line_table(int32_t table) {
    for (const LineTable& t : line_tables())
        if (t.table == table) return &t;
    return nullptr;
}

int64_t changed_outside(const uint8_t* after, const uint8_t* before, uint32_t size,
                        const std::vector<records::Extent>& allowed) {
    uint32_t from = 0;
    for (size_t i = 0; i <= allowed.size(); ++i) {
        const uint32_t to = i < allowed.size() ? allowed[i].offset : size;
        ORACLE_CHECK(from <= to && to <= size,
                     "the allowed bytes are out of order or past the record at byte " +
                         std::to_string(to));
        if (memcmp(after + from, before + from, to - from) != 0)
            for (uint32_t b = from; b < to; ++b)
                if (after[b] != before[b]) return b;
        if (i < allowed.size()) from = allowed[i].offset + allowed[i].width;
    }
    return -1;
}

} // namespace undertest
