// Entry resolution, entry probes and the start-up binding pass.
#include "host/entries.h"

#include "platform/module_state.h"

void resolve_entry(int32_t index) {
    HostEntry& entry = g_host_entries[index];
    // Stored at once, found or not: while the dialog below runs, the entry is empty, so a call
    // that reaches it from the dialog (52158 for its own missing entry) cannot come back here.
    entry.target = cz_proc_address(g_module.host, reinterpret_cast<const char*>(entry.id));
    if (entry.target) return;
    if (missing_entry_dialog(entry.id) == 1 && fallback_row(entry.id) >= 0)
        entry.target = fallback_routine(index);
}

int32_t probe_entry(int32_t index) {
    resolve_entry(index);
    return g_host_entries[index].target ? 0 : -1;
}

int32_t bind_host_entries() {
    for (int32_t i = 0; i < CZ_HOST_ENTRY_COUNT; ++i)
        if (probe_entry(i) == -1) return -1;
    return 0;
}
