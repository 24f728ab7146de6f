// The encodings of the host's texts, on the one Mazovia letter table (texts/mazovia.h): Mazovia
// (the host's own), Windows-1250 (the plug-in's paths and message boxes, on a Polish Windows) and
// UTF-8 (scenarios, reports, the tests' expected texts).
#pragma once

#include <string>

namespace encoding {

// Mazovia to Windows-1250 and to UTF-8, as the host's text services see them; UTF-8 to Mazovia,
// for texts the tests and the fuzzers expect (a letter Mazovia lacks becomes "?"). One letter
// table: texts/mazovia.h.
std::string mazovia_to_cp1250(const std::string& s);
std::string mazovia_to_utf8(const std::string& s);
std::string utf8_to_mazovia(const std::string& s);

// Windows-1250, the code page of the plug-in's paths and message boxes, to UTF-8 and back, the
// whole code page ("?" for a byte it leaves undefined). utf8_to_cp1250 fails on a character the
// code page lacks and gives it in not_in_cp1250.
std::string cp1250_to_utf8(const std::string& s);
bool utf8_to_cp1250(const std::string& s, std::string& out, std::string& not_in_cp1250);

} // namespace encoding
