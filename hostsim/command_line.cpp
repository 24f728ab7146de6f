// hostsim's command line: hostsim [--json] [SCENARIO.json], --check-host FOLDER|MODULE.dll,
// --version, --help; on Windows also the entry that hostsim.exe calls in VORDAN.dll.
#include "cenyzak-sprawdz/check_host.h"
#include "hostsim/hostsim.h"

#include "cenyzak_version.h"

#include <cstdlib>
#include <iostream>
#if !defined(_WIN32)
#include <unistd.h>
#endif

extern const char kBundledSample[]; // scenarios/sample.json, built in

namespace hostsim {
namespace {

constexpr const char* kUsage =
    "usage: hostsim [--json] [SCENARIO.json] | --check-host FOLDER|MODULE.dll";

constexpr const char* kHelp =
    "Runs the cenyzak plug-in in a simulated host program over a scenario, the way the host\n"
    "does, and prints every document's lines before and after Ctrl-E and every message shown.\n"
    "\n"
    "  hostsim [--json] [SCENARIO.json]\n"
    "  hostsim --check-host FOLDER|MODULE.dll\n"
    "\n"
    "  SCENARIO.json        the scenario to run (format: scenarios/README.md); without one,\n"
    "                       the bundled sample warehouse\n"
    "  --json               print the result as JSON for tools (its layout: scenarios/README.md)\n"
    "  --check-host PATH    the integrator's pre-flight check, in Polish, as the pre-flight tool\n"
    "                       cenyzak-sprawdz.exe prints it: read the client's host module (the\n"
    "                       file, or VORDAN.dll in the program's folder) without loading it,\n"
    "                       list the 21 services the plug-in binds, each present or missing,\n"
    "                       say what the plug-in does without them, and compare an installed\n"
    "                       cenyzak.dll (in the folder or its Wtyczki) with this version\n"
    "  --version            print hostsim's version (the plug-in's version) and stop\n"
    "  -h, --help           print this help and stop\n"
    "\n"
    "Exit status: 0 done (--check-host: every service present); 1 --check-host: a service is\n"
    "missing; 2 a bad command line or scenario (one line on standard error saying which file,\n"
    "where and what is wrong), or --check-host found no host module to check.\n";

int usage_error(const std::string& what) {
    std::cerr << "hostsim: " << what << " (" << kUsage << ")\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::string path, module;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--json") {
            options.json = true;
        } else if (a == "-h" || a == "--help") {
            std::cout << kHelp;
            return 0;
        } else if (a == "--version") {
            std::cout << "hostsim " << CZ_VERSION << "\n";
            return 0;
        } else if (a == "--check-host") {
            if (i + 1 >= argc) return usage_error("--check-host needs the module file to check");
            if (check) return usage_error("--check-host given twice; check one module at a time");
            check = true;
            module = argv[++i];
        } else if (!a.empty() && a[0] == '-') {
            return usage_error("unknown option '" + a + "'");
        } else if (!path.empty()) {
            std::cerr << "hostsim: more than one scenario given ('" << path << "' and '" << a
                      << "'); run one at a time\n";
            return 2;
        } else {
            path = a;
        }
    }
    if (check) {
        if (!path.empty() || options.json)
            return usage_error("--check-host takes only the module file");
        check_host::Request request;
        request.target = module;
        const check_host::Result result = check_host::run(request);
        std::cout << result.text;
        return result.status;
    }
    scenario::Scenario s;
    try {
        s = path.empty() ? scenario::parse(kBundledSample, "sample.json (bundled)")
                         : scenario::load(path);
    } catch (const scenario::Error& e) {
        std::cerr << "hostsim: " << e.what() << "\n";
        return 2;
    }
#if !defined(_WIN32)
    const char* term = getenv("TERM");
    options.color =
        !options.json && isatty(1) && !getenv("NO_COLOR") && term && std::string(term) != "dumb";
#endif
    std::cout << run(s, options);
    return 0;
}

} // namespace hostsim

#if defined(_WIN32)
// VORDAN.dll's entry for hostsim.exe.
extern "C" int hostsim_main(int argc, char** argv) {
    return hostsim::main(argc, argv);
}
#endif
