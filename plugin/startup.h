// Module start-up: the attach routine records the module state (platform/module_state.h), then the
// start-up binding pass binds the host entries.
#pragma once

#include "platform/module_state.h"

#include <stdint.h>

// Attach routine, for every load notification: reason 1 records the module state; any other
// reason does nothing. Always 1: it never refuses the load itself.
int32_t attach_routine(cz_module self, uint32_t reason, void* reserved);

// Module start-up, as the platform's loader runs it: the attach routine, then at process attach
// the start-up binding pass. 0 fails the load.
int32_t module_startup(cz_module self, uint32_t reason, void* reserved);

// The image entry point (plugin/dllmain.cpp): the module start-up as the platform's loader calls
// it, with the Windows loader's convention; non-zero lets the load go on (TRUE), 0 fails it.
extern "C" int32_t CZ_WINAPI DllMain(cz_module instance, uint32_t reason, void* reserved);
