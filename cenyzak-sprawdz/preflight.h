// The pre-flight tool's command line (cenyzak-sprawdz.exe), apart from the console: what the
// arguments ask for, and the report or help text to print with the exit status. The check itself
// is cenyzak-sprawdz/check_host.h; cenyzak-sprawdz/preflight_win32.cpp is the program around this.
#pragma once

#include <string>
#include <vector>

namespace preflight {

struct Outcome {
    int status = 2;
    std::string text; // UTF-8, every line ending in '\n'
};

// `args` without the program's own name, UTF-8; `tool_folder` is the folder of the tool's own file:
// the package's SHA256SUMS is looked for in the folder above it (the package's root, where the
// tools folder lies) and then in that folder itself.
Outcome run(const std::vector<std::string>& args, const std::string& tool_folder);

} // namespace preflight
