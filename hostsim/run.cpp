#include "hostsim/run.h"

#include "hostsim/hostplatform.h"
#include "sim/plugin_contract.h"
#include "sim/vordan.h"

#include <cstring>
#include <map>

namespace hostrun {
namespace {

using contract::kNoticeSetting;

class Runner {
  public:
    explicit Runner(const scenario::Scenario& s) : s_(s) {}
    Result run();

  private:
    void set_up_host();
    void collect_messages();
    void collect_dialogs();
    void attach_and_start(void* plugin);
    void detach(void* plugin);
    Document run_document(const scenario::Document& d);

    const scenario::Scenario& s_;
    Result r_;
    size_t host_messages_seen_ = 0;
    std::map<int32_t, cz_handler> host_handlers_; // each table's own, before the plug-in came
    std::map<int32_t, bool> hooked_;              // by line table
};

void Runner::set_up_host() {
    vordan::Host& h = vordan::host();
    h.recalculate = true;
    h.handler_result = 0;
    h.version = s_.version;
    for (const auto& [name, size] : s_.table_sizes) {
        const records::TableInfo* t = records::find_table(name.c_str());
        if (!t) continue;
        if (size)
            h.add_table(t->number, *size);
        else
            h.remove_table(t->number);
    }
    for (const scenario::Item& i : s_.items)
        h.items.push_back({i.key, i.scope, i.price, i.code});
    for (const scenario::PriceCode& c : s_.price_codes)
        h.rates[c.code] = c.rate;
    if (s_.notice_stored) h.settings[kNoticeSetting] = *s_.notice_stored;
    if (s_.notice_unreadable) h.setting_read_result = 1;
    h.notice_flag_set = s_.notice_user_sets;
}

void Runner::collect_messages() {
    const vordan::Host& h = vordan::host();
    for (; host_messages_seen_ < h.messages.size(); ++host_messages_seen_) {
        const vordan::Message& m = h.messages[host_messages_seen_];
        Shown shown;
        shown.kind = m.ordinal == 52023 ? Shown::Kind::notice : Shown::Kind::message;
        shown.service = m.ordinal;
        shown.caption = m.caption;
        shown.text = m.text;
        shown.flags = m.flags;
        r_.shown.push_back(shown);
    }
}

// The message boxes of the load (the missing-entry dialog).
void Runner::collect_dialogs() {
    for (const hostplatform::Box& b : hostplatform::boxes()) {
        Shown shown;
        shown.kind = Shown::Kind::dialog;
        shown.caption = b.caption;
        shown.text = b.text;
        shown.answer = b.answer;
        r_.shown.push_back(shown);
    }
}

// Entry 30001 with a title buffer; refused: 30008 asks for the reason; accepted: 30008 starts
// and the line tables' handler slots show what was hooked.
void Runner::attach_and_start(void* plugin) {
    vordan::Host& h = vordan::host();
    auto e30001 = reinterpret_cast<contract::Entry30001>(hostplatform::plugin_entry(plugin, 30001));
    auto e30008 = reinterpret_cast<contract::Entry30008>(hostplatform::plugin_entry(plugin, 30008));
    char title[64];
    memset(title, 0, sizeof title);
    static char host_marker;
    r_.attach_called = true;
    r_.attached = e30001(&host_marker, title) == 0;
    r_.title = title;
    if (!r_.attached) {
        e30008(1);
        collect_messages();
        return;
    }
    e30008(0);
    for (scenario::Kind kind : {scenario::Kind::Rw, scenario::Kind::Mr, scenario::Kind::Mm}) {
        const int32_t lines = codec::tables_of(kind).lines;
        const bool on =
            h.descriptor(lines) && h.tables.at(lines).handler() != host_handlers_[lines];
        hooked_[lines] = on;
        r_.start.push_back({kind, on});
    }
    collect_messages();
    auto it = h.settings.find(kNoticeSetting);
    if (it != h.settings.end()) r_.notice_setting = it->second;
}

void Runner::detach(void* plugin) {
    auto e30001 = reinterpret_cast<contract::Entry30001>(hostplatform::plugin_entry(plugin, 30001));
    e30001(nullptr, nullptr);
    bool restored = true;
    for (const auto& [number, table] : vordan::host().tables)
        restored = restored && table.handler() == host_handlers_[number];
    r_.handlers_restored = restored;
}

Document Runner::run_document(const scenario::Document& d) {
    vordan::Host& h = vordan::host();
    const codec::DocumentTables t = codec::tables_of(d.kind);
    Document doc;
    doc.source = &d;
    doc.hooked = hooked_[t.lines];
    uint8_t* header = h.current(t.header);
    if (!h.descriptor(t.lines)) {
        doc.has_table = false;
        return doc;
    }
    if (header) codec::encode_header(d, header);

    vordan::Lines lines = h.make_lines(t.lines, d.lines.size());
    for (size_t i = 0; i < d.lines.size(); ++i) {
        codec::encode_line(d.kind, d.lines[i], lines[i]);
        doc.lines.push_back({codec::decode_line(d.kind, lines[i]), {}});
    }
    // The events through the line table's handler slot, as the host dispatches them.
    for (int32_t event : d.events) {
        h.handler_calls.clear();
        const cz_handler handler = h.tables.at(t.lines).handler();
        const int32_t result =
            handler(event, 0, &lines.count, lines.pointers.data(), 0, 0, 0, 0, 0, 0, 0);
        doc.events.push_back({event, h.handler_calls.size() == 1, result});
    }
    for (size_t i = 0; i < d.lines.size(); ++i)
        doc.lines[i].after = codec::decode_line(d.kind, lines[i]);
    if (header) {
        doc.has_header = true;
        doc.totals = codec::decode_totals(d.kind, header);
    }
    return doc;
}

Result Runner::run() {
    hostplatform::reset();
    vordan::reset();
    set_up_host();
    vordan::Host& h = vordan::host();

    // Load: the start-up binding pass may raise the missing-entry dialog.
    hostplatform::script_answers(s_.dialog_answers, 0);
    hostplatform::offer_vordan(s_.missing_services);
    const char* file = s_.plugin_file_unavailable ? nullptr
                       : s_.plugin_file           ? s_.plugin_file->c_str()
                                                  : contract::kPluginPath;
    void* plugin = hostplatform::load_plugin(file);
    r_.loaded = plugin != nullptr;
    if (!plugin) r_.load_failure = hostplatform::load_failure(file);
    collect_dialogs();
    for (const auto& [number, table] : h.tables)
        host_handlers_[number] = table.handler();
    if (plugin) attach_and_start(plugin);

    for (const scenario::Document& d : s_.documents)
        r_.documents.push_back(run_document(d));
    collect_messages();

    if (plugin) {
        detach(plugin);
        hostplatform::unload_plugin(plugin);
    }
    return std::move(r_);
}

} // namespace

Result run(const scenario::Scenario& s) {
    return Runner(s).run();
}

} // namespace hostrun
