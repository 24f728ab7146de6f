// The host's records as the host sees them: the seven tables, the table descriptor, the typed
// fields of every record the simulated host, the tests, the fuzzers and the benchmarks touch, one
// accessor pair and one guarded odd-address buffer.
//
// This is the one place outside the plug-in that knows the host's offsets, table numbers and
// record sizes. It is written independently of the plug-in's own field list on purpose: a wrong
// offset in one of the two shows up as a test failure against the other.
//
// Records are byte-packed and little-endian, and doubles may start at odd offsets, so every field
// is read and written with memcpy at its exact byte offset. A field's type carries its width; an
// array field's elements follow one another.
#pragma once

#include "platform/abi.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define CZ_RECORDS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CZ_RECORDS_ASAN 1
#endif
#endif
#if defined(CZ_RECORDS_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace records {

// ---- fields and their accessors ----

template <typename T> struct Field {
    uint32_t offset;    // byte offset of element 0
    uint32_t count = 1; // elements of an array field
    constexpr uint32_t width() const { return count * static_cast<uint32_t>(sizeof(T)); }
    constexpr uint32_t end() const { return offset + width(); }
};

template <typename T> T get(const uint8_t* record, Field<T> field, uint32_t index = 0) {
    T value;
    memcpy(&value, record + field.offset + index * sizeof(T), sizeof(T));
    return value;
}
// The value takes the field's type (it does not take part in deducing T): put(line, kKey, 5).
template <typename T> struct FieldType { using type = T; };
template <typename T>
void put(uint8_t* record, Field<T> field, typename FieldType<T>::type value, uint32_t index = 0) {
    memcpy(record + field.offset + index * sizeof(T), &value, sizeof(T));
}

// The eight bytes of a double field exactly as they are (a signalling NaN keeps its payload).
inline uint64_t get_bits(const uint8_t* record, Field<double> field, uint32_t index = 0) {
    uint64_t bits;
    memcpy(&bits, record + field.offset + index * 8, 8);
    return bits;
}
inline void put_bits(uint8_t* record, Field<double> field, uint64_t bits, uint32_t index = 0) {
    memcpy(record + field.offset + index * 8, &bits, 8);
}

// Bytes [offset, offset + width) of a record: what a hook owns, for the tests' and the fuzzer's
// "nothing else changed" checks.
struct Extent {
    uint32_t offset, width;
};
template <typename T> constexpr Extent extent(Field<T> field) {
    return {field.offset, field.width()};
}
// From the first byte of `first` to the last byte of `last`.
template <typename A, typename B> constexpr Extent extent(Field<A> first, Field<B> last) {
    return {first.offset, last.end() - first.offset};
}

// ---- the seven tables ----

enum : int32_t { kK9 = 49, kRw = 56, kMm = 58, kMmDok = 67, kRwDok = 72, kMr = 79, kMrDok = 80 };

// A host table: its number (as service 52256 takes it), the record size of an up-to-date host
// and its name.
struct TableInfo {
    int32_t number;
    int16_t size;
    const char* name;
};
// In the order the plug-in registers them.
inline constexpr TableInfo kTables[7] = {
    {kMm, 526, "Mm"}, {kMmDok, 660, "Mm_dok"},  {kMr, 541, "Mr"}, {kMrDok, 1034, "Mr_dok"},
    {kRw, 835, "Rw"}, {kRwDok, 2125, "Rw_dok"}, {kK9, 1024, "k9"}};

// The table of that number or name; null when the host has no such table.
constexpr const TableInfo* find_table(int32_t number) {
    for (const TableInfo& t : kTables)
        if (t.number == number) return &t;
    return nullptr;
}
inline const TableInfo* find_table(const char* name) {
    for (const TableInfo& t : kTables)
        if (strcmp(t.name, name) == 0) return &t;
    return nullptr;
}
constexpr int16_t record_size(int32_t number) {
    const TableInfo* t = find_table(number);
    return t ? t->size : 0;
}

// ---- the table descriptor (service 52256); pointers are one machine word ----

namespace desc {
constexpr Field<int16_t> kRecordSize{6};
constexpr Field<uint8_t*> kCurrent{8};     // the table's current record
constexpr Field<cz_handler> kHandler{104}; // the table's handler routine
constexpr uint32_t kSize = kHandler.end();
} // namespace desc

// ---- records ----
//
// Fields marked "host" are the host's own: the plug-in never touches them, the simulated host's
// recalculation services keep them up to date.

// k9: items with their purchase prices.
namespace k9 {
constexpr Field<int16_t> kPriceCode{229};
constexpr Field<double> kPrice{231};
} // namespace k9

