// Fuzz target: the three document hooks, driven through the simulated host from the fuzzer's bytes.
//
// The plug-in is loaded, attached and started once per process (its module state lives as long as
// the process, as it does in the host); each input then only sets what the host hands a hook (the
// record array and count, the records, the k9 record, the document headers, the lookup key and
// scope, the results of the host's lookup, rounding and conversion services, the event code, the
// other ten handler arguments) and calls the hook in the line table's handler slot.
//
// The oracle, on every input:
//   - no byte of a line record outside the fields its hook owns changes, nor any byte of a record
//     the array does not hand over, of a document header, of the k9 record or of a descriptor, nor
//     the array or the count cell; on any event but Ctrl-E no record changes at all and the hook
//     asks the host for nothing but the two descriptors;
//   - the lookup scope after the event is the one before it;
//   - the host's own handler is called exactly once, with the eleven arguments as the hook
//     received them, and its result is what the hook returns;
//   - the hook makes a bounded number of service calls (no loop without end), and AddressSanitizer
//     and UndefinedBehaviorSanitizer see nothing.
//
// Input layout (fuzz::Input reads from the front; missing bytes read as zeros):
//   u8 hook (Rw_dok, Mr_dok, Mm_dok), u8 flags (kNoCount ...), [i32 event code if kOtherEvent],
//   u8 array length, one u8 per array entry (0xFF: a null entry, else which record of the pool),
//   i32 count, u8 number of count changes and per change u16 service call, i32 count,
//   lookup key, lookup scope, handler result, u32 seed of the ten passed-on words,
//   u8 fill byte of the records, record field writes, header field writes,
//   the results of 52412 (with k9 price and code), 52178, 52179 and 52289, each a short list
//   taken in turn (an empty list: the simulated host's own answers).
#include "fuzz/common.h"
#include "platform/loader_linux.h"
#include "sim/vordan.h"
#include "undertest/lines.h"
#include "undertest/plugin.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <map>

