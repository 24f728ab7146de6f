// The plug-in as the simulated loader on Linux loads it: its start routine and its exports by
// ordinal, the counterpart of cenyzak.dll's DllMain and export table.
#pragma once

#include "platform/loader_linux.h"

extern const cz_sim_image cenyzak_image;
