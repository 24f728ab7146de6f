// The plug-in as the simulated loader on Linux loads it: its start routine, which is DllMain
// itself, and its exports by ordinal, the counterpart of cenyzak.dll's export table.
#pragma once

#include "platform/loader_linux.h"

extern const cz_sim_image cenyzak_image;
