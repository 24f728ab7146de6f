// What the fuzz targets share: a reader over the fuzzer's bytes. The oracle's checks come from
// undertest/oracle.h, the record buffers, fields and tables from the host-side record model
// (sim/records.h).
#pragma once

#include "sim/records.h"
#include "undertest/oracle.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fuzz {

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

} // namespace fuzz
