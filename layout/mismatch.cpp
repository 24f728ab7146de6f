#include "layout/mismatch.h"

static TableSizeRecord* g_head; // empty when the module is loaded; nothing ever empties it

void fill_table_size(TableSizeRecord& record, int32_t expected, int32_t host, const char* name) {
    record.expected = expected;
    record.host = host;
    record.name = name;
    record.next = nullptr;
}

int32_t mismatch_append(TableSizeRecord* record) {
    if (!g_head) {
        g_head = record;
        return -1;
    }
    TableSizeRecord* last = g_head;
    for (;;) {
        // Met anywhere, the last record included: it is in the list once already.
        if (last == record) return -1;
        if (!last->next) break;
        last = last->next;
    }
    last->next = record;
    return -1;
}

int32_t mismatch_count() {
    int32_t n = 0;
    for (const TableSizeRecord* r = g_head; r; r = r->next)
        ++n;
    return n;
}

const TableSizeRecord* mismatch_head() {
    return g_head;
}
