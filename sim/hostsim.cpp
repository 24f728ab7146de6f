#include "sim/hostsim.h"

#include "sim/hostplatform.h"
#include "sim/vordan.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#if !defined(_WIN32)
#include <unistd.h>
#endif

extern const char kBundledSample[]; // scenarios/sample.json, built in

namespace hostsim {
namespace {

using nlohmann::ordered_json;
using vordan::read;
using vordan::write;

constexpr const char* kDefaultPluginFile = "C:\\Program Files\\Vordan\\Wtyczki\\cenyzak.dll";

typedef int32_t(CZ_CDECL* Entry30001)(void*, char*);
typedef int32_t(CZ_CDECL* Entry30008)(int32_t);

// The shortest decimal text that reads back as the same double.
// The shortest decimal text that reads back as the same double, in plain notation for the
// amounts a warehouse has.
std::string num(double d) {
    char b[64];
    if (std::isfinite(d) && std::fabs(d) < 1e15 && std::fabs(d) >= 1e-6) {
        for (int decimals = 0; decimals <= 17; ++decimals) {
            snprintf(b, sizeof b, "%.*f", decimals, d);
            if (strtod(b, nullptr) == d) return b;
        }
    }
    for (int precision = 1; precision <= 17; ++precision) {
        snprintf(b, sizeof b, "%.*g", precision, d);
        if (strtod(b, nullptr) == d) break;
    }
    return b;
}

// ---- the host's in-line markup, as its message window lays it out ----
//
// A line may start with a directive between two 0x01 bytes: "t" and then tab stops, each a
// letter (l: text starts there, p: text ends there) and a column. 0x02 opens emphasis, 0x01
// closes it. Tabs without a stop go to the next multiple of 8.
std::string render(const std::string& mazovia, bool color) {
    std::string out;
    size_t start = 0;
    while (start <= mazovia.size()) {
        size_t end = mazovia.find('\n', start);
        if (end == std::string::npos) end = mazovia.size();
        std::string line = mazovia.substr(start, end - start);
        std::vector<std::pair<char, int>> stops;
        if (!line.empty() && line[0] == '\x01') {
            const size_t close = line.find('\x01', 1);
            if (close != std::string::npos) {
                const std::string d = line.substr(1, close - 1);
                for (size_t i = 1; i < d.size();) {
                    const char align = d[i++];
                    int column = 0;
                    while (i < d.size() && isdigit(static_cast<unsigned char>(d[i])))
                        column = column * 10 + (d[i++] - '0');
                    stops.push_back({align, column});
                }
                line = line.substr(close + 1);
            }
        }
        size_t col = 0, stop_index = 0, seg_start = 0;
        while (seg_start <= line.size()) {
            size_t seg_end = line.find('\t', seg_start);
            if (seg_end == std::string::npos) seg_end = line.size();
            const std::string seg = line.substr(seg_start, seg_end - seg_start);
            size_t width = 0;
            for (char c : seg)
                width += (c != '\x01' && c != '\x02');
            if (seg_start > 0) {
                size_t target;
                if (stop_index < stops.size()) {
                    const auto [align, column] = stops[stop_index];
                    target = align == 'p' ? size_t(std::max<int>(0, column - int(width)))
                                          : size_t(column);
                } else {
                    target = (col / 8 + 1) * 8;
                }
                ++stop_index;
                out.append(target > col ? target - col : 1, ' ');
                col = std::max(target, col + 1);
            }
            for (char c : seg) {
                if (c == '\x02')
                    out += color ? "\033[1m" : "";
                else if (c == '\x01')
                    out += color ? "\033[0m" : "";
                else
                    out += vordan::mazovia_to_utf8(std::string(1, c));
            }
            col += width;
            if (seg_end == line.size()) break;
            seg_start = seg_end + 1;
        }
        if (end == mazovia.size()) break;
        out += '\n';
        start = end + 1;
    }
    return out;
}

std::string answer_name(int32_t answer) {
    switch (answer) {
    case 3:
        return "Przerwij";
    case 4:
        return "Pon\xC3\xB3w";
    case 5:
        return "Ignoruj";
    default:
        return "(the box could not be shown)";
    }
}

struct TableOf {
    int32_t lines, header;
    const char* line_name;
    uint32_t key;
};
TableOf table_of(scenario::Kind k) {
    switch (k) {
    case scenario::Kind::Rw:
        return {vordan::kRwDok, vordan::kRw, "Rw_dok", 2121};
    case scenario::Kind::Mr:
        return {vordan::kMrDok, vordan::kMr, "Mr_dok", 1030};
    default:
        return {vordan::kMmDok, vordan::kMm, "Mm_dok", 656};
    }
}
const char* kind_name(scenario::Kind k) {
    return k == scenario::Kind::Rw ? "RW" : k == scenario::Kind::Mr ? "MR" : "MM";
}

// One field of a line as the report shows it.
struct Field {
    std::string name;
    double value;
};

// The fields of a line the plug-in may change, and the host's own line value for RW.
std::vector<Field> fields(scenario::Kind kind, const uint8_t* l) {
    std::vector<Field> f;
    auto slots = [&](uint32_t use, uint32_t price, uint32_t code, bool whole) {
        for (uint32_t j = 0; j < 10; ++j) {
            if (read<int32_t>(l, use + 4 * j) == 0) continue;
            const std::string s = "slot " + std::to_string(j);
            f.push_back({s + " price", whole ? double(read<int32_t>(l, price + 4 * j))
                                             : read<double>(l, price + 8 * j)});
            f.push_back({s + " code", double(read<int16_t>(l, code + 2 * j))});
        }
    };
    switch (kind) {
    case scenario::Kind::Rw:
        slots(1977, 2017, 2097, false);
        f.push_back({"line value (host)", read<double>(l, vordan::kRwValue)});
        break;
    case scenario::Kind::Mr:
        f.push_back({"price", double(read<int32_t>(l, 150))});
        f.push_back({"price code", double(read<int16_t>(l, 154))});
        f.push_back({"line value", read<double>(l, 156)});
        f.push_back({"converted value", read<double>(l, 172)});
        f.push_back({"value difference", read<double>(l, 164)});
        for (uint32_t j = 0; j < 10; ++j) {
            const std::string s = "level " + std::to_string(j);
            f.push_back({s + " percent", read<int32_t>(l, 188 + 4 * j) / 1000.0});
            f.push_back({s + " selling", read<double>(l, 228 + 8 * j)});
            f.push_back({s + " converted", read<double>(l, 308 + 8 * j)});
        }
        break;
    case scenario::Kind::Mm:
        f.push_back({"price", read<double>(l, 167)});
        f.push_back({"price code", double(read<int16_t>(l, 175))});
        f.push_back({"line value", read<double>(l, 177)});
        f.push_back({"converted value", read<double>(l, 193)});
        f.push_back({"value difference", read<double>(l, 185)});
        f.push_back({"value mark", double(read<uint32_t>(l, 201))});
        slots(275, 315, 355, true);
        break;
    }
    return f;
}

bool same(double a, double b) {
    return memcmp(&a, &b, sizeof a) == 0;
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
    ordered_json run_document(const scenario::Document& d, bool hooked);
    const scenario::Item* item_for(int16_t key, int16_t scope) const {
        for (const scenario::Item& i : s_.items)
            if (i.key == key && i.scope == scope) return &i;
        return nullptr;
    }

    const scenario::Scenario& s_;
    const Options& o_;
    ordered_json out_;
    size_t host_messages_seen_ = 0;
};

void Runner::set_up_host() {
    vordan::Host& h = vordan::host();
    h.recalculate = true;
    h.handler_result = 0;
    h.version = s_.version;
    for (const auto& [name, size] : s_.table_sizes) {
        for (const vordan::TableSpec& t : vordan::kTables) {
            if (name != t.name) continue;
            if (size)
                h.add_table(t.number, *size);
            else
                h.remove_table(t.number);
        }
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
        j["text"] = render(m.text, false);
        if (m.ordinal == 52023)
            j["notice number"] = m.flags;
        else
            j["flags"] = m.flags;
        add_message(j, render(m.text, o_.color));
    }
}

ordered_json Runner::run_document(const scenario::Document& d, bool hooked) {
    vordan::Host& h = vordan::host();
    const TableOf t = table_of(d.kind);
    ordered_json doc;
    doc["kind"] = kind_name(d.kind);
    doc["name"] = d.name;
    doc["table"] = t.line_name;
    uint8_t* header = h.current(t.header);
    if (!h.descriptor(t.lines)) {
        doc["outcome"] = std::string("the host has no table ") + t.line_name;
        return doc;
    }
    if (header) {
        memset(header + vordan::kDocValue, 0, 24);
        if (d.kind == scenario::Kind::Mr) write<int16_t>(header, 521, d.method);
        if (d.kind == scenario::Kind::Mm) write<int16_t>(header, 510, d.scope);
    }
    if (d.kind == scenario::Kind::Mr) doc["method"] = d.method == 0 ? "markup" : "margin";
    if (d.kind == scenario::Kind::Mm) doc["scope"] = d.scope;

    vordan::Lines lines = h.make_lines(t.lines, d.lines.size());
    for (size_t i = 0; i < d.lines.size(); ++i) {
        const scenario::Line& src = d.lines[i];
        uint8_t* l = lines[i];
        write<int16_t>(l, t.key, src.key);
        switch (d.kind) {
        case scenario::Kind::Rw:
            write<int16_t>(l, 2119, src.scope);
            write<int32_t>(l, vordan::kRwQuantity, src.quantity);
            for (size_t j = 0; j < src.slots.size(); ++j) {
                write<int32_t>(l, 1977 + 4 * j, src.slots[j].used ? 1 : 0);
                write<double>(l, 2017 + 8 * j, src.slots[j].price);
                write<int16_t>(l, 2097 + 2 * j, src.slots[j].code);
            }
            break;
        case scenario::Kind::Mr:
            write<int16_t>(l, 1028, src.scope);
            write<int32_t>(l, 140, src.quantity);
            write<int32_t>(l, 150, int32_t(src.price));
            write<int16_t>(l, 154, src.price_code);
            write<int16_t>(l, 180, src.selling_code);
            for (size_t j = 0; j < src.percents.size(); ++j)
                write<int32_t>(l, 188 + 4 * j, src.percents[j]);
            for (size_t j = 0; j < src.selling.size(); ++j)
                write<double>(l, 228 + 8 * j, src.selling[j]);
            break;
        case scenario::Kind::Mm:
            write<int32_t>(l, 157, src.quantity);
            write<double>(l, 167, src.price);
            write<int16_t>(l, 175, src.price_code);
            for (size_t j = 0; j < src.slots.size(); ++j) {
                write<int32_t>(l, 275 + 4 * j, src.slots[j].used ? 1 : 0);
                write<int32_t>(l, 315 + 4 * j, int32_t(src.slots[j].price));
                write<int16_t>(l, 355 + 2 * j, src.slots[j].code);
            }
            break;
        }
    }
    std::vector<std::vector<Field>> before;
    for (size_t i = 0; i < d.lines.size(); ++i)
        before.push_back(fields(d.kind, lines[i]));

    bool ctrl_e = false;
    doc["events"] = ordered_json::array();
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
        doc["events"].push_back(e);
    }

