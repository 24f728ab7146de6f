#include "hostsim/scenario.h"

#include "hostsim/input_file.h"
#include "sim/encoding.h"
#include "sim/plugin_contract.h"
#include "sim/records.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cmath>
#include <initializer_list>

namespace scenario {

using nlohmann::json;

namespace {

// Bounds on the lists of a scenario: far beyond any real document, small enough that a mistyped
// or generated file cannot make the run take all the memory.
constexpr size_t kMaxDocuments = 1000;
constexpr size_t kMaxLines = 100000; // per document
constexpr size_t kMaxItems = 1000000;
constexpr size_t kMaxEvents = 1000;  // per document
constexpr size_t kMaxAnswers = 1000; // answers to the missing-entry dialog
constexpr size_t kMaxFileBytes = 256u * 1024 * 1024;

std::string shown(const json& v) {
    std::string s = v.dump();
    return s.size() > 40 ? s.substr(0, 37) + "..." : s;
}

// Walks the JSON tree with the path of the value at hand, so that every complaint says where.
class Reader {
  public:
    explicit Reader(std::string file) : file_(std::move(file)) {}

    [[noreturn]] void fail(const std::string& path, const std::string& what) const {
        throw Error(file_ + ": " + (path.empty() ? "(top level)" : path) + ": " + what);
    }

    // An object with no fields but the allowed ones.
    void object(const json& v, const std::string& path,
                std::initializer_list<const char*> allowed) const {
        if (!v.is_object()) fail(path, "expected an object, got " + shown(v));
        for (auto it = v.begin(); it != v.end(); ++it) {
            bool known = false;
            for (const char* a : allowed)
                known = known || it.key() == a;
            if (!known) {
                std::string list;
                for (const char* a : allowed)
                    list += std::string(list.empty() ? "" : ", ") + a;
                fail(join(path, it.key()), "unknown field (known here: " + list + ")");
            }
        }
    }

    const json& array(const json& v, const std::string& path, size_t max = SIZE_MAX) const {
        if (!v.is_array()) fail(path, "expected a list, got " + shown(v));
        if (v.size() > max)
            fail(path,
                 "at most " + std::to_string(max) + " entries, got " + std::to_string(v.size()));
        return v;
    }

    int64_t integer(const json& v, const std::string& path, int64_t lo, int64_t hi) const {
        if (!v.is_number_integer() && !(v.is_number_float() && whole(v.get<double>())))
            fail(path, "expected a whole number, got " + shown(v));
        const double d = v.get<double>();
        if (d < double(lo) || d > double(hi))
            fail(path, "must lie between " + std::to_string(lo) + " and " + std::to_string(hi) +
                           ", got " + shown(v));
        return v.is_number_integer() ? v.get<int64_t>() : int64_t(d);
    }

    double number(const json& v, const std::string& path) const {
        if (!v.is_number()) fail(path, "expected a number, got " + shown(v));
        const double d = v.get<double>();
        if (!std::isfinite(d)) fail(path, "expected a finite number, got " + shown(v));
        return d;
    }

    // A decimal number with at most three decimals, in thousandths.
    int32_t thousandths(const json& v, const std::string& path) const {
        const double d = number(v, path);
        const double t = std::round(d * 1000.0);
        if (std::fabs(t - d * 1000.0) > 1e-6) fail(path, "at most three decimals, got " + shown(v));
        if (t < -2147483648.0 || t > 2147483647.0) fail(path, "out of range, got " + shown(v));
        return int32_t(t);
    }

    std::string text(const json& v, const std::string& path) const {
        if (!v.is_string()) fail(path, "expected a text, got " + shown(v));
        return v.get<std::string>();
    }

    bool boolean(const json& v, const std::string& path) const {
        if (!v.is_boolean()) fail(path, "expected true or false, got " + shown(v));
        return v.get<bool>();
    }

    static std::string join(const std::string& path, const std::string& key) {
        return path.empty() ? key : path + "." + key;
    }
    static std::string at(const std::string& path, size_t i) {
        return path + "[" + std::to_string(i) + "]";
    }

