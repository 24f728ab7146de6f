// The few file-system questions of the pre-flight check (cenyzak-sprawdz/check_host.h), with their
// answers in Polish. Paths are UTF-8 throughout. Two implementations: check_files_posix.cpp
// (hostsim, on Linux and in VORDAN.dll) and check_files_win32.cpp (the pre-flight tool, over the
// wide Windows calls, so that a folder named "Księgowość" opens whatever the system's code page).
#pragma once

#include <cstddef>
#include <string>

namespace check_files {

enum class Kind { missing, file, directory };

Kind kind(const std::string& path);

// The whole file in `out`; false with `why` (Polish) set when it cannot be read or has more than
// `max_bytes`.
bool read(const std::string& path, size_t max_bytes, std::string& out, std::string& why);

// The entry of `folder` named `name`, letter case aside, as a path; empty when there is none.
std::string find(const std::string& folder, const std::string& name);

// `name` inside `folder`, with the platform's separator.
std::string join(const std::string& folder, const std::string& name);

// The folder that holds `path` (no separator at its end); empty when it has none.
std::string parent(const std::string& path);

// The last part of `path`.
std::string base_name(const std::string& path);

} // namespace check_files
