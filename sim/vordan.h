// The simulated host program: module VORDAN with the 21 services over in-memory tables, as the
// simulated loader's module. Tests, the fuzzer, benchmarks and hostsim drive the plug-in through
// it exactly as the host would: entries by ordinal, hooks through the tables' handler slots.
//
// Every record and descriptor buffer starts at an odd address, so that the plug-in's field
// access is exercised on misaligned doubles and pointers.
#pragma once

#include "host/services.h"
#include "platform/simloader.h"

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vordan {

// Offsets of the host's table descriptor.
constexpr uint32_t kDescRecordSize = 6;
constexpr uint32_t kDescCurrent = 8;
constexpr uint32_t kDescHandler = 104;
constexpr uint32_t kDescSize = 104 + sizeof(void*);

// Table numbers and the record sizes of an up-to-date host.
struct TableSpec {
    int32_t number;
    int16_t size;
    const char* name;
};
extern const TableSpec kTables[7]; // Mm, Mm_dok, Mr, Mr_dok, Rw, Rw_dok, k9
enum : int32_t { kK9 = 49, kRw = 56, kMm = 58, kMmDok = 67, kRwDok = 72, kMr = 79, kMrDok = 80 };

// A byte buffer at an odd address that stays where it is.
class Buffer {
  public:
    explicit Buffer(size_t size, uint8_t fill = 0);
    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    std::vector<uint8_t> bytes() const { return {data_, data_ + size_}; }

  private:
    std::unique_ptr<uint8_t[]> storage_;
    uint8_t* data_;
    size_t size_;
};

template <typename T> T read(const uint8_t* p, uint32_t offset) {
    T v;
    memcpy(&v, p + offset, sizeof v);
    return v;
}
template <typename T> void write(uint8_t* p, uint32_t offset, T v) {
    memcpy(p + offset, &v, sizeof v);
}

// One host table: its descriptor, its current record, and the host's own handler routine.
struct Table {
    int32_t number = 0;
    std::unique_ptr<Buffer> descriptor;
    std::unique_ptr<Buffer> current;
    uint8_t* handler_slot() { return descriptor->data() + kDescHandler; }
    cz_handler handler() const;
};

// An item of k9: lookup key and scope, and what the k9 record holds for it.
struct Item {
    int32_t key;
    int16_t scope;
    double price;
    int16_t code;
};

// A message shown by 52028, 52029 or 52023, exactly as the host received it (Mazovia bytes).
struct Message {
    int32_t ordinal;
    std::string caption;
    std::string text; // formatted for 52029
    int32_t flags;
};

// One call of the host's own handler routine.
struct HandlerCall {
    int32_t table;
    int32_t event;
    uint32_t a2;
    int32_t* count;
    uint8_t** records;
    uint32_t rest[7];
};

// A set of line records with the array and count cell a handler receives.
struct Lines {
    std::vector<std::unique_ptr<Buffer>> records;
    std::vector<uint8_t*> pointers;
    int32_t count = 0;
    uint8_t* operator[](size_t i) { return records[i]->data(); }
};

struct Host {
    int32_t version = 112;
    std::map<int32_t, Table> tables; // by number; a missing number has no descriptor
    std::vector<Item> items;
    std::map<int32_t, double> rates; // price conversion by code; a code not listed converts 1:1
    std::map<std::string, int32_t> settings;
    // What a read of a stored setting returns (a setting not stored gives 1); non-zero low 16
    // bits make every read fail with this result.
    int32_t setting_read_result = 0;
    bool failed_read_stores = false;        // a failing read still stores the setting's value
    std::optional<int16_t> notice_flag_set; // what the user leaves in the notice's flag
    int16_t lookup_scope = 0;
    int32_t lookup_key = 0;
    int32_t handler_result = 0x600D;
    std::vector<std::string> trace; // every service call, "ordinal(args)"
    std::vector<Message> messages;
    std::vector<HandlerCall> handler_calls;
    std::vector<int32_t> missing; // ordinals VORDAN does not export
    // Called after every service call is traced (the ordinal), e.g. to change a count.
    std::function<void(int32_t)> on_call;
    // Overrides for the fuzzer and for tests of unusual hosts; unset: the normal semantics.
    std::function<int32_t(double, int32_t)> round_whole;
    std::function<int32_t()> lookup_override;
    std::function<double(double, int32_t)> round_amount;           // 52179
    std::function<double(int32_t, int32_t, double)> convert_price; // 52289
    std::map<const void*, std::string> names;                      // how trace shows pointers
    // The recalculation services compute the host's own line and document totals (below); off,
    // they only trace, so that a test sees exactly the bytes the plug-in wrote.
    bool recalculate = false;

    // Sets up every table with the given record size (or the up-to-date one).
    void add_table(int32_t number, int16_t size);
    void add_all_tables();
    void remove_table(int32_t number) { tables.erase(number); }
    uint8_t* descriptor(int32_t number);
    uint8_t* current(int32_t number);

    Lines make_lines(int32_t table, size_t n, uint8_t fill = 0);
    std::string name_of(const void* p) const;
};

// The host of this process. reset() gives a fresh one with every table up to date.
Host& host();
void reset();

#if !defined(_WIN32)
// Registers VORDAN (without the ordinals in host().missing) in the simulated loader.
cz_module register_module();
#endif

// The host's own fields, in bytes of its records that the plug-in never touches, which its
// recalculation services keep up to date:
//   Rw_dok: quantity (int32, thousandths) at 100, line value (double) at 104: the quantity times
//           the price of the first used price slot, rounded to a whole number (52333, 52334);
//   Rw:     document value (double) at 100: the sum of the line values (52335);
//   Mr, Mm: document value, converted value and value difference (doubles) at 100, 108 and 116:
//           the sums of the lines' three amounts (51466, 51473);
//   Mr_dok, Mm_dok: recalculation count (int32) at 0 (51465, 51472).
constexpr uint32_t kRwQuantity = 100, kRwValue = 104, kDocValue = 100, kDocConverted = 108,
                   kDocDifference = 116, kLineRecalcs = 0;

// Mazovia to Windows-1250 and to UTF-8, as the host's text services see them; Windows-1250 (the
// message box's encoding) to UTF-8.
std::string mazovia_to_cp1250(const std::string& s);
std::string mazovia_to_utf8(const std::string& s);
std::string cp1250_to_utf8(const std::string& s);

} // namespace vordan
