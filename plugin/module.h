// Module state and title: what the start-up records for the rest of the plug-in.
#pragma once

#include "platform/platform.h"

#include <stdint.h>

enum { kFileNameLimit = 300 }; // GetModuleFileNameA limit, terminating zero included

struct ModuleState {
    cz_module self;                 // the plug-in's own module handle
    char file_name[kFileNameLimit]; // the plug-in's full path; empty when it could not be had
    cz_module host;                 // module VORDAN, or null when the process has none
};

extern ModuleState g_module;

// Attach routine, for every load notification: reason 1 records the module state; any other
// reason does nothing. Always 1: it never refuses the load itself.
int32_t attach_routine(cz_module self, uint32_t reason, void* reserved);

// Module start-up, as the platform's loader runs it: the attach routine, then at process attach
// the start-up binding pass. 0 fails the load.
int32_t module_startup(cz_module self, uint32_t reason, void* reserved);

// Title copy: writes the 57 bytes of the title (its zero included) to the start of `buffer`.
char* title_copy(char* buffer);
