// The references: what a Ctrl-E costs when the whole of the hook's work is written out by hand.
//
// Each reference is the plainest loop an expert would write for its table: the same host calls in
// the same order, the same reads and writes of the line records (the key and scope, the k9 price
// and code, the slot tests and prices, the amounts), the same answers to what the host may hand
// over (a null count, array entry or cell), and nothing else: no frame template, no hook table,
// no host entries (the plain host's services are called directly), the host-side record model's
// offsets (sim/records.h) instead of the plug-in's field list. ctrl_e.cpp checks before timing
// anything that a reference makes the hook's host calls and leaves every line record
// byte-identical to what the hook leaves. Against the hook it shows what the plug-in's structure
// costs; against the baseline, what the work itself does.
#include "bench.h"

using namespace records;

namespace bench {

namespace {

// The purchase price as a whole number: toward zero, the nearest end of the int32 range beyond
// it, 0 for a NaN.
int32_t whole(double price) {
    if (price != price) return 0;
    if (price >= 2147483648.0) return INT32_MAX;
    if (price <= -2147483649.0) return INT32_MIN;
    return static_cast<int32_t>(price);
}

// A price code as the conversion takes it, widened without sign.
int32_t conversion_code(int16_t code) {
    return static_cast<uint16_t>(code);
}

int32_t count_of(const int32_t* count) {
    return count ? *count : 0;
}

// The line's key made the lookup key; false when there is none.
bool set_key(const uint8_t* line, Field<int16_t> key) {
    if (int32_t* cell = plain::s52266()) *cell = get(line, key);
    const int32_t* cell = plain::s52266();
    return cell && *cell != 0;
}

// The k9 record the lookup found; null when it found none.
const uint8_t* look_up(const uint8_t* k9_descriptor) {
    return plain::s52412(-1, 0) != 0 ? get(k9_descriptor, desc::kCurrent) : nullptr;
}

} // namespace

int32_t CZ_CDECL reference_rw(CZ_HANDLER_PARAMETERS) {
    uint8_t** const lines = records;
    const uint8_t* const k9_descriptor = plain::s52256(kK9);
    const uint8_t* const header_descriptor = plain::s52256(kRw);
    if (event == kCtrlE && k9_descriptor && header_descriptor) {
        int32_t* const key_cell = plain::s52266();
        const int32_t saved_key = key_cell ? *key_cell : 0;
        int16_t* const scope_cell = plain::s52265();
        const int16_t saved_scope = scope_cell ? *scope_cell : 0;
        for (int32_t i = 0; lines && i < count_of(count); ++i) {
            uint8_t* const line = lines[i];
            if (!line || !set_key(line, rw_dok::kKey)) continue;
            if (int16_t* scope = plain::s52265()) *scope = get(line, rw_dok::kScope);
            const uint8_t* const item = look_up(k9_descriptor);
            if (!item) continue;
            const int16_t code = get(item, k9::kPriceCode);
            const uint64_t price = get_bits(item, k9::kPrice);
            for (uint32_t j = 0; j < 10; ++j)
                if (get(line, rw_dok::kSlotUse, j) != 0 &&
                    get(line, rw_dok::kSlotPrice, j) == 0.0) {
                    put_bits(line, rw_dok::kSlotPrice, price, j);
                    put(line, rw_dok::kSlotCode, code, j);
                }
            plain::s52333(line);
        }
        uint8_t* const header = get(header_descriptor, desc::kCurrent);
        plain::s52334(lines, count_of(count), header, 0, 0, 0);
        plain::s52335(header, header, lines, count_of(count));
        if (int16_t* scope = plain::s52265(); scope && scope_cell) *scope = saved_scope;
        if (int32_t* key = plain::s52266(); key && key_cell) *key = saved_key;
    }
    return plain::handler(CZ_HANDLER_ARGUMENTS);
}

int32_t CZ_CDECL reference_mr(CZ_HANDLER_PARAMETERS) {
    uint8_t** const lines = records;
    const uint8_t* const k9_descriptor = plain::s52256(kK9);
    const uint8_t* const header_descriptor = plain::s52256(kMr);
    uint8_t* const header = event == kCtrlE && k9_descriptor && header_descriptor
                                ? get(header_descriptor, desc::kCurrent)
                                : nullptr;
    if (header) { // the selling prices are priced by the header's method
        int32_t* const key_cell = plain::s52266();
        const int32_t saved_key = key_cell ? *key_cell : 0;
        int16_t* const scope_cell = plain::s52265();
        const int16_t saved_scope = scope_cell ? *scope_cell : 0;
        for (int32_t i = 0; lines && i < count_of(count); ++i) {
            uint8_t* const line = lines[i];
            if (!line || !set_key(line, mr_dok::kKey)) continue;
            if (plain::s52178(double(get(line, mr_dok::kPrice)), 1) != 0) continue; // priced
            if (int16_t* scope = plain::s52265()) *scope = get(line, mr_dok::kScope);
            put(line, mr_dok::kConverted, 0.0);
            put(line, mr_dok::kValue, 0.0);
            put(line, mr_dok::kDifference, 0.0);
            put(line, mr_dok::kPriceCode, 0);
            if (const uint8_t* item = look_up(k9_descriptor)) {
                put(line, mr_dok::kPrice, whole(get(item, k9::kPrice)));
                put(line, mr_dok::kPriceCode, get(item, k9::kPriceCode));
            }
            const double price = get(line, mr_dok::kPrice);
            const int32_t quantity = get(line, mr_dok::kQuantity);
            const double q = quantity;
            put(line, mr_dok::kValue, double(plain::s52178((price * 0.001) * q, 1)));
            double converted =
                plain::s52289(2, conversion_code(get(line, mr_dok::kPriceCode)), price);
            converted = plain::s52179(converted, 100);
            put(line, mr_dok::kConverted, double(plain::s52178(q * (converted * 0.001), 1)));
            const double difference = get(line, mr_dok::kConverted) - get(line, mr_dok::kValue);
            put(line, mr_dok::kDifference, double(plain::s52178(difference, 1)));
            const double value = get(line, mr_dok::kValue);
            for (uint32_t j = 0; j < 10; ++j) {
                if (value == 0.0) {
                    put(line, mr_dok::kPercent, 0, j);
                    continue;
                }
                const double divisor = quantity == 0 ? 1.0 : q * 0.001;
                const double percent = get(line, mr_dok::kPercent, j);
                double factor;
                if (get(header, mr::kMethod) == 0)
                    factor = percent / 100000.0 + 1.0;
                else if (plain::s52178(10000.0 - percent / 10.0, 1) == 0)
                    factor = 0.0;
                else
                    factor = 1.0 / (1.0 - percent / 100000.0);
                put(line, mr_dok::kSelling, double(plain::s52178((value / divisor) * factor, 1)),
                    j);
                const double selling = get(line, mr_dok::kSelling, j);
                const int32_t code = conversion_code(get(line, mr_dok::kSellingCode));
                put(line, mr_dok::kSellingConverted,
                    double(plain::s52178(plain::s52289(2, code, selling), 100)), j);
            }
            plain::s51465(line, lines, count_of(count), header, 0, 0, 0);
            plain::s51466(header, header, lines, count_of(count));
        }
        if (int16_t* scope = plain::s52265(); scope && scope_cell) *scope = saved_scope;
        if (int32_t* key = plain::s52266(); key && key_cell) *key = saved_key;
    }
    return plain::handler(CZ_HANDLER_ARGUMENTS);
}

int32_t CZ_CDECL reference_mm(CZ_HANDLER_PARAMETERS) {
    uint8_t** const lines = records;
    const uint8_t* const k9_descriptor = plain::s52256(kK9);
    const uint8_t* const header_descriptor = plain::s52256(kMm);
    if (event == kCtrlE && k9_descriptor && header_descriptor) {
        uint8_t* const header = get(header_descriptor, desc::kCurrent);
        if (header) { // every line's lookup scope is the header's
            int32_t* const key_cell = plain::s52266();
            const int32_t saved_key = key_cell ? *key_cell : 0;
            int16_t* const scope_cell = plain::s52265();
            const int16_t saved_scope = scope_cell ? *scope_cell : 0;
            for (int32_t i = 0; lines && i < count_of(count); ++i) {
                uint8_t* const line = lines[i];
                if (!line || !set_key(line, mm_dok::kKey)) continue;
                if (int16_t* scope = plain::s52265()) *scope = get(header, mm::kScope);
                put(line, mm_dok::kConverted, 0.0);
                put(line, mm_dok::kValue, 0.0);
                put(line, mm_dok::kDifference, 0.0);
                put(line, mm_dok::kPriceCode, 0);
                if (const uint8_t* item = look_up(k9_descriptor)) {
                    const int16_t code = get(item, k9::kPriceCode);
                    put_bits(line, mm_dok::kPrice, get_bits(item, k9::kPrice));
                    put(line, mm_dok::kPriceCode, code);
                    const int32_t price = whole(get(item, k9::kPrice));
                    for (uint32_t j = 0; j < 10; ++j)
                        if (get(line, mm_dok::kSlotUse, j) != 0) {
                            put(line, mm_dok::kSlotPrice, price, j);
                            put(line, mm_dok::kSlotCode, code, j);
                        }
                }
                const double price = get(line, mm_dok::kPrice);
                const double quantity = get(line, mm_dok::kQuantity);
                put(line, mm_dok::kValue, double(plain::s52178((price * 0.001) * quantity, 1)));
                double converted =
                    plain::s52289(2, conversion_code(get(line, mm_dok::kPriceCode)), price);
                converted = plain::s52179(converted, 100);
                put(line, mm_dok::kConverted,
                    double(plain::s52178((converted * 0.001) * quantity, 1)));
                const double difference = get(line, mm_dok::kConverted) - get(line, mm_dok::kValue);
                put(line, mm_dok::kDifference, double(plain::s52178(difference, 1)));
                put(line, mm_dok::kValueMark, 0);
                plain::s51472(line, lines, count_of(count), header, 0, 0, 0);
                plain::s51473(header, header, lines, count_of(count));
            }
            if (int16_t* scope = plain::s52265(); scope && scope_cell) *scope = saved_scope;
            if (int32_t* key = plain::s52266(); key && key_cell) *key = saved_key;
        }
    }
    return plain::handler(CZ_HANDLER_ARGUMENTS);
}

} // namespace bench
