#include "hostsim/report.h"

#include "sim/encoding.h"
#include "sim/plugin_contract.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace report {

using nlohmann::ordered_json;

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

namespace {

struct Stop {
    char align;
    int column;
};

// Takes the directive off the front of the line and returns its tab stops.
std::vector<Stop> take_directive(std::string& line) {
    std::vector<Stop> stops;
    if (line.empty() || line[0] != '\x01') return stops;
    const size_t close = line.find('\x01', 1);
    if (close == std::string::npos) return stops;
    const std::string d = line.substr(1, close - 1);
    for (size_t i = 1; i < d.size();) {
        const char align = d[i++];
        int column = 0;
        while (i < d.size() && isdigit(static_cast<unsigned char>(d[i])))
            column = column * 10 + (d[i++] - '0');
        stops.push_back({align, column});
    }
    line = line.substr(close + 1);
    return stops;
}

// One line without its directive, its tab-separated segments placed at the stops.
std::string lay_out(const std::string& line, const std::vector<Stop>& stops, bool color) {
    std::string out;
    size_t col = 0, stop_index = 0, seg_start = 0;
    while (seg_start <= line.size()) {
        size_t seg_end = line.find('\t', seg_start);
        if (seg_end == std::string::npos) seg_end = line.size();
        const std::string seg = line.substr(seg_start, seg_end - seg_start);
        size_t width = 0;
        for (char c : seg)
            width += (c != '\x01' && c != '\x02');
        if (seg_start > 0) {
            size_t target = (col / 8 + 1) * 8;
            if (stop_index < stops.size()) {
                const Stop& s = stops[stop_index];
                target = s.align == 'p' ? size_t(std::max<int>(0, s.column - int(width)))
                                        : size_t(s.column);
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
                out += encoding::mazovia_to_utf8(std::string(1, c));
        }
        col += width;
        if (seg_end == line.size()) break;
        seg_start = seg_end + 1;
    }
    return out;
}

} // namespace

std::string render(const std::string& mazovia, bool color) {
    std::string out;
    size_t start = 0;
    while (start <= mazovia.size()) {
        size_t end = mazovia.find('\n', start);
        if (end == std::string::npos) end = mazovia.size();
        std::string line = mazovia.substr(start, end - start);
        const std::vector<Stop> stops = take_directive(line);
        out += lay_out(line, stops, color);
        if (end == mazovia.size()) break;
        out += '\n';
        start = end + 1;
    }
    return out;
}

// ---- the report for a person ----

std::string mark_text(const std::string& code) {
    static const struct {
        const char *code, *text;
    } marks[] = {
        {"filled", "filled"},
        {"already_priced", "kept: already priced"},
        {"no_purchase_price", "no purchase price found"},
        {"no_slot_in_use", "nothing to fill: no price slot in use"},
        {"no_item_key", "skipped: no item key"},
        {"plugin_inactive", "untouched: the plug-in is not active"},
        {"no_ctrl_e", "no Ctrl-E"},
    };
    for (const auto& m : marks)
        if (code == m.code) return m.text;
    return code;
}

namespace {

// A snake_case key as words: "slot_0_price" is "slot 0 price".
std::string label(std::string key) {
    std::replace(key.begin(), key.end(), '_', ' ');
    return key;
}

struct Style {
    std::string bold, plain;
};

std::string pad(const std::string& s, size_t width) {
    size_t chars = 0;
    for (unsigned char c : s)
        chars += (c & 0xC0) != 0x80;
    return s + std::string(width > chars ? width - chars : 0, ' ');
}

// "label item; item;" over an object's members, with `item` showing each (key, value).
template <typename Show>
std::string members(const std::string& label, const ordered_json& o, Show item) {
    std::string out = label;
    for (auto it = o.begin(); it != o.end(); ++it)
        out += " " + item(it.key(), it.value()) + ";";
    out.back() = '\n';
    return out;
}

std::string head(const ordered_json& r, const Style& st) {
    std::string out;
    if (r.contains("scenario"))
        out += st.bold + r["scenario"].get<std::string>() + st.plain + "\n\n";
    const ordered_json& load = r["load"];
    out += "Load:    " + load["result"].get<std::string>();
    if (load.contains("text")) out += ": " + load["text"].get<std::string>();
    out += "\n";
    if (r.contains("title")) out += "Title:   " + r["title"].get<std::string>() + "\n";
    if (r.contains("attach")) out += "Attach:  " + r["attach"].get<std::string>() + "\n";
    if (r.contains("start"))
        out += members("Start:  ", r["start"], [](const std::string& k, const ordered_json& v) {
            return k + " " + label(v.get<std::string>());
        });
    if (r.contains("notice_setting"))
        out += "Setting: " + std::string(contract::kNoticeSetting) + " = " +
               std::to_string(r["notice_setting"].get<int>()) + "\n";
    return out;
}

std::string message(const ordered_json& m, const std::string& styled, const Style& st) {
    std::string out = "\n" + st.bold + "[" + m["kind"].get<std::string>();
    if (m.contains("service"))
        out += " from host service " + std::to_string(m["service"].get<int>());
    out += "]" + st.plain;
    if (m.contains("caption")) out += " " + m["caption"].get<std::string>();
    out += "\n";
    size_t start = 0;
    while (start <= styled.size()) {
        size_t end = styled.find('\n', start);
        if (end == std::string::npos) end = styled.size();
        out += "  | " + styled.substr(start, end - start) + "\n";
        if (end == styled.size()) break;
        start = end + 1;
    }
    if (m.contains("buttons")) {
        out += "  ";
        for (const auto& b : m["buttons"])
            out += " [" + b.get<std::string>() + "]";
        out += "  answered: " + m["answer_label"].get<std::string>() + "\n";
    }
    return out;
}

std::string line(const ordered_json& l, const Style& st) {
    std::string head = "  #" + std::to_string(l["line"].get<int>()) + " key " +
                       std::to_string(l["key"].get<int>()) + ", scope " +
                       std::to_string(l["scope"].get<int>()) + ", quantity " +
                       num(l["quantity"].get<double>());
    if (l.contains("item")) head += ", " + l["item"].get<std::string>();
    std::string out =
        pad(head, 60) + " " + st.bold + l["mark_text"].get<std::string>() + st.plain + "\n";
    const ordered_json& fields = l["fields"];
    if (!fields.empty()) out += "      " + pad("field", 22) + pad("before", 16) + "after\n";
    for (auto f = fields.begin(); f != fields.end(); ++f) {
        out += "    " + std::string(f.value()["changed"].get<bool>() ? "* " : "  ") +
               pad(label(f.key()), 22) + pad(num(f.value()["before"].get<double>()), 16) +
               num(f.value()["after"].get<double>()) + "\n";
    }
    if (l.contains("notes"))
        for (const ordered_json& n : l["notes"])
            out += "      (" + n["text"].get<std::string>() + ")\n";
    return out;
}

std::string document(const ordered_json& d, const Style& st) {
    std::string out = "\n" + st.bold + d["name"].get<std::string>() + st.plain + " (" +
                      d["kind"].get<std::string>() + " document, lines in " +
                      d["table"].get<std::string>();
    if (d.contains("method")) out += ", " + d["method"].get<std::string>();
    if (d.contains("scope")) out += ", scope " + std::to_string(d["scope"].get<int>());
    out += ")\n";
    if (d.contains("outcome")) return out + "  " + d["outcome"]["text"].get<std::string>() + "\n";
    for (const ordered_json& e : d["events"]) {
        out += "  event " + std::to_string(e["event"].get<int>()) + " (" +
               (e["meaning"] == "ctrl_e" ? "Ctrl-E" : "other") + "): host handler " +
               (e["host_handler_called"].get<bool>() ? "called" : "not called") + ", result " +
               std::to_string(e["result"].get<int>()) + "\n";
    }
    for (const ordered_json& l : d["lines"])
        out += line(l, st);
    if (d["summary"].empty())
        out += "  summary: the document has no lines\n";
    else
        out += members("  summary:", d["summary"], [](const std::string& k, const ordered_json& v) {
            return std::to_string(v.get<int>()) + " " + mark_text(k);
        });
    if (d.contains("host_totals"))
        out += members("  host totals:", d["host_totals"],
                       [](const std::string& k, const ordered_json& v) {
                           return label(k) + " " + num(v.get<double>());
                       });
    return out;
}

} // namespace

std::string text(const ordered_json& r, const std::vector<std::string>& styled, bool color) {
    const Style st = color ? Style{"\033[1m", "\033[0m"} : Style{};
    std::string out = head(r, st);
    for (size_t i = 0; i < r["messages"].size(); ++i)
        out += message(r["messages"][i], styled[i], st);
    for (const ordered_json& d : r["documents"])
        out += document(d, st);
    if (r.contains("detach")) out += "\nDetach:  " + r["detach"]["text"].get<std::string>() + "\n";
    return out;
}

} // namespace report

