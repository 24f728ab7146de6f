// The pre-flight check's verdict rules: which state the findings are in (decide), and for each
// state, in one table, the exit status, the WYNIK line and the CO DALEJ line. The guide's chapter
// on the tool shows the same table; scripts/guide-examples.sh compares the two (the tool's Linux
// build prints this one with --reguly).
//
// The exit status, which a setup program may act on:
//   0  the program's module was checked and the plug-in will work there: every service is there
//      (whatever the installed plug-in still needs: the CO DALEJ line says what);
//   1  a file was checked and the plug-in will not work with it as it is: services missing (even
//      those the plug-in survives only after Ignore at every start), a 64-bit module or one for
//      another processor, the plug-in itself or another module given instead of the program's;
//   2  nothing could be checked: no such path, no VORDAN.dll in the folder, a file that cannot be
//      read, is no Windows module or is damaged.
// A missing service decides the verdict whatever is installed; only with every service there does
// the installed plug-in choose the row.
//
// A text may hold a placeholder in square brackets, which the report fills from the findings:
//   [brak]             how many of the 21 services are missing
//   [bez zamiennika]   the missing services without a stand-in, e.g. "52158 i 52179"
//   [wersja]           the installed plug-in's version, e.g. "1.0.0.0"
//   [paczka]           the package's version, e.g. "1.1.0.0"
#pragma once

#include "cenyzak-sprawdz/findings.h"

#include <cstddef>
#include <string>

namespace check_host {

enum class State {
    // Nothing checked: status 2.
    no_such_path,
    not_in_folder,
    unreadable,
    not_a_module,
    damaged,
    // Checked, and the plug-in will not work: status 1.
    is_64_bit,
    other_machine,
    plugin_itself,
    other_module,
    load_fails,
    refuses,
    refuses_silently,
    no_prices,
    ignore_each_start,
    // Every service there: status 0, the next step from the installed plug-in.
    none_installed,
    same_file,
    same_version,
    older,
    newer,
    damaged_copy,
    unversioned,
    not_a_plugin,
    unreadable_copy,
    in_program_folder,
    two_copies,
};

struct Verdict {
    State state;
    // The state's name for a program that acts on the verdict (the setup): `cenyzak-sprawdz --stan`
    // prints it on the report's first line. Stable: a setup of another version may read it.
    const char* key;
    const char* when; // the state in the guide's words: the table's first column
    int status;
    const char* result; // WYNIK
    const char* next;   // CO DALEJ
};

extern const Verdict kVerdicts[];
extern const size_t kVerdictCount;

// One installed copy of cenyzak.dll against the package.
enum class CopyState {
    unreadable,
    not_a_plugin,
    unversioned,
    older,
    newer,
    same_version, // the package's SHA256SUMS not at hand: only the version compared
    same_file,
    damaged, // the same version, another SHA-256
};
CopyState copy_state(const Findings& f, const Copy& c);

// The copy whose version the verdict names: the one in the plug-in folder (or named) first.
const Copy* main_copy(const Findings& f);

State decide(const Findings& f);
const Verdict& verdict(State state);

// The table as Markdown rows, as the guide shows it: "| when | status | WYNIK | CO DALEJ |".
std::string table_markdown();

} // namespace check_host
