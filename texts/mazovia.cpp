#include "texts/mazovia.h"

// Replaces every letter's byte of one encoding (the member `from`) by its byte in the other (`to`).
static void convert(char* text, unsigned char MazoviaLetter::*from,
                    unsigned char MazoviaLetter::*to) {
    for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p; ++p)
        for (const MazoviaLetter& letter : kMazoviaLetters)
            if (*p == letter.*from) {
                *p = letter.*to;
                break;
            }
}

void mazovia_to_cp1250(char* text) {
    convert(text, &MazoviaLetter::mazovia, &MazoviaLetter::cp1250);
}

void cp1250_to_mazovia(char* text) {
    convert(text, &MazoviaLetter::cp1250, &MazoviaLetter::mazovia);
}
