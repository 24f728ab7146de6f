// Fallback routines and the fallback choice.
//
// A fallback routine stands in for a host service the user chose to go on without. Row k takes k
// 32-bit arguments, ignores them and returns 0; row 0 also serves variable argument lists. Being
// __cdecl, a routine leaves its caller intact whatever it was passed, since the caller removes its
// own arguments: this is what lets 52028 (3 arguments) use row 7 or 52256 (1 argument) row 14.
#include "host/entries.h"

#define W uint32_t
template <typename... Words> static int32_t CZ_CDECL fallback(Words...) {
    return 0;
}

static const cz_proc kFallbacks[15] = {
    reinterpret_cast<cz_proc>(fallback<>),
    reinterpret_cast<cz_proc>(fallback<W>),
    reinterpret_cast<cz_proc>(fallback<W, W>),
    reinterpret_cast<cz_proc>(fallback<W, W, W>),
    reinterpret_cast<cz_proc>(fallback<W, W, W, W>),
    reinterpret_cast<cz_proc>(fallback<W, W, W, W, W>),
    reinterpret_cast<cz_proc>(fallback<W, W, W, W, W, W>),
    reinterpret_cast<cz_proc>(fallback<W, W, W, W, W, W, W>),
    reinterpret_cast<cz_proc>(fallback<W, W, W, W, W, W, W, W>),
    reinterpret_cast<cz_proc>(fallback<W, W, W, W, W, W, W, W, W>),
    reinterpret_cast<cz_proc>(fallback<W, W, W, W, W, W, W, W, W, W>),
    reinterpret_cast<cz_proc>(fallback<W, W, W, W, W, W, W, W, W, W, W>),
    reinterpret_cast<cz_proc>(fallback<W, W, W, W, W, W, W, W, W, W, W, W>),
    reinterpret_cast<cz_proc>(fallback<W, W, W, W, W, W, W, W, W, W, W, W, W>),
    reinterpret_cast<cz_proc>(fallback<W, W, W, W, W, W, W, W, W, W, W, W, W, W>),
};
#undef W

// The last two digits of an ordinal, or the number after the last "@" of a name, are the size of
// the service's argument list in bytes (4 per argument); 99 marks a variable list.
cz_proc fallback_choice(uintptr_t id) {
    uint32_t bytes;
    if (id < 65536) {
        bytes = static_cast<uint32_t>(id % 100);
        if (bytes == 99) return kFallbacks[0];
        if (bytes % 4 != 0) return nullptr;
    } else {
        const char* name = reinterpret_cast<const char*>(id);
        const char* at = nullptr;
        for (const char* p = name; *p; ++p)
            if (*p == '@') at = p;
        if (!at || at[1] < '0' || at[1] > '9') return kFallbacks[0];
        bytes = 0;
        // Stop counting once the number is past every row: no overflow on a long digit run.
        for (const char* p = at + 1; *p >= '0' && *p <= '9' && bytes <= 56; ++p)
            bytes = bytes * 10 + static_cast<uint32_t>(*p - '0');
    }
    return bytes / 4 <= 14 ? kFallbacks[bytes / 4] : nullptr;
}
