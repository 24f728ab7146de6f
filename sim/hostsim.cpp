#include "sim/hostsim.h"

#include "sim/check_host.h"
#include "sim/codec.h"
#include "sim/hostplatform.h"
#include "sim/plugin_contract.h"
#include "sim/report.h"
#include "sim/rounding.h"
#include "sim/vordan.h"

#include "cenyzak_version.h"

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

// The version of the --json layout: raised whenever a key is renamed or removed or a value
// changes meaning, so that a tool can refuse a layout it does not know.
constexpr int kJsonFormat = 1;

using contract::Entry30001;
using contract::Entry30008;

// The button pressed in a message box, as a stable code and as the box labels it.
const char* answer_code(int32_t answer) {
    switch (answer) {
    case contract::kAbort:
        return "abort";
    case contract::kRetry:
        return "retry";
    case contract::kIgnore:
        return "ignore";
    default:
        return "no_box";
    }
}
std::string answer_label(int32_t answer) {
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

// The mark of a line after the document's events: what the plug-in did with it, as a stable code
// (report.h has the words).
struct LineOutcome {
    bool ctrl_e, hooked, has_item, changed;
};
const char* mark(scenario::Kind kind, const scenario::Line& src, const LineOutcome& o) {
    if (!o.ctrl_e) return "no_ctrl_e";
    if (src.key == 0) return "no_item_key";
    if (!o.hooked) return "plugin_inactive";
    if (kind == scenario::Kind::Mr && std::lround(src.price) != 0) return "already_priced";
    if (!o.has_item) return "no_purchase_price";
    if (kind == scenario::Kind::Rw) {
        bool any_used = false;
        for (const scenario::Slot& slot : src.slots)
            any_used = any_used || slot.used;
        if (!any_used) return "no_slot_in_use";
        if (!o.changed) return "already_priced";
    }
    return "filled";
}

// Whether the host rounds the distance of a margin from 100 % to nothing, so that the plug-in's
// factor for it is 0: the selling price of such a level is 0.
bool margin_leaves_no_price(int32_t thousandths) {
    return rounding::whole(10000.0 - thousandths / 10.0) == 0;
}

// "1, 3-5, 7": level numbers, runs joined.
std::string level_list(const std::vector<int>& levels) {
    std::string out;
    for (size_t i = 0; i < levels.size();) {
        size_t j = i;
        while (j + 1 < levels.size() && levels[j + 1] == levels[j] + 1)
            ++j;
        out += (out.empty() ? "" : ", ") + std::to_string(levels[i]);
        if (j > i) out += "-" + std::to_string(levels[j]);
        i = j + 1;
    }
    return out;
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
    // Whether the plug-in's k9 lookups can find anything: without 52412 (answered Ignore) it
    // runs with the stand-in, which never finds an item (sim/standins.h).
    bool lookup_finds() const {
        for (int32_t ordinal : s_.missing_services)
            if (ordinal == 52412) return false;
        return true;
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
        j["kind"] = m.ordinal == 52023 ? "notice" : "message";
        j["service"] = m.ordinal;
        if (m.ordinal != 52023) j["caption"] = vordan::mazovia_to_utf8(m.caption);
        j["text"] = report::render(m.text, false);
        if (m.ordinal == 52023)
            j["notice_number"] = m.flags;
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
        m["answer"] = answer_code(b.answer);
        m["answer_label"] = answer_label(b.answer);
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
        tables[t.line_name] = on ? "hooked" : "not_hooked";
    }
    out_["start"] = tables;
    collect_messages();
    auto it = h.settings.find("VUZivo/Pytaj");
    if (it != h.settings.end()) out_["notice_setting"] = it->second;
}

void Runner::detach(void* plugin) {
    auto e30001 = reinterpret_cast<Entry30001>(hostplatform::plugin_entry(plugin, 30001));
    e30001(nullptr, nullptr);
    bool restored = true;
    for (const auto& [number, table] : vordan::host().tables)
        restored = restored && table.handler() == host_handlers_[number];
    out_["detach"] = restored ? ordered_json{{"result", "restored"},
                                             {"text", "every table has its own handler back"}}
                              : ordered_json{{"result", "not_restored"},
                                             {"text", "a table still has the plug-in's handler"}};
}

// The document's events through the line table's handler slot, as the host dispatches them.
ordered_json Runner::run_events(const scenario::Document& d, vordan::Lines& lines, bool& ctrl_e) {
    vordan::Host& h = vordan::host();
    const codec::DocumentTables t = codec::tables_of(d.kind);
    ordered_json events = ordered_json::array();
    for (int32_t event : d.events) {
        ctrl_e = ctrl_e || event == contract::kCtrlE;
        h.handler_calls.clear();
        cz_handler handler = h.tables.at(t.lines).handler();
        const int32_t result =
            handler(event, 0, &lines.count, lines.pointers.data(), 0, 0, 0, 0, 0, 0, 0);
        ordered_json e;
        e["event"] = event;
        e["meaning"] = event == contract::kCtrlE ? "ctrl_e" : "other";
        e["host_handler_called"] = h.handler_calls.size() == 1;
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
    if (item && !item->name.empty()) line["item"] = item->name;
    LineOutcome o = outcome;
    o.has_item = item != nullptr && lookup_finds();

    // MR selling-level fields that are 0 before and after are left out (ten levels of them would
    // bury the rest), except in a level with a percentage, whose selling price is always shown;
    // the line lists what was left out.
    std::map<std::string, std::vector<int>> hidden; // by field: the levels left out
    ordered_json hidden_fields = ordered_json::array();
    ordered_json notes = ordered_json::array();
    ordered_json rows = ordered_json::object();
    double percent = 0;
    for (size_t f = 0; f < after.size(); ++f) {
        const std::string& name = after[f].name;
        const bool differs = !same(before[f].value, after[f].value);
        // The host's own line value follows its recalculation, not the plug-in's filling.
        if (name.rfind("host_", 0) != 0) o.changed = o.changed || differs;
        if (name.rfind("level_", 0) == 0) {
            const size_t cut = name.find('_', 6);
            const int level = std::stoi(name.substr(6, cut - 6));
            const std::string field = name.substr(cut + 1);
            if (field == "percent") percent = after[f].value;
            if (!differs && after[f].value == 0 && percent == 0) {
                hidden[field].push_back(level);
                hidden_fields.push_back(name);
                continue;
            }
            const int32_t thousandths = int32_t(std::lround(percent * 1000.0));
            if (field == "selling" && d.method != 0 && after[f].value == 0 && thousandths != 0 &&
                margin_leaves_no_price(thousandths))
                notes.push_back(
                    {{"code", "margin_100"},
                     {"level", level},
                     {"text",
                      "level " + std::to_string(level) + " selling 0: a margin of " +
                          report::num(percent) +
                          (thousandths == 100000 ? " %" : " %, 100 % as the host rounds it,") +
                          " leaves no room for a selling price (factor 0)"}});
        }
        rows[name] = {{"before", before[f].value}, {"after", after[f].value}, {"changed", differs}};
    }
    const char* code = mark(d.kind, src, o);
    line["mark"] = code;
    line["mark_text"] = report::mark_text(code);
    line["fields"] = rows;
    if (!hidden_fields.empty()) {
        line["hidden_fields"] = hidden_fields;
        std::string text = "not shown, 0 before and after:";
        if (hidden["percent"] == hidden["selling"] && hidden["selling"] == hidden["converted"])
            text += " every field of level" +
                    std::string(hidden["percent"].size() == 1 ? " " : "s ") +
                    level_list(hidden["percent"]);
        else
            for (const char* field : {"percent", "selling", "converted"}) {
                const std::vector<int>& levels = hidden[field];
                if (levels.empty()) continue;
                text += std::string(text.back() == ':' ? " " : "; ") + field + " of level" +
                        (levels.size() == 1 ? " " : "s ") + level_list(levels);
            }
        notes.push_back({{"code", "zero_levels_hidden"}, {"text", text}});
    }
    if (!notes.empty()) line["notes"] = notes;
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
        doc["outcome"] = {{"code", "no_table"},
                          {"text", std::string("the host has no table ") + t.line_name}};
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

    // The marks in the order of first appearance.
    ordered_json summary = ordered_json::object();
    doc["lines"] = ordered_json::array();
    for (size_t i = 0; i < d.lines.size(); ++i) {
        ordered_json line = report_line(d, i, before[i], lines[i], outcome);
        const std::string code = line["mark"].get<std::string>();
        summary[code] = summary.value(code, 0) + 1;
        doc["lines"].push_back(std::move(line));
    }
    doc["summary"] = summary;
    if (header) {
        ordered_json totals = ordered_json::object();
        for (const codec::FieldValue& f : codec::decode_totals(d.kind, header))
            totals[f.name] = f.value;
        doc["host_totals"] = totals;
    }
    return doc;
}

ordered_json Runner::run() {
    hostplatform::reset();
    vordan::reset();
    set_up_host();
    vordan::Host& h = vordan::host();
    out_["format"] = kJsonFormat;
    if (!s_.description.empty()) out_["scenario"] = s_.description;
    out_["messages"] = ordered_json::array();

    // Load: the start-up binding pass may raise the missing-entry dialog.
    hostplatform::script_answers(s_.dialog_answers, 0);
    hostplatform::offer_vordan(s_.missing_services);
    const char* file = s_.plugin_file_unavailable ? nullptr
                       : s_.plugin_file           ? s_.plugin_file->c_str()
                                                  : contract::kPluginPath;
    void* plugin = hostplatform::load_plugin(file);
    if (plugin) {
        out_["load"] = {{"result", "loaded"}};
    } else {
        const hostplatform::LoadFailure why = hostplatform::load_failure(file);
        out_["load"] = {{"result", "failed"}, {"reason", why.code}, {"text", why.text}};
    }
    collect_dialogs();
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

namespace {

constexpr const char* kUsage =
    "usage: hostsim [--json] [SCENARIO.json] | --check-host FOLDER|MODULE.dll";

constexpr const char* kHelp =
    "Runs the cenyzak plug-in in a simulated host program over a scenario, the way the host\n"
    "does, and prints every document's lines before and after Ctrl-E and every message shown.\n"
    "\n"
    "  hostsim [--json] [SCENARIO.json]\n"
    "  hostsim --check-host FOLDER|MODULE.dll\n"
    "\n"
    "  SCENARIO.json        the scenario to run (format: scenarios/README.md); without one,\n"
    "                       the bundled sample warehouse\n"
    "  --json               print the result as JSON for tools (its layout: scenarios/README.md)\n"
    "  --check-host PATH    the integrator's pre-flight check, in Polish, as the pre-flight tool\n"
    "                       cenyzak-sprawdz.exe prints it: read the client's host module (the\n"
    "                       file, or VORDAN.dll in the program's folder) without loading it,\n"
    "                       list the 21 services the plug-in binds, each present or missing,\n"
    "                       say what the plug-in does without them, and compare an installed\n"
    "                       cenyzak.dll (in the folder or its Wtyczki) with this version\n"
    "  --version            print hostsim's version (the plug-in's version) and stop\n"
    "  -h, --help           print this help and stop\n"
    "\n"
    "Exit status: 0 done (--check-host: every service present); 1 --check-host: a service is\n"
    "missing; 2 a bad command line or scenario (one line on standard error saying which file,\n"
    "where and what is wrong), or --check-host found no host module to check.\n";

int usage_error(const std::string& what) {
    std::cerr << "hostsim: " << what << " (" << kUsage << ")\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::string path, module;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--json") {
            options.json = true;
        } else if (a == "-h" || a == "--help") {
            std::cout << kHelp;
            return 0;
        } else if (a == "--version") {
            std::cout << "hostsim " << CZ_VERSION << "\n";
            return 0;
        } else if (a == "--check-host") {
            if (i + 1 >= argc) return usage_error("--check-host needs the module file to check");
            if (check) return usage_error("--check-host given twice; check one module at a time");
            check = true;
            module = argv[++i];
        } else if (!a.empty() && a[0] == '-') {
            return usage_error("unknown option '" + a + "'");
        } else if (!path.empty()) {
            std::cerr << "hostsim: more than one scenario given ('" << path << "' and '" << a
                      << "'); run one at a time\n";
            return 2;
        } else {
            path = a;
        }
    }
    if (check) {
        if (!path.empty() || options.json)
            return usage_error("--check-host takes only the module file");
        check_host::Request request;
        request.target = module;
        const check_host::Result result = check_host::run(request);
        std::cout << result.text;
        return result.status;
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
