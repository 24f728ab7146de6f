// RW price filling: every used price slot still at zero gets the purchase price and its code.
#include "pricing/frame.h"

namespace {

using namespace hostrec;

struct RwStep {
    static constexpr Field<int16_t> kKey = rw_dok::kKey;
    static constexpr bool kNeedsHeader = false; // the header only goes on to the host

    static bool priced(Event&, uint8_t*) { return false; }
    static int16_t scope(Event&, const uint8_t* line) { return get(line, rw_dok::kScope); }
    static void clear(uint8_t*) {}
    // The slots, the scope and the key lie together at the record's end.
    static constexpr Span kAhead[] = {span(rw_dok::kSlotUse, rw_dok::kKey)};

    static void fill(Event&, uint8_t* line, const uint8_t* item) {
        if (!item) return; // no purchase price: the line stays as it is, without recalculation
        const int16_t code = get(item, k9::kPriceCode);
        const uint64_t price = get_bits(item, k9::kPrice);
        for (uint32_t j = 0; j < rw_dok::kSlotUse.count; ++j) {
            // IEEE comparison: -0.0 counts as zero, a NaN does not.
            if (get(line, rw_dok::kSlotUse, j) != 0 && get(line, rw_dok::kSlotPrice, j) == 0.0) {
                put_bits(line, rw_dok::kSlotPrice, price, j);
                put(line, rw_dok::kSlotCode, code, j);
            }
        }
        HOST(RwLineRecalc)(line);
    }

    // Lines and document recalculation, on every Ctrl-E event, with the count read at each call.
    static void after_lines(Event& e) {
        uint8_t* header = get(e.header_desc, desc::kCurrent);
        HOST(RwLinesRecalc)(e.records, count_now(e), header, 0, 0, 0);
        HOST(RwDocumentRecalc)(header, header, e.records, count_now(e));
    }
};

} // namespace

CZ_DEFINE_HOOK(rw_hook, kRowRw, RwStep)
