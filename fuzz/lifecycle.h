// The plug-in's whole lifecycle driven as a host would drive it, step by step, against a small
// model of what the plug-in must do: the lifecycle fuzz target and the binding stress test both
// run it. The model is written from the plug-in's documented behaviour, not from its code.
//
// The model:
//   - load: the 21 services are bound in their list order; a missing one raises the missing-entry
//     dialog (Retry shows it again, Ignore goes on without the service and without asking again,
//     any other answer or a box that fails aborts); only the services whose ordinal's last two
//     digits are a multiple of 4 up to 56 (or 99) can be done without, so the load fails on any
//     other missing service, and each box names the service it asks about;
//   - handler slots: each of Rw_dok, Mr_dok, Mm_dok holds the plug-in's hook exactly while its
//     row is hooked (one hook routine per row, the same at every installation), and otherwise the
//     host's own handler; every other table keeps its own handler;
//   - the record-size mismatch list: the ten table-size records (seven of the attach check, one
//     failure record per hooked table), refilling a listed record drops the records behind it,
//     an append adds a record once; the attach result is 0 exactly when the list is empty, -1
//     without looking at any table when the host's interface version is not 112;
//   - start: the hooks go in row by row until a table is missing or of another size, whose
//     failure record is appended and then every hook comes out again; the notice follows unless
//     the stored setting (read successfully) has a non-zero low half, and its flag is written
//     back; start with a non-zero flag shows the version message when the list is empty, or else
//     the size table with one row per listed record;
//   - detach: every hooked row gets the host's handler back; the second argument is never written;
//     attach writes exactly the 57 bytes of the title into a title buffer;
//   - events, through the slot or through a hook pointer the host kept: the host's handler is
//     called exactly once per event with the eleven arguments, its result comes back, the lookup
//     scope is what it was, and only a hook on Ctrl-E changes the line records, and only in the
//     bytes that hook owns. Events may come again from inside the recalculation services.
// A service the host lacks and the user went on without answers 0: no descriptor, no lookup, a
// setting read that succeeds with 0 and a write that does nothing, a message nobody sees.
#pragma once

#include "fuzz/common.h"
#include "platform/simloader.h"
#include "plugin/image.h"
#include "sim/vordan.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lifecycle {

constexpr int32_t kAbort = 3, kRetry = 4, kIgnore = 5;
constexpr int32_t kCtrlE = 5;
constexpr const char* kPluginPath = "C:\\Program Files\\Vordan\\Wtyczki\\cenyzak.dll";
constexpr const char kTitle[] = "Wypelnienie RW, MM wew. i MM wys. cenami zakupu (Ctrl-E)";
constexpr int32_t kVersion = 112;
constexpr int32_t kReportFlags = 0xC001;

// The 21 services in the order the plug-in binds them.
inline constexpr int32_t kBindingOrder[21] = {52028, 52029, 52158, 38417, 52178, 52179, 51594,
                                              52256, 52224, 52023, 52265, 52266, 52333, 52334,
                                              52335, 51465, 51466, 51472, 51473, 52289, 52412};

// Whether the plug-in can go on without a service: the last two digits of its ordinal give the
// size of its argument list, and only sizes up to 56 bytes, in whole words, or 99 have a
// stand-in routine.
inline bool can_do_without(int32_t ordinal) {
    const int32_t r = ordinal % 100;
    return r == 99 || (r % 4 == 0 && r <= 56);
}

// A host: the services it lacks and how the user answers the missing-entry dialog.
struct HostChoice {
    std::vector<int32_t> missing;
    std::vector<int32_t> answers; // in order; then every further box answers `then`
    int32_t then = kAbort;        // never Retry: that would ask for ever
    bool lacks(int32_t ordinal) const {
        return std::find(missing.begin(), missing.end(), ordinal) != missing.end();
    }
    std::string describe() const {
        std::string s = "missing {";
        for (int32_t m : missing)
            s += " " + std::to_string(m);
        s += " } answers {";
        for (int32_t a : answers)
            s += " " + std::to_string(a);
        return s + " } then " + std::to_string(then);
    }
};

