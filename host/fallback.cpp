// Fallback routines and the fallback choice.
//
// A fallback routine stands in for a host service the user chose to go on without: it ignores
// its arguments and returns zero of the service's result type. Each service has its own, of
// exactly the service's signature, so that every call through a host entry goes through a pointer
// of the routine's own type (a call through a pointer of another function type is undefined
// behaviour in C++, whatever the calling convention would make of it). The same routine also
// carries out a call that was waiting in a first-use resolver when its entry stayed empty.
//
// Whether a service may have its fallback routine at all is the fallback choice: the identifier
// names a row of the fallback table (the size of the service's argument list), or none.
#include "host/entries.h"

#define CZ_FALLBACK(ord, ret, params, name)                                                        \
    static ret CZ_CDECL fallback_##ord params {                                                    \
        typedef ret result;                                                                        \
        return result();                                                                           \
    }
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#endif
CZ_HOST_SERVICES(CZ_FALLBACK)
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
#undef CZ_FALLBACK

static const cz_proc kFallbacks[CZ_HOST_ENTRY_COUNT] = {
#define CZ_FALLBACK_PTR(ord, ret, params, name) reinterpret_cast<cz_proc>(fallback_##ord),
    CZ_HOST_SERVICES(CZ_FALLBACK_PTR)
#undef CZ_FALLBACK_PTR
};

cz_proc fallback_routine(int32_t index) {
    return kFallbacks[index];
}

// The last two digits of an ordinal, or the number after the last "@" of a name, are the size of
// the service's argument list in bytes (4 per argument); 99 marks a variable list. Rows 0 to 14
// cover 0 to 59 bytes.
int32_t fallback_row(uintptr_t id) {
    constexpr uint32_t kNoRow = 60; // the first size past row 14
    uint32_t bytes;
    if (id < 65536) {
        bytes = static_cast<uint32_t>(id % 100);
        if (bytes == 99) return 0;
        if (bytes % 4 != 0) return -1;
    } else {
        const char* name = reinterpret_cast<const char*>(id);
        const char* at = nullptr;
        for (const char* p = name; *p; ++p)
            if (*p == '@') at = p;
        if (!at || at[1] < '0' || at[1] > '9') return 0;
        // The whole digit run is read; once the number is past every row it is held there, so a
        // long run cannot overflow and still means "no row".
        bytes = 0;
        for (const char* p = at + 1; *p >= '0' && *p <= '9'; ++p) {
            bytes = bytes * 10 + static_cast<uint32_t>(*p - '0');
            if (bytes > kNoRow) bytes = kNoRow;
        }
    }
    return bytes < kNoRow ? static_cast<int32_t>(bytes / 4) : -1;
}
