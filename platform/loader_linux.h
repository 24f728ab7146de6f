// The simulated loader: what stands in for the Windows loader and MessageBoxA on Linux.
//
// A module is a name plus a table of exports by ordinal and by name. The host program's module
// (the simulated VORDAN) is added as already loaded; the plug-in is loaded like a DLL: its
// start routine runs with reason 1 and a zero result fails the load. Handles are the addresses of
// the loader's own module slots, so a null handle is never a module.
//
// MessageBoxA takes its answers from a script and records every box it was asked to show.
#pragma once

#include "platform/platform.h"

#include <stdint.h>
#include <string>
#include <vector>

struct cz_sim_export {
    uint32_t ordinal; // 0: exported by name only
    const char* name; // null: exported by ordinal only
    cz_proc proc;
};

// Start routine of a module image, called like DllMain: reason 1 at load, 0 at unload.
typedef int32_t (*cz_sim_start)(cz_module self, uint32_t reason, void* reserved);

struct cz_sim_image {
    const char* name; // module name as GetModuleHandleA matches it, e.g. "VORDAN.dll"
    const cz_sim_export* exports;
    uint32_t export_count;
    cz_sim_start start; // may be null
};

namespace loader {

// Adds a module that counts as loaded already (no start routine is run). `file_name` is what
// GetModuleFileNameA gives for it; null makes that call fail.
cz_module add_module(const cz_sim_image* image, const char* file_name);

// Loads a module: adds it, then runs its start routine with reason 1. Null when the start routine
// refuses; the module is then gone again, as after a failed LoadLibrary.
cz_module load_library(const cz_sim_image* image, const char* file_name);

// Runs the start routine with reason 0 and removes the module.
void free_library(cz_module module);

// Removes every module and forgets the message boxes, the script, the lookups and the setting
// below.
void reset();

// GetModuleFileNameA cuts a name longer than its buffer to the buffer's size and returns that size.
// Windows since Vista ends the cut name with a zero in the buffer's last byte (the default here);
// Windows XP leaves it without one (`xp` true).
void cut_names_unterminated(bool xp);

// One box that MessageBoxA was asked to show, with the answer it gave.
struct Box {
    std::string text;
    std::string caption;
    uint32_t style;
    int32_t answer;
};

// Answers for the next boxes, in order. Once the script is used up every box answers `then`
// (0 by default: a box that could not be shown).
void script_answers(const std::vector<int32_t>& answers, int32_t then = 0);
const std::vector<Box>& boxes();

// One lookup that GetProcAddress was asked for, in the order asked, whether it was found or not.
struct Lookup {
    std::string module;     // the module's name, empty when the handle is no module
    std::string identifier; // an ordinal in decimal digits, or the name
};
const std::vector<Lookup>& lookups();

} // namespace loader
