// MR price and selling-price filling: a line without a price gets the purchase price as a whole
// number, its three amounts, and ten selling prices from its selling percentages by markup or by
// margin; the host recalculates each line and the document after it.
#include "pricing/convert.h"
#include "pricing/frame.h"

// The multiplier for one selling percentage (thousandths of a percent). Markup: 1 + p. Margin:
// 1 / (1 - p), or 0.0 when the host rounds the distance of the margin from 100 % to nothing.
static double price_factor(int32_t percent, int32_t method) {
    const double a = percent;
    if (method == 0) return a / 100000.0 + 1.0;
    if (HOST(RoundToWhole)(10000.0 - a / 10.0, 1) == 0) return 0.0;
    return 1.0 / (1.0 - a / 100000.0);
}

namespace {

using namespace hostrec;

struct MrStep {
    static constexpr Field<int16_t> kKey = mr_dok::kKey;
    // The selling prices are priced by the header's method. Without a current header no line is
    // filled: a line given its purchase price now would count as priced at every later Ctrl-E,
    // and its selling prices could never be computed. The event goes to the host's handler
    // untouched, and a Ctrl-E with a header fills the lines completely.
    static constexpr bool kNeedsHeader = true;

    // A line whose price the host does not round to zero is priced already: left as it is.
    static bool priced(Event&, uint8_t* line) {
        return HOST(RoundToWhole)(double(get(line, mr_dok::kPrice)), 1) != 0;
    }
    static int16_t scope(Event&, const uint8_t* line) { return get(line, mr_dok::kScope); }
    // From the quantity to the converted selling prices, and the scope and key at the end.
    static constexpr Span kAhead[] = {span(mr_dok::kQuantity, mr_dok::kSellingConv),
                                      span(mr_dok::kScope, mr_dok::kKey)};

    static void clear(uint8_t* line) {
        put(line, mr_dok::kConverted, 0.0);
        put(line, mr_dok::kValue, 0.0);
        put(line, mr_dok::kDifference, 0.0);
        put(line, mr_dok::kPriceCode, int16_t(0));
    }

    static void fill(Event& e, uint8_t* line, const uint8_t* item) {
        if (item) {
            put(line, mr_dok::kPrice, truncate_to_int32(get(item, k9::kPrice)));
            put(line, mr_dok::kPriceCode, get(item, k9::kPriceCode));
        }
        // A failed lookup leaves price 0 and code 0; the line is valued all the same.
        const double price = get(line, mr_dok::kPrice);
        const int32_t quantity = get(line, mr_dok::kQuantity);
        const double q = quantity;
        put(line, mr_dok::kValue, double(HOST(RoundToWhole)((price * 0.001) * q, 1)));
        double converted =
            HOST(ConvertPrice)(2, code_for_conversion(get(line, mr_dok::kPriceCode)), price);
        converted = HOST(RoundAmount)(converted, 100);
        put(line, mr_dok::kConverted, double(HOST(RoundToWhole)(q * (converted * 0.001), 1)));
        const double difference = get(line, mr_dok::kConverted) - get(line, mr_dok::kValue);
        put(line, mr_dok::kDifference, double(HOST(RoundToWhole)(difference, 1)));

        const double value = get(line, mr_dok::kValue);
        for (uint32_t j = 0; j < mr_dok::kPercent.count; ++j) {
            // Without a line value there is nothing to price: the percentages go to 0 and the
            // selling prices keep what they had.
            if (value == 0.0) {
                put(line, mr_dok::kPercent, int32_t(0), j);
                continue;
            }
            const double divisor = quantity == 0 ? 1.0 : q * 0.001;
            const double factor =
                price_factor(get(line, mr_dok::kPercent, j), get(e.header, mr::kMethod));
            put(line, mr_dok::kSelling, double(HOST(RoundToWhole)((value / divisor) * factor, 1)),
                j);
            const double selling = get(line, mr_dok::kSelling, j);
            const int32_t code = code_for_conversion(get(line, mr_dok::kSellingCode));
            put(line, mr_dok::kSellingConv,
                double(HOST(RoundToWhole)(HOST(ConvertPrice)(2, code, selling), 100)), j);
        }
        HOST(MrLineRecalc)(line, e.records, count_now(e), e.header, 0, 0, 0);
        HOST(MrDocumentRecalc)(e.header, e.header, e.records, count_now(e));
    }

    static void after_lines(Event&) {}
};

} // namespace

CZ_DEFINE_HOOK(mr_hook, kRowMr, MrStep)
