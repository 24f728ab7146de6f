// The baselines: what a Ctrl-E costs the host when the handler makes only the host calls that the
// plug-in's hook has to make, and nothing else.
//
// Each baseline makes the hook's host calls for its table in the hook's order (ctrl_e.cpp checks
// that the call sequences match before it times anything) and keeps the data flow between them: a
// call that takes another call's result gets that result. What a baseline leaves out is the
// plug-in's own work: the k9 record read and copied into the line, the price slots, the clearing,
// the arithmetic between calls. Where the hook passes an amount it computed, the baseline passes
// the nearest value at hand (the quantity, the result of the previous call). The services are
// called directly, the cheapest way there is to call them.
#include "bench.h"

using plain::get;

namespace bench {

namespace {

constexpr uint32_t kDescCurrent = 8;

struct Frame {
    uint8_t* header;
    int32_t saved_key;
    int16_t saved_scope;
};

// The hook frame's calls on every event: the descriptors of k9 and of the header table.
uint8_t* descriptors(int32_t header_table) {
    plain::s52256(49);
    return plain::s52256(header_table);
}

// The frame's calls before the lines of a Ctrl-E: the key and scope saved.
Frame open(const uint8_t* header_descriptor) {
    uint8_t* const header = get<uint8_t*>(header_descriptor, kDescCurrent);
    const int32_t key = *plain::s52266();
    const int16_t scope = *plain::s52265();
    return {header, key, scope};
}

// The line's lookup key set and read back; false when it is zero.
bool key_set(uint8_t* line, uint32_t key_offset) {
    *plain::s52266() = get<int16_t>(line, key_offset);
    return *plain::s52266() != 0;
}

void close(const Frame& f) {
    *plain::s52265() = f.saved_scope;
    *plain::s52266() = f.saved_key;
}

} // namespace

int32_t CZ_CDECL baseline_rw(int32_t event, uint32_t a2, int32_t* count, uint8_t** records,
                             uint32_t a5, uint32_t a6, uint32_t a7, uint32_t a8, uint32_t a9,
                             uint32_t a10, uint32_t a11) {
    uint8_t* const header_descriptor = descriptors(plain::kRw);
    if (event == kCtrlE) {
        const Frame f = open(header_descriptor);
        for (int32_t i = 0; i < *count; ++i) {
            uint8_t* const line = records[i];
            if (!key_set(line, 2121)) continue;
            *plain::s52265() = get<int16_t>(line, 2119);
            if (plain::s52412(-1, 0) != 0) plain::s52333(line);
        }
        plain::s52334(records, *count, f.header, 0, 0, 0);
        plain::s52335(f.header, f.header, records, *count);
        close(f);
    }
    return plain::handler(event, a2, count, records, a5, a6, a7, a8, a9, a10, a11);
}

int32_t CZ_CDECL baseline_mr(int32_t event, uint32_t a2, int32_t* count, uint8_t** records,
                             uint32_t a5, uint32_t a6, uint32_t a7, uint32_t a8, uint32_t a9,
                             uint32_t a10, uint32_t a11) {
    uint8_t* const header_descriptor = descriptors(plain::kMr);
    if (event == kCtrlE) {
        const Frame f = open(header_descriptor);
        const bool margin = get<int16_t>(f.header, 521) != 0;
        for (int32_t i = 0; i < *count; ++i) {
            uint8_t* const line = records[i];
            if (!key_set(line, 1030)) continue;
            if (plain::s52178(get<int32_t>(line, 150), 1) != 0) continue; // priced already
            *plain::s52265() = get<int16_t>(line, 1028);
            plain::s52412(-1, 0);
            const double quantity = get<int32_t>(line, 140);
            const double value = plain::s52178(quantity, 1);
            const double converted =
                plain::s52178(plain::s52179(plain::s52289(2, 0, quantity), 100), 1);
            plain::s52178(converted - value, 1);
            if (value != 0.0) {
                const int32_t code = get<int16_t>(line, 180);
                for (uint32_t j = 0; j < 10; ++j) {
                    if (margin) plain::s52178(get<int32_t>(line, 188 + 4 * j), 1);
                    const double selling = plain::s52178(value, 1);
                    plain::s52178(plain::s52289(2, code, selling), 100);
                }
            }
            plain::s51465(line, records, *count, f.header, 0, 0, 0);
            plain::s51466(f.header, f.header, records, *count);
        }
        close(f);
    }
    return plain::handler(event, a2, count, records, a5, a6, a7, a8, a9, a10, a11);
}

int32_t CZ_CDECL baseline_mm(int32_t event, uint32_t a2, int32_t* count, uint8_t** records,
                             uint32_t a5, uint32_t a6, uint32_t a7, uint32_t a8, uint32_t a9,
                             uint32_t a10, uint32_t a11) {
    uint8_t* const header_descriptor = descriptors(plain::kMm);
    if (event == kCtrlE) {
        const Frame f = open(header_descriptor);
        for (int32_t i = 0; i < *count; ++i) {
            uint8_t* const line = records[i];
            if (!key_set(line, 656)) continue;
            *plain::s52265() = get<int16_t>(f.header, 510);
            plain::s52412(-1, 0);
            const double quantity = get<int32_t>(line, 157);
            const double value = plain::s52178(quantity, 1);
            const double converted =
                plain::s52178(plain::s52179(plain::s52289(2, 0, quantity), 100), 1);
            plain::s52178(converted - value, 1);
            plain::s51472(line, records, *count, f.header, 0, 0, 0);
            plain::s51473(f.header, f.header, records, *count);
        }
        close(f);
    }
    return plain::handler(event, a2, count, records, a5, a6, a7, a8, a9, a10, a11);
}

} // namespace bench
