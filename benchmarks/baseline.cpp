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

using namespace records;

namespace bench {

namespace {

struct Frame {
    uint8_t* header;
    int32_t saved_key;
    int16_t saved_scope;
};

// The hook frame's calls on every event: the descriptors of k9 and of the header table.
uint8_t* descriptors(int32_t header_table) {
    plain::s52256(kK9);
    return plain::s52256(header_table);
}

// The frame's calls before the lines of a Ctrl-E: the key and scope saved.
Frame save_key_and_scope(const uint8_t* header_descriptor) {
    uint8_t* const header = get(header_descriptor, desc::kCurrent);
    const int32_t key = *plain::s52266();
    const int16_t scope = *plain::s52265();
    return {header, key, scope};
}

// The line's lookup key set and read back; false when it is zero.
bool key_set(uint8_t* line, Field<int16_t> key) {
    *plain::s52266() = get(line, key);
    return *plain::s52266() != 0;
}

// The frame's calls after the lines: the key and scope put back.
void restore_key_and_scope(const Frame& f) {
    *plain::s52265() = f.saved_scope;
    *plain::s52266() = f.saved_key;
}

} // namespace

int32_t CZ_CDECL baseline_rw(CZ_HANDLER_PARAMETERS) {
    uint8_t* const header_descriptor = descriptors(kRw);
    if (event == kCtrlE) {
        const Frame f = save_key_and_scope(header_descriptor);
        for (int32_t i = 0; i < *count; ++i) {
            uint8_t* const line = records[i];
            if (!key_set(line, rw_dok::kKey)) continue;
            *plain::s52265() = get(line, rw_dok::kScope);
            if (plain::s52412(-1, 0) != 0) plain::s52333(line);
        }
        plain::s52334(records, *count, f.header, 0, 0, 0);
        plain::s52335(f.header, f.header, records, *count);
        restore_key_and_scope(f);
    }
    return plain::handler(CZ_HANDLER_ARGUMENTS);
}

int32_t CZ_CDECL baseline_mr(CZ_HANDLER_PARAMETERS) {
    uint8_t* const header_descriptor = descriptors(kMr);
    if (event == kCtrlE) {
        const Frame f = save_key_and_scope(header_descriptor);
        const bool margin = get(f.header, mr::kMethod) != 0;
        for (int32_t i = 0; i < *count; ++i) {
            uint8_t* const line = records[i];
            if (!key_set(line, mr_dok::kKey)) continue;
            if (plain::s52178(get(line, mr_dok::kPrice), 1) != 0) continue; // priced already
            *plain::s52265() = get(line, mr_dok::kScope);
            plain::s52412(-1, 0);
            const double quantity = get(line, mr_dok::kQuantity);
            const double value = plain::s52178(quantity, 1);
            const double converted =
                plain::s52178(plain::s52179(plain::s52289(2, 0, quantity), 100), 1);
            plain::s52178(converted - value, 1);
            if (value != 0.0) {
                const int32_t code = get(line, mr_dok::kSellingCode);
                for (uint32_t j = 0; j < 10; ++j) {
                    if (margin) plain::s52178(get(line, mr_dok::kPercent, j), 1);
                    const double selling = plain::s52178(value, 1);
                    plain::s52178(plain::s52289(2, code, selling), 100);
                }
            }
            plain::s51465(line, records, *count, f.header, 0, 0, 0);
            plain::s51466(f.header, f.header, records, *count);
        }
        restore_key_and_scope(f);
    }
    return plain::handler(CZ_HANDLER_ARGUMENTS);
}

int32_t CZ_CDECL baseline_mm(CZ_HANDLER_PARAMETERS) {
    uint8_t* const header_descriptor = descriptors(kMm);
    if (event == kCtrlE) {
        const Frame f = save_key_and_scope(header_descriptor);
        for (int32_t i = 0; i < *count; ++i) {
            uint8_t* const line = records[i];
            if (!key_set(line, mm_dok::kKey)) continue;
            *plain::s52265() = get(f.header, mm::kScope);
            plain::s52412(-1, 0);
            const double quantity = get(line, mm_dok::kQuantity);
            const double value = plain::s52178(quantity, 1);
            const double converted =
                plain::s52178(plain::s52179(plain::s52289(2, 0, quantity), 100), 1);
            plain::s52178(converted - value, 1);
            plain::s51472(line, records, *count, f.header, 0, 0, 0);
            plain::s51473(f.header, f.header, records, *count);
        }
        restore_key_and_scope(f);
    }
    return plain::handler(CZ_HANDLER_ARGUMENTS);
}

} // namespace bench
