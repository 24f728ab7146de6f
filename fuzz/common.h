// What the fuzz targets share: a reader over the fuzzer's bytes and the oracle's failure report.
// Record buffers, fields and tables come from the host-side record model (sim/records.h).
#pragma once

#include "sim/records.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace fuzz {

// The only bytes of a line record that its table's hook may change: the price and the amounts it
// computes, the slots or selling levels it fills. Everything else of the line stays as it was.
inline std::vector<records::Span> hook_owned(int32_t line_table) {
    using records::span;
    namespace rw = records::rw_dok;
    namespace mr = records::mr_dok;
    namespace mm = records::mm_dok;
    switch (line_table) {
    case records::kRwDok:
        return {span(rw::kSlotPrice), span(rw::kSlotCode)};
    case records::kMrDok:
        // line price to converted line value; the selling levels
        return {span(mr::kPrice, mr::kConverted), span(mr::kPercent, mr::kSellingConverted)};
    case records::kMmDok:
        // line price to value mark; slot prices and codes
        return {span(mm::kPrice, mm::kValueMark), span(mm::kSlotPrice, mm::kSlotCode)};
    }
    return {};
}

// An oracle violation: print what broke and abort, which libFuzzer reports as a crash and saves
// the input that caused it.
[[noreturn]] inline void fail(const char* what, const std::string& detail) {
    fprintf(stderr, "\n==== oracle: %s\n%s\n", what, detail.c_str());
    fflush(stderr);
    abort();
}
#define FUZZ_CHECK(cond, detail)                                                                   \
    do {                                                                                           \
        if (!(cond)) ::fuzz::fail(#cond, (detail));                                                \
    } while (0)

// Reads the fuzzer's bytes from the front, little-endian; once they are used up every read gives
// zeros, so that any input, the empty one included, is a complete case.
class Input {
  public:
    Input(const uint8_t* data, size_t size) : p_(data), n_(size) {}
    uint8_t u8() {
        if (n_ == 0) return 0;
        --n_;
        return *p_++;
    }
    uint16_t u16() { return static_cast<uint16_t>(u8() | (u8() << 8)); }
    uint32_t u32() { return u16() | (static_cast<uint32_t>(u16()) << 16); }
    uint64_t u64() { return u32() | (static_cast<uint64_t>(u32()) << 32); }
    int16_t i16() { return static_cast<int16_t>(u16()); }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    bool done() const { return n_ == 0; }
    // The bytes not read yet, consumed.
    std::string rest() {
        std::string s(reinterpret_cast<const char*>(p_), n_);
        p_ += n_;
        n_ = 0;
        return s;
    }

  private:
    const uint8_t* p_;
    size_t n_;
};

// One value from a table of values worth trying, or (for one choice in table size + 1) raw bytes.
template <typename T, size_t N> T pick(Input& in, const T (&table)[N]) {
    const uint8_t c = in.u8() % (N + 1);
    if (c < N) return table[c];
    T v;
    uint64_t raw = in.u64();
    memcpy(&v, &raw, sizeof v);
    return v;
}

inline std::string hex(const std::string& s) {
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

} // namespace fuzz
