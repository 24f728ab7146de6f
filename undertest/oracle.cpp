#include "undertest/oracle.h"

#include <cstdio>
#include <cstdlib>

namespace undertest {

void fail(const char* what, const std::string& detail) {
    fprintf(stderr, "\n==== oracle: %s\n%s\n", what, detail.c_str());
    fflush(stderr);
    abort();
}

std::string hex(const std::string& s) {
    std::string out;
    char b[4];
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            snprintf(b, sizeof b, "\\%02X", c);
            out += b;
        }
    }
    return out;
}

} // namespace undertest
