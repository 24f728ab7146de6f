// Field access to host records and descriptors.
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

// Table descriptor (from host service 52256). Pointers are one machine word.
namespace desc {
constexpr Field<int16_t> kRecordSize{6};
constexpr Field<uint8_t*> kCurrent{8};     // the table's current-record buffer
constexpr Field<cz_handler> kHandler{104}; // the table's handler routine
} // namespace desc

// k9 (table 49, 1024 bytes): items with their purchase prices.
namespace k9 {
constexpr Field<int16_t> kPriceCode{229};
constexpr Field<double> kPrice{231};
} // namespace k9

// Rw_dok (table 72, 2125 bytes): lines of an RW document. Ten price slots.
namespace rw_dok {
constexpr Field<int32_t> kSlotUse{1977};  // [10] non-zero: the slot is in use
constexpr Field<double> kSlotPrice{2017}; // [10]
constexpr Field<int16_t> kSlotCode{2097}; // [10]
constexpr Field<int16_t> kScope{2119};    // becomes the lookup scope
constexpr Field<int16_t> kKey{2121};      // becomes the lookup key, sign-extended
} // namespace rw_dok

// Mr_dok (table 80, 1034 bytes): lines of an MR document.
namespace mr_dok {
constexpr Field<int32_t> kQuantity{140};    // thousandths of a unit
constexpr Field<int32_t> kPrice{150};       // line price
constexpr Field<int16_t> kPriceCode{154};   // line price code (unsigned for conversion)
constexpr Field<double> kValue{156};        // line value
constexpr Field<double> kDifference{164};   // value difference
constexpr Field<double> kConverted{172};    // converted line value
constexpr Field<int16_t> kSellingCode{180}; // selling price code (unsigned for conversion)
constexpr Field<int32_t> kPercent{188};     // [10] selling percentages, thousandths of a %
constexpr Field<double> kSelling{228};      // [10] selling prices
constexpr Field<double> kSellingConv{308};  // [10] converted selling prices
constexpr Field<int16_t> kScope{1028};      // becomes the lookup scope
constexpr Field<int16_t> kKey{1030};        // becomes the lookup key, sign-extended
} // namespace mr_dok

// Mr (table 79, 541 bytes): MR document header.
namespace mr {
constexpr Field<int16_t> kMethod{521}; // 0: selling prices by markup; otherwise by margin
} // namespace mr

// Mm_dok (table 67, 660 bytes): lines of an MM document. Ten price slots.
namespace mm_dok {
constexpr Field<int32_t> kQuantity{157};   // thousandths of a unit
constexpr Field<double> kPrice{167};       // line price
constexpr Field<int16_t> kPriceCode{175};  // line price code (unsigned for conversion)
constexpr Field<double> kValue{177};       // line value
constexpr Field<double> kDifference{185};  // value difference
constexpr Field<double> kConverted{193};   // converted line value
constexpr Field<uint32_t> kValueMark{201}; // cleared once the amounts are computed
constexpr Field<int32_t> kSlotUse{275};    // [10] non-zero: the slot is in use
constexpr Field<int32_t> kSlotPrice{315};  // [10] whole numbers
constexpr Field<int16_t> kSlotCode{355};   // [10]
constexpr Field<int16_t> kKey{656};        // becomes the lookup key, sign-extended
} // namespace mm_dok

// Mm (table 58, 526 bytes): MM document header.
namespace mm {
constexpr Field<int16_t> kScope{510}; // lookup scope of every line of the document
} // namespace mm
