#include "sim/plain.h"

#include "platform/loader_linux.h"
#include "sim/rounding.h"

#include <string.h>
#include <type_traits>

namespace plain {

using namespace records;

namespace {

constexpr uint32_t kMessageSize = 1024;

struct State {
    int32_t version = 112;
    hosttables::Table tables[128]; // by table number; one without a descriptor is missing
    uint8_t* k9_record = nullptr;
    std::vector<Item> items;
    int16_t scope = 0;
    int32_t key = 0;
    int32_t setting = 0; // the one setting the plug-in keeps (the notice flag)
    bool setting_stored = false;
    int32_t messages = 0;
    char message[kMessageSize] = {};
    int32_t handler_calls = 0;
    int32_t* journal = nullptr;
    uint32_t journal_capacity = 0, journal_size = 0;
};
State* g = new State;

inline void note(int32_t ordinal) {
    if (g->journal && g->journal_size < g->journal_capacity)
        g->journal[g->journal_size++] = ordinal;
}

void keep_message(const char* text) {
    ++g->messages;
    size_t n = text ? strlen(text) : 0;
    if (n >= kMessageSize) n = kMessageSize - 1;
    if (n) memcpy(g->message, text, n);
    g->message[n] = 0;
}

void add_table(int32_t number, int16_t size) {
    hosttables::Table& t = g->tables[number];
    t = hosttables::make_table(number, size, &handler);
    if (number == kK9) g->k9_record = t.current->data();
}

// The address of each service has exactly the type of its row's pointer.
#define CZ_PLAIN_CHECK(ord, ret, params, name)                                                     \
    static_assert(std::is_same<decltype(&s##ord), cz_svc_##ord>::value, "s" #ord);
CZ_HOST_SERVICES(CZ_PLAIN_CHECK)
#undef CZ_PLAIN_CHECK

#define CZ_PLAIN_EXPORT(ord, ret, params, name) {ord, nullptr, reinterpret_cast<cz_proc>(s##ord)},
const cz_sim_export kExports[] = {CZ_HOST_SERVICES(CZ_PLAIN_EXPORT)};
#undef CZ_PLAIN_EXPORT
const cz_sim_image kImage = {"VORDAN.dll", kExports, sizeof kExports / sizeof kExports[0], nullptr};

} // namespace

// ---- the services ----

int32_t CZ_CDECL s52028(const char*, const char* text, int32_t) {
    note(52028);
    keep_message(text);
    return 0;
}

int32_t CZ_CDECL s52029(const char*, const char* format, int32_t, ...) {
    note(52029);
    keep_message(format);
    return 0;
}

// Encodings 1 and 3 are taken to be the same: the text is only copied where it has to go.
int32_t CZ_CDECL s52158(char* destination, const char* source, int32_t, int32_t) {
    note(52158);
    if (destination != source) memmove(destination, source, strlen(source) + 1);
    return 0;
}

int32_t CZ_CDECL s38417(void) {
    note(38417);
    return 0;
}

int32_t CZ_CDECL s52178(double amount, int32_t) {
    note(52178);
    return rounding::whole(amount);
}

// Rounds to a multiple of 1/n.
double CZ_CDECL s52179(double amount, int32_t n) {
    note(52179);
    return rounding::to_fraction(amount, n);
}

int32_t CZ_CDECL s51594(void) {
    note(51594);
    return g->version;
}

uint8_t* CZ_CDECL s52256(int32_t table) {
    note(52256);
    return table >= 0 && table < 128 ? descriptor(table) : nullptr;
}

// The one setting: mode 1 reads it (1 while nothing is stored), mode 2 stores it.
int32_t CZ_CDECL s52224(int32_t mode, const char*, const char*, const char*, void* values) {
    note(52224);
    uintptr_t word;
    memcpy(&word, values, sizeof word);
    if (mode == 1) {
        if (!g->setting_stored) return 1;
        memcpy(reinterpret_cast<void*>(word), &g->setting, sizeof g->setting);
        return 0;
    }
    if (mode == 2) {
        g->setting = static_cast<int32_t>(word);
        g->setting_stored = true;
        return 0;
    }
    return 1;
}

// The notice: shown, and the user leaves its flag as it is.
int32_t CZ_CDECL s52023(int32_t, int16_t*, int32_t, const char* text) {
    note(52023);
    keep_message(text);
    return 0;
}

int16_t* CZ_CDECL s52265(void) {
    note(52265);
    return &g->scope;
}

int32_t* CZ_CDECL s52266(void) {
    note(52266);
    return &g->key;
}

int32_t CZ_CDECL s52333(uint8_t*) {
    note(52333);
    return 0;
}

int32_t CZ_CDECL s52334(uint8_t**, int32_t, uint8_t*, int32_t, int32_t, int32_t) {
    note(52334);
    return 0;
}

int32_t CZ_CDECL s52335(uint8_t*, uint8_t*, uint8_t**, int32_t) {
    note(52335);
    return 0;
}

int32_t CZ_CDECL s51465(uint8_t*, uint8_t**, int32_t, uint8_t*, int32_t, int32_t, int32_t) {
    note(51465);
    return 0;
}

int32_t CZ_CDECL s51466(uint8_t*, uint8_t*, uint8_t**, int32_t) {
    note(51466);
    return 0;
}

int32_t CZ_CDECL s51472(uint8_t*, uint8_t**, int32_t, uint8_t*, int32_t, int32_t, int32_t) {
    note(51472);
    return 0;
}

int32_t CZ_CDECL s51473(uint8_t*, uint8_t*, uint8_t**, int32_t) {
    note(51473);
    return 0;
}

// Every code converts 1:1.
double CZ_CDECL s52289(int32_t, int32_t, double amount) {
    note(52289);
    return amount;
}

// The item of the current key and scope becomes k9's current record.
int32_t CZ_CDECL s52412(int32_t, int32_t) {
    note(52412);
    const int32_t key = g->key;
    if (key < 1 || key > static_cast<int32_t>(g->items.size()) || !g->k9_record) return 0;
    const Item& it = g->items[key - 1];
    if (it.scope != g->scope) return 0;
    put(g->k9_record, k9::kPriceCode, it.code);
    put(g->k9_record, k9::kPrice, it.price);
    return 1;
}

int32_t CZ_CDECL handler(int32_t, uint32_t, int32_t*, uint8_t**, uint32_t, uint32_t, uint32_t,
                         uint32_t, uint32_t, uint32_t, uint32_t) {
    ++g->handler_calls;
    return kHandlerResult;
}

// ---- set-up and what the host was shown ----

void setup(int32_t items) {
    delete g;
    g = new State;
    for (const TableInfo& t : kTables)
        add_table(t.number, t.size);
    g->items.resize(items);
    for (int32_t k = 1; k <= items; ++k)
        g->items[k - 1] = {1, static_cast<int16_t>(k % 3), 10.0 + (k % 100) * 0.37};
    put(current(kMr), mr::kMethod, 1);
    put(current(kMm), mm::kScope, 1);
}

void set_record_size(int32_t table, int16_t size) {
    add_table(table, size);
}

void remove_table(int32_t table) {
    g->tables[table] = hosttables::Table();
    if (table == kK9) g->k9_record = nullptr;
}

void set_version(int32_t version) {
    g->version = version;
}

Item& item(int32_t key) {
    return g->items.at(key - 1);
}
uint8_t* descriptor(int32_t table) {
    const hosttables::Table& t = g->tables[table];
    return t.descriptor ? t.descriptor->data() : nullptr;
}
uint8_t* current(int32_t table) {
    const hosttables::Table& t = g->tables[table];
    return t.current ? t.current->data() : nullptr;
}
cz_handler handler_in_slot(int32_t table) {
    return get(descriptor(table), desc::kHandler);
}

cz_module register_module() {
    return loader::add_module(&kImage, "C:\\Vordan\\VORDAN.dll");
}

int32_t messages() {
    return g->messages;
}
const char* last_message() {
    return g->message;
}
int32_t handler_calls() {
    return g->handler_calls;
}
int16_t lookup_scope() {
    return g->scope;
}
int32_t lookup_key() {
    return g->key;
}

void journal_to(int32_t* calls, uint32_t capacity) {
    g->journal = calls;
    g->journal_capacity = capacity;
    g->journal_size = 0;
}
uint32_t journal_size() {
    return g->journal_size;
}
void journal_off() {
    g->journal = nullptr;
}

// ---- documents ----

Document make_document(int32_t table, int32_t n, int32_t items) {
    Document doc = hosttables::make_lines(table, static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        uint8_t* line = doc[size_t(i)];
        const int16_t key = static_cast<int16_t>(1 + i % items);
        const int32_t quantity = 1000 + (i % 50) * 250;
        switch (table) {
        case kRwDok:
            put(line, rw_dok::kKey, key);
            put(line, rw_dok::kScope, 1);
            for (uint32_t j = 0; j < rw_dok::kSlotUse.count; ++j)
                put(line, rw_dok::kSlotUse, 1, j);
            break;
        case kMrDok:
            put(line, mr_dok::kKey, key);
            put(line, mr_dok::kScope, 1);
            put(line, mr_dok::kQuantity, quantity);
            put(line, mr_dok::kSellingCode, 1);
            for (uint32_t j = 0; j < mr_dok::kPercent.count; ++j)
                put(line, mr_dok::kPercent, 5000 * static_cast<int32_t>(j + 1), j);
            break;
        case kMmDok:
            put(line, mm_dok::kKey, key);
            put(line, mm_dok::kQuantity, quantity);
            for (uint32_t j = 0; j < mm_dok::kSlotUse.count; ++j)
                put(line, mm_dok::kSlotUse, 1, j);
            break;
        default:
            break;
        }
    }
    return doc;
}

void unprice(Document& doc) {
    for (uint8_t* line : doc.pointers) {
        if (doc.table == kRwDok)
            for (uint32_t j = 0; j < rw_dok::kSlotPrice.count; ++j)
                put(line, rw_dok::kSlotPrice, 0.0, j);
        else if (doc.table == kMrDok)
            put(line, mr_dok::kPrice, 0);
    }
}

} // namespace plain
