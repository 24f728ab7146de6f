// Mazovia and Windows-1250, for the Polish letters; every other byte stays as it is.
#pragma once

// In place, Mazovia to Windows-1250.
void mazovia_to_cp1250(char* text);

// In place, Windows-1250 to Mazovia.
void cp1250_to_mazovia(char* text);
