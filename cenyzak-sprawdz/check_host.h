// The integrator's pre-flight check of a client's program, in Polish: the pre-flight tool
// (cenyzak-sprawdz.exe) and hostsim --check-host print the same report.
//
// Given the program's folder or its host module file (VORDAN.dll), it reads the module as data
// (cenyzak-sprawdz/pe_exports.h), never loading it, and says for each of the 21 services the
// plug-in binds, in the order it binds them, whether the module exports it; for what is missing it
// says what the plug-in will do at load, each service alone and all of them together, then gives a
// verdict and the next step. A file that is not the program's module at all (the plug-in itself,
// another module, a 64-bit or damaged one, no module) is named as such. Every installed
// cenyzak.dll found (in Wtyczki and in the program's folder) or named is compared with the
// package: its version with this build's, its SHA-256 with the package's SHA256SUMS when that file
// is given; with every service there, what is installed decides the next step.
//
// In three parts: findings.h finds all of this as data, without a word; verdicts.h holds the
// verdict rules, one table from the state of the findings to the exit status, WYNIK and CO DALEJ;
// report_pl.cpp words the findings and the verdict as the Polish report.
#pragma once

#include <cstdint>
#include <string>

namespace check_host {

struct Request {
    std::string target; // the program's folder, or its host module file (UTF-8)
    // The installed cenyzak.dll, or the folder that holds it; empty: looked for in the program's
    // folder and its subfolder Wtyczki.
    std::string plugin;
    std::string sums; // the package's SHA256SUMS; empty: the version alone is compared
};

struct Result {
    // 0: checked, the plug-in will work there; 1: checked, it will not work as it is; 2: nothing
    // checked. The rules, state by state, are the verdict table (verdicts.h).
    int status = 2;
    std::string text;  // the report: UTF-8, every line ending in '\n'
    std::string state; // the verdict row's key (verdicts.h), e.g. "ignore_each_start"
};

Result run(const Request& request);

// The service's name in the guide's words, for each of the 21 ordinals; null for any other.
const char* service_name(int32_t ordinal);

} // namespace check_host
