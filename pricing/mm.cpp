// MM price filling: every line with a key gets the purchase price, its used price slots the price
// as a whole number, and its three amounts are computed again; the host recalculates each line
// and the document after it.
#include "pricing/convert.h"
#include "pricing/frame.h"

namespace {

using namespace hostrec;

struct MmStep {
    static constexpr Field<int16_t> kKey = mm_dok::kKey;
    static constexpr bool kNeedsHeader = true; // every line's lookup scope is the header's

    static bool priced(Event&, uint8_t*) { return false; }
    // Every line of the document takes its scope from the header.
    static int16_t scope(Event& e, const uint8_t*) { return get(e.header, mm::kScope); }
    // The amounts, the slots and the key.
    static constexpr Span kAhead[] = {span(mm_dok::kQuantity, mm_dok::kValueMark),
                                      span(mm_dok::kSlotUse, mm_dok::kSlotCode),
                                      span(mm_dok::kKey)};

    static void clear(uint8_t* line) {
        put(line, mm_dok::kConverted, 0.0);
        put(line, mm_dok::kValue, 0.0);
        put(line, mm_dok::kDifference, 0.0);
        put(line, mm_dok::kPriceCode, int16_t(0));
    }

    static void fill(Event& e, uint8_t* line, const uint8_t* item) {
        // Without a purchase price the line keeps its price (with code 0) and is valued all the
        // same.
        if (item) {
            const int16_t code = get(item, k9::kPriceCode);
            put_bits(line, mm_dok::kPrice, get_bits(item, k9::kPrice));
            put(line, mm_dok::kPriceCode, code);
            const int32_t whole = truncate_to_int32(get(item, k9::kPrice));
            for (uint32_t j = 0; j < mm_dok::kSlotUse.count; ++j) {
                if (get(line, mm_dok::kSlotUse, j) == 0) continue;
                put(line, mm_dok::kSlotPrice, whole, j);
                put(line, mm_dok::kSlotCode, code, j);
            }
        }
        const double price = get(line, mm_dok::kPrice);
        const double quantity = get(line, mm_dok::kQuantity);
        put(line, mm_dok::kValue, double(HOST(RoundToWhole)((price * 0.001) * quantity, 1)));
        double converted =
            HOST(ConvertPrice)(2, code_for_conversion(get(line, mm_dok::kPriceCode)), price);
        converted = HOST(RoundAmount)(converted, 100);
        put(line, mm_dok::kConverted,
            double(HOST(RoundToWhole)((converted * 0.001) * quantity, 1)));
        const double difference = get(line, mm_dok::kConverted) - get(line, mm_dok::kValue);
        put(line, mm_dok::kDifference, double(HOST(RoundToWhole)(difference, 1)));
        put(line, mm_dok::kValueMark, uint32_t(0));
        HOST(MmLineRecalc)(line, e.records, count_now(e), e.header, 0, 0, 0);
        HOST(MmDocumentRecalc)(e.header, e.header, e.records, count_now(e));
    }

    static void after_lines(Event&) {}
};

} // namespace

CZ_DEFINE_HOOK(mm_hook, kRowMm, MmStep)
