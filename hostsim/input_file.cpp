#include "hostsim/input_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace input_file {

bool read(const std::string& path, size_t max_bytes, std::string& out, std::string& why) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        why = errno == ENOENT ? "no such file" : std::string("cannot open: ") + strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        why = "a directory, not a file";
        return false;
    }
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
        why = std::string("cannot open: ") + strerror(errno);
        return false;
    }
    out.clear();
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
        if (out.size() + n > max_bytes) {
            fclose(f);
            why = "larger than " + std::to_string(max_bytes / (1024 * 1024)) + " MiB";
            return false;
        }
        out.append(buffer, n);
    }
    const bool error = ferror(f) != 0;
    fclose(f);
    if (error) {
        why = "cannot be read";
        return false;
    }
    return true;
}

} // namespace input_file
