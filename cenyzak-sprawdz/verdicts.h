// The pre-flight check's verdict rules: which state the findings are in (decide), and for each
// state, in one table, the exit status, the WYNIK line and the CO DALEJ line. The table is what the
// guide's chapter on the tool shows; a reader checks one against the other row by row.
//
// A text may hold a placeholder in square brackets, which the report fills from the findings:
//   [brak]             how many of the 21 services are missing
//   [bez zamiennika]   the missing services that have no stand-in, e.g. "52158 i 52179"
#pragma once

#include "cenyzak-sprawdz/findings.h"

namespace check_host {

enum class State {
    // Nothing checked (status 2).
    no_module,
    unreadable,
    not_a_module,
    // The program's module checked (status 0 or 1).
    not_the_host,
    all_services,
    load_fails,
    refuses,
    refuses_silently,
    no_prices,
    ignore_each_start,
};

struct Verdict {
    State state;
    const char* name; // the state's name in the table the tool prints for the guide's check
    int status;
    const char* result; // WYNIK
    const char* next;   // CO DALEJ
};

extern const Verdict kVerdicts[];
extern const size_t kVerdictCount;

State decide(const Findings& f);
const Verdict& verdict(State state);

} // namespace check_host
