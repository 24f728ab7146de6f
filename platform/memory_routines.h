// The DLL's own memory routines (platform/memory_win32.cpp). On Windows they are memcpy, memmove,
// memset, memcmp and strlen themselves, the routines the compiler calls. Elsewhere the C library
// has those, and the same code is compiled as cz_memcpy, cz_memmove, ... for the tests to hold
// against the C library's.
#pragma once

#include <stddef.h>

#if defined(_WIN32)
#define CZ_MEMORY(name) name
#else
#define CZ_MEMORY(name) cz_##name
extern "C" {
void* cz_memcpy(void* to, const void* from, size_t n);
void* cz_memmove(void* to, const void* from, size_t n);
void* cz_memset(void* to, int value, size_t n);
int cz_memcmp(const void* a, const void* b, size_t n);
size_t cz_strlen(const char* s);
}
#endif
