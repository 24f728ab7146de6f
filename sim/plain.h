// A plain VORDAN: the 21 services with the plainest semantics and nothing recorded, for the
// benchmarks and the allocation test.
//
// Each service does the least its row in host/services.h implies: the rounding services round,
// the k9 lookup finds the item of the current lookup key and scope and makes it k9's current
// record, the price conversion converts 1:1, the recalculations do nothing, a message is kept in
// a fixed buffer. No service allocates memory or records a trace, so a benchmark sees what the
// plug-in adds to the host calls it has to make, and an allocation count made across the plug-in's
// calls sees only the plug-in's own.
//
// setup() and make_document() allocate; everything they make stays where it is until the next
// setup(). Like the traced host (vordan.h), every descriptor and record is a records::OddBuffer.
// Tables, fields and offsets: sim/records.h.
#pragma once

#include "host/services.h"
#include "platform/platform.h"
#include "sim/host_tables.h"
#include "sim/records.h"

#include <memory>
#include <stdint.h>
#include <vector>

namespace plain {

// The services, each declared from its row in host/services.h (plain.cpp checks that every
// definition has exactly that type): plain::s52178 is what VORDAN exports as 52178, so a test or
// benchmark can also call it directly.
#define CZ_PLAIN_DECLARE(ord, ret, params, name) ret CZ_CDECL s##ord params;
CZ_HOST_SERVICES(CZ_PLAIN_DECLARE)
#undef CZ_PLAIN_DECLARE

// The host's own handler routine, the same for every table: counts its calls and returns
// kHandlerResult.
int32_t CZ_CDECL handler(CZ_HANDLER_PARAMETERS);
constexpr int32_t kHandlerResult = 0x600D;

// A k9 item. Item k (1 to the number set up) belongs to lookup key k.
struct Item {
    int16_t scope;
    int16_t code;
    double price;
};

// A fresh host: every table at its up-to-date record size with its descriptor, current record and
// handler; `items` k9 items with prices from 10.00 up and codes 0 to 2, all of lookup scope 1;
// interface version 112; the notice setting not stored; the Mr header prices by margin (flag 1)
// and the Mm header gives lookup scope 1.
void setup(int32_t items);

// A host built for other layouts: one table's record size, or no such table at all.
void set_record_size(int32_t table, int16_t size);
void remove_table(int32_t table);
void set_version(int32_t version);

Item& item(int32_t key);
uint8_t* descriptor(int32_t table); // null when the host has no such table
uint8_t* current(int32_t table);    // the table's current record
cz_handler handler_in_slot(int32_t table);

// Registers VORDAN in the simulated loader (its file name is stored: this allocates).
cz_module register_module();

// What the host was shown, kept without allocating.
int32_t messages();         // calls of 52028, 52029 and 52023
const char* last_message(); // text (52028, 52023) or format (52029), cut to 1023 bytes
int32_t handler_calls();    // calls of handler()
int16_t lookup_scope();     // the host's lookup scope and key now
int32_t lookup_key();

// The journal: while set, every service call appends its ordinal (up to `capacity`), so that a
// benchmark can check that two callers made the same host calls in the same order. Off by default.
void journal_to(int32_t* calls, uint32_t capacity);
uint32_t journal_size();
void journal_off();

// A document's lines, as the host hands them to a handler: the records, the array of record
// pointers and the count cell.
using Document = hosttables::Lines;

// `n` lines of table records::kRwDok, kMrDok or kMmDok as the user has them before the first
// Ctrl-E: line i looks up item 1 + i % items (scope 1) and has no price yet. Rw_dok: all ten price
// slots in use. Mr_dok: quantities from 1 to 13.25 units, selling percentages 5 % to 50 %, selling
// price code 1. Mm_dok: quantities as in Mr_dok, all ten price slots in use.
Document make_document(int32_t table, int32_t n, int32_t items);

// Takes away what a Ctrl-E filled that would make the next one skip the work: the RW slot prices
// and the MR line prices go back to zero. (The MM hook recomputes every line anyway.)
void unprice(Document& doc);

} // namespace plain
