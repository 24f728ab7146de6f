// Field access to the host's records, descriptors and cells, for every part of the plug-in that
// reads or writes them: the layout check (record sizes), the hooks (handler slots, current
// records, the lookup key and scope) and the fillers.
//
// Host records are byte-packed and little-endian (the host and the plug-in are both x86), and
// doubles may start at odd offsets, so every field is read and written with memcpy at its exact
// byte offset. A field's type carries its width; an array field's elements follow one another.
#pragma once

#include "platform/abi.h"

#include <stdint.h>
#include <string.h>

template <typename T> struct Field {
    uint32_t offset; // byte offset of element 0 in the record
};

template <typename T> inline T get(const uint8_t* record, Field<T> field, uint32_t index = 0) {
    T value;
    memcpy(&value, record + field.offset + index * sizeof(T), sizeof(T));
    return value;
}

template <typename T>
inline void put(uint8_t* record, Field<T> field, T value, uint32_t index = 0) {
    memcpy(record + field.offset + index * sizeof(T), &value, sizeof(T));
}

// The eight bytes of a double field exactly as they are: copying through a double could alter a
// signalling NaN's payload on the x87 unit.
inline uint64_t get_bits(const uint8_t* record, Field<double> field, uint32_t index = 0) {
    uint64_t bits;
    memcpy(&bits, record + field.offset + index * 8, 8);
    return bits;
}
inline void put_bits(uint8_t* record, Field<double> field, uint64_t bits, uint32_t index = 0) {
    memcpy(record + field.offset + index * 8, &bits, 8);
}

// A host cell (the record count, the lookup key and scope, an entry of the record array), read and
// written through memcpy: the plug-in does not rely on the host aligning it.
template <typename T> inline T load(const T* cell) {
    T value;
    memcpy(&value, cell, sizeof value);
    return value;
}
template <typename T> inline void store(T* cell, T value) {
    memcpy(cell, &value, sizeof value);
}

// Table descriptor (from host service 52256). Pointers are one machine word.
namespace desc {
constexpr Field<int16_t> kRecordSize{6};
constexpr Field<uint8_t*> kCurrent{8};     // the table's current-record buffer
constexpr Field<cz_handler> kHandler{104}; // the table's handler routine
} // namespace desc