// ---- the result as --json prints it ----

namespace report {
namespace {

// The version of the --json layout: raised whenever a key is renamed or removed or a value
// changes meaning, so that a tool can refuse a layout it does not know.
constexpr int kJsonFormat = 1;

// The missing-entry dialog's buttons, in the box's order: the answer each gives, its stable code
// and the label the box shows.
struct Button {
    int32_t answer;
    const char* code;
    const char* label;
};
const Button kButtons[] = {{contract::kAbort, "abort", "Przerwij"},
                           {contract::kRetry, "retry", "Ponów"},
                           {contract::kIgnore, "ignore", "Ignoruj"}};
// A box that could not be shown (answer 0, or an answer no button gives).
const Button kNoBox = {0, "no_box", "(the box could not be shown)"};

const Button& button(int32_t answer) {
    for (const Button& b : kButtons)
        if (b.answer == answer) return b;
    return kNoBox;
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

// Why the plug-in did not load, in words, with the Windows error where there is one.
std::string load_failure_text(const hostplatform::LoadFailure& f) {
    if (f.code == "startup_refused") return "the plug-in's start-up refused the load";
    const std::string number = " (Windows error " + std::to_string(f.error) + ")";
    if (f.code == "file_not_found") return "no plug-in file at " + f.path + number;
    if (f.code == "dependency_not_found")
        return "a module the plug-in needs was not found" + number;
    if (f.code == "not_a_module") return f.path + " is not a 32-bit Windows module" + number;
    return (f.system_text.empty() ? std::string("the load failed") : f.system_text) + number;
}

ordered_json shown_json(const hostrun::Shown& m) {
    ordered_json j;
    if (m.kind == hostrun::Shown::Kind::dialog) {
        j["kind"] = "dialog";
        j["caption"] = encoding::cp1250_to_utf8(m.caption);
        j["text"] = encoding::cp1250_to_utf8(m.text);
        j["buttons"] = ordered_json::array();
        for (const Button& b : kButtons)
            j["buttons"].push_back(b.label);
        j["answer"] = button(m.answer).code;
        j["answer_label"] = button(m.answer).label;
        return j;
    }
    const bool notice = m.kind == hostrun::Shown::Kind::notice;
    j["kind"] = notice ? "notice" : "message";
    j["service"] = m.service;
    if (!notice) j["caption"] = encoding::mazovia_to_utf8(m.caption);
    j["text"] = render(m.text, false);
    if (notice)
        j["notice_number"] = m.flags;
    else
        j["flags"] = m.flags;
    return j;
}

ordered_json line_json(const scenario::Document& d, size_t i, const hostrun::Line& run,
                       const explain::Line& why) {
    const scenario::Line& src = d.lines[i];
    ordered_json line;
    line["line"] = i + 1;
    line["key"] = src.key;
    line["scope"] = why.scope;
    line["quantity"] = src.quantity / 1000.0;
    if (why.item && !why.item->name.empty()) line["item"] = why.item->name;
    ordered_json notes = ordered_json::array();
    for (const explain::NoRoom& n : why.no_room)
        notes.push_back(
            {{"code", "margin_100"},
             {"level", n.level},
             {"text", "level " + std::to_string(n.level) + " selling 0: a margin of " +
                          num(n.percent) +
                          (n.thousandths == 100000 ? " %" : " %, 100 % as the host rounds it,") +
                          " leaves no room for a selling price (factor 0)"}});
    ordered_json rows = ordered_json::object();
    for (size_t f = 0; f < run.after.size(); ++f)
        if (!why.hidden[f])
            rows[run.after[f].name] = {{"before", run.before[f].value},
                                       {"after", run.after[f].value},
                                       {"changed", bool(why.changed[f])}};
    line["mark"] = why.mark;
    line["mark_text"] = mark_text(why.mark);
    line["fields"] = rows;
    if (!why.hidden_fields.empty()) {
        line["hidden_fields"] = why.hidden_fields;
        auto levels = [&](const char* field) {
            auto it = why.hidden_levels.find(field);
            return it == why.hidden_levels.end() ? std::vector<int>() : it->second;
        };
        std::string text = "not shown, 0 before and after:";
        if (levels("percent") == levels("selling") && levels("selling") == levels("converted"))
            text += " every field of level" +
                    std::string(levels("percent").size() == 1 ? " " : "s ") +
                    level_list(levels("percent"));
        else
            for (const char* field : {"percent", "selling", "converted"}) {
                const std::vector<int> hidden = levels(field);
                if (hidden.empty()) continue;
                text += std::string(text.back() == ':' ? " " : "; ") + field + " of level" +
                        (hidden.size() == 1 ? " " : "s ") + level_list(hidden);
            }
        notes.push_back({{"code", "zero_levels_hidden"}, {"text", text}});
    }
    if (!notes.empty()) line["notes"] = notes;
    return line;
}

ordered_json document_json(const hostrun::Document& run, const explain::Document& why) {
    const scenario::Document& d = *run.source;
    const codec::DocumentTables t = codec::tables_of(d.kind);
    ordered_json doc;
    doc["kind"] = codec::kind_name(d.kind);
    doc["name"] = d.name;
    doc["table"] = t.line_name;
    if (!run.has_table) {
        doc["outcome"] = {{"code", "no_table"},
                          {"text", std::string("the host has no table ") + t.line_name}};
        return doc;
    }
    if (d.kind == scenario::Kind::Mr) doc["method"] = d.method == 0 ? "markup" : "margin";
    if (d.kind == scenario::Kind::Mm) doc["scope"] = d.scope;
    ordered_json events = ordered_json::array();
    for (const hostrun::Event& e : run.events)
        events.push_back({{"event", e.code},
                          {"meaning", e.code == contract::kCtrlE ? "ctrl_e" : "other"},
                          {"host_handler_called", e.host_handler_called},
                          {"result", e.result}});
    doc["events"] = events;
    // The marks in the order of first appearance.
    ordered_json summary = ordered_json::object();
    doc["lines"] = ordered_json::array();
    for (size_t i = 0; i < run.lines.size(); ++i) {
        const std::string code = why.lines[i].mark;
        summary[code] = summary.value(code, 0) + 1;
        doc["lines"].push_back(line_json(d, i, run.lines[i], why.lines[i]));
    }
    doc["summary"] = summary;
    if (run.has_header) {
        ordered_json totals = ordered_json::object();
        for (const codec::FieldValue& f : run.totals)
            totals[f.name] = f.value;
        doc["host_totals"] = totals;
    }
    return doc;
}

} // namespace

ordered_json json(const hostrun::Result& run, const std::vector<explain::Document>& why,
                  const std::string& description) {
    ordered_json out;
    out["format"] = kJsonFormat;
    if (!description.empty()) out["scenario"] = description;
    out["messages"] = ordered_json::array();
    for (const hostrun::Shown& m : run.shown)
        out["messages"].push_back(shown_json(m));
    if (run.loaded)
        out["load"] = {{"result", "loaded"}};
    else
        out["load"] = {{"result", "failed"},
                       {"reason", run.load_failure.code},
                       {"text", load_failure_text(run.load_failure)}};
    if (run.attach_called) {
        out["title"] = encoding::mazovia_to_utf8(run.title);
        out["attach"] = run.attached ? "accepted" : "refused";
    }
    if (run.attached) {
        ordered_json tables = ordered_json::object();
        for (const hostrun::Hooked& h : run.start)
            tables[codec::tables_of(h.kind).line_name] = h.on ? "hooked" : "not_hooked";
        out["start"] = tables;
        if (run.notice_setting) out["notice_setting"] = *run.notice_setting;
    }
    out["documents"] = ordered_json::array();
    for (size_t i = 0; i < run.documents.size(); ++i)
        out["documents"].push_back(document_json(run.documents[i], why[i]));
    if (run.loaded)
        out["detach"] = run.handlers_restored
                            ? ordered_json{{"result", "restored"},
                                           {"text", "every table has its own handler back"}}
                            : ordered_json{{"result", "not_restored"},
                                           {"text", "a table still has the plug-in's handler"}};
    return out;
}

std::vector<std::string> styled(const hostrun::Result& run, bool color) {
    std::vector<std::string> out;
    for (const hostrun::Shown& m : run.shown)
        out.push_back(m.kind == hostrun::Shown::Kind::dialog ? encoding::cp1250_to_utf8(m.text)
                                                             : render(m.text, color));
    return out;
}

} // namespace report
