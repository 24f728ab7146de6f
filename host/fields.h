// Field access to the host's records, descriptors and cells, for every part of the plug-in that
// reads or writes them: the layout check (record sizes), the hooks (handler slots, current
// records, the lookup key and scope) and the fillers.
//
// Host records are byte-packed and little-endian (the host and the plug-in are both x86), and
// doubles may start at odd offsets, so every field is read and written with memcpy at its exact
// byte offset. A field's type carries its width; an array field's elements follow one another.
// All of it is in namespace hostrec (the host's records as the plug-in sees them).
#pragma once

#include "platform/abi.h"

#include <stdint.h>
#include <string.h>

namespace hostrec {

template <typename T> struct Field {
    uint32_t offset;    // byte offset of element 0 in the record
    uint32_t count = 1; // elements of an array field
    constexpr uint32_t end() const { return offset + count * static_cast<uint32_t>(sizeof(T)); }
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

// Bytes [from, to) of a record.
struct Span {
    uint32_t from, to;
};
// The bytes of one field, or from the first byte of `first` to the last byte of `last`.
template <typename T> constexpr Span span(Field<T> field) {
    return {field.offset, field.end()};
}
template <typename A, typename B> constexpr Span span(Field<A> first, Field<B> last) {
    return {first.offset, last.end()};
}

// Asks the processor to bring a span of a record into the cache, a request per cache line, so
// that a later read of it need not wait for memory. A prefetch is not a read: it never faults and
// changes nothing the program sees, whatever the address. The addresses are computed as numbers,
// not as pointers into the record, so that a null or wild record pointer from the host stays
// harmless here too. Always inlined: GCC at -Os takes a routine made of prefetches alone for one
// without effect and drops its calls.
__attribute__((always_inline)) inline void prefetch(const uint8_t* record, Span span) {
    const uintptr_t base = reinterpret_cast<uintptr_t>(record);
    // A step of one cache line (64 bytes) lands in every line of the span; the last byte's line
    // closes it. The offsets bound the count of requests, whatever the address; with a span
    // known at compile time the loop unrolls to one instruction per request.
#pragma GCC unroll 16
    for (uint32_t at = span.from; at < span.to; at += 64)
        __builtin_prefetch(reinterpret_cast<const void*>(base + at));
    __builtin_prefetch(reinterpret_cast<const void*>(base + span.to - 1));
}

// Table descriptor (from host service 52256). Pointers are one machine word.
namespace desc {
constexpr Field<int16_t> kRecordSize{6};
constexpr Field<uint8_t*> kCurrent{8};     // the table's current-record buffer
constexpr Field<cz_handler> kHandler{104}; // the table's handler routine
} // namespace desc

} // namespace hostrec