// What the load must do: whether it succeeds, and which service each box asks about (unknown
// when the text conversion itself is missing: the dialog needs it, and what it shows then is the
// plug-in's own choice).
struct LoadModel {
    bool loads = true;
    bool boxes_known = true;
    std::vector<int32_t> boxes;
};

inline LoadModel expected_load(const HostChoice& c) {
    LoadModel m;
    m.boxes_known = !c.lacks(52158);
    bool ignore_all = false;
    size_t next = 0;
    for (int32_t ordinal : kBindingOrder) {
        if (!c.lacks(ordinal)) continue;
        if (!ignore_all) {
            int32_t answer;
            do {
                m.boxes.push_back(ordinal);
                answer = next < c.answers.size() ? c.answers[next++] : c.then;
            } while (answer == kRetry);
            if (answer != kIgnore) {
                m.loads = false;
                return m;
            }
            ignore_all = true;
        }
        if (!can_do_without(ordinal)) {
            m.loads = false;
            return m;
        }
    }
    return m;
}

// ---- the tables ----

// The three hooked line tables, in the plug-in's order of installation, with the bytes each
// hook may change in a line record (sim/records.h).
struct Row {
    int32_t table, header;
    records::Field<int16_t> key;
    records::Field<int16_t> scope; // the line's own lookup scope; Mm_dok lines have none (offset 0)
    std::vector<records::Span> owned;
};
inline const std::vector<Row>& rows() {
    namespace rw = records::rw_dok;
    namespace mr = records::mr_dok;
    namespace mm = records::mm_dok;
    static const std::vector<Row> kRows = {
        {records::kRwDok, records::kRw, rw::kKey, rw::kScope, fuzz::hook_owned(records::kRwDok)},
        {records::kMrDok, records::kMr, mr::kKey, mr::kScope, fuzz::hook_owned(records::kMrDok)},
        {records::kMmDok, records::kMm, mm::kKey, {0}, fuzz::hook_owned(records::kMmDok)},
    };
    return kRows;
}
constexpr int kLines = 4; // records per line table

// A table-size record of the mismatch list: 0 to 6 the attach check's (records::kTables order),
// 7 to 9 the failure records of the three hooked tables.
struct SizeRecord {
    const char* name;
    int32_t expected;
    int32_t host = 0;
};

struct Dispatch {
    int row;
    int32_t event;
    bool kept_hook; // through the hook pointer the host kept, not through the slot
};

class Driver {
  public:
    explicit Driver(HostChoice choice) : choice_(std::move(choice)) {
        for (int i = 0; i < 7; ++i)
            model_[i] = {records::kTables[i].name, records::kTables[i].size};
        for (int r = 0; r < 3; ++r) {
            const records::TableInfo* t = records::find_table(rows()[size_t(r)].table);
            model_[7 + r] = {t->name, t->size};
        }
    }

