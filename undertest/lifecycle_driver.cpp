#include "undertest/lifecycle_driver.h"

#include "platform/loader_linux.h"
#include "undertest/lines.h"
#include "undertest/oracle.h"

#include <algorithm>
#include <cstring>

namespace lifecycle {

namespace {

using undertest::kReportCaption;
using undertest::kReportFlags;
constexpr const char* kSetting = undertest::kNoticeSetting;

const undertest::LineTable& row_table(int r) {
    return undertest::line_tables()[size_t(r)];
}

int row_of(int32_t table) {
    for (int r = 0; r < 3; ++r)
        if (row_table(r).table == table) return r;
    return -1;
}

} // namespace

Driver::Driver(HostChoice choice) : choice_(std::move(choice)) {}
Driver::~Driver() = default;

bool Driver::load() {
    loader::reset();
    vordan::reset();
    vordan::Host& host = h();
    host.missing = choice_.missing;
    host.rates = {{3, 4.5}};
    vordan::register_module();
    loader::script_answers(choice_.answers, choice_.then);
    const LoadModel want = expected_load(choice_);
    const bool loaded = plugin_.load();
    const std::vector<loader::Box>& boxes = loader::boxes();
    ORACLE_CHECK(plugin_.loaded() == want.loads,
                 choice_.describe() + (want.loads ? ": the load failed" : ": the plug-in loaded"));
    if (want.boxes_known) {
        ORACLE_CHECK(boxes.size() == want.boxes.size(),
                     choice_.describe() + ": " + std::to_string(boxes.size()) + " boxes, " +
                         std::to_string(want.boxes.size()) + " expected");
        for (size_t i = 0; i < boxes.size(); ++i)
            ORACLE_CHECK(boxes[i].style == undertest::kDialogStyle &&
                             boxes[i].text.find(std::to_string(want.boxes[i])) != std::string::npos,
                         choice_.describe() + ": box " + std::to_string(i) + " does not ask for " +
                             std::to_string(want.boxes[i]) + ": " + undertest::hex(boxes[i].text));
    }
    if (!plugin_.loaded()) return false;
    ORACLE_CHECK(loaded, "an entry is not exported");
    for (const records::TableInfo& t : records::kTables)
        own_[t.number] = host.tables.at(t.number).handler();
    for (int r = 0; r < 3; ++r) {
        array_[r] = std::make_unique<records::OddBuffer>(kLines * sizeof(uint8_t*));
        count_[r] = std::make_unique<records::OddBuffer>(sizeof(int32_t));
        uint8_t* pointers[kLines];
        for (int i = 0; i < kLines; ++i) {
            lines_[r][i] = std::make_unique<records::OddBuffer>(
                size_t(records::record_size(row_table(r).table)));
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

void Driver::attach(bool with_title) {
    vordan::Host& host = h();
    records::OddBuffer title(sizeof undertest::kTitle, 0xEE);
    const size_t trace_before = host.trace.size();
    const int32_t result =
        plugin_.attach(with_title ? reinterpret_cast<char*>(title.data()) : nullptr);
    const int32_t want = model_.attach(host.version, host_sizes());
    if (host.version != undertest::kInterfaceVersion)
        for (size_t i = trace_before; i < host.trace.size(); ++i)
            ORACLE_CHECK(host.trace[i].rfind("52256(", 0) != 0, "attach to a host of version " +
                                                                    std::to_string(host.version) +
                                                                    " asked for a descriptor");
    ORACLE_CHECK(result == want, "attach gave " + std::to_string(result) + ", expected " +
                                     std::to_string(want) + "; " + model_.list_text());
    const std::vector<uint8_t> bytes = title.bytes();
    ORACLE_CHECK(title.guard_intact(), "attach wrote past the title buffer");
    if (with_title)
        ORACLE_CHECK(memcmp(bytes.data(), undertest::kTitle, sizeof undertest::kTitle) == 0,
                     "the title buffer holds " +
                         undertest::hex(std::string(bytes.begin(), bytes.end())));
    else
        ORACLE_CHECK(std::count(bytes.begin(), bytes.end(), 0xEE) == long(bytes.size()),
                     "attach without a title buffer wrote a title");
}

void Driver::detach(bool with_second) {
    records::OddBuffer second(64, 0xEE);
    const int32_t result =
        plugin_.detach(with_second ? reinterpret_cast<char*>(second.data()) : nullptr);
    model_.remove_hooks();
    ORACLE_CHECK(result == 0, "detach gave " + std::to_string(result));
    const std::vector<uint8_t> bytes = second.bytes();
    ORACLE_CHECK(second.guard_intact() &&
                     std::count(bytes.begin(), bytes.end(), 0xEE) == long(bytes.size()),
                 "detach wrote into its second argument");
}

void Driver::start(int32_t flag) {
    vordan::Host& host = h();
    if (flag == 0) {
        NoticeHost before;
        auto it = host.settings.find(kSetting);
        if (it != host.settings.end()) before.stored = it->second;
        before.read_result = host.setting_read_result;
        before.failed_read_stores = host.failed_read_stores;
        before.flag_set = host.notice_flag_set;
        before.lacks_settings = choice_.lacks(52224);
        notice_ = expected_notice(before);
    }
    const size_t messages_before = host.messages.size();
    const int32_t result = plugin_.start(flag);
    ORACLE_CHECK(result == 0, "entry 30008 gave " + std::to_string(result));
    std::vector<vordan::Message> shown(host.messages.begin() + long(messages_before),
                                       host.messages.end());
    if (flag != 0) {
        check_report(shown);
        return;
    }
    model_.install_hooks(host_sizes());
    size_t notices = 0;
    for (const vordan::Message& m : shown)
        notices += m.ordinal == 52023;
    ORACLE_CHECK(notices == (notice_.shown ? 1u : 0u),
                 std::to_string(notices) + " notices shown, " + (notice_.shown ? "1" : "none") +
                     " expected");
    auto it = host.settings.find(kSetting);
    const std::optional<int32_t> now =
        it == host.settings.end() ? std::optional<int32_t>() : it->second;
    ORACLE_CHECK(
        now == notice_.setting_after,
        "the notice setting is " + (now ? std::to_string(*now) : "not stored") + ", expected " +
            (notice_.setting_after ? std::to_string(*notice_.setting_after) : "not stored"));
}

void Driver::entry_30009() {
    ORACLE_CHECK(plugin_.entry_30009() == 0, "entry 30009 gave another result");
}

// ---- events ----

void Driver::fill_lines(int r, uint8_t fill, uint8_t keys) {
    const undertest::LineTable& row = row_table(r);
    for (int i = 0; i < kLines; ++i) {
        uint8_t* line = lines_[r][i]->data();
        memset(line, fill, lines_[r][i]->size());
        const int k = (keys >> (2 * i)) & 3;
        records::put(line, row.key, k == 3 ? int16_t(-1) : int16_t(k + (i & 1)));
        if (row.scope.offset != 0) records::put(line, row.scope, int16_t(k == 2 ? 7 : 0));
    }
}

void Driver::set_count(int r, int32_t count) {
    memcpy(count_[r]->data(), &count, sizeof count);
}

void Driver::event(const Dispatch& d, std::vector<Dispatch> nested) {
    nested_ = std::move(nested);
    next_nested_ = 0;
    snapshot();
    dispatch(d);
    nested_.clear();
    check_lines();
}

// ---- the host changes between steps ----

void Driver::reset_host() {
    vordan::Host& host = h();
    for (auto& [number, node] : hidden_)
        host.tables.insert(std::move(node));
    hidden_.clear();
    for (const records::TableInfo& t : records::kTables)
        resize_table(int(&t - records::kTables), t.size);
    host.version = undertest::kInterfaceVersion;
    set_notice(false, 0, 0, false, 3);
    host.items = {{1, 0, 12.5, 0}, {2, 0, 1e9, 3}, {3, 7, -4.25, 0}, {4, 0, 0.001, 1}};
    host.handler_result = 0x600D;
    host.trace.clear();
    host.messages.clear();
    host.handler_calls.clear();
}

void Driver::toggle_table(int i) {
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

void Driver::resize_table(int i, int16_t size) {
    records::put(descriptor_of(records::kTables[i].number), records::desc::kRecordSize, size);
}

void Driver::set_version(int32_t v) {
    h().version = v;
}

void Driver::change_item(size_t i, int16_t scope, double price, int16_t code) {
    vordan::Item& item = h().items[i % h().items.size()];
    item.scope = scope;
    item.price = price;
    item.code = code;
}

void Driver::set_notice(bool stored, int32_t value, int32_t read_result, bool failed_read_stores,
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

void Driver::set_handler_result(int32_t r) {
    h().handler_result = r;
}

void Driver::check_slots() {
    for (const records::TableInfo& t : records::kTables) {
        const cz_handler slot = records::get(descriptor_of(t.number), records::desc::kHandler);
        const int r = row_of(t.number);
        if (r < 0 || !model_.hooked(r)) {
            ORACLE_CHECK(slot == own_[t.number],
                         std::string(t.name) + "'s handler slot does not hold the host's handler");
            continue;
        }
        ORACLE_CHECK(slot != own_[t.number], std::string(t.name) + " is not hooked");
        if (!hook_[r]) hook_[r] = slot;
        ORACLE_CHECK(slot == hook_[r], std::string(t.name) + " got another hook routine");
    }
    for (int r = 0; r < 3; ++r)
        for (int s = r + 1; s < 3; ++s)
            ORACLE_CHECK(!hook_[r] || hook_[r] != hook_[s], "two tables share one hook routine");
}

// ---- the host's side ----

uint8_t* Driver::descriptor_of(int32_t number) {
    auto it = hidden_.find(number);
    return it != hidden_.end() ? it->second.mapped().descriptor->data()
                               : h().tables.at(number).descriptor->data();
}

// The descriptor 52256 hands the plug-in now: none when the host lacks the table, none ever from
// the stand-in of a missing 52256.
uint8_t* Driver::given_descriptor(int32_t number) {
    return choice_.lacks(52256) ? nullptr : h().descriptor(number);
}

int32_t Driver::host_size(int32_t number) {
    const uint8_t* d = given_descriptor(number);
    return d ? records::get(d, records::desc::kRecordSize) : 0;
}

HostSizes Driver::host_sizes() {
    return [this](int32_t number) { return host_size(number); };
}

void Driver::check_report(const std::vector<vordan::Message>& shown) {
    if (model_.list_empty()) {
        ORACLE_CHECK(shown.size() == 1 && shown[0].ordinal == 52029 &&
                         shown[0].caption == kReportCaption && shown[0].flags == kReportFlags,
                     "the report with an empty list is not the version message");
        return;
    }
    if (choice_.lacks(52028)) {
        ORACLE_CHECK(shown.empty(), "a report went elsewhere than to the missing 52028");
        return;
    }
    ORACLE_CHECK(shown.size() == 1 && shown[0].ordinal == 52028 &&
                     shown[0].caption == kReportCaption && shown[0].flags == kReportFlags,
                 "the size table is not one message of 52028");
    std::string rows_shown;
    const std::string directive = "\x01tp25p40\x01";
    const std::string& text = shown[0].text;
    for (size_t at = text.find(directive); at != std::string::npos;
         at = text.find(directive, at + 1)) {
        const size_t from = at + directive.size();
        rows_shown += " [" + text.substr(from, text.find('\n', from) - from) + "]";
    }
    ORACLE_CHECK("mismatch list:" + rows_shown == model_.list_text(),
                 "the report shows" + rows_shown + "; " + model_.list_text());
}

void Driver::dispatch(const Dispatch& d) {
    vordan::Host& host = h();
    const int32_t table = row_table(d.row).table;
    const uint8_t* desc = descriptor_of(table);
    const cz_handler slot = records::get(desc, records::desc::kHandler);
    const cz_handler routine = d.kept_hook && hook_[d.row] ? hook_[d.row] : slot;
    if (routine == hook_[d.row] && d.event == kCtrlE) touched_[d.row] = true;
    ++dispatches_;
    const uint32_t seed = dispatches_ * 0x01010101u;
    undertest::HandlerWords words;
    words.a2 = 0xA2000000u ^ seed;
    for (uint32_t i = 0; i < 7; ++i)
        words.rest[i] = (0x05000000u + i) ^ seed;
    int32_t* count = reinterpret_cast<int32_t*>(count_[d.row]->data());
    uint8_t** records = reinterpret_cast<uint8_t**>(array_[d.row]->data());
    const size_t calls_before = host.handler_calls.size();
    const uint32_t dispatches_before = dispatches_;
    const int16_t scope = host.lookup_scope;
    const int32_t result = undertest::call_handler(routine, d.event, count, records, words);
    const std::string what =
        "event " + std::to_string(d.event) + " on table " + std::to_string(table);
    // Events dispatched from inside this one reached the host's handlers first.
    const size_t calls = host.handler_calls.size() - calls_before;
    ORACLE_CHECK(calls == 1 + (dispatches_ - dispatches_before),
                 what + ": the host's handlers were called " + std::to_string(calls) + " times");
    const vordan::HandlerCall& call = host.handler_calls.back();
    ORACLE_CHECK(call.table == table && call.event == d.event && call.a2 == words.a2 &&
                     call.count == count && call.records == records &&
                     memcmp(call.rest, words.rest, sizeof words.rest) == 0,
                 what + ": the host's handler got other arguments");
    ORACLE_CHECK(result == host.handler_result, what + ": the host handler's result was lost");
    ORACLE_CHECK(host.lookup_scope == scope, what + ": the lookup scope changed");
}

void Driver::reenter(int32_t ordinal) {
    static const int32_t kRecalcs[] = {52333, 52334, 52335, 51465, 51466, 51472, 51473};
    if (depth_ > 0 || next_nested_ >= nested_.size()) return;
    if (std::find(std::begin(kRecalcs), std::end(kRecalcs), ordinal) == std::end(kRecalcs)) return;
    ++depth_;
    dispatch(nested_[next_nested_++]);
    --depth_;
}

void Driver::snapshot() {
    for (int r = 0; r < 3; ++r) {
        touched_[r] = false;
        for (int i = 0; i < kLines; ++i)
            before_[r][i] = lines_[r][i]->bytes();
    }
    for (auto& [number, table] : h().tables)
        current_before_[number] = table.current->bytes();
}

void Driver::check_lines() {
    static const std::vector<records::Extent> kNothing;
    for (int r = 0; r < 3; ++r) {
        const std::vector<records::Extent>& may = touched_[r] ? row_table(r).owned : kNothing;
        for (int i = 0; i < kLines; ++i) {
            const records::OddBuffer& line = *lines_[r][i];
            ORACLE_CHECK(line.guard_intact(), "a guard byte beside a line record changed");
            const int64_t b = undertest::changed_outside(line.data(), before_[r][i].data(),
                                                         uint32_t(line.size()), may);
            ORACLE_CHECK(b < 0, "table " + std::to_string(row_table(r).table) + " line " +
                                    std::to_string(i) + " byte " + std::to_string(b) + " changed");
        }
    }
    for (auto& [number, table] : h().tables)
        if (number != records::kK9) // the host's lookup writes the k9 record
            ORACLE_CHECK(table.current->bytes() == current_before_[number],
                         "the current record of table " + std::to_string(number) + " changed");
}

} // namespace lifecycle
