// The hook frame that the three hooks share.
//
// On every event: ask for the descriptors of k9 and of the document header table. On the Ctrl-E
// event: save the host's lookup key and scope, walk the line records (key, price test, scope,
// clearing, k9 lookup, filling), run the step's work after the lines, put key and scope back. Then,
// on every event, pass the eleven arguments unchanged to the host handler and return its result.
//
// A step type supplies, as static members: kKey (the line's key field), kNeedsHeader (true when
// no line can be filled without the current header record), priced(e, line) (true
// ends the line's processing before its scope is set), scope(e, line), clear(line) (before the
// lookup), fill(e, line, item) (item: the k9 record the lookup found, or null), after_lines(e) and
// kAhead (the spans of a line record that the step reads and writes, prefetched a few lines ahead).
#pragma once

#include "host/entries.h"
#include "pricing/fields.h"
#include "pricing/hooks.h"

enum : int32_t { kCtrlE = 5 };

// How many lines ahead of the line being filled the frame prefetches. A fetch from memory takes
// longer than a dozen RW lines with a quick host: far enough ahead, the fields of a long document
// (which no cache holds) have arrived by the time the line's turn comes. 16 lines of the largest
// spans are some 7 KB, little beside any cache, so they are still there when a slower host's
// calls make their turn come later.
// docs/PERFORMANCE.md has the measurement behind the number; CZ_PREFETCH_LINES overrides it for
// that measurement only.
#ifndef CZ_PREFETCH_LINES
#define CZ_PREFETCH_LINES 16
#endif
constexpr int32_t kPrefetchLines = CZ_PREFETCH_LINES;

// What one Ctrl-E event works on. Host cells (count, key, scope, the record array) are read and
// written with load and store (host/fields.h).
struct Event {
    int32_t* count;       // handler argument 3; null counts as 0
    uint8_t** records;    // handler argument 4
    uint8_t* k9;          // k9 descriptor
    uint8_t* header_desc; // descriptor of the document header table
    uint8_t* header;      // header table's current record when the event arrived
};

// The record count as the count cell holds it at this moment.
inline int32_t count_now(const Event& e) {
    return e.count ? hostrec::load(e.count) : 0;
}

template <typename Step> void fill_lines(Event& e) {
    // The lookup key and scope are the host's; both go back as they were once the lines are done.
    int32_t* key_cell = HOST(LookupKey)();
    const int32_t saved_key = key_cell ? hostrec::load(key_cell) : 0;
    int16_t* scope_cell = HOST(LookupScope)();
    const int16_t saved_scope = scope_cell ? hostrec::load(scope_cell) : 0;

    int32_t n = 0;
    for (int32_t i = 0; e.records && i < (n = count_now(e)); ++i) {
        // Line i + kPrefetchLines is requested from memory now, to arrive while the host calls
        // of the lines before it run. The array entry is read only below the count just read (it
        // exists), and a prefetch is no read of the record: the order of the hook's reads and
        // writes stays as it is, and a bad pointer in the array does no harm.
        if (n - i > kPrefetchLines) {
            const uint8_t* ahead = hostrec::load(e.records + i + kPrefetchLines);
#pragma GCC unroll 4
            for (const hostrec::Span& span : Step::kAhead)
                hostrec::prefetch(ahead, span);
        }
        uint8_t* line = hostrec::load(e.records + i);
        if (!line) continue; // a hole in the host's array: nothing to fill
        if (int32_t* cell = HOST(LookupKey)())
            hostrec::store(cell, static_cast<int32_t>(hostrec::get(line, Step::kKey)));
        const int32_t* cell = HOST(LookupKey)();
        if (!cell || hostrec::load(cell) == 0) continue;
        if (Step::priced(e, line)) continue;
        if (int16_t* s = HOST(LookupScope)()) hostrec::store(s, Step::scope(e, line));
        Step::clear(line);
        // The k9 record is looked at only after a lookup that found it.
        const uint8_t* item =
            HOST(K9Lookup)(-1, 0) != 0 ? hostrec::get(e.k9, hostrec::desc::kCurrent) : nullptr;
        Step::fill(e, line, item);
    }
    Step::after_lines(e);

    if (int16_t* s = HOST(LookupScope)(); s && scope_cell) hostrec::store(s, saved_scope);
    if (int32_t* k = HOST(LookupKey)(); k && key_cell) hostrec::store(k, saved_key);
}

template <typename Step> int32_t run_frame(const HookRow& row, CZ_HANDLER_PARAMETERS) {
    Event e{count, records, HOST(TableDescriptor)(kK9.number),
            HOST(TableDescriptor)(row.header->number), nullptr};
    // Without the k9 table or the header table there is nothing to fill from or into: the event
    // then goes to the host handler untouched. Without a current header record, a step that
    // needs it (kNeedsHeader) fills nothing either; the others fill and hand the null header
    // on to the host's recalculations as the host gave it.
    if (event == kCtrlE && e.k9 && e.header_desc) {
        e.header = hostrec::get(e.header_desc, hostrec::desc::kCurrent);
        if (e.header || !Step::kNeedsHeader) fill_lines<Step>(e);
    }
    // A handler slot that was empty at installation has no host handler to call.
    if (!row.host_handler) return 0;
    return row.host_handler(CZ_HANDLER_ARGUMENTS);
}

// Defines the handler routine `name` of hook row `row` over step type `Step`.
#define CZ_DEFINE_HOOK(name, row, Step)                                                            \
    int32_t CZ_CDECL name(CZ_HANDLER_PARAMETERS) {                                                 \
        return run_frame<Step>(g_hook_rows[row], CZ_HANDLER_ARGUMENTS);                            \
    }