namespace {

using namespace fuzz;
using undertest::kCtrlE;

constexpr uint32_t kMaxLines = 8; // entries in the record array
constexpr uint32_t kPool = 8;     // distinct records per line table
// No event makes more service calls than 3 per frame end and about 60 per line; far beyond that
// the hook is looping.
constexpr uint32_t kCallLimit = 4000;

enum Flags : uint8_t {
    kNoCount = 1 << 0,        // count pointer null
    kNoRecords = 1 << 1,      // record array pointer null
    kNoK9 = 1 << 2,           // 52256 gives no k9 descriptor
    kNoHeader = 1 << 3,       // 52256 gives no descriptor for the header table
    kNoK9Record = 1 << 4,     // k9 has no current record (until a lookup gives one)
    kNoHeaderRecord = 1 << 5, // the header table has no current record
    kOtherEvent = 1 << 7,     // the event code follows (else Ctrl-E)
};

enum class Type : uint8_t { I16, I32, F64 };
struct FieldDef {
    uint32_t offset;
    Type type;
    uint32_t elements;
};
template <typename T> constexpr Type type_of() {
    return sizeof(T) == 2 ? Type::I16 : sizeof(T) == 4 ? Type::I32 : Type::F64;
}
// A field of the model, or the fields from `first` to `last` (all of one type) as one array.
template <typename T> FieldDef def(records::Field<T> f) {
    return {f.offset, type_of<T>(), f.count};
}
template <typename T> FieldDef def(records::Field<T> first, records::Field<T> last) {
    return {first.offset, type_of<T>(), (last.end() - first.offset) / uint32_t(sizeof(T))};
}
using records::Extent;

// A line table (its name, tables, key and the bytes its hook owns: undertest/lines.h) with the
// fields its hook reads or writes.
struct LineTable : undertest::LineTable {
    std::vector<FieldDef> fields;        // every field of the line that the hook reads or writes
    std::vector<FieldDef> header_fields; // the header's fields that the hook reads
    uint32_t size() const { return uint32_t(records::record_size(table)); }
    uint32_t header_size() const { return uint32_t(records::record_size(header)); }
};

namespace rw_dok = records::rw_dok;
namespace mr_dok = records::mr_dok;
namespace mm_dok = records::mm_dok;
const LineTable kLineTables[3] = {
    {*undertest::line_table(records::kRwDok),
     {def(rw_dok::kKey), def(rw_dok::kScope), def(rw_dok::kSlotUse), def(rw_dok::kSlotPrice),
      def(rw_dok::kSlotCode)},
     {}},
    {*undertest::line_table(records::kMrDok),
     {def(mr_dok::kKey), def(mr_dok::kScope), def(mr_dok::kQuantity), def(mr_dok::kPrice),
      def(mr_dok::kPriceCode), def(mr_dok::kValue, mr_dok::kConverted), def(mr_dok::kSellingCode),
      def(mr_dok::kPercent), def(mr_dok::kSelling), def(mr_dok::kSellingConverted)},
     {def(records::mr::kMethod)}},
    {*undertest::line_table(records::kMmDok),
     {def(mm_dok::kKey), def(mm_dok::kQuantity), def(mm_dok::kPrice), def(mm_dok::kPriceCode),
      def(mm_dok::kValue, mm_dok::kConverted), def(mm_dok::kValueMark), def(mm_dok::kSlotUse),
      def(mm_dok::kSlotPrice), def(mm_dok::kSlotCode)},
     {def(records::mm::kScope)}},
};

constexpr uint32_t kK9Size = uint32_t(records::record_size(records::kK9));

// Values worth trying: the ends of the ranges, the signed zeros, the non-finite doubles.
const uint64_t kDoubleBits[] = {
    0x0000000000000000, // +0.0
    0x8000000000000000, // -0.0
    0x3FF0000000000000, // 1.0
    0xBFF0000000000000, // -1.0
    0x3F50624DD2F1A9FC, // 0.001
    0x4029800000000000, // 12.75
    0xC029800000000000, // -12.75
    0x4079000000000000, // 400.0
    0x41DFFFFFFFC00000, // 2147483647.0
    0x41DFFFFFFFFFFFFF, // just below 2^31
    0x41E0000000000000, // 2147483648.0
    0xC1E0000000000000, // -2147483648.0
    0xC1E00000001FFFFF, // just above -2^31 - 1
    0xC1E0000000200000, // -2147483649.0
    0x41F0000000000000, // 2^32
    0x7E37E43C8800759C, // 1e300
    0xFE37E43C8800759C, // -1e300
    0x7FEFFFFFFFFFFFFF, // largest finite
    0xFFEFFFFFFFFFFFFF, // most negative finite
    0x0010000000000000, // smallest normal
    0x0000000000000001, // smallest subnormal
    0x8000000000000001, // negative subnormal
    0x7FF0000000000000, // +infinity
    0xFFF0000000000000, // -infinity
    0x7FF8000000000000, // quiet NaN
    0xFFF8000000000000, // negative quiet NaN
    0x7FF0000000000001, // signalling NaN
    0x7FF4DEADBEEF0000, // signalling NaN with a payload
};
const int32_t kInt32s[] = {
    0,      1,       -1,     2,         1000,      1500,          25000,
    99999,  100000,  100001, -20000,    -100000,   0x7FFF,        0x8000,
    0xFFFF, 0x10000, 10000,  INT32_MAX, INT32_MIN, INT32_MAX - 1, INT32_MIN + 1};
const int16_t kInt16s[] = {0, 1, -1, 2, 3, 7, INT16_MAX, INT16_MIN, 0x00FF, 0x0100};

double pick_double(Input& in) {
    uint64_t bits = pick(in, kDoubleBits);
    double d;
    memcpy(&d, &bits, sizeof d);
    return d;
}

// Element `index` of a field, of the field's width, from the tables above.
void write_value(Input& in, uint8_t* p, const FieldDef& f, uint32_t index) {
    switch (f.type) {
    case Type::I16:
        records::put(p, records::Field<int16_t>{f.offset}, pick(in, kInt16s), index);
        break;
    case Type::I32:
        records::put(p, records::Field<int32_t>{f.offset}, pick(in, kInt32s), index);
        break;
    case Type::F64: // the bits as they are: NaN payloads kept
        records::put_bits(p, records::Field<double>{f.offset}, pick(in, kDoubleBits), index);
        break;
    }
}

// Sets fields from the input: each write picks a field (element) or, for one choice in
// fields + 1, a raw byte anywhere in the record.
void write_fields(Input& in, uint8_t* record, uint32_t size, const std::vector<FieldDef>& fields) {
    const uint32_t choice = in.u8() % (fields.size() + 1);
    if (choice == fields.size()) {
        record[in.u16() % size] = in.u8();
        return;
    }
    const FieldDef& f = fields[choice];
    write_value(in, record, f, in.u8() % f.elements);
}

// A count as the host may hand it: never more than the array holds, any negative value.
int32_t host_count(int32_t raw, uint32_t entries) {
    if (raw < 0) return raw;
    return static_cast<int32_t>(entries - static_cast<uint32_t>(raw) % (entries + 1));
}

struct Lookup {
    int32_t result;
    uint64_t price;
    int16_t code;
    bool no_record; // k9 has no current record after this lookup
};
struct CountChange {
    uint32_t at; // after this many service calls of the event
    int32_t count;
};

// What the host does during one event, read from the input.
struct Case {
    std::vector<Lookup> lookups;
    std::vector<int32_t> rounds;     // 52178
    std::vector<double> amounts;     // 52179
    std::vector<double> conversions; // 52289
    std::vector<CountChange> changes;
    size_t next_lookup = 0, next_round = 0, next_amount = 0, next_conversion = 0;
    uint32_t calls = 0;
    int32_t count_now = 0;        // what the count cell must hold
    uint8_t* k9_record = nullptr; // what k9's descriptor must point to
};

struct State {
    std::unique_ptr<records::OddBuffer> pool[3][kPool];
    std::unique_ptr<records::OddBuffer> header[3];
    std::unique_ptr<records::OddBuffer> k9;
    std::vector<uint8_t> k9_expected; // the k9 record as the host last wrote it
    std::unique_ptr<records::OddBuffer> array;
    std::unique_ptr<records::OddBuffer> count;
    Case c;
};
State* g;

vordan::Host& h() {
    return vordan::host();
}

void set_count(int32_t v) {
    memcpy(g->count->data(), &v, sizeof v);
    g->c.count_now = v;
}

int32_t count_now() {
    int32_t v;
    memcpy(&v, g->count->data(), sizeof v);
    return v;
}

void set_k9_record(uint8_t* record) {
    if (uint8_t* k9 = h().descriptor(records::kK9))
        records::put(k9, records::desc::kCurrent, record);
    g->c.k9_record = record;
}

void on_call(int32_t) {
    Case& c = g->c;
    ++c.calls;
    ORACLE_CHECK(c.calls <= kCallLimit, "the hook keeps calling the host: a loop without end");
    for (const CountChange& change : c.changes)
        if (change.at == c.calls) set_count(change.count);
}

int32_t lookup() {
    Case& c = g->c;
    if (c.lookups.empty()) return 0;
    const Lookup& l = c.lookups[c.next_lookup++ % c.lookups.size()];
    if (l.result != 0) {
        records::put(g->k9->data(), records::k9::kPriceCode, l.code);
        records::put_bits(g->k9->data(), records::k9::kPrice, l.price);
        g->k9_expected = g->k9->bytes();
    }
    set_k9_record(l.no_record ? nullptr : g->k9->data());
    return l.result;
}

void load_plugin() {
    loader::reset();
    vordan::reset();
    vordan::register_module();
    cz_handler own[3];
    for (int i = 0; i < 3; ++i)
        own[i] = h().tables.at(kLineTables[i].table).handler();
    static undertest::Plugin plugin;
    ORACLE_CHECK(plugin.load(), "the plug-in did not load");
    ORACLE_CHECK(plugin.attach() == 0, "attach refused");
    ORACLE_CHECK(plugin.start() == 0, "start failed");
    for (int i = 0; i < 3; ++i)
        ORACLE_CHECK(h().tables.at(kLineTables[i].table).handler() != own[i],
                     std::string(kLineTables[i].name) + " is not hooked");
}

std::string where(const LineTable& t, uint32_t record, uint32_t byte) {
    return std::string(t.name) + " record " + std::to_string(record) + " byte " +
           std::to_string(byte);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g = new State;
    load_plugin();
    for (int t = 0; t < 3; ++t) {
        for (auto& record : g->pool[t])
            record = std::make_unique<records::OddBuffer>(kLineTables[t].size());
        g->header[t] = std::make_unique<records::OddBuffer>(kLineTables[t].header_size());
    }
    g->k9 = std::make_unique<records::OddBuffer>(kK9Size);
    g->array = std::make_unique<records::OddBuffer>(kMaxLines * sizeof(uint8_t*));
    g->count = std::make_unique<records::OddBuffer>(sizeof(int32_t));
    vordan::Host& host = h();
    host.recalculate = false; // the host's own totals would write into the records
    host.on_call = on_call;
    host.lookup_override = lookup;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    vordan::Host& host = h();
    g->c = Case();
    Case& c = g->c;

    const LineTable& t = kLineTables[in.u8() % 3];
    const int row = static_cast<int>(&t - kLineTables);
    const uint8_t flags = in.u8();
    const int32_t event = (flags & kOtherEvent) ? in.i32() : kCtrlE;

    // The record array and the count.
    const uint32_t entries = in.u8() % (kMaxLines + 1);
    std::vector<uint8_t*> array(entries);
    std::vector<bool> handed(kPool, false);
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t e = in.u8();
        if (e == 0xFF) continue;
        const uint32_t r = (i + e) % kPool;
        array[i] = g->pool[row][r]->data();
        handed[r] = true;
    }
    if (entries) memcpy(g->array->data(), array.data(), entries * sizeof(uint8_t*));
    set_count(host_count(in.i32(), entries));
    for (uint32_t n = in.u8() % 5; n > 0; --n) {
        const uint32_t at = in.u16() % 512 + 1;
        c.changes.push_back({at, host_count(in.i32(), entries)});
    }
    host.lookup_key = pick(in, kInt32s);
    host.lookup_scope = pick(in, kInt16s);
    host.handler_result = in.i32();
    const uint32_t seed = in.u32();
    undertest::HandlerWords words;
    auto word = [&](uint32_t i) { return seed * (2 * i + 1) ^ (0x9E3779B9u * (i + 1)); };
    words.a2 = word(0);
    for (uint32_t i = 0; i < 7; ++i)
        words.rest[i] = word(i + 1);

