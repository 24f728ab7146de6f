// The seven host tables the plug-in reads or writes: number, record size it is built for, name.
#pragma once

#include <stdint.h>

struct TableInfo {
    int32_t number; // the host's table number, as host service 52256 takes it
    int32_t size;   // record size in bytes the plug-in's offsets are built for
    const char* name;
};

extern const TableInfo kMm;    // 58, 526: MM document header
extern const TableInfo kMmDok; // 67, 660: MM document lines
extern const TableInfo kMr;    // 79, 541: MR document header
extern const TableInfo kMrDok; // 80, 1034: MR document lines
extern const TableInfo kRw;    // 56, 835: RW document header
extern const TableInfo kRwDok; // 72, 2125: RW document lines
extern const TableInfo kK9;    // 49, 1024: items with their purchase prices
