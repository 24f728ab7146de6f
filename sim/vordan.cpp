#include "sim/vordan.h"

#include "sim/encoding.h"
#include "sim/rounding.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <type_traits>

namespace vordan {

using namespace records;

static Host* g_host = new Host;
Host& host() {
    return *g_host;
}

namespace {

std::string num(double d) {
    char b[40];
    snprintf(b, sizeof b, "%.17g", d);
    return b;
}
std::string num(int64_t i) {
    return std::to_string(i);
}

void move_current(int32_t number) {
    auto it = g_host->tables.find(number);
    if (it == g_host->tables.end()) return;
    Table& t = it->second;
    auto fresh = std::make_unique<OddBuffer>(t.current->size());
    memcpy(fresh->data(), t.current->data(), t.current->size());
    put(t.descriptor->data(), desc::kCurrent, fresh->data());
    auto& away = g_host->moved_away[number];
    away.push_back(std::move(t.current));
    t.current = std::move(fresh);
    const TableInfo* info = find_table(number);
    g_host->names[t.current->data()] =
        std::string(info ? info->name : "?") + "#" + std::to_string(away.size());
}

bool is_recalculation(int32_t ordinal) {
    for (int32_t r : {52333, 52334, 52335, 51465, 51466, 51472, 51473})
        if (r == ordinal) return true;
    return false;
}

// Every service starts here: the call goes into the trace, then the habits that act during it and
// the test's on_call run, before the service does its own work.
void trace(const std::string& call, int32_t ordinal) {
    g_host->trace.push_back(call);
    const Habits& habits = g_host->habits;
    for (const Habits::Move& m : habits.moves)
        if (m.during == ordinal) move_current(m.table);
    if (habits.recalculations_look_up && is_recalculation(ordinal)) {
        const Item& item = *habits.recalculations_look_up;
        g_host->lookup_key = item.key;
        g_host->lookup_scope = item.scope;
        if (uint8_t* k9 = g_host->current(kK9)) {
            put(k9, k9::kPriceCode, item.code);
            put(k9, k9::kPrice, item.price);
        }
    }
    if (g_host->on_call) g_host->on_call(ordinal);
}

std::string p(const void* ptr) {
    return g_host->name_of(ptr);
}

// Formats %s and %d from a variable argument list, as the host's formatted message does.
std::string vformat(const char* format, va_list ap) {
    std::string out;
    for (const char* f = format; *f; ++f) {
        if (f[0] == '%' && f[1] == 's') {
            const char* s = va_arg(ap, const char*);
            out += s ? s : "(null)";
            ++f;
        } else if (f[0] == '%' && f[1] == 'd') {
            out += std::to_string(va_arg(ap, int32_t));
            ++f;
        } else {
            out += *f;
        }
    }
    return out;
}

template <int32_t Table> int32_t CZ_CDECL table_handler(CZ_HANDLER_PARAMETERS) {
    g_host->handler_calls.push_back(
        {Table, event, a2, count, records, {a5, a6, a7, a8, a9, a10, a11}});
    return g_host->handler_result;
}

cz_handler handler_for(int32_t number) {
    switch (number) {
    case kRwDok:
        return table_handler<kRwDok>;
    case kMrDok:
        return table_handler<kMrDok>;
    case kMmDok:
        return table_handler<kMmDok>;
    case kRw:
        return table_handler<kRw>;
    case kMr:
        return table_handler<kMr>;
    case kMm:
        return table_handler<kMm>;
    default:
        return table_handler<kK9>;
    }
}

// ---- the host's own fields (see Host::recalculate) ----

void rw_line_value(uint8_t* line) {
    if (!line) return;
    double price = 0.0;
    for (uint32_t j = 0; j < rw_dok::kSlotUse.count; ++j)
        if (get(line, rw_dok::kSlotUse, j) != 0) {
            price = get(line, rw_dok::kSlotPrice, j);
            break;
        }
    const double units = get(line, rw_dok::kQuantity) * 0.001;
    put(line, rw_dok::kValue, double(rounding::whole(units * price)));
}

template <typename Each> void each_line(uint8_t** lines, int32_t count, Each each) {
    for (int32_t i = 0; lines && i < count; ++i)
        if (lines[i]) each(lines[i]);
}

// The sums of the lines' value, difference and converted value into the header's totals.
template <typename Line, typename Header>
void sum_document(uint8_t* header, uint8_t** lines, int32_t count) {
    if (!g_host->recalculate || !header) return;
    double v = 0, d = 0, c = 0;
    each_line(lines, count, [&](uint8_t* l) {
        v += get(l, Line::kValue);
        d += get(l, Line::kDifference);
        c += get(l, Line::kConverted);
    });
    put(header, Header::kValue, v);
    put(header, Header::kDifference, d);
    put(header, Header::kConverted, c);
}
// Namespaces cannot be template arguments: these name the field sets for sum_document.
struct MrLine {
    static constexpr auto kValue = mr_dok::kValue, kDifference = mr_dok::kDifference,
                          kConverted = mr_dok::kConverted;
};
struct MrHeader {
    static constexpr auto kValue = mr::kValue, kDifference = mr::kDifference,
                          kConverted = mr::kConverted;
};
struct MmLine {
    static constexpr auto kValue = mm_dok::kValue, kDifference = mm_dok::kDifference,
                          kConverted = mm_dok::kConverted;
};
struct MmHeader {
    static constexpr auto kValue = mm::kValue, kDifference = mm::kDifference,
                          kConverted = mm::kConverted;
};

void count_recalc(uint8_t* line, Field<int32_t> recalcs) {
    if (g_host->recalculate && line) put(line, recalcs, get(line, recalcs) + 1);
}

std::string doc_args(uint8_t* header, uint8_t* header2, uint8_t** lines, int32_t count) {
    return "(" + p(header) + ", " + p(header2) + ", " + p(lines) + ", " + num(int64_t(count)) + ")";
}
std::string line_args(uint8_t* line, uint8_t** lines, int32_t count, uint8_t* header, int32_t z1,
                      int32_t z2, int32_t z3) {
    return "(" + p(line) + ", " + p(lines) + ", " + num(int64_t(count)) + ", " + p(header) + ", " +
           num(int64_t(z1)) + ", " + num(int64_t(z2)) + ", " + num(int64_t(z3)) + ")";
}

} // namespace
} // namespace vordan