// Rw_dok: the lines of an RW document, with ten price slots.
namespace rw_dok {
constexpr Field<int32_t> kQuantity{100}; // host: thousandths of a unit
constexpr Field<double> kValue{104};     // host: quantity x first used slot's price, whole
constexpr Field<int32_t> kSlotUse{1977, 10};
constexpr Field<double> kSlotPrice{2017, 10};
constexpr Field<int16_t> kSlotCode{2097, 10};
constexpr Field<int16_t> kScope{2119};
constexpr Field<int16_t> kKey{2121};
} // namespace rw_dok

// Rw: the RW document header.
namespace rw {
constexpr Field<double> kValue{100}; // host: the sum of the line values
} // namespace rw

// Mr_dok: the lines of an MR document, with ten selling levels.
namespace mr_dok {
constexpr Field<int32_t> kRecalcs{0}; // host: how often 51465 recalculated the line
constexpr Field<int32_t> kQuantity{140};
constexpr Field<int32_t> kPrice{150};
constexpr Field<int16_t> kPriceCode{154};
constexpr Field<double> kValue{156};
constexpr Field<double> kDifference{164};
constexpr Field<double> kConverted{172};
constexpr Field<int16_t> kSellingCode{180};
constexpr Field<int32_t> kPercent{188, 10}; // thousandths of a percent
constexpr Field<double> kSelling{228, 10};
constexpr Field<double> kSellingConverted{308, 10};
constexpr Field<int16_t> kScope{1028};
constexpr Field<int16_t> kKey{1030};
} // namespace mr_dok

// Mm_dok: the lines of an MM document, with ten price slots.
namespace mm_dok {
constexpr Field<int32_t> kRecalcs{0}; // host: how often 51472 recalculated the line
constexpr Field<int32_t> kQuantity{157};
constexpr Field<double> kPrice{167};
constexpr Field<int16_t> kPriceCode{175};
constexpr Field<double> kValue{177};
constexpr Field<double> kDifference{185};
constexpr Field<double> kConverted{193};
constexpr Field<uint32_t> kValueMark{201};
constexpr Field<int32_t> kSlotUse{275, 10};
constexpr Field<int32_t> kSlotPrice{315, 10}; // whole numbers
constexpr Field<int16_t> kSlotCode{355, 10};
constexpr Field<int16_t> kKey{656};
} // namespace mm_dok

// Mr and Mm: the MR and MM document headers. The three totals are the host's: the sums of the
// lines' value, converted value and value difference.
namespace mr {
constexpr Field<double> kValue{100};
constexpr Field<double> kConverted{108};
constexpr Field<double> kDifference{116};
constexpr Field<int16_t> kMethod{521}; // 0: selling prices by markup, otherwise by margin
} // namespace mr
namespace mm {
constexpr Field<double> kValue{100};
constexpr Field<double> kConverted{108};
constexpr Field<double> kDifference{116};
constexpr Field<int16_t> kScope{510}; // the lookup scope of every line
} // namespace mm

// ---- a record buffer ----

// A byte buffer whose data start at an odd address (every multi-byte field misaligned), between
// guard bytes that guard_intact() checks: one before the data, kTail after them. Under
// AddressSanitizer the tail is poisoned as well, so that a read past the end is reported where it
// happens.
class OddBuffer {
  public:
    explicit OddBuffer(size_t size, uint8_t fill = 0)
        : storage_(new uint8_t[1 + size + kTail]), size_(size) {
        memset(storage_.get(), kGuard, 1 + size + kTail);
        memset(data(), fill, size);
#if defined(CZ_RECORDS_ASAN)
        ASAN_POISON_MEMORY_REGION(data() + size_, kTail);
#endif
    }
    ~OddBuffer() {
#if defined(CZ_RECORDS_ASAN)
        ASAN_UNPOISON_MEMORY_REGION(data() + size_, kTail);
#endif
    }
    OddBuffer(const OddBuffer&) = delete;
    OddBuffer& operator=(const OddBuffer&) = delete;

    uint8_t* data() {
        return storage_.get() + 1;
    }
    const uint8_t* data() const {
        return storage_.get() + 1;
    }
    size_t size() const {
        return size_;
    }
    std::vector<uint8_t> bytes() const {
        return {data(), data() + size_};
    }
    bool guard_intact() const {
        if (storage_[0] != kGuard) return false;
#if !defined(CZ_RECORDS_ASAN) // under AddressSanitizer a write there has been reported already
        for (size_t i = 0; i < kTail; ++i)
            if (data()[size_ + i] != kGuard) return false;
#endif
        return true;
    }

  private:
    static constexpr uint8_t kGuard = 0x5A;
    static constexpr size_t kTail = 15;
    std::unique_ptr<uint8_t[]> storage_;
    size_t size_;
};

} // namespace records
