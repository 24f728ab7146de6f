// The hooks on the host's three document-line tables.
#pragma once

#include "layout/mismatch.h"
#include "layout/tables.h"
#include "platform/abi.h"

#include <stdint.h>

// One row of the hook table (a line table and its hook), in installation order.
struct HookRow {
    const TableInfo* lines;  // the line table whose handler slot is hooked
    const TableInfo* header; // its document header table
    cz_handler hook;         // the plug-in's handler routine for it
    uint8_t* hooked;         // the host descriptor while the hook is installed, else null
    cz_handler host_handler; // what the handler slot held at installation; kept after removal
    TableSizeRecord failure; // listed as a mismatch when the table cannot be hooked
};

enum { kRowRw, kRowMr, kRowMm, kHookRows };
extern HookRow g_hook_rows[kHookRows];

// Hooks every table not hooked yet, in row order. 0, or -1 at the first table that is missing or
// has another record size (its failure record is then in the mismatch list).
int32_t install_hooks();

// Gives every hooked table its host handler back. Always 0.
int32_t remove_hooks();

// The three handler routines (rw.cpp, mr.cpp, mm.cpp).
int32_t CZ_CDECL rw_hook(CZ_HANDLER_PARAMETERS);
int32_t CZ_CDECL mr_hook(CZ_HANDLER_PARAMETERS);
int32_t CZ_CDECL mm_hook(CZ_HANDLER_PARAMETERS);

// Installation notice (notice.cpp). Always 0.
int32_t installation_notice();
