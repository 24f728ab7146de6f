// How the simulated host program loads the plug-in and answers its message boxes: on Linux
// through the simulated loader, on Windows through the real loader and the real MessageBoxA,
// whose box a watcher thread finds, reads and answers.
#pragma once

#include "platform/abi.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hostplatform {

struct Box {
    std::string text; // Windows-1250 bytes, as the box shows them
    std::string caption;
    int32_t answer; // the button pressed: 3 abort, 4 retry, 5 ignore; 0 no box
};

// A fresh process state: no plug-in, no boxes, no script.
void reset();

// Makes module VORDAN available to the plug-in without the listed services.
void offer_vordan(const std::vector<int32_t>& missing);

// Answers for the plug-in's message boxes, in order; later boxes are answered `then`.
void script_answers(const std::vector<int32_t>& answers, int32_t then);

// Loads the plug-in from `file` (null: a path the plug-in cannot learn, where the platform can
// give one). Null when its start-up failed the load.
void* load_plugin(const char* file);
cz_proc plugin_entry(void* plugin, uint32_t ordinal);

// Why the load_plugin call just made failed, read at once after it (on Windows from the error
// the loader left): a stable code (startup_refused, file_not_found, dependency_not_found,
// not_a_module, windows_error), the file, and the Windows error with the system's words for it.
// The report words it (hostsim/report.h).
struct LoadFailure {
    std::string code;
    std::string path;
    uint32_t error = 0;      // the Windows error; 0 on Linux
    std::string system_text; // windows_error: the system's message, without its final stop
};
LoadFailure load_failure(const char* file);
void unload_plugin(void* plugin);

// Every box shown so far.
std::vector<Box> boxes();

} // namespace hostplatform