    // The records: a fill byte, keys 1, 2, ... so that lines are looked at, then field writes.
    const uint8_t fill = in.u8();
    for (uint32_t r = 0; r < kPool; ++r) {
        uint8_t* record = g->pool[row][r]->data();
        memset(record, fill, t.size());
        records::put(record, t.key, static_cast<int16_t>(r + 1));
    }
    for (uint32_t n = in.u8() % 64; n > 0; --n)
        write_fields(in, g->pool[row][in.u8() % kPool]->data(), t.size(), t.fields);
    for (int i = 0; i < 3; ++i)
        memset(g->header[i]->data(), fill ^ 0xA5, kLineTables[i].header_size());
    for (uint32_t n = in.u8() % 4; n > 0; --n)
        write_fields(in, g->header[row]->data(), t.header_size(), t.header_fields);

    // What the host's services answer.
    for (uint32_t n = in.u8() % 8; n > 0; --n) {
        Lookup l;
        l.result = pick(in, kInt32s);
        l.price = pick(in, kDoubleBits);
        l.code = pick(in, kInt16s);
        l.no_record = in.u8() % 8 == 7;
        c.lookups.push_back(l);
    }
    for (uint32_t n = in.u8() % 9; n > 0; --n)
        c.rounds.push_back(pick(in, kInt32s));
    for (uint32_t n = in.u8() % 5; n > 0; --n)
        c.amounts.push_back(pick_double(in));
    for (uint32_t n = in.u8() % 5; n > 0; --n)
        c.conversions.push_back(pick_double(in));
    host.round_whole = nullptr;
    if (!c.rounds.empty())
        host.round_whole = [](double, int32_t) {
            return g->c.rounds[g->c.next_round++ % g->c.rounds.size()];
        };
    host.round_amount = nullptr;
    if (!c.amounts.empty())
        host.round_amount = [](double, int32_t) {
            return g->c.amounts[g->c.next_amount++ % g->c.amounts.size()];
        };
    host.convert_price = nullptr;
    if (!c.conversions.empty())
        host.convert_price = [](int32_t, int32_t, double) {
            return g->c.conversions[g->c.next_conversion++ % g->c.conversions.size()];
        };

