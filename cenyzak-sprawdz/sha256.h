// SHA-256 (FIPS 180-4), for the pre-flight check's comparison of an installed cenyzak.dll with
// the one in the release package (its SHA256SUMS). On its own so that the check runs the same on
// every platform, without the system's cryptography libraries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sha256 {

// The digest of `size` bytes as 64 lower-case hexadecimal digits, as sha256sum prints it.
std::string hex_digest(const uint8_t* data, size_t size);

} // namespace sha256
