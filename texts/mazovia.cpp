#include "texts/mazovia.h"

void mazovia_to_cp1250(char* text) {
    for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p; ++p)
        for (const MazoviaLetter& letter : kMazoviaLetters)
            if (*p == letter.mazovia) {
                *p = letter.cp1250;
                break;
            }
}
