#include "plugin/startup.h"

#include "host/entries.h"
#include "texts/texts.h"

int32_t attach_routine(cz_module self, uint32_t reason, void* reserved) {
    (void)reserved;
    if (reason != 1) return 1;
    g_module.self = self;
    cz_module_file_name(self, g_module.file_name, kFileNameLimit);
    if (!g_module.host) g_module.host = cz_module_handle(kHostModuleName);
    return 1;
}

int32_t module_startup(cz_module self, uint32_t reason, void* reserved) {
    attach_routine(self, reason, reserved);
    if (reason != 1) return 1;
    return bind_host_entries() == 0 ? 1 : 0;
}
