// The host entry table: one entry per host service, through which every call of the service goes.
#pragma once

#include "host/services.h"

#include <stdint.h>

struct HostEntry {
    uintptr_t id;   // ordinal (below 65536) or the address of the entry's zero-terminated name
    cz_proc target; // first-use resolver, then the host's routine, a fallback routine, or null
};

extern HostEntry g_host_entries[CZ_HOST_ENTRY_COUNT];

// Calls a service through its entry, by its name in host/services.h: HOST(RoundToWhole)(amount, 1).
// One indirect call, no test.
#define HOST(name) (reinterpret_cast<cz_svc_##name>(g_host_entries[CZ_ENTRY_##name].target))

// Whether a service's entry is empty (unbound and without a fallback routine).
#define HOST_EMPTY(name) (g_host_entries[CZ_ENTRY_##name].target == nullptr)

// Entry resolution for the entry at `index`: looks the entry's identifier up in the host module,
// stores the answer in the entry at once, and when nothing was found asks the missing-entry
// dialog whether to go on with the service's fallback routine.
void resolve_entry(int32_t index);

// Entry probe: resolves the entry again, 0 when it is bound afterwards, -1 when it is empty.
int32_t probe_entry(int32_t index);

// Start-up binding pass: the probes in table order, stopping at the first -1 (then -1).
int32_t bind_host_entries();

// Missing-entry dialog: 1 to continue without the service, 0 to abort.
int32_t missing_entry_dialog(uintptr_t id);

// Fallback choice: the row of the fallback table (0 to 14) that an identifier names, or -1 when it
// names none; only an identifier with a row may have its service replaced.
int32_t fallback_row(uintptr_t id);

// The fallback routine of the entry at `index`: the service's own signature, returns zero of its
// result type.
cz_proc fallback_routine(int32_t index);