    // Loads the plug-in once, as the host does, and checks the load against the model. False
    // when the load failed (as it had to): the host then calls nothing.
    bool load() {
        simloader::reset();
        vordan::reset();
        vordan::Host& host = h();
        host.missing = choice_.missing;
        host.rates = {{3, 4.5}};
        vordan::register_module();
        simloader::script_answers(choice_.answers, choice_.then);
        const LoadModel want = expected_load(choice_);
        module_ = simloader::load_library(&cenyzak_image, kPluginPath);
        const std::vector<simloader::Box>& boxes = simloader::boxes();
        FUZZ_CHECK((module_ != nullptr) == want.loads,
                   choice_.describe() +
                       (want.loads ? ": the load failed" : ": the plug-in loaded"));
        if (want.boxes_known) {
            FUZZ_CHECK(boxes.size() == want.boxes.size(),
                       choice_.describe() + ": " + std::to_string(boxes.size()) + " boxes, " +
                           std::to_string(want.boxes.size()) + " expected");
            for (size_t i = 0; i < boxes.size(); ++i)
                FUZZ_CHECK(
                    boxes[i].style == 0x2012 &&
                        boxes[i].text.find(std::to_string(want.boxes[i])) != std::string::npos,
                    choice_.describe() + ": box " + std::to_string(i) + " does not ask for " +
                        std::to_string(want.boxes[i]) + ": " + fuzz::hex(boxes[i].text));
        }
        if (!module_) return false;
        e30001_ = reinterpret_cast<Entry30001>(entry(30001));
        e30008_ = reinterpret_cast<Entry30008>(entry(30008));
        e30009_ = reinterpret_cast<Entry30009>(entry(30009));
        FUZZ_CHECK(e30001_ && e30008_ && e30009_, "an entry is not exported");
        for (const records::TableInfo& t : records::kTables)
            own_[t.number] = host.tables.at(t.number).handler();
        for (int r = 0; r < 3; ++r) {
            array_[r] = std::make_unique<records::OddBuffer>(kLines * sizeof(uint8_t*));
            count_[r] = std::make_unique<records::OddBuffer>(sizeof(int32_t));
            uint8_t* pointers[kLines];
            for (int i = 0; i < kLines; ++i) {
                lines_[r][i] = std::make_unique<records::OddBuffer>(
                    size_t(records::record_size(rows()[size_t(r)].table)));
                pointers[i] = lines_[r][i]->data();
            }
            memcpy(array_[r]->data(), pointers, sizeof pointers);
            fill_lines(r, 0, 0x1B);
            set_count(r, kLines);
        }
        reset_host();
        host.recalculate = false; // the host's own totals would write into the line records
        host.on_call = [this](int32_t ordinal) { reenter(ordinal); };
        return true;
    }

    // ---- the entries ----

    void attach(bool with_title) {
        vordan::Host& host = h();
        records::OddBuffer title(sizeof kTitle, 0xEE);
        const size_t trace_before = host.trace.size();
        static char host_marker;
        const int32_t result =
            e30001_(&host_marker, with_title ? reinterpret_cast<char*>(title.data()) : nullptr);
        int32_t want = -1;
        if (host.version == kVersion) {
            for (int i = 0; i < 7; ++i) {
                refill(i, host_size(records::kTables[i].number));
                if (model_[i].host != model_[i].expected) append(i);
            }
            want = list_.empty() ? 0 : -1;
        } else {
            for (size_t i = trace_before; i < host.trace.size(); ++i)
                FUZZ_CHECK(host.trace[i].rfind("52256(", 0) != 0, "attach to a host of version " +
                                                                      std::to_string(host.version) +
                                                                      " asked for a descriptor");
        }
        FUZZ_CHECK(result == want, "attach gave " + std::to_string(result) + ", expected " +
                                       std::to_string(want) + "; " + list_text());
        const std::vector<uint8_t> bytes = title.bytes();
        FUZZ_CHECK(title.guard_intact(), "attach wrote past the title buffer");
        if (with_title)
            FUZZ_CHECK(memcmp(bytes.data(), kTitle, sizeof kTitle) == 0,
                       "the title buffer holds " +
                           fuzz::hex(std::string(bytes.begin(), bytes.end())));
        else
            FUZZ_CHECK(std::count(bytes.begin(), bytes.end(), 0xEE) == long(bytes.size()),
                       "attach without a title buffer wrote a title");
    }

    void detach(bool with_second) {
        records::OddBuffer second(64, 0xEE);
        const int32_t result =
            e30001_(nullptr, with_second ? reinterpret_cast<char*>(second.data()) : nullptr);
        remove_hooks();
        FUZZ_CHECK(result == 0, "detach gave " + std::to_string(result));
        const std::vector<uint8_t> bytes = second.bytes();
        FUZZ_CHECK(second.guard_intact() &&
                       std::count(bytes.begin(), bytes.end(), 0xEE) == long(bytes.size()),
                   "detach wrote into its second argument");
    }

