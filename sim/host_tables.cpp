#include "sim/host_tables.h"

namespace hosttables {

using namespace records;

cz_handler Table::handler() const {
    return get(descriptor->data(), desc::kHandler);
}

Table make_table(int32_t number, int16_t size, cz_handler handler) {
    Table t;
    t.number = number;
    t.descriptor = std::make_unique<OddBuffer>(desc::kSize);
    t.current = std::make_unique<OddBuffer>(size > 0 ? size_t(size) : 16);
    put(t.descriptor->data(), desc::kRecordSize, size);
    put(t.descriptor->data(), desc::kCurrent, t.current->data());
    put(t.descriptor->data(), desc::kHandler, handler);
    return t;
}

Lines make_lines(int32_t table, size_t n, uint8_t fill) {
    Lines lines;
    lines.table = table;
    lines.records.reserve(n);
    lines.pointers.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        lines.records.push_back(std::make_unique<OddBuffer>(record_size(table), fill));
        lines.pointers.push_back(lines.records.back()->data());
    }
    lines.count = static_cast<int32_t>(n);
    return lines;
}

} // namespace hosttables