using namespace vordan;

extern "C" {

// ---- the services (declared in vordan.h from host/services.h) ----

int32_t CZ_CDECL vordan_52028(const char* caption, const char* text, int32_t flags) {
    trace("52028(" + std::to_string(flags) + ")", 52028);
    g_host->messages.push_back({52028, caption, text, flags});
    return 0;
}

int32_t CZ_CDECL vordan_52029(const char* caption, const char* format, int32_t flags, ...) {
    va_list ap;
    va_start(ap, flags);
    std::string text = vformat(format, ap);
    va_end(ap);
    trace("52029(" + std::to_string(flags) + ")", 52029);
    g_host->messages.push_back({52029, caption, text, flags});
    return 0;
}

int32_t CZ_CDECL vordan_52158(char* destination, const char* source, int32_t from, int32_t to) {
    trace("52158(" + std::to_string(from) + ", " + std::to_string(to) + ")", 52158);
    if (from == 1 && to == 3) {
        const std::string converted = encoding::mazovia_to_cp1250(source);
        memcpy(destination, converted.c_str(), converted.size() + 1);
    }
    return 0;
}

int32_t CZ_CDECL vordan_38417(void) {
    trace("38417()", 38417);
    return 0;
}

int32_t CZ_CDECL vordan_52178(double amount, int32_t n) {
    trace("52178(" + num(amount) + ", " + num(int64_t(n)) + ")", 52178);
    if (g_host->round_whole) return g_host->round_whole(amount, n);
    return rounding::whole(amount);
}

// Rounds to a multiple of 1/n (n = 100: to hundredths).
double CZ_CDECL vordan_52179(double amount, int32_t n) {
    trace("52179(" + num(amount) + ", " + num(int64_t(n)) + ")", 52179);
    if (g_host->round_amount) return g_host->round_amount(amount, n);
    return rounding::to_fraction(amount, n);
}

int32_t CZ_CDECL vordan_51594(void) {
    trace("51594()", 51594);
    return g_host->version;
}

uint8_t* CZ_CDECL vordan_52256(int32_t table) {
    trace("52256(" + std::to_string(table) + ")", 52256);
    return g_host->descriptor(table);
}

int32_t CZ_CDECL vordan_52224(int32_t mode, const char* section, const char* key,
                              const char* format, void* values) {
    trace("52224(" + std::to_string(mode) + ", " + section + ", " + key + ", " + format + ")",
          52224);
    const std::string name = std::string(section) + "/" + key;
    uintptr_t word;
    memcpy(&word, values, sizeof word);
    if (mode == 1) {
        const bool fails = (g_host->setting_read_result & 0xFFFF) != 0;
        auto it = g_host->settings.find(name);
        if (it != g_host->settings.end() && (!fails || g_host->failed_read_stores)) {
            int32_t v = it->second;
            memcpy(reinterpret_cast<void*>(word), &v, sizeof v);
        }
        if (fails) return g_host->setting_read_result;
        return it == g_host->settings.end() ? 1 : g_host->setting_read_result;
    }
    if (mode == 2) {
        g_host->settings[name] = static_cast<int32_t>(word);
        return 0;
    }
    return 1;
}

int32_t CZ_CDECL vordan_52023(int32_t number, int16_t* flag, int32_t zero, const char* text) {
    int16_t f;
    memcpy(&f, flag, sizeof f);
    trace("52023(" + std::to_string(number) + ", " + std::to_string(f) + ", " +
              std::to_string(zero) + ")",
          52023);
    g_host->messages.push_back({52023, "", text, number});
    if (g_host->notice_flag_set) memcpy(flag, &*g_host->notice_flag_set, sizeof(int16_t));
    return 0;
}

int16_t* CZ_CDECL vordan_52265(void) {
    trace("52265()", 52265);
    return &g_host->lookup_scope;
}

int32_t* CZ_CDECL vordan_52266(void) {
    trace("52266()", 52266);
    const auto& seen_as = g_host->habits.key_seen_as;
    if (auto it = seen_as.find(g_host->lookup_key); it != seen_as.end())
        g_host->lookup_key = it->second;
    return &g_host->lookup_key;
}

int32_t CZ_CDECL vordan_52333(uint8_t* line) {
    trace("52333(" + p(line) + ")", 52333);
    if (g_host->recalculate) rw_line_value(line);
    return 0;
}

int32_t CZ_CDECL vordan_52334(uint8_t** lines, int32_t count, uint8_t* header, int32_t z1,
                              int32_t z2, int32_t z3) {
    trace("52334(" + p(lines) + ", " + num(int64_t(count)) + ", " + p(header) + ", " +
              num(int64_t(z1)) + ", " + num(int64_t(z2)) + ", " + num(int64_t(z3)) + ")",
          52334);
    if (g_host->recalculate) each_line(lines, count, rw_line_value);
    return 0;
}

int32_t CZ_CDECL vordan_52335(uint8_t* h, uint8_t* h2, uint8_t** lines, int32_t count) {
    trace("52335" + doc_args(h, h2, lines, count), 52335);
    if (g_host->recalculate && h) {
        double total = 0;
        each_line(lines, count, [&](uint8_t* l) { total += get(l, rw_dok::kValue); });
        put(h, rw::kValue, total);
    }
    return 0;
}
int32_t CZ_CDECL vordan_51465(uint8_t* l, uint8_t** lines, int32_t c, uint8_t* h, int32_t a,
                              int32_t b, int32_t d) {
    trace("51465" + line_args(l, lines, c, h, a, b, d), 51465);
    count_recalc(l, mr_dok::kRecalcs);
    return 0;
}
int32_t CZ_CDECL vordan_51466(uint8_t* h, uint8_t* h2, uint8_t** lines, int32_t count) {
    trace("51466" + doc_args(h, h2, lines, count), 51466);
    sum_document<MrLine, MrHeader>(h, lines, count);
    return 0;
}
int32_t CZ_CDECL vordan_51472(uint8_t* l, uint8_t** lines, int32_t c, uint8_t* h, int32_t a,
                              int32_t b, int32_t d) {
    trace("51472" + line_args(l, lines, c, h, a, b, d), 51472);
    count_recalc(l, mm_dok::kRecalcs);
    return 0;
}
int32_t CZ_CDECL vordan_51473(uint8_t* h, uint8_t* h2, uint8_t** lines, int32_t count) {
    trace("51473" + doc_args(h, h2, lines, count), 51473);
    sum_document<MmLine, MmHeader>(h, lines, count);
    return 0;
}

// Mode 2: a price in the currency of `code`, converted by the code's rate.
double CZ_CDECL vordan_52289(int32_t mode, int32_t code, double amount) {
    trace("52289(" + num(int64_t(mode)) + ", " + num(int64_t(code)) + ", " + num(amount) + ")",
          52289);
    if (g_host->convert_price) return g_host->convert_price(mode, code, amount);
    auto it = g_host->rates.find(code);
    return it == g_host->rates.end() ? amount : amount * it->second;
}

// The k9 lookup: the item of the current lookup key and scope becomes k9's current record.
int32_t CZ_CDECL vordan_52412(int32_t a, int32_t b) {
    trace("52412(" + num(int64_t(a)) + ", " + num(int64_t(b)) + ")", 52412);
    if (g_host->lookup_override) return g_host->lookup_override();
    for (const Item& item : g_host->items) {
        if (item.key != g_host->lookup_key || item.scope != g_host->lookup_scope) continue;
        uint8_t* k9 = g_host->current(kK9);
        if (!k9) return 0;
        put(k9, k9::kPriceCode, item.code);
        put(k9, k9::kPrice, item.price);
        return g_host->habits.found;
    }
    return 0;
}

} // extern "C"