    std::map<std::string, int> summary;
    doc["lines"] = ordered_json::array();
    for (size_t i = 0; i < d.lines.size(); ++i) {
        const scenario::Line& src = d.lines[i];
        const std::vector<Field> after = fields(d.kind, lines[i]);
        const int16_t scope = d.kind == scenario::Kind::Mm ? d.scope : src.scope;
        ordered_json line;
        line["line"] = i + 1;
        line["key"] = src.key;
        line["scope"] = scope;
        line["quantity"] = src.quantity / 1000.0;
        const scenario::Item* item = src.key ? item_for(src.key, scope) : nullptr;
        if (item) line["item"] = item->name;
        bool changed = false;
        ordered_json rows = ordered_json::array();
        for (size_t f = 0; f < after.size(); ++f) {
            const bool differs = !same(before[i][f].value, after[f].value);
            // The host's own line value follows its recalculation, not the plug-in's filling.
            if (after[f].name.find("(host)") == std::string::npos) changed = changed || differs;
            // Selling levels without a percentage and untouched are left out: ten of them
            // would bury the rest.
            if (!differs && after[f].name.rfind("level ", 0) == 0 && after[f].value == 0) continue;
            ordered_json row;
            row["field"] = after[f].name;
            row["before"] = before[i][f].value;
            row["after"] = after[f].value;
            row["changed"] = differs;
            rows.push_back(row);
        }
        std::string mark;
        if (!ctrl_e)
            mark = "no Ctrl-E";
        else if (src.key == 0)
            mark = "skipped: no item key";
        else if (!hooked)
            mark = "untouched: the plug-in is not active";
        else if (d.kind == scenario::Kind::Mr && std::lround(src.price) != 0)
            mark = "kept: already priced";
        else if (!item)
            mark = "no purchase price found";
        else if (d.kind == scenario::Kind::Rw && !changed)
            mark = "kept: already priced";
        else
            mark = "filled";
        line["mark"] = mark;
        line["fields"] = rows;
        ++summary[mark];
        doc["lines"].push_back(line);
    }
    doc["summary"] = summary;
    if (header) {
        ordered_json totals;
        totals["document value"] = read<double>(header, vordan::kDocValue);
        if (d.kind != scenario::Kind::Rw) {
            totals["converted value"] = read<double>(header, vordan::kDocConverted);
            totals["value difference"] = read<double>(header, vordan::kDocDifference);
        }
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
    for (const hostplatform::Box& b : hostplatform::boxes()) {
        ordered_json m;
        m["kind"] = "dialog";
        m["caption"] = vordan::cp1250_to_utf8(b.caption);
        m["text"] = vordan::cp1250_to_utf8(b.text);
        m["buttons"] = {"Przerwij", "Pon\xC3\xB3w", "Ignoruj"};
        m["answer"] = answer_name(b.answer);
        add_message(m, m["text"]);
    }
    out_["load"] = plugin ? "loaded" : "failed: the plug-in's start-up refused the load";
    std::map<int32_t, cz_handler> host_handlers;
    for (const auto& [number, table] : h.tables)
        host_handlers[number] = table.handler();

    bool hooked_any = false;
    std::map<int32_t, bool> hooked;
    if (plugin) {
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
        } else {
            e30008(0);
            ordered_json tables = ordered_json::object();
            for (int32_t n : {vordan::kRwDok, vordan::kMrDok, vordan::kMmDok}) {
                const bool on = h.descriptor(n) && h.tables.at(n).handler() != host_handlers[n];
                hooked[n] = on;
                hooked_any = hooked_any || on;
                tables[table_of(n == vordan::kRwDok   ? scenario::Kind::Rw
                                : n == vordan::kMrDok ? scenario::Kind::Mr
                                                      : scenario::Kind::Mm)
                           .line_name] = on ? "hooked" : "not hooked";
            }
            out_["start"] = tables;
            collect_messages();
            auto it = h.settings.find("VUZivo/Pytaj");
            if (it != h.settings.end()) out_["setting Pytaj"] = it->second;
        }
    }

