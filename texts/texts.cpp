// The Mazovia bytes of every text. Polish letters are hex escapes; a literal is split after each
// escape because \x swallows every hex digit that follows it. Kept as laid out, one text a line.
#include "texts/texts.h"

#include <string.h>

char* title_copy(char* buffer) {
    memcpy(buffer, kTitle, sizeof kTitle);
    return buffer;
}

// clang-format off

const char kTitle[57] = "Wypelnienie RW, MM wew. i MM wys. cenami zakupu (Ctrl-E)";
const char kHostModuleName[8] = "VORDAN";

const char kMissingCaption[] = "POWA\xA1" "NY B\x9C" "\x8F" "D WTYCZKI";
const char kMissingFormat[] =
    "W module \x02" "%s\x01" "\nbrak wpisu \x02" "%s\x01" "\nWywo\x92" "ano z wtyczki \x02" "%s\x01"
    ".\n\nB\x92" "\x86" "d ten mo\xA7" "na zignorowa\x8D" " lecz dalsza praca\nprogramu w tych "
    "warunkach mo\xA7" "e by\x8D" " niebezpieczna.\n\nKonieczna jest aktualizacja programu!";
const char kUnknownModule[] = "<nieznany>";

const char kReportCaption[] = "STOP!!!";
const char kVersionFormat[] =
    "Modu\x92" " \"%s\" i program wyst\x91" "puj\x86" " w r\xA2" "\xA7" "nych wersjach!\n\nZosta\x92"
    " zakualizowany tylko program albo tylko modu\x92" ",\na nie oba jednocze\x9E"
    "nie! Aby naprawi\x8D" " t\x91" " sytuacj\x91" "\nzainstaluj aktualizacj\x91"
    " programu wraz z modu\x92" "em \"%s\".\n\nMODU\x9C" " NIE ZOSTANIE ZA\x9C" "ADOWANY!!!\n";
const char kSizeHeadingFormat[] =
    "Rozmiary rekord\xA2" "w niekt\xA2" "rych tabel nie zgadzaj\x86" " si\x91" "\nmi\x91"
    "dzy programem a wtyczk\x86" " \"%s\":\n\n\x01" "tl18l33\x01" "TABELA\tWE WTYCZCE\tW PROGRAMIE\n";
const char kSizeRowDirective[] = "\x01" "tp25p40\x01";
const char kSizeMissing[] = "brak";
const char kSizeClosingFormat[] = "\nModu\x92" " wtyczki \x02" "%s\x01" "\nNIE zostanie za\x92" "adowany!";

const char kNoticeFormat[] = "Zainstalowano wtyczk\x91" ": %s";
const char kNoticeSection[] = "VUZivo";
const char kNoticeKey[] = "Pytaj";
const char kNoticeValueFormat[] = "%d";

const char kTableMm[] = "Mm";
const char kTableMmDok[] = "Mm_dok";
const char kTableMr[] = "Mr";
const char kTableMrDok[] = "Mr_dok";
const char kTableRw[] = "Rw";
const char kTableRwDok[] = "Rw_dok";
const char kTableK9[] = "k9";
