// What the pre-flight check finds, as data and without a word of the report: the file it was
// given and what kind of module that is, which of the 21 services the module exports, and which
// copies of cenyzak.dll are installed, with their version and SHA-256 beside the package's.
// find() does all the reading; the Polish report (report_pl.cpp) and the verdict rules
// (verdicts.h) work from its result alone. The one text in it is the readers' own detail of a fault
// (`detail`, `Copy::why`: "plik nie zaczyna się od „MZ”"), which the report quotes as it is.
#pragma once

#include "cenyzak-sprawdz/check_host.h"

#include <cstdint>
#include <string>
#include <vector>

namespace check_host {

// What the given path turned out to be, in the order find() decides it.
enum class ModuleKind {
    no_such_path,  // neither a file nor a folder
    not_in_folder, // a folder without VORDAN.dll
    unreadable,    // the module's file could not be read
    not_a_module,  // the bytes are no Windows module at all (the reader's detail says why)
    damaged,       // a module, cut short or inconsistent: nothing of it can be read
    is_64_bit,     // a 64-bit module
    other_machine, // a module for another processor than 32-bit x86
    plugin_itself, // cenyzak.dll itself: its three entries and none of the services
    other_module,  // a module with none of the services
    host,          // the program's module: at least one of the services
};

struct Service {
    int32_t ordinal;
    bool present;
    bool stand_in; // the plug-in can go on without it after Ignore (standins.h)
};

// Where an installed copy of cenyzak.dll was found.
enum class Where {
    plugin_folder,  // the program folder's subfolder Wtyczki
    program_folder, // the program's folder itself
    named,          // the path given for the plug-in (the file, or the folder that holds it)
};

struct Copy {
    std::string path;
    Where where = Where::plugin_folder;
    bool readable = false;
    std::string why;     // when not readable: the reader's reason
    bool plugin = false; // it has the plug-in's three entries
    bool versioned = false;
    uint16_t version[4] = {};
    std::string digest; // SHA-256, lower-case hex; only for a readable plug-in
};

struct Findings {
    ModuleKind kind = ModuleKind::no_such_path;
    std::string target; // the path as given
    std::string module; // the module's file, once there is one
    std::string folder; // the program's folder: where the installed plug-in is looked for
    std::string detail; // unreadable, not_a_module, damaged, other_machine: the reader's detail
    std::string above;  // not_in_folder: VORDAN.dll in the folder above, when there is one
    std::string export_name;       // the module's own name from its export table, when it has one
    std::vector<Service> services; // host: every one of the 21, in binding order

    // The installed plug-in, looked for only once the module is the program's.
    std::vector<std::string> looked; // where it was looked for, in order
    std::vector<Copy> copies;        // what was found there, in the same order
    uint16_t package_version[4] = {};
    std::string package_digest; // what the package's SHA256SUMS gives for cenyzak.dll; empty: none

    bool missing(int32_t ordinal) const;
    std::vector<int32_t> missing() const;          // in binding order
    std::vector<int32_t> without_stand_in() const; // the missing ones the load cannot survive
};

Findings find(const Request& request);

// The services the plug-in binds, in binding order, from the one list it is built from.
const std::vector<int32_t>& service_ordinals();

} // namespace check_host