    void start(int32_t flag) {
        vordan::Host& host = h();
        if (flag == 0) predict_notice();
        const size_t messages_before = host.messages.size();
        const int32_t result = e30008_(flag);
        FUZZ_CHECK(result == 0, "entry 30008 gave " + std::to_string(result));
        std::vector<vordan::Message> shown(host.messages.begin() + long(messages_before),
                                           host.messages.end());
        if (flag != 0) {
            check_report(shown);
            return;
        }
        install_hooks();
        size_t notices = 0;
        for (const vordan::Message& m : shown)
            notices += m.ordinal == 52023;
        FUZZ_CHECK(notices == (notice_shown_ ? 1u : 0u),
                   std::to_string(notices) + " notices shown, " + (notice_shown_ ? "1" : "none") +
                       " expected");
        auto it = host.settings.find(kSetting);
        const std::optional<int32_t> now =
            it == host.settings.end() ? std::optional<int32_t>() : it->second;
        FUZZ_CHECK(now == setting_after_,
                   "the notice setting is " + (now ? std::to_string(*now) : "not stored") +
                       ", expected " +
                       (setting_after_ ? std::to_string(*setting_after_) : "not stored"));
    }

    void entry_30009() { FUZZ_CHECK(e30009_() == 0, "entry 30009 gave another result"); }

    // ---- events ----

    // The line records of a row refilled: every byte `fill`, then per line two bits of `keys`
    // choose its key (0 skips the line, 0xFFFF is -1 after sign extension, the others name items
    // of k9) and its own lookup scope where it has one.
    void fill_lines(int r, uint8_t fill, uint8_t keys) {
        const Row& row = rows()[size_t(r)];
        for (int i = 0; i < kLines; ++i) {
            uint8_t* line = lines_[r][i]->data();
            memset(line, fill, lines_[r][i]->size());
            const int k = (keys >> (2 * i)) & 3;
            records::put(line, row.key, k == 3 ? int16_t(-1) : int16_t(k + (i & 1)));
            if (row.scope.offset != 0) records::put(line, row.scope, int16_t(k == 2 ? 7 : 0));
        }
    }

    void set_count(int r, int32_t count) { memcpy(count_[r]->data(), &count, sizeof count); }

    // One event from the host; `nested` events are dispatched, in turn, from inside the
    // recalculation services that the event's own processing calls.
    void event(const Dispatch& d, std::vector<Dispatch> nested) {
        nested_ = std::move(nested);
        next_nested_ = 0;
        snapshot();
        dispatch(d);
        nested_.clear();
        check_lines();
    }

    // ---- the host changes between steps ----

    // The host as at load: every table back with its own size, version 112, no stored notice
    // setting, the items and the handler's result as they were. The plug-in keeps its own state
    // (the mismatch list above all) for as long as it is loaded; the model keeps it alongside.
    void reset_host() {
        vordan::Host& host = h();
        for (auto& [number, node] : hidden_)
            host.tables.insert(std::move(node));
        hidden_.clear();
        for (const records::TableInfo& t : records::kTables)
            resize_table(int(&t - records::kTables), t.size);
        host.version = kVersion;
        set_notice(false, 0, 0, false, 3);
        host.items = {{1, 0, 12.5, 0}, {2, 0, 1e9, 3}, {3, 7, -4.25, 0}, {4, 0, 0.001, 1}};
        host.handler_result = 0x600D;
        host.trace.clear();
        host.messages.clear();
        host.handler_calls.clear();
    }

    // Drops one of the seven tables from the host, or brings it back. Its descriptor stays alive
    // (a host keeps it while the plug-in may hold it); 52256 just stops giving it.
    void toggle_table(int i) {
        vordan::Host& host = h();
        const int32_t number = records::kTables[i].number;
        auto it = hidden_.find(number);
        if (it != hidden_.end()) {
            host.tables.insert(std::move(it->second));
            hidden_.erase(it);
        } else {
            hidden_.emplace(number, host.tables.extract(number));
        }
    }
    void resize_table(int i, int16_t size) {
        records::put(descriptor_of(records::kTables[i].number), records::desc::kRecordSize, size);
    }
    void set_version(int32_t v) { h().version = v; }
    void change_item(size_t i, int16_t scope, double price, int16_t code) {
        vordan::Item& item = h().items[i % h().items.size()];
        item.scope = scope;
        item.price = price;
        item.code = code;
    }
    // The stored notice setting (or none), how reading it fails, and the flag the user leaves.
    void set_notice(bool stored, int32_t value, int32_t read_result, bool failed_read_stores,
                    int flag_choice) {
        vordan::Host& host = h();
        if (stored)
            host.settings[kSetting] = value;
        else
            host.settings.erase(kSetting);
        host.setting_read_result = read_result;
        host.failed_read_stores = failed_read_stores;
        static const int16_t kFlags[] = {0, 1, -1};
        if (flag_choice < 3)
            host.notice_flag_set = kFlags[flag_choice];
        else
            host.notice_flag_set.reset();
    }
    void set_handler_result(int32_t r) { h().handler_result = r; }

