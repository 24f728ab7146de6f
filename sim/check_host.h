// hostsim --check-host: the integrator's pre-flight check of a client's host module. Reads the
// file as data (sim/pe_exports.h), never loading it, and says for each of the 21 services the
// plug-in binds, in binding order, whether the module exports it, and for a missing one what the
// plug-in will do at load.
#pragma once

#include <ostream>
#include <string>

namespace check_host {

// Prints the check of the module file at `path` to `out`; a file that is not a readable 32-bit
// module is reported on `err`. Returns 0 when all 21 services are there, 1 when any is missing,
// 2 when the file cannot be read as a 32-bit PE module.
int run(const std::string& path, std::ostream& out, std::ostream& err);

} // namespace check_host
