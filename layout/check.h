// Record layout compatibility check: host interface version and the record sizes of the seven
// tables, and the report that explains a refusal.
#pragma once

#include <stdint.h>

enum { kRequiredHostVersion = 112 };

// 0 when the plug-in accepts the host, -1 when it refuses.
int32_t attach_check();

// Registers the seven tables in order and returns the count of the mismatch list afterwards.
int32_t register_layouts();

// Shows the version message (empty list) or the table of mismatching record sizes.
void mismatch_report();
