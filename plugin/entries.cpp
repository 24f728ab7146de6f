#include "plugin/entries.h"

#include "layout/check.h"
#include "pricing/hooks.h"
#include "texts/texts.h"

int32_t CZ_CDECL cz_entry_30001(void* host, char* title_buffer) {
    if (!host) return remove_hooks();
    if (title_buffer) title_copy(title_buffer);
    return attach_check();
}

int32_t CZ_CDECL cz_entry_30008(int32_t flag) {
    if (flag != 0) {
        mismatch_report();
        return 0;
    }
    if (install_hooks() != 0) remove_hooks(); // no table stays hooked after a failure
    installation_notice();
    return 0;
}

int32_t CZ_CDECL cz_entry_30009(void) {
    return 0;
}
