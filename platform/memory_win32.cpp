// The memory routines of the DLL. It links no C runtime, yet the compiler turns record and buffer
// copies, fills, comparisons and length loops into calls to these routines, so the plug-in brings
// its own.
// Byte loops: the copies are of a few to a few hundred bytes, and the DLL is built for size.
// This file is compiled without the loop-to-call transformation (cmake/plugin.cmake), which would
// otherwise turn each loop back into a call to itself (on Linux, into a call to the C library's).
// On Linux the routines carry other names (platform/memory_routines.h), so that the tests can
// compare them with the C library's.
#include "platform/memory_routines.h"

extern "C" {

void* CZ_MEMORY(memcpy)(void* to, const void* from, size_t n) {
    unsigned char* d = static_cast<unsigned char*>(to);
    const unsigned char* s = static_cast<const unsigned char*>(from);
    while (n--)
        *d++ = *s++;
    return to;
}

void* CZ_MEMORY(memmove)(void* to, const void* from, size_t n) {
    unsigned char* d = static_cast<unsigned char*>(to);
    const unsigned char* s = static_cast<const unsigned char*>(from);
    if (d < s) {
        while (n--)
            *d++ = *s++;
    } else {
        while (n--)
            d[n] = s[n];
    }
    return to;
}

void* CZ_MEMORY(memset)(void* to, int value, size_t n) {
    unsigned char* d = static_cast<unsigned char*>(to);
    while (n--)
        *d++ = static_cast<unsigned char>(value);
    return to;
}

int CZ_MEMORY(memcmp)(const void* a, const void* b, size_t n) {
    const unsigned char* x = static_cast<const unsigned char*>(a);
    const unsigned char* y = static_cast<const unsigned char*>(b);
    for (; n; --n, ++x, ++y) {
        if (*x != *y) return *x < *y ? -1 : 1;
    }
    return 0;
}

size_t CZ_MEMORY(strlen)(const char* s) {
    const char* end = s;
    while (*end)
        ++end;
    return static_cast<size_t>(end - s);
}
}
