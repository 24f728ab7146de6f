// The platform calls on Windows: the real Win32 API.
#include "platform/platform.h"

#include <windows.h>

cz_module cz_module_handle(const char* name) {
    return GetModuleHandleA(name);
}

uint32_t cz_module_file_name(cz_module module, char* buffer, uint32_t size) {
    auto get_module_file_name = [module](char* to, uint32_t limit) -> uint32_t {
        return GetModuleFileNameA(static_cast<HMODULE>(module), to, limit);
    };
    return cz_terminated_file_name(get_module_file_name, buffer, size);
}

cz_proc cz_proc_address(cz_module module, const char* name_or_ordinal) {
    return reinterpret_cast<cz_proc>(GetProcAddress(static_cast<HMODULE>(module), name_or_ordinal));
}

int32_t cz_message_box(const char* text, const char* caption, uint32_t style) {
    return MessageBoxA(nullptr, text, caption, style);
}
