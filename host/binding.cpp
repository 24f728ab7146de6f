// Entry resolution, entry probes and the start-up binding pass.
#include "host/entries.h"

#include "plugin/module.h"

void resolve_entry(HostEntry& entry) {
    // Stored at once, found or not: while the dialog below runs, the entry is empty, so a call
    // that reaches it from the dialog (52158 for its own missing entry) cannot come back here.
    entry.target = cz_proc_address(g_module.host, reinterpret_cast<const char*>(entry.id));
    if (entry.target) return;
    if (missing_entry_dialog(entry.id) == 1) entry.target = fallback_choice(entry.id);
}

int32_t probe_entry(HostEntry& entry) {
    resolve_entry(entry);
    return entry.target ? 0 : -1;
}

int32_t bind_host_entries() {
    for (HostEntry& entry : g_host_entries)
        if (probe_entry(entry) == -1) return -1;
    return 0;
}
