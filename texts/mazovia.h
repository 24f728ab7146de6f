// Mazovia to Windows-1250 for the Polish letters; every other byte stays as it is.
#pragma once

void mazovia_to_cp1250(char* text);
