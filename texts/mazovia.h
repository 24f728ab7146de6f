// Mazovia, the host's encoding of Polish: the 18 Polish letters with their Windows-1250 bytes and
// their UTF-8 spelling; every other byte is as in code page 437 (ASCII below 0x80).
//
// The table is the one list of the letters: the plug-in converts its texts from Mazovia to
// Windows-1250 with it, and the simulated host, the tests and the fuzzers convert between Mazovia,
// Windows-1250 and UTF-8 with it.
#pragma once

struct MazoviaLetter {
    unsigned char mazovia, cp1250;
    char utf8[3]; // two bytes and a terminating zero
};

inline constexpr MazoviaLetter kMazoviaLetters[18] = {
    {0x86, 0xB9, "ą"}, {0x8D, 0xE6, "ć"}, {0x91, 0xEA, "ę"}, {0x92, 0xB3, "ł"}, {0xA4, 0xF1, "ń"},
    {0xA2, 0xF3, "ó"}, {0x9E, 0x9C, "ś"}, {0xA6, 0x9F, "ź"}, {0xA7, 0xBF, "ż"}, {0x8F, 0xA5, "Ą"},
    {0x95, 0xC6, "Ć"}, {0x90, 0xCA, "Ę"}, {0x9C, 0xA3, "Ł"}, {0xA5, 0xD1, "Ń"}, {0xA3, 0xD3, "Ó"},
    {0x98, 0x8C, "Ś"}, {0xA0, 0x8F, "Ź"}, {0xA1, 0xAF, "Ż"}};

// In place, Mazovia to Windows-1250; every other byte stays as it is.
void mazovia_to_cp1250(char* text);