    out_["documents"] = ordered_json::array();
    for (const scenario::Document& d : s_.documents)
        out_["documents"].push_back(run_document(d, hooked[table_of(d.kind).lines]));
    collect_messages();

    if (plugin) {
        auto e30001 = reinterpret_cast<Entry30001>(hostplatform::plugin_entry(plugin, 30001));
        e30001(nullptr, nullptr);
        bool restored = true;
        for (const auto& [number, table] : h.tables)
            restored = restored && table.handler() == host_handlers[number];
        out_["detach"] = restored ? "every table has its own handler back"
                                  : "a table still has the plug-in's handler";
        hostplatform::unload_plugin(plugin);
    }
    (void)hooked_any;
    return out_;
}

// ---- the report for a person ----

std::string pad(const std::string& s, size_t width) {
    size_t chars = 0;
    for (unsigned char c : s)
        chars += (c & 0xC0) != 0x80;
    return s + std::string(width > chars ? width - chars : 0, ' ');
}

std::string text_report(const ordered_json& r, const std::vector<std::string>& styled, bool color) {
    std::string out;
    const std::string bold = color ? "\033[1m" : "", plain = color ? "\033[0m" : "";
    if (r.contains("scenario")) out += bold + r["scenario"].get<std::string>() + plain + "\n\n";
    out += "Load:    " + r["load"].get<std::string>() + "\n";
    if (r.contains("title")) out += "Title:   " + r["title"].get<std::string>() + "\n";
    if (r.contains("attach")) out += "Attach:  " + r["attach"].get<std::string>() + "\n";
    if (r.contains("start")) {
        out += "Start:  ";
        for (auto it = r["start"].begin(); it != r["start"].end(); ++it)
            out += " " + it.key() + " " + it.value().get<std::string>() + ";";
        out.back() = '\n';
    }
    if (r.contains("setting Pytaj"))
        out += "Setting: VUZivo/Pytaj = " + std::to_string(r["setting Pytaj"].get<int>()) + "\n";

    for (size_t i = 0; i < r["messages"].size(); ++i) {
        const ordered_json& m = r["messages"][i];
        const std::string kind = m["kind"];
        out += "\n" + bold + "[" + kind;
        if (m.contains("service"))
            out += " from host service " + std::to_string(m["service"].get<int>());
        out += "]" + plain;
        if (m.contains("caption")) out += " " + m["caption"].get<std::string>();
        out += "\n";
        std::string text = styled[i];
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            out += "  | " + text.substr(start, end - start) + "\n";
            if (end == text.size()) break;
            start = end + 1;
        }
        if (m.contains("buttons")) {
            out += "  ";
            for (const auto& b : m["buttons"])
                out += " [" + b.get<std::string>() + "]";
            out += "  answered: " + m["answer"].get<std::string>() + "\n";
        }
    }

