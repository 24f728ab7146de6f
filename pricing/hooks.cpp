#include "pricing/hooks.h"

#include "host/entries.h"
#include "host/fields.h"

HookRow g_hook_rows[kHookRows] = {
    {&kRwDok, &kRw, rw_hook, nullptr, nullptr, {}},
    {&kMrDok, &kMr, mr_hook, nullptr, nullptr, {}},
    {&kMmDok, &kMm, mm_hook, nullptr, nullptr, {}},
};

int32_t install_hooks() {
    for (HookRow& row : g_hook_rows) {
        if (row.hooked) continue;
        uint8_t* descriptor = HOST(TableDescriptor)(row.lines->number);
        const int16_t host_size =
            descriptor ? hostrec::get(descriptor, hostrec::desc::kRecordSize) : int16_t(0);
        if (!descriptor || host_size != static_cast<int16_t>(row.lines->size)) {
            fill_table_size(row.failure, row.lines->size, host_size, row.lines->name);
            return mismatch_append(&row.failure);
        }
        row.hooked = descriptor;
        row.host_handler = hostrec::get(descriptor, hostrec::desc::kHandler);
        hostrec::put(descriptor, hostrec::desc::kHandler, row.hook);
    }
    return 0;
}

int32_t remove_hooks() {
    for (HookRow& row : g_hook_rows) {
        if (!row.hooked) continue;
        hostrec::put(row.hooked, hostrec::desc::kHandler, row.host_handler);
        row.hooked = nullptr;
    }
    return 0;
}
