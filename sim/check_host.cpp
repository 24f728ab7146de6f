#include "sim/check_host.h"

#include "host/services.h"
#include "sim/input_file.h"
#include "sim/pe_exports.h"
#include "sim/standins.h"

#include <cstdio>
#include <vector>

namespace check_host {
namespace {

struct Service {
    int32_t ordinal;
    const char* name;
};

// The services in binding order, from the one list the plug-in is built from.
const std::vector<Service>& services() {
#define CZ_CHECK_ROW(ord, ret, params, name) {ord, name},
    static const std::vector<Service> list = {CZ_HOST_SERVICES(CZ_CHECK_ROW)};
#undef CZ_CHECK_ROW
    return list;
}

// A host module is a few MiB at most; anything far larger is not one.
constexpr size_t kMaxModuleBytes = 256u * 1024 * 1024;

} // namespace

int run(const std::string& path, std::ostream& out, std::ostream& err) {
    std::string bytes, why;
    if (!input_file::read(path, kMaxModuleBytes, bytes, why)) {
        err << "hostsim: " << path << ": " << why << "\n";
        return 2;
    }
    const pe::Exports e =
        pe::read_exports(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (!e.ok) {
        err << "hostsim: " << path << ": " << e.error << "\n";
        return 2;
    }
    out << path << ": a 32-bit module exporting " << e.ordinals.size() << " ordinal"
        << (e.ordinals.size() == 1 ? "" : "s") << "\n\n"
        << "The " << services().size()
        << " host services the plug-in binds at load, in binding order:\n";
    int missing = 0, fatal = 0;
    int first_missing = 0;
    for (size_t i = 0; i < services().size(); ++i) {
        const Service& s = services()[i];
        char row[96];
        snprintf(row, sizeof row, "%4d  %5d  %-22s", int(i + 1), int(s.ordinal), s.name);
        out << row;
        if (e.has(uint32_t(s.ordinal))) {
            out << "present\n";
            continue;
        }
        ++missing;
        if (!first_missing) first_missing = s.ordinal;
        const standins::StandIn* stand_in = standins::find(s.ordinal);
        if (!stand_in) ++fatal;
        out << "MISSING\n"
            << "                                     with Ignore: "
            << (stand_in ? std::string("a stand-in; ") + stand_in->effect
                         : std::string("no stand-in: the load fails"))
            << "\n";
    }
    out << "\n";
    if (missing == 0) {
        out << "All " << services().size() << " services are there: the plug-in binds every one.\n";
        return 0;
    }
    out << missing << " of " << services().size() << " services missing. At load the plug-in "
        << "shows the missing-entry dialog for " << first_missing
        << " (Abort, or a box that cannot be shown, fails the load; after one Ignore no "
           "further dialog appears).\n";
    if (fatal)
        out << fatal << (fatal == 1 ? " of them has" : " of them have")
            << " no stand-in: the load fails whatever the user answers.\n";
    else
        out << "Each has a stand-in: the plug-in loads only if the user answers Ignore.\n";
    return 1;
}

} // namespace check_host
