// hostsim's run: the plug-in in the simulated host over a scenario, driven the way the host
// drives it: load (start-up and binding pass), entry 30001 with a title buffer, 30008, each
// document's events through its line table's handler slot, 30001 detach, unload. It returns what
// happened, as data: what each line held before and after, what the plug-in showed. What that
// means is the explanation's (hostsim/explain.h), the words are the report's (hostsim/report.h).
#pragma once

#include "hostsim/codec.h"
#include "hostsim/hostplatform.h"
#include "hostsim/scenario.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hostrun {

// A message box of the missing-entry dialog, or a message or notice shown through the host.
struct Shown {
    enum class Kind { dialog, message, notice } kind;
    int32_t service = 0; // 52028, 52029 or 52023; 0 for a dialog box
    std::string caption; // dialog: Windows-1250; otherwise Mazovia
    std::string text;    // dialog: Windows-1250; otherwise Mazovia with the host's markup
    int32_t flags = 0;   // a message's flags, the notice's number
    int32_t answer = 0;  // dialog: the button pressed (0: no box)
};

// One event of a document through its line table's handler slot.
struct Event {
    int32_t code;
    bool host_handler_called;
    int32_t result;
};

// A line's fields the plug-in may change, before the document's events and after them.
struct Line {
    std::vector<codec::FieldValue> before, after;
};

struct Document {
    const scenario::Document* source;
    bool has_table = true; // without it nothing else is filled in
    bool hooked = false;   // its line table held the plug-in's hook after the start
    std::vector<Event> events;
    std::vector<Line> lines;
    bool has_header = false; // the header table had a current record: `totals` holds its totals
    std::vector<codec::FieldValue> totals;
};

// The start: whether each document kind's line table was hooked (RW, MR, MM).
struct Hooked {
    scenario::Kind kind;
    bool on;
};

struct Result {
    bool loaded = false;
    hostplatform::LoadFailure load_failure; // why the load failed
    bool attach_called = false;             // the plug-in loaded: 30001 was called
    std::string title;                      // Mazovia, as the plug-in copied it
    bool attached = false;
    std::vector<Hooked> start; // filled when attached
    std::optional<int32_t> notice_setting;
    std::vector<Shown> shown; // in the order shown
    std::vector<Document> documents;
    bool handlers_restored = false; // after the detach (when loaded)
};

Result run(const scenario::Scenario& s);

} // namespace hostrun
