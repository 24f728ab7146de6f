// The 21 services of the host program that the plug-in calls, exported by ordinal from the host
// module VORDAN.
//
// This list is a binary contract: its order is the order of the host entry table, which is the
// order in which the start-up binding pass binds the entries; each row's parameter list is the
// exact signature the host's routine has (every routine __cdecl, every pointer and int one 32-bit
// word on the target, doubles 8 bytes, a double result in st(0)). Results the plug-in does not use
// are declared int32_t. The entry table, the entry probes, the first-use resolvers and the typed
// calls (HOST in host/entries.h) all follow from this one list.
//
//   X(ordinal, result, parameters, name)
//
// The plug-in's code calls a service by its name (HOST(RoundToWhole)); the ordinal, under which
// the host exports it and the host's documentation lists it, is beside the name here.
#pragma once

#include "platform/abi.h"

#include <stdint.h>

// clang-format off
#define CZ_HOST_SERVICES(X)                                                                        \
    X(52028, int32_t, (const char* caption, const char* text, int32_t flags), ShowMessage)         \
    X(52029, int32_t, (const char* caption, const char* format, int32_t flags, ...),               \
      ShowFormattedMessage)                                                                        \
    X(52158, int32_t, (char* destination, const char* source, int32_t from, int32_t to),           \
      ConvertText)                                                                                 \
    X(38417, int32_t, (void), Reserved38417)                                                       \
    X(52178, int32_t, (double amount, int32_t n), RoundToWhole)                                    \
    X(52179, double, (double amount, int32_t n), RoundAmount)                                      \
    X(51594, int32_t, (void), InterfaceVersion)                                                    \
    X(52256, uint8_t*, (int32_t table), TableDescriptor)                                           \
    X(52224, int32_t,                                                                              \
      (int32_t mode, const char* section, const char* key, const char* format, void* values),      \
      Setting)                                                                                     \
    X(52023, int32_t, (int32_t number, int16_t* flag, int32_t zero, const char* text),             \
      ShowNotice)                                                                                  \
    X(52265, int16_t*, (void), LookupScope)                                                        \
    X(52266, int32_t*, (void), LookupKey)                                                          \
    X(52333, int32_t, (uint8_t* line), RwLineRecalc)                                               \
    X(52334, int32_t,                                                                              \
      (uint8_t** lines, int32_t count, uint8_t* header, int32_t z1, int32_t z2, int32_t z3),       \
      RwLinesRecalc)                                                                               \
    X(52335, int32_t, (uint8_t* header, uint8_t* header2, uint8_t** lines, int32_t count),         \
      RwDocumentRecalc)                                                                            \
    X(51465, int32_t,                                                                              \
      (uint8_t* line, uint8_t** lines, int32_t count, uint8_t* header, int32_t z1, int32_t z2,     \
       int32_t z3),                                                                                \
      MrLineRecalc)                                                                                \
    X(51466, int32_t, (uint8_t* header, uint8_t* header2, uint8_t** lines, int32_t count),         \
      MrDocumentRecalc)                                                                            \
    X(51472, int32_t,                                                                              \
      (uint8_t* line, uint8_t** lines, int32_t count, uint8_t* header, int32_t z1, int32_t z2,     \
       int32_t z3),                                                                                \
      MmLineRecalc)                                                                                \
    X(51473, int32_t, (uint8_t* header, uint8_t* header2, uint8_t** lines, int32_t count),         \
      MmDocumentRecalc)                                                                            \
    X(52289, double, (int32_t mode, int32_t code, double amount), ConvertPrice)                    \
    X(52412, int32_t, (int32_t a, int32_t b), K9Lookup)
// clang-format on

// cz_svc_NNNNN and cz_svc_Name: the pointer type of the service, by its ordinal (for the host's
// side, which exports by ordinal) and by its name (for the plug-in's calls).
#define CZ_SVC_TYPEDEF(ord, ret, params, name)                                                     \
    typedef ret(CZ_CDECL* cz_svc_##ord) params;                                                    \
    typedef cz_svc_##ord cz_svc_##name;
CZ_HOST_SERVICES(CZ_SVC_TYPEDEF)
#undef CZ_SVC_TYPEDEF

// CZ_ENTRY_Name: the service's position in the host entry table.
enum {
#define CZ_SVC_INDEX(ord, ret, params, name) CZ_ENTRY_##name,
    CZ_HOST_SERVICES(CZ_SVC_INDEX)
#undef CZ_SVC_INDEX
        CZ_HOST_ENTRY_COUNT
};
