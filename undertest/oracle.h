// The checks of the plug-in under test that stop the process: a failed check prints what broke
// and aborts, which libFuzzer reports as a crash (saving the input that caused it) and a test
// process reports as its failure.
#pragma once

#include <string>

namespace undertest {

[[noreturn]] void fail(const char* what, const std::string& detail);

// A text's bytes, printable as they are and every other byte as \XX.
std::string hex(const std::string& s);

} // namespace undertest

#define ORACLE_CHECK(cond, detail)                                                                 \
    do {                                                                                           \
        if (!(cond)) ::undertest::fail(#cond, (detail));                                           \
    } while (0)
