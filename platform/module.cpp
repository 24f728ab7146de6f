#include "platform/module.h"

ModuleState g_module;
