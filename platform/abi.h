// Calling convention and word types shared by everything that crosses the module boundary.
#pragma once

#include <stdint.h>

// Every routine that crosses the boundary is __cdecl: the caller removes the arguments, so a
// routine may ignore what it was passed (fallback routines rely on this) and variable argument
// lists work. x86-64 has a single convention, so the attribute only exists on i386.
#if defined(__i386__)
#define CZ_CDECL __attribute__((cdecl))
#else
#define CZ_CDECL
#endif

// The Windows loader calls a DLL's image entry point __stdcall (the routine removes its own
// arguments). Only the i386 Windows build has that convention; the simulated loader on Linux calls
// the same routine as a plain one.
#if defined(_WIN32) && defined(__i386__)
#define CZ_WINAPI __attribute__((stdcall))
#else
#define CZ_WINAPI
#endif

// A routine pointer of unknown signature, as GetProcAddress hands it out.
typedef void(CZ_CDECL* cz_proc)(void);

// The host's table handler routine: event code, one opaque word, pointer to the record count,
// array of record pointers, seven opaque words. A routine of this type is defined with
// CZ_HANDLER_PARAMETERS and passes its arguments on as they came with CZ_HANDLER_ARGUMENTS.
#define CZ_HANDLER_PARAMETERS                                                                      \
    int32_t event, uint32_t a2, int32_t *count, uint8_t **records, uint32_t a5, uint32_t a6,       \
        uint32_t a7, uint32_t a8, uint32_t a9, uint32_t a10, uint32_t a11
#define CZ_HANDLER_ARGUMENTS event, a2, count, records, a5, a6, a7, a8, a9, a10, a11
typedef int32_t(CZ_CDECL* cz_handler)(CZ_HANDLER_PARAMETERS);