    for (const ordered_json& d : r["documents"]) {
        out += "\n" + bold + d["name"].get<std::string>() + plain + " (" +
               d["kind"].get<std::string>() + " document, lines in " +
               d["table"].get<std::string>();
        if (d.contains("method")) out += ", " + d["method"].get<std::string>();
        if (d.contains("scope")) out += ", scope " + std::to_string(d["scope"].get<int>());
        out += ")\n";
        if (d.contains("outcome")) {
            out += "  " + d["outcome"].get<std::string>() + "\n";
            continue;
        }
        for (const ordered_json& e : d["events"]) {
            out += "  event " + std::to_string(e["event"].get<int>()) + " (" +
                   e["meaning"].get<std::string>() + "): host handler " +
                   (e["host handler called"].get<bool>() ? "called" : "not called") + ", result " +
                   std::to_string(e["result"].get<int>()) + "\n";
        }
        for (const ordered_json& l : d["lines"]) {
            std::string head = "  #" + std::to_string(l["line"].get<int>()) + " key " +
                               std::to_string(l["key"].get<int>()) + ", scope " +
                               std::to_string(l["scope"].get<int>()) + ", quantity " +
                               num(l["quantity"].get<double>());
            if (l.contains("item")) head += ", " + l["item"].get<std::string>();
            out += pad(head, 60) + " " + bold + l["mark"].get<std::string>() + plain + "\n";
            if (l["fields"].empty()) continue;
            out += "      " + pad("field", 22) + pad("before", 16) + "after\n";
            for (const ordered_json& f : l["fields"]) {
                out += "    " + std::string(f["changed"].get<bool>() ? "* " : "  ") +
                       pad(f["field"].get<std::string>(), 22) +
                       pad(num(f["before"].get<double>()), 16) + num(f["after"].get<double>()) +
                       "\n";
            }
        }
        out += "  summary:";
        for (auto it = d["summary"].begin(); it != d["summary"].end(); ++it)
            out += " " + std::to_string(it.value().get<int>()) + " " + it.key() + ";";
        out.back() = '\n';
        if (d.contains("host totals")) {
            out += "  host totals:";
            for (auto it = d["host totals"].begin(); it != d["host totals"].end(); ++it)
                out += " " + it.key() + " " + num(it.value().get<double>()) + ";";
            out.back() = '\n';
        }
    }
    if (r.contains("detach")) out += "\nDetach:  " + r["detach"].get<std::string>() + "\n";
    return out;
}

} // namespace

std::string run(const scenario::Scenario& s, const Options& options) {
    Runner runner(s, options);
    const ordered_json result = runner.run();
    if (options.json) return result.dump(2) + "\n";
    return text_report(result, runner.styled, options.color);
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