    // The host's tables as the hook finds them.
    memset(g->k9->data(), fill ^ 0x3C, kK9Size);
    g->k9_expected = g->k9->bytes();
    set_k9_record((flags & kNoK9Record) ? nullptr : g->k9->data());
    for (int i = 0; i < 3; ++i)
        records::put(host.descriptor(kLineTables[i].header), records::desc::kCurrent,
                     (i == row && (flags & kNoHeaderRecord)) ? nullptr : g->header[i]->data());
    std::map<int32_t, std::vector<uint8_t>> descriptors;
    for (auto& [number, table] : host.tables)
        descriptors[number] = table.descriptor->bytes();
    // A table the host lacks: its descriptor is put aside (still alive) for the event.
    std::vector<decltype(host.tables)::node_type> hidden;
    if (flags & kNoK9) hidden.push_back(host.tables.extract(records::kK9));
    if (flags & kNoHeader) hidden.push_back(host.tables.extract(t.header));

    // Snapshot of everything the hook must leave as it is.
    std::vector<std::vector<uint8_t>> records_before;
    for (auto& record : g->pool[row])
        records_before.push_back(record->bytes());
    std::vector<std::vector<uint8_t>> headers_before;
    for (auto& header : g->header)
        headers_before.push_back(header->bytes());
    const std::vector<uint8_t> array_before = g->array->bytes();
    const int16_t scope_before = host.lookup_scope;
    host.trace.clear();
    host.handler_calls.clear();

