#include "platform/module_state.h"

ModuleState g_module;
