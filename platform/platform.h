// The few calls the plug-in makes to the operating system. On Windows they are the real Win32
// calls; on Linux a simulated loader stands in for them (loader_linux.h), so that the plug-in's own
// code is the same on both platforms.
#pragma once

#include "platform/abi.h"

#include <stdint.h>

typedef void* cz_module; // a module handle; null when there is none

// GetModuleHandleA: a module already loaded in the process, by name; null when there is none.
cz_module cz_module_handle(const char* name);

// GetModuleFileNameA: copies at most `size` bytes of the module's full path, terminating zero
// included, and returns the number of characters written without the zero (0 on failure).
// Older Windows leaves a cut name without its zero; this wrapper always terminates it.
uint32_t cz_module_file_name(cz_module module, char* buffer, uint32_t size);

// What cz_module_file_name makes of the system's answer, on both platforms, apart from the call
// itself so that the tests reach it with every answer. `get_module_file_name(buffer, size)` is
// GetModuleFileNameA for the module: the length of the name it wrote, 0 on failure, or `size` when
// the name was cut to the buffer (Windows XP then leaves the cut name without its terminating zero,
// later Windows ends it in the buffer's last byte). The result is the name's length, and the name
// always ends with a zero inside the buffer.
template <typename GetModuleFileName>
inline uint32_t cz_terminated_file_name(GetModuleFileName get_module_file_name, char* buffer,
                                        uint32_t size) {
    if (size == 0) return 0;
    uint32_t n = get_module_file_name(buffer, size);
    if (n >= size) n = size - 1;
    buffer[n] = 0;
    return n;
}

// GetProcAddress: an export by ordinal (identifier below 65536) or by name; null when absent.
cz_proc cz_proc_address(cz_module module, const char* name_or_ordinal);

// MessageBoxA without an owner window; the answer (IDABORT 3, IDRETRY 4, IDIGNORE 5, ...) or 0
// when the box could not be shown.
int32_t cz_message_box(const char* text, const char* caption, uint32_t style);