    int32_t* count = (flags & kNoCount) ? nullptr : reinterpret_cast<int32_t*>(g->count->data());
    uint8_t** records =
        (flags & kNoRecords) ? nullptr : reinterpret_cast<uint8_t**>(g->array->data());
    const cz_handler hook = host.tables.at(t.table).handler();
    const int32_t result = undertest::call_handler(hook, event, count, records, words);

    for (auto& node : hidden)
        host.tables.insert(std::move(node));

    // The host handler: once, with the eleven arguments, and its result comes back.
    ORACLE_CHECK(host.handler_calls.size() == 1,
                 std::to_string(host.handler_calls.size()) + " calls of the host handler");
    const vordan::HandlerCall& call = host.handler_calls[0];
    ORACLE_CHECK(call.table == t.table && call.event == event && call.a2 == words.a2 &&
                     call.count == count && call.records == records &&
                     memcmp(call.rest, words.rest, sizeof call.rest) == 0,
                 "the host handler got other arguments");
    ORACLE_CHECK(result == host.handler_result, "the hook returned " + std::to_string(result) +
                                                    ", the host handler " +
                                                    std::to_string(host.handler_result));
    ORACLE_CHECK(host.lookup_scope == scope_before, "lookup scope " + std::to_string(scope_before) +
                                                        " became " +
                                                        std::to_string(host.lookup_scope));
    // Only a Ctrl-E fills, and only with the k9 table and the header table there; MR and MM
    // (selling prices by the header's method, the header's lookup scope) only with a current
    // header record too. Otherwise the hook asks for the two descriptors and nothing else.
    const bool fills = event == kCtrlE && !(flags & (kNoK9 | kNoHeader)) &&
                       (t.table == records::kRwDok || !(flags & kNoHeaderRecord));
    if (!fills)
        ORACLE_CHECK(host.trace.size() == 2 && host.trace[0].rfind("52256(", 0) == 0 &&
                         host.trace[1].rfind("52256(", 0) == 0,
                     "event " + std::to_string(event) + ", filling nothing, made " +
                         std::to_string(host.trace.size()) + " service calls");

    // Bytes: the lines only in the fields their hook owns, nothing else at all.
    for (uint32_t r = 0; r < kPool; ++r) {
        records::OddBuffer& record = *g->pool[row][r];
        ORACLE_CHECK(record.guard_intact(), where(t, r, 0) + ": a guard byte beside it changed");
        static const std::vector<Extent> kNothing;
        const bool may_change = fills && handed[r];
        const int64_t changed = undertest::changed_outside(
            record.data(), records_before[r].data(), t.size(), may_change ? t.owned : kNothing);
        ORACLE_CHECK(changed < 0, where(t, r, static_cast<uint32_t>(changed)) + " changed");
    }
    for (int i = 0; i < 3; ++i) {
        ORACLE_CHECK(g->header[i]->guard_intact() && g->header[i]->bytes() == headers_before[i],
                     std::string("the header of ") + kLineTables[i].name + " changed");
    }
    ORACLE_CHECK(g->k9->guard_intact() && g->k9->bytes() == g->k9_expected,
                 "the k9 record changed");
    ORACLE_CHECK(g->array->guard_intact() && g->array->bytes() == array_before,
                 "the record array changed");
    ORACLE_CHECK(g->count->guard_intact() && count_now() == c.count_now, "the count cell changed");
    records::put(descriptors[records::kK9].data(), records::desc::kCurrent, c.k9_record);
    for (auto& [number, table] : host.tables)
        ORACLE_CHECK(table.descriptor->bytes() == descriptors[number],
                     "the descriptor of table " + std::to_string(number) + " changed");
    return 0;
}
