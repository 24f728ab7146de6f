// The plug-in's three entry points, exported by ordinal only.
#pragma once

#include "platform/abi.h"

#include <stdint.h>

extern "C" {
// Entry 30001: attach (non-null first argument; title into the buffer when given, then the attach
// check: 0 accepts, -1 refuses) or detach (null first argument: hook removal, 0).
int32_t CZ_CDECL cz_entry_30001(void* host, char* title_buffer);
// Entry 30008: flag non-zero shows the mismatch report; flag 0 installs the hooks (removing them
// all again when one table fails) and shows the installation notice. Always 0.
int32_t CZ_CDECL cz_entry_30008(int32_t flag);
// Entry 30009: nothing, 0.
int32_t CZ_CDECL cz_entry_30009(void);
}
