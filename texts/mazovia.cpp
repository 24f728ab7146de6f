#include "texts/mazovia.h"

// The 18 Polish letters: Mazovia byte, then the Windows-1250 byte.
static const unsigned char kPolish[18][2] = {
    {0x86, 0xB9}, {0x8D, 0xE6}, {0x91, 0xEA}, {0x92, 0xB3}, {0xA4, 0xF1}, {0xA2, 0xF3},
    {0x9E, 0x9C}, {0xA6, 0x9F}, {0xA7, 0xBF}, {0x8F, 0xA5}, {0x95, 0xC6}, {0x90, 0xCA},
    {0x9C, 0xA3}, {0xA5, 0xD1}, {0xA3, 0xD3}, {0x98, 0x8C}, {0xA0, 0x8F}, {0xA1, 0xAF},
};

// Replaces every byte found in column `from` of the table by the byte beside it.
static void convert(char* text, int from) {
    for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p; ++p)
        for (const auto& pair : kPolish)
            if (*p == pair[from]) {
                *p = pair[1 - from];
                break;
            }
}

void mazovia_to_cp1250(char* text) {
    convert(text, 0);
}

void cp1250_to_mazovia(char* text) {
    convert(text, 1);
}