// The address of each service has exactly the type of its row's pointer.
#define CZ_VORDAN_CHECK(ord, ret, params, name)                                                    \
    static_assert(std::is_same<decltype(&vordan_##ord), cz_svc_##ord>::value, "vordan_" #ord);
CZ_HOST_SERVICES(CZ_VORDAN_CHECK)
#undef CZ_VORDAN_CHECK

namespace vordan {
namespace {

#if !defined(_WIN32)
#define CZ_SIM_EXPORT(ord, ret, params, name)                                                      \
    {ord, nullptr, reinterpret_cast<cz_proc>(vordan_##ord)},
const cz_sim_export kAllExports[] = {CZ_HOST_SERVICES(CZ_SIM_EXPORT)};
#undef CZ_SIM_EXPORT

std::vector<cz_sim_export> g_exports;
cz_sim_image g_image;
#endif

} // namespace

void Host::add_table(int32_t number, int16_t size) {
    Table t = hosttables::make_table(number, size, handler_for(number));
    if (const TableInfo* info = find_table(number)) names[t.current->data()] = info->name;
    tables[number] = std::move(t);
}

void Host::add_all_tables() {
    for (const TableInfo& info : kTables)
        add_table(info.number, info.size);
}

uint8_t* Host::descriptor(int32_t number) {
    auto it = tables.find(number);
    return it == tables.end() ? nullptr : it->second.descriptor->data();
}

uint8_t* Host::current(int32_t number) {
    auto it = tables.find(number);
    return it == tables.end() ? nullptr : it->second.current->data();
}

Lines Host::make_lines(int32_t table, size_t n, uint8_t fill) {
    return hosttables::make_lines(table, n, fill);
}

std::string Host::name_of(const void* ptr) const {
    if (!ptr) return "null";
    auto it = names.find(ptr);
    if (it != names.end()) return it->second;
    char b[32];
    snprintf(b, sizeof b, "%p", ptr);
    return b;
}

void reset() {
    delete g_host;
    g_host = new Host;
    g_host->add_all_tables();
}

#if !defined(_WIN32)
cz_module register_module() {
    g_exports.clear();
    for (const cz_sim_export& e : kAllExports) {
        bool gone = false;
        for (int32_t m : g_host->missing)
            gone = gone || m == static_cast<int32_t>(e.ordinal);
        if (!gone) g_exports.push_back(e);
    }
    g_image = {"VORDAN.dll", g_exports.data(), static_cast<uint32_t>(g_exports.size()), nullptr};
    return loader::add_module(&g_image, "C:\\Vordan\\VORDAN.dll");
}
#endif

} // namespace vordan