  private:
    static bool whole(double d) { return std::isfinite(d) && d == std::floor(d); }
    std::string file_;
};

int16_t i16(const Reader& r, const json& v, const std::string& path) {
    return int16_t(r.integer(v, path, INT16_MIN, INT16_MAX));
}

std::vector<Slot> slots(const Reader& r, const json& v, const std::string& path) {
    std::vector<Slot> out;
    r.array(v, path, 10);
    for (size_t i = 0; i < v.size(); ++i) {
        const std::string p = Reader::at(path, i);
        r.object(v[i], p, {"used", "price", "code"});
        Slot s;
        if (v[i].contains("used")) s.used = r.boolean(v[i]["used"], Reader::join(p, "used"));
        if (v[i].contains("price")) s.price = r.number(v[i]["price"], Reader::join(p, "price"));
        if (v[i].contains("code")) s.code = i16(r, v[i]["code"], Reader::join(p, "code"));
        out.push_back(s);
    }
    return out;
}

Line line(const Reader& r, const json& v, const std::string& path, Kind kind) {
    Line l;
    switch (kind) {
    case Kind::Rw:
        r.object(v, path, {"key", "scope", "quantity", "slots"});
        break;
    case Kind::Mr:
        r.object(v, path,
                 {"key", "scope", "quantity", "price", "price_code", "selling_code", "percents",
                  "selling"});
        break;
    case Kind::Mm:
        r.object(v, path, {"key", "quantity", "price", "price_code", "slots"});
        break;
    }
    auto field = [&](const char* name) { return Reader::join(path, name); };
    if (!v.contains("key")) r.fail(path, "missing field \"key\" (the item's key; 0 for none)");
    l.key = i16(r, v["key"], field("key"));
    if (v.contains("scope")) l.scope = i16(r, v["scope"], field("scope"));
    if (v.contains("quantity")) l.quantity = r.thousandths(v["quantity"], field("quantity"));
    if (v.contains("price")) {
        if (kind == Kind::Mr)
            l.price = double(r.integer(v["price"], field("price"), INT32_MIN, INT32_MAX));
        else
            l.price = r.number(v["price"], field("price"));
    }
    if (v.contains("price_code")) l.price_code = i16(r, v["price_code"], field("price_code"));
    if (v.contains("selling_code"))
        l.selling_code = i16(r, v["selling_code"], field("selling_code"));
    if (v.contains("percents")) {
        r.array(v["percents"], field("percents"), 10);
        for (size_t i = 0; i < v["percents"].size(); ++i)
            l.percents.push_back(r.thousandths(v["percents"][i], Reader::at(field("percents"), i)));
    }
    if (v.contains("selling")) {
        r.array(v["selling"], field("selling"), 10);
        for (size_t i = 0; i < v["selling"].size(); ++i)
            l.selling.push_back(r.number(v["selling"][i], Reader::at(field("selling"), i)));
    }
    if (v.contains("slots")) l.slots = slots(r, v["slots"], field("slots"));
    return l;
}

Document document(const Reader& r, const json& v, const std::string& path) {
    r.object(v, path, {"kind", "name", "scope", "method", "events", "lines"});
    Document d;
    if (!v.contains("kind")) r.fail(path, "missing field \"kind\" (RW, MR or MM)");
    const std::string kind = r.text(v["kind"], Reader::join(path, "kind"));
    if (kind == "RW")
        d.kind = Kind::Rw;
    else if (kind == "MR")
        d.kind = Kind::Mr;
    else if (kind == "MM")
        d.kind = Kind::Mm;
    else
        r.fail(Reader::join(path, "kind"), "expected RW, MR or MM, got " + shown(v["kind"]));
    d.name = v.contains("name") ? r.text(v["name"], Reader::join(path, "name")) : kind;
    if (v.contains("scope")) {
        if (d.kind != Kind::Mm)
            r.fail(Reader::join(path, "scope"), "only MM documents have a header scope");
        d.scope = i16(r, v["scope"], Reader::join(path, "scope"));
    }
    if (v.contains("method")) {
        if (d.kind != Kind::Mr)
            r.fail(Reader::join(path, "method"), "only MR documents have a pricing method");
        const json& m = v["method"];
        if (m == "markup")
            d.method = 0;
        else if (m == "margin")
            d.method = 1;
        else if (m.is_number())
            d.method = i16(r, m, Reader::join(path, "method"));
        else
            r.fail(Reader::join(path, "method"),
                   "expected \"markup\", \"margin\" or a flag value, got " + shown(m));
    }
    if (v.contains("events")) {
        r.array(v["events"], Reader::join(path, "events"), kMaxEvents);
        for (size_t i = 0; i < v["events"].size(); ++i)
            d.events.push_back(
                int32_t(r.integer(v["events"][i], Reader::at(Reader::join(path, "events"), i),
                                  INT32_MIN, INT32_MAX)));
    } else {
        d.events = {5};
    }
    if (!v.contains("lines")) r.fail(path, "missing field \"lines\"");
    r.array(v["lines"], Reader::join(path, "lines"), kMaxLines);
    for (size_t i = 0; i < v["lines"].size(); ++i)
        d.lines.push_back(
            line(r, v["lines"][i], Reader::at(Reader::join(path, "lines"), i), d.kind));
    return d;
}

int32_t answer(const Reader& r, const json& v, const std::string& path) {
    if (v == "abort") return contract::kAbort;
    if (v == "retry") return contract::kRetry;
    if (v == "ignore") return contract::kIgnore;
    if (v == "no box") return 0;
    r.fail(path, "expected \"abort\", \"retry\", \"ignore\" or \"no box\", got " + shown(v));
}

void host(const Reader& r, const json& v, Scenario& s) {
    r.object(v, "host", {"version", "tables", "missing_services", "dialog_answers", "plugin_file"});
    if (v.contains("version"))
        s.version = int32_t(r.integer(v["version"], "host.version", INT32_MIN, INT32_MAX));
    if (v.contains("tables")) {
        const json& t = v["tables"];
        if (!t.is_object()) r.fail("host.tables", "expected an object, got " + shown(t));
        for (auto it = t.begin(); it != t.end(); ++it) {
            const std::string p = "host.tables." + it.key();
            if (!records::find_table(it.key().c_str())) {
                std::string known;
                for (const records::TableInfo& table : records::kTables)
                    known += std::string(known.empty() ? "" : ", ") + table.name;
                r.fail(p, "unknown table (known: " + known + ")");
            }
            if (it.value().is_null())
                s.table_sizes[it.key()] = std::nullopt;
            else
                s.table_sizes[it.key()] = i16(r, it.value(), p);
        }
    }
    if (v.contains("missing_services")) {
        r.array(v["missing_services"], "host.missing_services", 21);
        for (size_t i = 0; i < v["missing_services"].size(); ++i)
            s.missing_services.push_back(int32_t(r.integer(
                v["missing_services"][i], Reader::at("host.missing_services", i), 1, 65535)));
    }
    if (v.contains("dialog_answers")) {
        r.array(v["dialog_answers"], "host.dialog_answers", kMaxAnswers);
        for (size_t i = 0; i < v["dialog_answers"].size(); ++i)
            s.dialog_answers.push_back(
                answer(r, v["dialog_answers"][i], Reader::at("host.dialog_answers", i)));
    }
    if (v.contains("plugin_file")) {
        if (v["plugin_file"].is_null())
            s.plugin_file_unavailable = true;
        else
            s.plugin_file = r.text(v["plugin_file"], "host.plugin_file");
        // The plug-in learns its path in the Windows code page of a Polish Windows.
        std::string cp1250, lacking;
        if (s.plugin_file && !encoding::utf8_to_cp1250(*s.plugin_file, cp1250, lacking))
            r.fail("host.plugin_file", "\"" + lacking +
                                           "\" is not in Windows-1250, the code page in which the "
                                           "plug-in learns its path");
    }
}

void notice(const Reader& r, const json& v, Scenario& s) {
    r.object(v, "notice", {"stored", "user_sets"});
    if (v.contains("stored")) {
        const json& st = v["stored"];
        if (st == "unreadable")
            s.notice_unreadable = true;
        else if (!st.is_null())
            s.notice_stored = int32_t(r.integer(st, "notice.stored", INT32_MIN, INT32_MAX));
    }
    if (v.contains("user_sets")) s.notice_user_sets = i16(r, v["user_sets"], "notice.user_sets");
}

// Line and column (from 1) of the byte at `offset`.
std::string place(const std::string& text, size_t offset) {
    size_t line = 1, column = 1;
    for (size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return std::to_string(line) + ":" + std::to_string(column);
}

// The library's message without its "[json.exception...]" tag and its own statement of the
// position, which the caller gives once, as line:column.
std::string plain_words(const std::string& what) {
    std::string s = what;
    if (s.rfind("[json.exception.", 0) == 0 && s.find("] ") != std::string::npos)
        s = s.substr(s.find("] ") + 2);
    if (s.rfind("parse error at line ", 0) == 0 && s.find(": ") != std::string::npos)
        s = s.substr(s.find(": ") + 2);
    return s;
}

// Where a number token stands in the text, outside strings: the first place it occurs as a whole.
size_t token_offset(const std::string& text, const std::string& token) {
    bool in_string = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (in_string) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                in_string = false;
            continue;
        }
        if (c == '"') {
            in_string = true;
            continue;
        }
        const bool starts = i == 0 || !(isalnum(static_cast<unsigned char>(text[i - 1])) ||
                                        text[i - 1] == '.' || text[i - 1] == '-');
        if (starts && text.compare(i, token.size(), token) == 0) return i;
    }
    return text.size();
}

// The JSON text (comments allowed), or an error that names the line and the column where it
// stops being JSON.
json parse_json(const std::string& text, const std::string& file) {
    if (text.find_first_not_of(" \t\r\n") == std::string::npos)
        throw Error(file + ": the file is empty (a scenario is a JSON object with \"documents\")");
    try {
        return json::parse(text, nullptr, true, true);
    } catch (const json::parse_error& e) {
        const size_t offset = e.byte > 0 ? e.byte - 1 : 0;
        throw Error(file + ":" + place(text, offset) + ": " + plain_words(e.what()));
    } catch (const json::out_of_range& e) {
        // A number beyond the range of a double: the library names the token, not the place.
        const std::string what = e.what();
        const size_t open = what.find('\''), close = what.rfind('\'');
        if (open == std::string::npos || close <= open)
            throw Error(file + ": " + plain_words(what));
        const std::string token = what.substr(open + 1, close - open - 1);
        throw Error(file + ":" + place(text, token_offset(text, token)) + ": the number " + token +
                    " is out of range (a double reaches about 1.8e308)");
    } catch (const json::exception& e) {
        throw Error(file + ": " + plain_words(e.what()));
    }
}

PriceCode price_code(const Reader& r, const json& v, const std::string& p) {
    r.object(v, p, {"code", "name", "rate"});
    PriceCode c;
    if (!v.contains("code")) r.fail(p, "missing field \"code\"");
    c.code = int32_t(r.integer(v["code"], p + ".code", 0, 65535));
    if (v.contains("name")) c.name = r.text(v["name"], p + ".name");
    if (v.contains("rate")) c.rate = r.number(v["rate"], p + ".rate");
    return c;
}

Item item(const Reader& r, const json& v, const std::string& p) {
    r.object(v, p, {"key", "scope", "name", "price", "code"});
    Item it;
    if (!v.contains("key")) r.fail(p, "missing field \"key\"");
    it.key = i16(r, v["key"], p + ".key");
    if (it.key == 0) r.fail(p + ".key", "0 is no key: a line with key 0 is never looked up");
    if (v.contains("scope")) it.scope = i16(r, v["scope"], p + ".scope");
    if (v.contains("name")) it.name = r.text(v["name"], p + ".name");
    if (!v.contains("price")) r.fail(p, "missing field \"price\" (the purchase price)");
    it.price = r.number(v["price"], p + ".price");
    if (v.contains("code")) it.code = i16(r, v["code"], p + ".code");
    return it;
}

Scenario read(const json& root, const std::string& file) {
    Reader r(file);
    r.object(root, "", {"description", "host", "notice", "price_codes", "items", "documents"});
    Scenario s;
    if (root.contains("description")) s.description = r.text(root["description"], "description");
    if (root.contains("host")) host(r, root["host"], s);
    if (root.contains("notice")) notice(r, root["notice"], s);
    if (root.contains("price_codes")) {
        r.array(root["price_codes"], "price_codes", 65536);
        for (size_t i = 0; i < root["price_codes"].size(); ++i)
            s.price_codes.push_back(
                price_code(r, root["price_codes"][i], Reader::at("price_codes", i)));
    }
    if (root.contains("items")) {
        r.array(root["items"], "items", kMaxItems);
        for (size_t i = 0; i < root["items"].size(); ++i)
            s.items.push_back(item(r, root["items"][i], Reader::at("items", i)));
    }
    if (!root.contains("documents"))
        r.fail("", "missing field \"documents\" (a list of RW, MR and MM documents)");
    r.array(root["documents"], "documents", kMaxDocuments);
    if (root["documents"].empty()) r.fail("documents", "the list is empty: nothing to run");
    for (size_t i = 0; i < root["documents"].size(); ++i)
        s.documents.push_back(document(r, root["documents"][i], Reader::at("documents", i)));
    return s;
}

} // namespace

Scenario parse(const std::string& text, const std::string& file) {
    const json root = parse_json(text, file);
    try {
        return read(root, file);
    } catch (const json::exception& e) {
        // Every value is checked before it is taken, so this is a fault of the reader; it is
        // still a clear error and not an abort.
        throw Error(file + ": " + plain_words(e.what()));
    }
}

Scenario load(const std::string& path) {
    std::string text, why;
    if (!input_file::read(path, kMaxFileBytes, text, why)) throw Error(path + ": " + why);
    return parse(text, path);
}

} // namespace scenario
