// UTF-8 <-> UTF-16 for the pre-flight tool's Windows side: its texts and paths are UTF-8 inside,
// the wide Windows calls take UTF-16.
#pragma once

#include <string>

namespace utf16 {

std::wstring from_utf8(const std::string& text);
std::string to_utf8(const std::wstring& text);

} // namespace utf16
