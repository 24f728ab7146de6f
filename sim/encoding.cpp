#include "sim/encoding.h"

#include "texts/mazovia.h"

#include <cstdint>

namespace encoding {

std::string mazovia_to_cp1250(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        for (const MazoviaLetter& l : kMazoviaLetters)
            if (static_cast<unsigned char>(c) == l.mazovia) {
                c = static_cast<char>(l.cp1250);
                break;
            }
    return out;
}

namespace {
// Windows-1250's bytes 0x80 to 0xFF as Unicode code points; 0 where the code page has no
// character. The code page the plug-in's paths and message boxes are in, with a Polish Windows.
constexpr uint16_t kCp1250High[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0160, 0x2039,
    0x015A, 0x0164, 0x017D, 0x0179, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
    0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
    0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
    0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

void append_utf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
} // namespace

std::string cp1250_to_utf8(const std::string& s) {
    std::string out;
    for (char ch : s) {
        const unsigned char b = static_cast<unsigned char>(ch);
        const uint32_t c = b < 0x80 ? b : kCp1250High[b - 0x80];
        if (c || !b)
            append_utf8(out, c);
        else
            out += "?";
    }
    return out;
}

bool utf8_to_cp1250(const std::string& s, std::string& out, std::string& not_in_cp1250) {
    out.clear();
    for (size_t i = 0; i < s.size();) {
        const unsigned char lead = static_cast<unsigned char>(s[i]);
        if (lead < 0x80) {
            out += s[i++];
            continue;
        }
        const size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2; // the bytes of this character
        uint32_t code = lead & (0xFF >> (n + 1));
        for (size_t k = 1; k < n && i + k < s.size(); ++k)
            code = code << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        uint32_t b = 0;
        while (b < 128 && (kCp1250High[b] == 0 || kCp1250High[b] != code))
            ++b;
        if (b == 128) {
            not_in_cp1250 = s.substr(i, n);
            return false;
        }
        out += static_cast<char>(0x80 + b);
        i += n;
    }
    return true;
}

// The Polish letters to UTF-8; ASCII stays, any other byte shows as "?".
std::string mazovia_to_utf8(const std::string& s) {
    std::string out;
    for (char c : s) {
        const MazoviaLetter* hit = nullptr;
        for (const MazoviaLetter& l : kMazoviaLetters)
            if (static_cast<unsigned char>(c) == l.mazovia) hit = &l;
        if (hit)
            out += hit->utf8;
        else if (static_cast<unsigned char>(c) < 0x80)
            out += c;
        else
            out += "?";
    }
    return out;
}

std::string utf8_to_mazovia(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += s[i++];
            continue;
        }
        size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2; // the bytes of this character
        const MazoviaLetter* hit = nullptr;
        for (const MazoviaLetter& l : kMazoviaLetters)
            if (s.compare(i, 2, l.utf8) == 0) hit = &l;
        out += hit ? static_cast<char>(hit->mazovia) : '?';
        i += n;
    }
    return out;
}

} // namespace encoding
