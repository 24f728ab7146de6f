#include "undertest/lines.h"

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

} // namespace undertest