    // After every step: the handler slots as the model has them.
    void check_slots() {
        for (const records::TableInfo& t : records::kTables) {
            const cz_handler slot = records::get(descriptor_of(t.number), records::desc::kHandler);
            const int r = row_of(t.number);
            if (r < 0 || !hooked_[r]) {
                FUZZ_CHECK(slot == own_[t.number],
                           std::string(t.name) +
                               "'s handler slot does not hold the host's handler");
                continue;
            }
            FUZZ_CHECK(slot != own_[t.number], std::string(t.name) + " is not hooked");
            if (!hook_[r]) hook_[r] = slot;
            FUZZ_CHECK(slot == hook_[r], std::string(t.name) + " got another hook routine");
        }
        for (int r = 0; r < 3; ++r)
            for (int s = r + 1; s < 3; ++s)
                FUZZ_CHECK(!hook_[r] || hook_[r] != hook_[s], "two tables share one hook routine");
    }

  private:
    typedef int32_t(CZ_CDECL* Entry30001)(void*, char*);
    typedef int32_t(CZ_CDECL* Entry30008)(int32_t);
    typedef int32_t(CZ_CDECL* Entry30009)(void);
    static constexpr const char* kSetting = "VUZivo/Pytaj";

    static vordan::Host& h() { return vordan::host(); }
    cz_proc entry(uintptr_t ordinal) {
        return cz_proc_address(module_, reinterpret_cast<const char*>(ordinal));
    }
    static int row_of(int32_t table) {
        for (int r = 0; r < 3; ++r)
            if (rows()[size_t(r)].table == table) return r;
        return -1;
    }
    uint8_t* descriptor_of(int32_t number) {
        auto it = hidden_.find(number);
        return it != hidden_.end() ? it->second.mapped().descriptor->data()
                                   : h().tables.at(number).descriptor->data();
    }
    // The descriptor 52256 hands the plug-in now: none when the host lacks the table, none ever
    // from the stand-in of a missing 52256.
    uint8_t* given_descriptor(int32_t number) {
        return choice_.lacks(52256) ? nullptr : h().descriptor(number);
    }
    int32_t host_size(int32_t number) {
        const uint8_t* d = given_descriptor(number);
        return d ? records::get(d, records::desc::kRecordSize) : 0;
    }

    // ---- the mismatch list ----

    void refill(int id, int32_t host) {
        model_[id].host = host;
        auto it = std::find(list_.begin(), list_.end(), id);
        if (it != list_.end()) list_.erase(it + 1, list_.end());
    }
    void append(int id) {
        if (std::find(list_.begin(), list_.end(), id) == list_.end()) list_.push_back(id);
    }
    std::string row_text(int id) const {
        const SizeRecord& s = model_[id];
        return std::string(s.name) + "\t" + std::to_string(s.expected) + "\t" +
               (s.host == 0 ? std::string("brak") : std::to_string(s.host));
    }
    std::string list_text() const {
        std::string s = "mismatch list:";
        for (int id : list_)
            s += " [" + row_text(id) + "]";
        return s;
    }

    // ---- start ----

