// The fields of the host's records that the fillers read and write, each offset named once (the
// accessors and the descriptor fields are in host/fields.h).
#pragma once

#include "host/fields.h"

namespace hostrec {

// k9 (table 49, 1024 bytes): items with their purchase prices.
namespace k9 {
constexpr Field<int16_t> kPriceCode{229};
constexpr Field<double> kPrice{231};
} // namespace k9

// Rw_dok (table 72, 2125 bytes): lines of an RW document. Ten price slots.
namespace rw_dok {
constexpr Field<int32_t> kSlotUse{1977, 10};  // non-zero: the slot is in use
constexpr Field<double> kSlotPrice{2017, 10}; // the slots' prices
constexpr Field<int16_t> kSlotCode{2097, 10}; // the slots' price codes
constexpr Field<int16_t> kScope{2119};        // becomes the lookup scope
constexpr Field<int16_t> kKey{2121};          // becomes the lookup key, sign-extended
} // namespace rw_dok

// Mr_dok (table 80, 1034 bytes): lines of an MR document.
namespace mr_dok {
constexpr Field<int32_t> kQuantity{140};       // thousandths of a unit
constexpr Field<int32_t> kPrice{150};          // line price
constexpr Field<int16_t> kPriceCode{154};      // line price code (unsigned for conversion)
constexpr Field<double> kValue{156};           // line value
constexpr Field<double> kDifference{164};      // value difference
constexpr Field<double> kConverted{172};       // converted line value
constexpr Field<int16_t> kSellingCode{180};    // selling price code (unsigned for conversion)
constexpr Field<int32_t> kPercent{188, 10};    // selling percentages, thousandths of a %
constexpr Field<double> kSelling{228, 10};     // selling prices
constexpr Field<double> kSellingConv{308, 10}; // converted selling prices
constexpr Field<int16_t> kScope{1028};         // becomes the lookup scope
constexpr Field<int16_t> kKey{1030};           // becomes the lookup key, sign-extended
} // namespace mr_dok

// Mr (table 79, 541 bytes): MR document header.
namespace mr {
constexpr Field<int16_t> kMethod{521}; // 0: selling prices by markup; otherwise by margin
} // namespace mr

// Mm_dok (table 67, 660 bytes): lines of an MM document. Ten price slots.
namespace mm_dok {
constexpr Field<int32_t> kQuantity{157};      // thousandths of a unit
constexpr Field<double> kPrice{167};          // line price
constexpr Field<int16_t> kPriceCode{175};     // line price code (unsigned for conversion)
constexpr Field<double> kValue{177};          // line value
constexpr Field<double> kDifference{185};     // value difference
constexpr Field<double> kConverted{193};      // converted line value
constexpr Field<uint32_t> kValueMark{201};    // cleared once the amounts are computed
constexpr Field<int32_t> kSlotUse{275, 10};   // non-zero: the slot is in use
constexpr Field<int32_t> kSlotPrice{315, 10}; // the slots' prices, whole numbers
constexpr Field<int16_t> kSlotCode{355, 10};  // the slots' price codes
constexpr Field<int16_t> kKey{656};           // becomes the lookup key, sign-extended
} // namespace mm_dok

// Mm (table 58, 526 bytes): MM document header.
namespace mm {
constexpr Field<int16_t> kScope{510}; // lookup scope of every line of the document
} // namespace mm

} // namespace hostrec
