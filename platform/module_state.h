// Module state: what the start-up records about the plug-in's own module and the host module, for
// every part of the plug-in that names them (the binding, the dialog, the report).
#pragma once

#include "platform/platform.h"

enum { kFileNameLimit = 300 }; // GetModuleFileNameA limit, terminating zero included

struct ModuleState {
    cz_module self;                 // the plug-in's own module handle
    char file_name[kFileNameLimit]; // the plug-in's full path; empty when it could not be had
    cz_module host;                 // module VORDAN, or null when the process has none
};

extern ModuleState g_module;