    void install_hooks() {
        for (int r = 0; r < 3; ++r) {
            if (hooked_[r]) continue;
            const int32_t table = rows()[size_t(r)].table;
            const uint8_t* d = given_descriptor(table);
            if (!d || records::get(d, records::desc::kRecordSize) != model_[7 + r].expected) {
                refill(7 + r, host_size(table));
                append(7 + r);
                remove_hooks();
                return;
            }
            hooked_[r] = true;
        }
    }
    void remove_hooks() {
        for (bool& hooked : hooked_)
            hooked = false;
    }

    void check_report(const std::vector<vordan::Message>& shown) {
        if (list_.empty()) {
            FUZZ_CHECK(shown.size() == 1 && shown[0].ordinal == 52029 &&
                           shown[0].caption == "STOP!!!" && shown[0].flags == kReportFlags,
                       "the report with an empty list is not the version message");
            return;
        }
        if (choice_.lacks(52028)) {
            FUZZ_CHECK(shown.empty(), "a report went elsewhere than to the missing 52028");
            return;
        }
        FUZZ_CHECK(shown.size() == 1 && shown[0].ordinal == 52028 &&
                       shown[0].caption == "STOP!!!" && shown[0].flags == kReportFlags,
                   "the size table is not one message of 52028");
        std::string rows_shown;
        const std::string directive = "\x01tp25p40\x01";
        const std::string& text = shown[0].text;
        for (size_t at = text.find(directive); at != std::string::npos;
             at = text.find(directive, at + 1)) {
            const size_t from = at + directive.size();
            rows_shown += " [" + text.substr(from, text.find('\n', from) - from) + "]";
        }
        FUZZ_CHECK("mismatch list:" + rows_shown == list_text(),
                   "the report shows" + rows_shown + "; " + list_text());
    }

    // Whether the next start shows the notice, and the setting it leaves, from the host's state
    // before it.
    void predict_notice() {
        vordan::Host& host = h();
        auto it = host.settings.find(kSetting);
        setting_after_ = it == host.settings.end() ? std::optional<int32_t>()
                                                   : std::optional<int32_t>(it->second);
        notice_shown_ = true;
        if (choice_.lacks(52224)) return; // the stand-in reads 0, successfully; writes nothing
        const bool fails = (host.setting_read_result & 0xFFFF) != 0;
        int32_t value = 0;
        int32_t result = host.setting_read_result;
        if (it != host.settings.end() && (!fails || host.failed_read_stores)) value = it->second;
        if (!fails && it == host.settings.end()) result = 1;
        if ((result & 0xFFFF) == 0 && int16_t(value) != 0) {
            notice_shown_ = false;
            return;
        }
        setting_after_ = int32_t(host.notice_flag_set.value_or(0)); // the flag as the user left it
    }

  private:
    // ---- events ----

    void dispatch(const Dispatch& d) {
        vordan::Host& host = h();
        const uint8_t* desc = descriptor_of(rows()[size_t(d.row)].table);
        const cz_handler slot = records::get(desc, records::desc::kHandler);
        const cz_handler routine = d.kept_hook && hook_[d.row] ? hook_[d.row] : slot;
        if (routine == hook_[d.row] && d.event == kCtrlE) touched_[d.row] = true;
        ++dispatches_;
        const uint32_t seed = dispatches_ * 0x01010101u;
        const uint32_t a2 = 0xA2000000u ^ seed;
        uint32_t w[7];
        for (uint32_t i = 0; i < 7; ++i)
            w[i] = (0x05000000u + i) ^ seed;
        int32_t* count = reinterpret_cast<int32_t*>(count_[d.row]->data());
        uint8_t** records = reinterpret_cast<uint8_t**>(array_[d.row]->data());
        const size_t calls_before = host.handler_calls.size();
        const uint32_t dispatches_before = dispatches_;
        const int16_t scope = host.lookup_scope;
        const int32_t result =
            routine(d.event, a2, count, records, w[0], w[1], w[2], w[3], w[4], w[5], w[6]);
        const std::string what = "event " + std::to_string(d.event) + " on table " +
                                 std::to_string(rows()[size_t(d.row)].table);
        // Events dispatched from inside this one reached the host's handlers first.
        const size_t calls = host.handler_calls.size() - calls_before;
        FUZZ_CHECK(calls == 1 + (dispatches_ - dispatches_before),
                   what + ": the host's handlers were called " + std::to_string(calls) + " times");
        const vordan::HandlerCall& call = host.handler_calls.back();
        FUZZ_CHECK(call.table == rows()[size_t(d.row)].table && call.event == d.event &&
                       call.a2 == a2 && call.count == count && call.records == records &&
                       memcmp(call.rest, w, sizeof w) == 0,
                   what + ": the host's handler got other arguments");
        FUZZ_CHECK(result == host.handler_result, what + ": the host handler's result was lost");
        FUZZ_CHECK(host.lookup_scope == scope, what + ": the lookup scope changed");
    }

