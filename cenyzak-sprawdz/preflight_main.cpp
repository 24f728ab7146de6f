// cenyzak-sprawdz on Linux: the pre-flight tool's command line over the POSIX file access, so that
// the tool's behaviour and the guide's examples of it run natively too. The Windows program, with
// its console handling, is preflight_win32.cpp.
//
// One option more than the Windows tool: --reguly prints the verdict table (verdicts.h) as the
// Markdown rows the guide's chapter on the tool shows, for scripts/guide-examples.sh to compare.
#include "cenyzak-sprawdz/check_files.h"
#include "cenyzak-sprawdz/preflight.h"
#include "cenyzak-sprawdz/verdicts.h"

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--reguly") {
        const std::string table = check_host::table_markdown();
        fwrite(table.data(), 1, table.size(), stdout);
        return 0;
    }
    // The tool's own folder, where the package's SHA256SUMS is looked for (in its parent).
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string folder = n > 0 ? check_files::parent(std::string(self, size_t(n))) : "";
    const preflight::Outcome outcome = preflight::run(args, folder);
    fwrite(outcome.text.data(), 1, outcome.text.size(), stdout);
    return outcome.status;
}
