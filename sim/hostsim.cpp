#include "sim/hostsim.h"

#include "sim/codec.h"
#include "sim/hostplatform.h"
#include "sim/report.h"
#include "sim/vordan.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <map>
#if !defined(_WIN32)
#include <unistd.h>
#endif

extern const char kBundledSample[]; // scenarios/sample.json, built in

namespace hostsim {
namespace {

using nlohmann::ordered_json;

constexpr const char* kDefaultPluginFile = "C:\\Program Files\\Vordan\\Wtyczki\\cenyzak.dll";

typedef int32_t(CZ_CDECL* Entry30001)(void*, char*);
typedef int32_t(CZ_CDECL* Entry30008)(int32_t);

std::string answer_name(int32_t answer) {
    switch (answer) {
    case 3:
        return "Przerwij";
    case 4:
        return "Ponów";
    case 5:
        return "Ignoruj";
    default:
        return "(the box could not be shown)";
    }
}

bool same(double a, double b) {
    return memcmp(&a, &b, sizeof a) == 0;
}

// The mark of a line after the document's events: what the plug-in did with it, as the host's
// user would put it.
struct LineOutcome {
    bool ctrl_e, hooked, has_item, changed;
};
std::string mark(scenario::Kind kind, const scenario::Line& src, const LineOutcome& o) {
    if (!o.ctrl_e) return "no Ctrl-E";
    if (src.key == 0) return "skipped: no item key";
    if (!o.hooked) return "untouched: the plug-in is not active";
    if (kind == scenario::Kind::Mr && std::lround(src.price) != 0) return "kept: already priced";
    if (!o.has_item) return "no purchase price found";
    if (kind == scenario::Kind::Rw && !o.changed) return "kept: already priced";
    return "filled";
}

class Runner {
  public:
    Runner(const scenario::Scenario& s, const Options& o) : s_(s), o_(o) {}

    ordered_json run();
    std::vector<std::string> styled; // messages rendered with emphasis, in report order

  private:
    void set_up_host();
    void add_message(ordered_json m, const std::string& styled_text) {
        out_["messages"].push_back(std::move(m));
        styled.push_back(styled_text);
    }
    void collect_messages();
    void collect_dialogs();
    void attach_and_start(void* plugin);
    void detach(void* plugin);
    ordered_json run_document(const scenario::Document& d, bool hooked);
    ordered_json run_events(const scenario::Document& d, vordan::Lines& lines, bool& ctrl_e);
    ordered_json report_line(const scenario::Document& d, size_t i,
                             const std::vector<codec::FieldValue>& before, const uint8_t* record,
                             const LineOutcome& o);
    const scenario::Item* item_for(int16_t key, int16_t scope) const {
        for (const scenario::Item& i : s_.items)
            if (i.key == key && i.scope == scope) return &i;
        return nullptr;
    }

