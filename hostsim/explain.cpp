#include "hostsim/explain.h"

#include "sim/plugin_contract.h"
#include "sim/rounding.h"

#include <cmath>
#include <cstring>

namespace explain {
namespace {

bool same(double a, double b) {
    return memcmp(&a, &b, sizeof a) == 0;
}

const scenario::Item* item_for(const scenario::Scenario& s, int16_t key, int16_t scope) {
    for (const scenario::Item& i : s.items)
        if (i.key == key && i.scope == scope) return &i;
    return nullptr;
}

// Whether the plug-in's k9 lookups can find anything: without 52412 (answered Ignore) it runs
// with the stand-in, which never finds an item.
bool lookup_finds(const scenario::Scenario& s) {
    for (int32_t ordinal : s.missing_services)
        if (ordinal == 52412) return false;
    return true;
}

// Whether the host rounds the distance of a margin from 100 % to nothing, so that the plug-in's
// factor for it is 0: the selling price of such a level is 0.
bool margin_leaves_no_price(int32_t thousandths) {
    return rounding::whole(10000.0 - thousandths / 10.0) == 0;
}

struct Outcome {
    bool ctrl_e, hooked, has_item, changed;
};

// What the plug-in did with a line, as a stable code.
const char* mark(scenario::Kind kind, const scenario::Line& src, const Outcome& o) {
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

Line explain_line(const scenario::Scenario& s, const scenario::Document& d, size_t i,
                  const hostrun::Line& run, const Outcome& outcome) {
    const scenario::Line& src = d.lines[i];
    Line l;
    l.scope = d.kind == scenario::Kind::Mm ? d.scope : src.scope;
    l.item = src.key ? item_for(s, src.key, l.scope) : nullptr;
    Outcome o = outcome;
    o.has_item = l.item != nullptr && lookup_finds(s);
    // MR selling-level fields that are 0 before and after are left out (ten levels of them would
    // bury the rest), except in a level with a percentage, whose selling price is always shown.
    double percent = 0;
    for (size_t f = 0; f < run.after.size(); ++f) {
        const std::string& name = run.after[f].name;
        const double after = run.after[f].value;
        const bool differs = !same(run.before[f].value, after);
        l.changed.push_back(differs);
        l.hidden.push_back(false);
        // The host's own line value follows its recalculation, not the plug-in's filling.
        if (name.rfind("host_", 0) != 0) o.changed = o.changed || differs;
        if (name.rfind("level_", 0) != 0) continue;
        const size_t cut = name.find('_', 6);
        const int level = std::stoi(name.substr(6, cut - 6));
        const std::string field = name.substr(cut + 1);
        if (field == "percent") percent = after;
        if (!differs && after == 0 && percent == 0) {
            l.hidden.back() = true;
            l.hidden_levels[field].push_back(level);
            l.hidden_fields.push_back(name);
            continue;
        }
        const int32_t thousandths = int32_t(std::lround(percent * 1000.0));
        if (field == "selling" && d.method != 0 && after == 0 && thousandths != 0 &&
            margin_leaves_no_price(thousandths))
            l.no_room.push_back({level, percent, thousandths});
    }
    l.mark = mark(d.kind, src, o);
    return l;
}

} // namespace

std::vector<Document> explain(const scenario::Scenario& s, const hostrun::Result& r) {
    std::vector<Document> out;
    for (const hostrun::Document& run : r.documents) {
        const scenario::Document& d = *run.source;
        Document doc;
        for (const hostrun::Event& e : run.events)
            doc.ctrl_e = doc.ctrl_e || e.code == contract::kCtrlE;
        const Outcome outcome{doc.ctrl_e, run.hooked, false, false};
        for (size_t i = 0; i < run.lines.size(); ++i)
            doc.lines.push_back(explain_line(s, d, i, run.lines[i], outcome));
        out.push_back(std::move(doc));
    }
    return out;
}

} // namespace explain
