// The plug-in's one conversion of its own: a price to a 32-bit whole number.
#pragma once

#include <stdint.h>

// Truncates toward zero (12.9 gives 12, -5.7 gives -5). A price beyond the int32 range gives the
// nearest end of the range and a NaN gives 0, where a plain conversion would be undefined.
inline int32_t truncate_to_int32(double price) {
    if (price != price) return 0;
    if (price >= 2147483648.0) return INT32_MAX;
    if (price <= -2147483649.0) return INT32_MIN;
    return static_cast<int32_t>(price);
}

// A 16-bit price code as the price conversion takes it: widened without sign (0xFFFF: 65535).
inline int32_t code_for_conversion(int16_t code) {
    return static_cast<uint16_t>(code);
}
