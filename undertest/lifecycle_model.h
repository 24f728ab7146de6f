// A small model of what the plug-in must do over its whole lifecycle, written from its documented
// behaviour, not from its code. The lifecycle driver (undertest/lifecycle_driver.h) runs the
// plug-in step by step and holds it against this model after every step.
//
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

#include "undertest/plugin.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lifecycle {

using undertest::kAbort;
using undertest::kCtrlE;
using undertest::kIgnore;
using undertest::kRetry;

// The 21 services in the order the plug-in binds them.
extern const int32_t kBindingOrder[21];

// Whether the plug-in can go on without a service: the last two digits of its ordinal give the
// size of its argument list, and only sizes up to 56 bytes, in whole words, or 99 have a
// stand-in routine.
bool can_do_without(int32_t ordinal);

// A host: the services it lacks and how the user answers the missing-entry dialog.
struct HostChoice {
    std::vector<int32_t> missing;
    std::vector<int32_t> answers; // in order; then every further box answers `then`
    int32_t then = kAbort;        // never Retry: that would ask for ever
    bool lacks(int32_t ordinal) const;
    std::string describe() const;
};

// What the load must do: whether it succeeds, and which service each box asks about (unknown
// when the text conversion itself is missing: the dialog needs it, and what it shows then is the
// plug-in's own choice).
struct LoadModel {
    bool loads = true;
    bool boxes_known = true;
    std::vector<int32_t> boxes;
};
LoadModel expected_load(const HostChoice& c);

// The record size the host gives for a table now: 0 when it gives no descriptor.
typedef std::function<int32_t(int32_t table)> HostSizes;

// The plug-in's state as the model has it: the mismatch list over the ten table-size records
// (0 to 6 the attach check's, in records::kTables order; 7 to 9 the failure records of the three
// hooked line tables, in undertest::line_tables() order) and which line tables are hooked.
class Model {
  public:
    Model();

    // Attach to a host of that interface version: the expected result.
    int32_t attach(int32_t version, const HostSizes& sizes);
    // Start with flag 0: the hooks go in row by row, or all come out at the first table that is
    // missing or of another size.
    void install_hooks(const HostSizes& sizes);
    void remove_hooks();
    bool hooked(int row) const { return hooked_[row]; }

    bool list_empty() const { return list_.empty(); }
    // "mismatch list: [name\texpected\thost] ...", as the report's rows show the list.
    std::string list_text() const;

  private:
    struct SizeRecord {
        const char* name;
        int32_t expected;
        int32_t host = 0;
    };
    void refill(int id, int32_t host);
    void append(int id);
    std::string row_text(int id) const;

    SizeRecord records_[10];
    std::vector<int> list_;
    bool hooked_[3] = {};
};

// The notice setting as the host holds it before a start, and what the user does in the notice.
struct NoticeHost {
    std::optional<int32_t> stored;   // the stored setting, if any
    int32_t read_result = 0;         // what a read of a stored setting returns
    bool failed_read_stores = false; // a failing read still stores the setting's value
    std::optional<int16_t> flag_set; // what the user leaves in the notice's flag
    bool lacks_settings = false;     // the host lacks 52224: the stand-in answers
};
struct NoticeModel {
    bool shown = true;
    std::optional<int32_t> setting_after; // the stored setting after the start
};
NoticeModel expected_notice(const NoticeHost& host);

} // namespace lifecycle
