// hostsim: runs the plug-in in the simulated host over a scenario, the way the host would: load
// (start-up and binding pass), entry 30001 with a title buffer, 30008, the hooks through the
// tables' handler slots for each document's events, 30001 detach, unload. The result is what a
// person (or, with --json, a tool) wants to see: every document's lines before and after, and
// every message the plug-in showed.
//
// In parts, each entered once per run: the run itself, which returns what happened as data
// (run.h, over the record codec between scenario lines and record bytes, codec.h), the
// explanation of what the plug-in did with each line (explain.h), the report with every word of
// the result (report.h); the command line (command_line.cpp), and the host module check
// (check_host.h over the export table reader pe_exports.h).
#pragma once

#include "hostsim/scenario.h"

#include <string>

namespace hostsim {

struct Options {
    bool json = false;
    bool color = false; // emphasis in bold (a terminal)
};

// Runs the scenario and returns the report to print.
std::string run(const scenario::Scenario& s, const Options& options);

// The command line (command_line.cpp): hostsim [--json] [scenario.json], --check-host FILE,
// --version, --help. Returns the exit status.
int main(int argc, char** argv);

} // namespace hostsim