    const scenario::Scenario& s_;
    const Options& o_;
    ordered_json out_;
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
    if (s_.notice_stored) h.settings["VUZivo/Pytaj"] = *s_.notice_stored;
    if (s_.notice_unreadable) h.setting_read_result = 1;
    h.notice_flag_set = s_.notice_user_sets;
}

void Runner::collect_messages() {
    const vordan::Host& h = vordan::host();
    for (; host_messages_seen_ < h.messages.size(); ++host_messages_seen_) {
        const vordan::Message& m = h.messages[host_messages_seen_];
        ordered_json j;
        j["service"] = m.ordinal;
        j["kind"] = m.ordinal == 52023 ? "notice" : "message";
        if (m.ordinal != 52023) j["caption"] = vordan::mazovia_to_utf8(m.caption);
        j["text"] = report::render(m.text, false);
        if (m.ordinal == 52023)
            j["notice number"] = m.flags;
        else
            j["flags"] = m.flags;
        add_message(j, report::render(m.text, o_.color));
    }
}

// The message boxes of the load (the missing-entry dialog).
void Runner::collect_dialogs() {
    for (const hostplatform::Box& b : hostplatform::boxes()) {
        ordered_json m;
        m["kind"] = "dialog";
        m["caption"] = vordan::cp1250_to_utf8(b.caption);
        m["text"] = vordan::cp1250_to_utf8(b.text);
        m["buttons"] = {"Przerwij", "Ponów", "Ignoruj"};
        m["answer"] = answer_name(b.answer);
        add_message(m, m["text"]);
    }
}

// Entry 30001 with a title buffer; refused: 30008 asks for the reason; accepted: 30008 starts
// and the line tables' handler slots show what was hooked.
void Runner::attach_and_start(void* plugin) {
    vordan::Host& h = vordan::host();
    auto e30001 = reinterpret_cast<Entry30001>(hostplatform::plugin_entry(plugin, 30001));
    auto e30008 = reinterpret_cast<Entry30008>(hostplatform::plugin_entry(plugin, 30008));
    char title[64];
    memset(title, 0, sizeof title);
    static char host_marker;
    const int32_t attached = e30001(&host_marker, title);
    out_["title"] = vordan::mazovia_to_utf8(title);
    out_["attach"] = attached == 0 ? "accepted" : "refused";
    if (attached != 0) {
        e30008(1);
        collect_messages();
        return;
    }
    e30008(0);
    ordered_json tables = ordered_json::object();
    for (scenario::Kind kind : {scenario::Kind::Rw, scenario::Kind::Mr, scenario::Kind::Mm}) {
        const codec::DocumentTables t = codec::tables_of(kind);
        const bool on =
            h.descriptor(t.lines) && h.tables.at(t.lines).handler() != host_handlers_[t.lines];
        hooked_[t.lines] = on;
        tables[t.line_name] = on ? "hooked" : "not hooked";
    }
    out_["start"] = tables;
    collect_messages();
    auto it = h.settings.find("VUZivo/Pytaj");
    if (it != h.settings.end()) out_["setting Pytaj"] = it->second;
}

void Runner::detach(void* plugin) {
    auto e30001 = reinterpret_cast<Entry30001>(hostplatform::plugin_entry(plugin, 30001));
    e30001(nullptr, nullptr);
    bool restored = true;
    for (const auto& [number, table] : vordan::host().tables)
        restored = restored && table.handler() == host_handlers_[number];
    out_["detach"] = restored ? "every table has its own handler back"
                              : "a table still has the plug-in's handler";
}

// The document's events through the line table's handler slot, as the host dispatches them.
ordered_json Runner::run_events(const scenario::Document& d, vordan::Lines& lines, bool& ctrl_e) {
    vordan::Host& h = vordan::host();
    const codec::DocumentTables t = codec::tables_of(d.kind);
    ordered_json events = ordered_json::array();
    for (int32_t event : d.events) {
        ctrl_e = ctrl_e || event == 5;
        h.handler_calls.clear();
        cz_handler handler = h.tables.at(t.lines).handler();
        const int32_t result =
            handler(event, 0, &lines.count, lines.pointers.data(), 0, 0, 0, 0, 0, 0, 0);
        ordered_json e;
        e["event"] = event;
        e["meaning"] = event == 5 ? "Ctrl-E" : "other";
        e["host handler called"] = h.handler_calls.size() == 1;
        e["result"] = result;
        events.push_back(e);
    }
    return events;
}

ordered_json Runner::report_line(const scenario::Document& d, size_t i,
                                 const std::vector<codec::FieldValue>& before,
                                 const uint8_t* record, const LineOutcome& outcome) {
    const scenario::Line& src = d.lines[i];
    const std::vector<codec::FieldValue> after = codec::decode_line(d.kind, record);
    const int16_t scope = d.kind == scenario::Kind::Mm ? d.scope : src.scope;
    ordered_json line;
    line["line"] = i + 1;
    line["key"] = src.key;
    line["scope"] = scope;
    line["quantity"] = src.quantity / 1000.0;
    const scenario::Item* item = src.key ? item_for(src.key, scope) : nullptr;
    if (item) line["item"] = item->name;
    LineOutcome o = outcome;
    o.has_item = item != nullptr;
    ordered_json rows = ordered_json::array();
    for (size_t f = 0; f < after.size(); ++f) {
        const bool differs = !same(before[f].value, after[f].value);
        // The host's own line value follows its recalculation, not the plug-in's filling.
        if (after[f].name.find("(host)") == std::string::npos) o.changed = o.changed || differs;
        // Selling levels without a percentage and untouched are left out: ten of them would bury
        // the rest.
        if (!differs && after[f].name.rfind("level ", 0) == 0 && after[f].value == 0) continue;
        ordered_json row;
        row["field"] = after[f].name;
        row["before"] = before[f].value;
        row["after"] = after[f].value;
        row["changed"] = differs;
        rows.push_back(row);
    }
    line["mark"] = mark(d.kind, src, o);
    line["fields"] = rows;
    return line;
}

ordered_json Runner::run_document(const scenario::Document& d, bool hooked) {
    vordan::Host& h = vordan::host();
    const codec::DocumentTables t = codec::tables_of(d.kind);
    ordered_json doc;
    doc["kind"] = codec::kind_name(d.kind);
    doc["name"] = d.name;
    doc["table"] = t.line_name;
    uint8_t* header = h.current(t.header);
    if (!h.descriptor(t.lines)) {
        doc["outcome"] = std::string("the host has no table ") + t.line_name;
        return doc;
    }
    if (header) codec::encode_header(d, header);
    if (d.kind == scenario::Kind::Mr) doc["method"] = d.method == 0 ? "markup" : "margin";
    if (d.kind == scenario::Kind::Mm) doc["scope"] = d.scope;

    vordan::Lines lines = h.make_lines(t.lines, d.lines.size());
    std::vector<std::vector<codec::FieldValue>> before;
    for (size_t i = 0; i < d.lines.size(); ++i) {
        codec::encode_line(d.kind, d.lines[i], lines[i]);
        before.push_back(codec::decode_line(d.kind, lines[i]));
    }
    LineOutcome outcome{false, hooked, false, false};
    doc["events"] = run_events(d, lines, outcome.ctrl_e);

    std::map<std::string, int> summary;
    doc["lines"] = ordered_json::array();
    for (size_t i = 0; i < d.lines.size(); ++i) {
        ordered_json line = report_line(d, i, before[i], lines[i], outcome);
        ++summary[line["mark"].get<std::string>()];
        doc["lines"].push_back(std::move(line));
    }
    doc["summary"] = summary;
    if (header) {
        ordered_json totals;
        for (const codec::FieldValue& f : codec::decode_totals(d.kind, header))
            totals[f.name] = f.value;
        doc["host totals"] = totals;
    }
    return doc;
}

ordered_json Runner::run() {
    hostplatform::reset();
    vordan::reset();
    set_up_host();
    vordan::Host& h = vordan::host();
    if (!s_.description.empty()) out_["scenario"] = s_.description;
    out_["messages"] = ordered_json::array();

    // Load: the start-up binding pass may raise the missing-entry dialog.
    hostplatform::script_answers(s_.dialog_answers, 0);
    hostplatform::offer_vordan(s_.missing_services);
    const char* file = s_.plugin_file_unavailable ? nullptr
                       : s_.plugin_file           ? s_.plugin_file->c_str()
                                                  : kDefaultPluginFile;
    void* plugin = hostplatform::load_plugin(file);
    collect_dialogs();
    out_["load"] = plugin ? "loaded" : "failed: the plug-in's start-up refused the load";
    for (const auto& [number, table] : h.tables)
        host_handlers_[number] = table.handler();
    if (plugin) attach_and_start(plugin);

    out_["documents"] = ordered_json::array();
    for (const scenario::Document& d : s_.documents)
        out_["documents"].push_back(run_document(d, hooked_[codec::tables_of(d.kind).lines]));
    collect_messages();

    if (plugin) {
        detach(plugin);
        hostplatform::unload_plugin(plugin);
    }
    return out_;
}

} // namespace

std::string run(const scenario::Scenario& s, const Options& options) {
    Runner runner(s, options);
    const ordered_json result = runner.run();
    if (options.json) return result.dump(2) + "\n";
    return report::text(result, runner.styled, options.color);
}

int main(int argc, char** argv) {
    Options options;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--json") {
            options.json = true;
        } else if (a == "-h" || a == "--help") {
            std::cout << "usage: hostsim [--json] [scenario.json]\n"
                         "Runs the plug-in in the simulated host over a scenario (the bundled\n"
                         "sample warehouse when none is given). Format: scenarios/README.md\n";
            return 0;
        } else if (!a.empty() && a[0] == '-') {
            std::cerr << "hostsim: unknown option '" << a
                      << "' (usage: hostsim [--json] [scenario.json])\n";
            return 2;
        } else if (!path.empty()) {
            std::cerr << "hostsim: more than one scenario given ('" << path << "' and '" << a
                      << "'); run one at a time\n";
            return 2;
        } else {
            path = a;
        }
    }
    scenario::Scenario s;
    try {
        s = path.empty() ? scenario::parse(kBundledSample, "sample.json (bundled)")
                         : scenario::load(path);
    } catch (const scenario::Error& e) {
        std::cerr << "hostsim: " << e.what() << "\n";
        return 2;
    }
#if !defined(_WIN32)
    const char* term = getenv("TERM");
    options.color =
        !options.json && isatty(1) && !getenv("NO_COLOR") && term && std::string(term) != "dumb";
#endif
    std::cout << run(s, options);
    return 0;
}

} // namespace hostsim

#if defined(_WIN32)
// VORDAN.dll's entry for hostsim.exe.
extern "C" int hostsim_main(int argc, char** argv) {
    return hostsim::main(argc, argv);
}
#endif
