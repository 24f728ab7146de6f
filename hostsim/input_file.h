// Reading a file a person named on hostsim's command line, with the reason in plain words when it
// cannot be read: missing, a directory, unreadable, or larger than the caller accepts.
#pragma once

#include <cstddef>
#include <string>

namespace input_file {

// The whole file in `out`; false with `why` set when it cannot be read or exceeds `max_bytes`.
bool read(const std::string& path, size_t max_bytes, std::string& out, std::string& why);

} // namespace input_file