    void reenter(int32_t ordinal) {
        static const int32_t kRecalcs[] = {52333, 52334, 52335, 51465, 51466, 51472, 51473};
        if (depth_ > 0 || next_nested_ >= nested_.size()) return;
        if (std::find(std::begin(kRecalcs), std::end(kRecalcs), ordinal) == std::end(kRecalcs))
            return;
        ++depth_;
        dispatch(nested_[next_nested_++]);
        --depth_;
    }

    void snapshot() {
        for (int r = 0; r < 3; ++r) {
            touched_[r] = false;
            for (int i = 0; i < kLines; ++i)
                before_[r][i] = lines_[r][i]->bytes();
        }
        for (auto& [number, table] : h().tables)
            current_before_[number] = table.current->bytes();
    }

    void check_lines() {
        static const std::vector<records::Span> kNothing;
        for (int r = 0; r < 3; ++r) {
            const std::vector<records::Span>& may =
                touched_[r] ? rows()[size_t(r)].owned : kNothing;
            for (int i = 0; i < kLines; ++i) {
                const records::OddBuffer& line = *lines_[r][i];
                FUZZ_CHECK(line.guard_intact(), "a guard byte beside a line record changed");
                const std::vector<uint8_t>& was = before_[r][i];
                // A stretch at a time by memcmp: a byte loop would feed the fuzzer's comparison
                // tracing thousands of comparisons per event.
                uint32_t from = 0;
                for (size_t s = 0; s <= may.size(); ++s) {
                    const uint32_t to = s < may.size() ? may[s].offset : uint32_t(line.size());
                    if (memcmp(line.data() + from, was.data() + from, to - from) != 0)
                        for (uint32_t b = from; b < to; ++b)
                            FUZZ_CHECK(line.data()[b] == was[b],
                                       "table " + std::to_string(rows()[size_t(r)].table) +
                                           " line " + std::to_string(i) + " byte " +
                                           std::to_string(b) + " changed");
                    if (s < may.size()) from = may[s].offset + may[s].width;
                }
            }
        }
        for (auto& [number, table] : h().tables)
            if (number != records::kK9) // the host's lookup writes the k9 record
                FUZZ_CHECK(table.current->bytes() == current_before_[number],
                           "the current record of table " + std::to_string(number) + " changed");
    }

    HostChoice choice_;
    cz_module module_ = nullptr;
    Entry30001 e30001_ = nullptr;
    Entry30008 e30008_ = nullptr;
    Entry30009 e30009_ = nullptr;
    std::map<int32_t, cz_handler> own_; // each table's own handler
    std::map<int32_t, decltype(vordan::Host::tables)::node_type> hidden_;
    std::unique_ptr<records::OddBuffer> lines_[3][kLines];
    std::unique_ptr<records::OddBuffer> array_[3], count_[3];

    // the model
    SizeRecord model_[10];
    std::vector<int> list_;
    bool hooked_[3] = {};
    cz_handler hook_[3] = {}; // each row's hook routine, once seen in its slot
    bool notice_shown_ = true;
    std::optional<int32_t> setting_after_;

    // the event under way
    std::vector<Dispatch> nested_;
    size_t next_nested_ = 0;
    int depth_ = 0;
    uint32_t dispatches_ = 0;
    bool touched_[3] = {};
    std::vector<uint8_t> before_[3][kLines];
    std::map<int32_t, std::vector<uint8_t>> current_before_;
};

} // namespace lifecycle
