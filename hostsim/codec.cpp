#include "hostsim/codec.h"

#include "sim/records.h"

namespace codec {

using namespace records;
using scenario::Kind;

DocumentTables tables_of(Kind kind) {
    switch (kind) {
    case Kind::Rw:
        return {kRwDok, kRw, "Rw_dok"};
    case Kind::Mr:
        return {kMrDok, kMr, "Mr_dok"};
    default:
        return {kMmDok, kMm, "Mm_dok"};
    }
}

const char* kind_name(Kind kind) {
    return kind == Kind::Rw ? "RW" : kind == Kind::Mr ? "MR" : "MM";
}

void encode_header(const scenario::Document& d, uint8_t* header) {
    // The three totals follow one another in every header (rw::kValue is the first of them).
    memset(header + rw::kValue.offset, 0, mm::kDifference.end() - rw::kValue.offset);
    if (d.kind == Kind::Mr) put(header, mr::kMethod, d.method);
    if (d.kind == Kind::Mm) put(header, mm::kScope, d.scope);
}

namespace {

// Ten price slots: use flag, price (a double or, with Price int32_t, a whole number) and code.
template <typename Price>
void encode_slots(const std::vector<scenario::Slot>& slots, uint8_t* l, Field<int32_t> use,
                  Field<Price> price, Field<int16_t> code) {
    for (uint32_t j = 0; j < slots.size(); ++j) {
        put(l, use, slots[j].used ? 1 : 0, j);
        put(l, price, Price(slots[j].price), j);
        put(l, code, slots[j].code, j);
    }
}

template <typename Price>
void decode_slots(const uint8_t* l, Field<int32_t> use, Field<Price> price, Field<int16_t> code,
                  std::vector<FieldValue>& f) {
    for (uint32_t j = 0; j < use.count; ++j) {
        if (get(l, use, j) == 0) continue;
        const std::string s = "slot_" + std::to_string(j);
        f.push_back({s + "_price", double(get(l, price, j))});
        f.push_back({s + "_code", double(get(l, code, j))});
    }
}

} // namespace

void encode_line(Kind kind, const scenario::Line& src, uint8_t* l) {
    switch (kind) {
    case Kind::Rw:
        put(l, rw_dok::kKey, src.key);
        put(l, rw_dok::kScope, src.scope);
        put(l, rw_dok::kQuantity, src.quantity);
        encode_slots(src.slots, l, rw_dok::kSlotUse, rw_dok::kSlotPrice, rw_dok::kSlotCode);
        break;
    case Kind::Mr:
        put(l, mr_dok::kKey, src.key);
        put(l, mr_dok::kScope, src.scope);
        put(l, mr_dok::kQuantity, src.quantity);
        put(l, mr_dok::kPrice, int32_t(src.price));
        put(l, mr_dok::kPriceCode, src.price_code);
        put(l, mr_dok::kSellingCode, src.selling_code);
        for (uint32_t j = 0; j < src.percents.size(); ++j)
            put(l, mr_dok::kPercent, src.percents[j], j);
        for (uint32_t j = 0; j < src.selling.size(); ++j)
            put(l, mr_dok::kSelling, src.selling[j], j);
        break;
    case Kind::Mm:
        put(l, mm_dok::kKey, src.key);
        put(l, mm_dok::kQuantity, src.quantity);
        put(l, mm_dok::kPrice, src.price);
        put(l, mm_dok::kPriceCode, src.price_code);
        encode_slots(src.slots, l, mm_dok::kSlotUse, mm_dok::kSlotPrice, mm_dok::kSlotCode);
        break;
    }
}

std::vector<FieldValue> decode_line(Kind kind, const uint8_t* l) {
    std::vector<FieldValue> f;
    switch (kind) {
    case Kind::Rw:
        decode_slots(l, rw_dok::kSlotUse, rw_dok::kSlotPrice, rw_dok::kSlotCode, f);
        f.push_back({"host_line_value", get(l, rw_dok::kValue)});
        break;
    case Kind::Mr:
        f.push_back({"price", double(get(l, mr_dok::kPrice))});
        f.push_back({"price_code", double(get(l, mr_dok::kPriceCode))});
        f.push_back({"line_value", get(l, mr_dok::kValue)});
        f.push_back({"converted_value", get(l, mr_dok::kConverted)});
        f.push_back({"value_difference", get(l, mr_dok::kDifference)});
        for (uint32_t j = 0; j < mr_dok::kPercent.count; ++j) {
            const std::string s = "level_" + std::to_string(j);
            f.push_back({s + "_percent", get(l, mr_dok::kPercent, j) / 1000.0});
            f.push_back({s + "_selling", get(l, mr_dok::kSelling, j)});
            f.push_back({s + "_converted", get(l, mr_dok::kSellingConverted, j)});
        }
        break;
    case Kind::Mm:
        f.push_back({"price", get(l, mm_dok::kPrice)});
        f.push_back({"price_code", double(get(l, mm_dok::kPriceCode))});
        f.push_back({"line_value", get(l, mm_dok::kValue)});
        f.push_back({"converted_value", get(l, mm_dok::kConverted)});
        f.push_back({"value_difference", get(l, mm_dok::kDifference)});
        f.push_back({"value_mark", double(get(l, mm_dok::kValueMark))});
        decode_slots(l, mm_dok::kSlotUse, mm_dok::kSlotPrice, mm_dok::kSlotCode, f);
        break;
    }
    return f;
}

std::vector<FieldValue> decode_totals(Kind kind, const uint8_t* header) {
    switch (kind) {
    case Kind::Rw:
        return {{"document_value", get(header, rw::kValue)}};
    case Kind::Mr:
        return {{"document_value", get(header, mr::kValue)},
                {"converted_value", get(header, mr::kConverted)},
                {"value_difference", get(header, mr::kDifference)}};
    default:
        return {{"document_value", get(header, mm::kValue)},
                {"converted_value", get(header, mm::kConverted)},
                {"value_difference", get(header, mm::kDifference)}};
    }
}

} // namespace codec
