// The record-size mismatch list: every host table whose record size differs from the one the
// plug-in is built for, or that the host lacks.
#pragma once

#include <stdint.h>

// One table-size record. Static, owned by whoever fills it; filling sets all four fields.
struct TableSizeRecord {
    int32_t expected;      // record size the plug-in is built for
    int32_t host;          // descriptor's int16 record size, sign-extended; 0: no such table
    const char* name;      // table name as the mismatch report shows it
    TableSizeRecord* next; // following record in the list; null at the end
};

// Fills all four fields; next becomes null, so records behind it in the list leave the list.
void fill_table_size(TableSizeRecord& record, int32_t expected, int32_t host, const char* name);

// Appends the record unless the list holds it already. Always -1.
int32_t mismatch_append(TableSizeRecord* record);

// Number of records in the list.
int32_t mismatch_count();

// First record of the list (then follow `next`), or null when the list is empty.
const TableSizeRecord* mismatch_head();
