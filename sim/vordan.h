// The simulated host program: module VORDAN with the 21 services over in-memory tables, as the
// simulated loader's module. Tests, the fuzzer, benchmarks and hostsim drive the plug-in through
// it exactly as the host would: entries by ordinal, hooks through the tables' handler slots.
//
// Every record and descriptor buffer is a records::OddBuffer, so that the plug-in's field access
// is exercised on misaligned doubles and pointers. Tables, fields and offsets: sim/records.h.
#pragma once

#include "host/services.h"
#include "platform/loader_linux.h"
#include "sim/host_tables.h"
#include "sim/records.h"

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vordan {

// One host table (its descriptor, its current record, the host's own handler routine in its
// slot), and a set of line records with the array and count cell a handler receives.
using hosttables::Lines;
using hosttables::Table;

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

// Ways of a legal host that the default host never shows. All are off by default, so that
// hostsim's scenarios and every test that asks for none see the tidy host; a test switches one on
// to see that the plug-in does not rely on the tidy way.
struct Habits {
    // What 52412 answers when it finds the item: any non-zero value means found.
    int32_t found = 1;
    // A host that normalises its lookup key: every call of 52266 first turns the key cell's value
    // v into key_seen_as[v] when the map has it, so the fresh cell need not read back what was
    // written through the last one.
    std::map<int32_t, int32_t> key_seen_as;
    // Current records that move: during every call of service `during`, the current record of
    // `table` moves to a fresh buffer with the same bytes (named like the old one with "#n", the
    // n-th move); the old buffer stays, no longer current.
    struct Move {
        int32_t table;
        int32_t during;
    };
    std::vector<Move> moves;
    // An item that the recalculation services (52333 to 52335, 51465, 51466, 51472, 51473) look
    // up for themselves: each leaves the lookup key and scope set to it and k9's current record
    // holding it.
    std::optional<Item> recalculations_look_up;
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
    // The recalculation services keep the host's own fields up to date (marked "host" in
    // sim/records.h): 52333 and 52334 the Rw_dok line value (the quantity times the price of the
    // first used slot, whole), 52335 the Rw document value, 51465 and 51472 the Mr_dok and Mm_dok
    // recalculation counts, 51466 and 51473 the Mr and Mm totals. Off, they only trace, so that a
    // test sees exactly the bytes the plug-in wrote.
    bool recalculate = false;
    Habits habits;
    std::map<int32_t, std::vector<std::unique_ptr<records::OddBuffer>>> moved_away; // by table

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

} // namespace vordan

// The services, each declared from its row in host/services.h: a definition with another
// signature does not compile. They have C names so that VORDAN.dll can export them by ordinal
// (sim/vordan.def); a test may call one directly.
extern "C" {
#define CZ_VORDAN_DECLARE(ord, ret, params, name) ret CZ_CDECL vordan_##ord params;
CZ_HOST_SERVICES(CZ_VORDAN_DECLARE)
#undef CZ_VORDAN_DECLARE
}
