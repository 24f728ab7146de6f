// The pre-flight check (hostsim --check-host, cenyzak-sprawdz.exe): the export table and version
// readers and the report over modules made here byte by byte, over the win32 build's VORDAN.dll
// and cenyzak.dll when they have been built, and over files and folders that are not the
// program's module at all.
#include "cenyzak-sprawdz/check_host.h"
#include "cenyzak-sprawdz/pe_exports.h"
#include "cenyzak-sprawdz/preflight.h"
#include "cenyzak-sprawdz/sha256.h"
#include "cenyzak-sprawdz/verdicts.h"
#include "modules.h"

#include "cenyzak_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using namespace checktest;

// The verdict (WYNIK) and the next step (CO DALEJ) at the report's end, each unwrapped into one
// line; then the line naming the supplier closes the report.
struct Verdict {
    std::string result, next;
};
Verdict verdict_of(const check_host::Result& r) {
    Verdict v;
    const size_t at = r.text.rfind("\nWYNIK: ");
    const size_t next = r.text.find("\nCO DALEJ: ", at == std::string::npos ? 0 : at);
    const size_t end = r.text.find("\n\n", next == std::string::npos ? 0 : next);
    EXPECT_NE(at, std::string::npos) << r.text;
    EXPECT_NE(next, std::string::npos) << r.text;
    EXPECT_NE(end, std::string::npos) << r.text;
    if (at == std::string::npos || next == std::string::npos || end == std::string::npos) return v;
    v.result = flat({0, r.text.substr(at + 8, next - at - 8), ""});
    v.next = flat({0, r.text.substr(next + 11, end - next - 11), ""});
    EXPECT_EQ(r.text.substr(end + 2), "Dostawca wtyczki: " CZ_PUBLISHER ", " CZ_CONTACT ".\n");
    // Every line, the verdict's too, fits a console window's 80 columns.
    size_t line_start = 0;
    for (size_t i = 0; i <= r.text.size(); ++i) {
        if (i < r.text.size() && r.text[i] != '\n') continue;
        const std::string line = r.text.substr(line_start, i - line_start);
        size_t n = 0;
        for (unsigned char c : line)
            n += (c & 0xC0) != 0x80;
        const bool path = line.find('/') != std::string::npos; // a path stands whole
        EXPECT_TRUE(path || n <= 80u) << line;
        line_start = i + 1;
    }
    return v;
}
void expect_verdict(const check_host::Result& r, const std::string& verdict) {
    const Verdict v = verdict_of(r);
    EXPECT_TRUE(has(v.result + " " + v.next, verdict)) << r.text;
}

TEST(CheckHost, AllServicesPresentIsStatus0) {
    const check_host::Result r = check_bytes(host_without({}));
    EXPECT_EQ(r.status, 0) << r.text;
    EXPECT_TRUE(has(r.text, "\n  52028  wyświetlanie komunikatu               jest\n")) << r.text;
    EXPECT_TRUE(has(r.text, "\n  52412  wyszukiwanie towaru w k9              jest\n"));
    EXPECT_FALSE(has(r.text, "BRAK"));
    EXPECT_FALSE(has(r.text, "Uwaga"));
    expect_verdict(r, "Program ma wszystkie 21 usług; wtyczki jeszcze tu nie ma.");
}

// One service missing: its row, what Ignore leads to, all of it together, and the verdict.
TEST(CheckHost, OneMissingServiceIsStatus1WithWhatThePlugInDoes) {
    struct Case {
        int32_t missing;
        const char* row;
        const char* together;
        const char* verdict;
    } cases[] = {
        {52224, "  52224  odczyt i zapis ustawień               BRAK (ma zamiennik)\n",
         "wtyczka będzie działać, ale powiadomienie o instalacji pokaże się przy każdym starcie",
         "wtyczka zadziała, ale tylko po wybraniu „Ignoruj”"},
        {52028, "  52028  wyświetlanie komunikatu               BRAK (ma zamiennik)\n",
         "wtyczka będzie działać, ale gdyby rozmiary rekordów się nie zgadzały, wtyczka "
         "odmówiłaby pracy bez komunikatu.",
         "wtyczka zadziała, ale tylko po wybraniu „Ignoruj”"},
        {52256, "  52256  opis tabeli                           BRAK (ma zamiennik)\n",
         "pokaże raport rozmiarów rekordów („STOP!!!”) z „brak” przy wszystkich siedmiu",
         "bez opisu tabeli (52256) wtyczka odmówi pracy (raport „STOP!!!”)."},
        {52412, "  52412  wyszukiwanie towaru w k9              BRAK (ma zamiennik)\n",
         "nie znajdzie żadnej ceny zakupu", "nie znajdzie żadnej ceny zakupu (brak 52412)"},
        {38417, "  38417  zarezerwowana (nieużywana)            BRAK (bez zamiennika)\n",
         "Cokolwiek wybierze użytkownik, wtyczka nie zostanie załadowana",
         "w tym bez zamiennika: 38417; wtyczka nie zostanie załadowana."},
        {52029, "  52029  wyświetlanie komunikatu z parametrami BRAK (bez zamiennika)\n",
         "Cokolwiek wybierze użytkownik", "w tym bez zamiennika: 52029;"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.missing);
        const check_host::Result r = check_bytes(host_without({k.missing}));
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(has(r.text, k.row)) << r.text;
        EXPECT_TRUE(has(r.text, "z numerem " + std::to_string(k.missing) + ".")) << r.text;
        EXPECT_TRUE(has(flat(r), k.together)) << r.text;
        expect_verdict(r, k.verdict);
        expect_verdict(r, "Brak 1 z 21 usług");
    }
}

// Several missing: only the first raises the dialog, one Ignore covers the rest, and together
// they can do what none does alone.
TEST(CheckHost, CombinationsSayWhatTheyDoTogether) {
    struct Case {
        std::vector<int32_t> missing;
        const char* together;
        const char* verdict;
    } cases[] = {
        // Neither a report nor any other message: the plug-in is silent.
        {{52028, 52256},
         "z numerem 52028. Po wybraniu „Przerwij” wtyczka nie zostanie załadowana. Po wybraniu "
         "„Ignoruj” wszystkie brakujące usługi dostaną zamienniki naraz, bez kolejnych okien, i "
         "wtyczka odmówi pracy bez żadnego komunikatu",
         "wtyczka odmówi pracy, a bez 52028 nie pokaże żadnego komunikatu."},
        {{52256, 52224, 52412},
         "z „brak” przy wszystkich siedmiu tabelach. Brak 52224 i 52412 nie ma wtedy znaczenia",
         "Brak 3 z 21 usług; bez opisu tabeli (52256) wtyczka odmówi pracy"},
        // A stand-in first, then one without: after Ignore no dialog, and still no load.
        {{52028, 52029},
         "Po wybraniu „Ignoruj” nie pokaże się już żadne okno, ale wtyczka i tak nie zostanie "
         "załadowana, bo usługa 52029 nie ma zamiennika.",
         "Brak 2 z 21 usług, w tym bez zamiennika: 52029; wtyczka nie zostanie załadowana."},
        // The dialog for 52028 needs the text conversion (52158): that one's dialog comes first.
        {{52028, 52158, 52179},
         "najpierw pojawi się okno braku wpisu („POWAŻNY BŁĄD WTYCZKI”) z numerem 52158, a zaraz "
         "po nim drugie, z numerem 52028, nawet po wybraniu „Ignoruj” w pierwszym.",
         "w tym bez zamiennika: 52158 i 52179;"},
        {{52224, 52412},
         "nie znajdzie żadnej ceny zakupu, więc Ctrl+E nie uzupełni żadnej ceny. Powiadomienie o "
         "instalacji pokaże się przy każdym starcie programu.",
         "Brak 2 z 21 usług; wtyczka załaduje się tylko po wybraniu „Ignoruj”"},
        {{52028, 52224},
         "wtyczka będzie działać, ale powiadomienie o instalacji pokaże się przy każdym starcie "
         "programu, a gdyby rozmiary rekordów się nie zgadzały, wtyczka odmówiłaby pracy bez "
         "komunikatu.",
         "wtyczka zadziała, ale tylko po wybraniu „Ignoruj”"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.together);
        const check_host::Result r = check_bytes(host_without(k.missing));
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(has(flat(r), k.together)) << r.text;
        expect_verdict(r, k.verdict);
    }
}

// Whatever is not the program's module: the reason in the report's body, and a verdict that leads
// somewhere. Status 2 where nothing could be read as a module; 1 where a module was read and the
// plug-in will not work with it (64-bit, another processor, the plug-in itself, another module).
TEST(CheckHost, WhatIsNotTheProgramsModule) {
    const std::vector<uint8_t> good = host_without({});
    std::vector<uint8_t> far_header = good, huge_table = good, lost_table = good;
    put32(far_header, 0x3C, 0xFFFFFFF0u);
    put32(huge_table, 0x200 + 20, 0x7FFFFFFF);
    put32(lost_table, 0x200 + 28, 0xFFFFFFF0u);
    ModuleShape wide, arm, other;
    wide.ordinals = arm.ordinals = service_ordinals();
    wide.machine = 0x8664;
    arm.machine = 0x1C4;
    other.ordinals = {1, 2, 3};
    other.name = "other.dll";
    const char* not_a_module = "Nie sprawdzono: podany plik nie jest modułem Windows.";
    const char* damaged = "Nie sprawdzono: plik jest niekompletny lub uszkodzony.";
    const char* give_the_program = "Podaj folder, w którym zainstalowany jest program";
    const char* only_32_bit = "Nie instaluj wtyczki w tym programie: działa tylko w 32-bitowym";
    struct Case {
        const char* label;
        std::vector<uint8_t> bytes;
        int status;
        const char* reason;
        const char* result;
        const char* next;
    } cases[] = {
        {"empty",
         {},
         2,
         "To nie jest moduł Windows (program ani biblioteka programu). Szczegół techniczny (dla "
         "dostawcy wtyczki): plik jest za krótki (0 B).",
         not_a_module,
         give_the_program},
        {"garbage", std::vector<uint8_t>(4096, 0xA5), 2,
         "Szczegół techniczny (dla dostawcy wtyczki): plik nie zaczyna się od „MZ”.", not_a_module,
         give_the_program},
        {"header pointer past the end", far_header, 2,
         "techniczny (dla dostawcy wtyczki): brak nagłówka PE tam, gdzie wskazuje", not_a_module,
         give_the_program},
        {"cut in the PE header", std::vector<uint8_t>(good.begin(), good.begin() + 0x50), 2,
         "Plik jest niekompletny lub uszkodzony. Szczegół techniczny (dla dostawcy wtyczki): "
         "nagłówek PE jest ucięty.",
         damaged, "Sprawdź, czy to właściwy plik"},
        {"cut in the section table", std::vector<uint8_t>(good.begin(), good.begin() + 0x140), 2,
         "Plik jest niekompletny lub uszkodzony. Szczegół techniczny (dla dostawcy wtyczki): "
         "tabela sekcji jest ucięta.",
         damaged, "Sprawdź, czy to właściwy plik"},
        {"cut in the export table", std::vector<uint8_t>(good.begin(), good.begin() + 0x240), 2,
         "nie mieści się w pliku", damaged, "Sprawdź, czy to właściwy plik"},
        {"absurd export count", huge_table, 2, "numery kończą się na 65535", damaged,
         "Sprawdź, czy to właściwy plik"},
        {"table outside the file", lost_table, 2, "nie mieści się w pliku", damaged,
         "Sprawdź, czy to właściwy plik"},
        {"64-bit", make_module(wide), 1, "To moduł 64-bitowy, a wtyczka jest 32-bitowa",
         "Moduł jest 64-bitowy: 32-bitowa wtyczka nie zadziała w tym programie.", only_32_bit},
        {"another processor", make_module(arm), 1,
         "To moduł dla innego procesora, a wtyczka jest 32-bitowa (x86)",
         "Moduł jest dla innego procesora niż 32-bitowy x86", only_32_bit},
        {"the plug-in itself", plugin_module({1, 1, 0, 0}), 1,
         "To jest plik samej wtyczki cenyzak (ma jej wejścia 30001, 30008 i 30009)",
         "Podany plik nie jest modułem programu, tylko samą wtyczką cenyzak.",
         "Podaj folder programu (ten z plikiem VORDAN.dll) albo sam plik VORDAN.dll; "
         "zainstalowaną wtyczkę można podać jako drugi argument."},
        {"another module", make_module(other), 1,
         "Ten plik (moduł other.dll) nie ma żadnej z 21 usług",
         "Podany plik nie jest modułem programu: nie ma żadnej z 21 usług", give_the_program},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.label);
        const check_host::Result r = check_bytes(k.bytes);
        EXPECT_EQ(r.status, k.status);
        EXPECT_TRUE(has(flat(r), k.reason)) << r.text;
        EXPECT_FALSE(has(r.text, "Usługi programu"));
        const Verdict v = verdict_of(r);
        EXPECT_TRUE(has(v.result, k.result)) << v.result;
        EXPECT_TRUE(has(v.next, k.next)) << v.next;
    }

    // Paths that lead to no module: nothing there, a folder without it (the plug-in folder,
    // whose parent has it), a folder where the module is a folder.
    const std::string program = scratch("program");
    write(program + "/VORDAN.dll", good);
    const std::string plugins = scratch("program/Wtyczki");
    struct PathCase {
        std::string path, reason, result;
    } paths[] = {
        {program + "/missing", "Nie ma takiego pliku ani folderu:\n  " + program + "/missing\n\n",
         "Nie sprawdzono: nie ma takiego pliku ani folderu."},
        {plugins,
         "W tym folderze nie ma pliku VORDAN.dll:\n  " + plugins +
             "\nJest w folderze nadrzędnym:\n  " + program + "/VORDAN.dll\n\n",
         "Nie sprawdzono: w podanym folderze nie ma pliku VORDAN.dll."},
        {scratch("solo/odd"),
         "W tym folderze nie ma pliku VORDAN.dll:\n  " + scratch("solo/odd") + "\n\n",
         "Nie sprawdzono: w podanym folderze nie ma pliku VORDAN.dll."},
    };
    scratch("solo/odd/VORDAN.dll");
    for (const PathCase& p : paths) {
        SCOPED_TRACE(p.path);
        const check_host::Result r = check(p.path);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(has(r.text, p.reason)) << r.text;
        const Verdict v = verdict_of(r);
        EXPECT_EQ(v.result, p.result);
        EXPECT_TRUE(has(v.next, give_the_program)) << v.next;
    }
}

// The program's folder: the module found whatever its letter case, the installed plug-in found
// in Wtyczki and in the program's folder (or given), compared with this build's version and the
// package's SHA256SUMS; with every service there, what is installed decides the next step, and
// the status stays 0 (the plug-in will work there). A missing service decides the verdict over
// whatever is installed.
TEST(CheckHost, TheInstalledPlugInDecidesTheNextStep) {
    const std::string program = scratch("Vordan");
    const std::string plugins = scratch("Vordan/Wtyczki");
    const uint16_t major = CZ_VERSION_MAJOR, minor = CZ_VERSION_MINOR, patch = CZ_VERSION_PATCH;
    const std::vector<uint8_t> same = plugin_module({major, minor, patch, 0});
    const std::vector<uint8_t> newer = plugin_module({uint16_t(major + 1), 0, 0, 0});
    std::vector<uint8_t> rebuilt = same;
    rebuilt.push_back(0); // one byte more: another file of the same version
    const std::string digest = sha256::hex_digest(same.data(), same.size());
    const std::string ours = std::string(CZ_VERSION) + ".0";
    const std::string theirs = std::to_string(major + 1) + ".0.0.0";
    const std::string sums = write(scratch() + "/SHA256SUMS", {});
    std::ofstream(sums) << std::string(64, '0') << "  cenyzak.dll.debug\n"
                        << digest << "  cenyzak.dll\n";
    const std::vector<uint8_t> none;
    const std::string update = "Zaktualizuj wtyczkę (rozdział „Aktualizacja i powrót do "
                               "poprzedniej wersji”).";
    struct Case {
        const char* label;
        std::vector<int32_t> missing;
        std::vector<uint8_t> in_plugins, in_program; // empty: no cenyzak.dll there
        std::string sums;
        int status;
        std::string says, result, next;
    } cases[] = {
        {"nothing installed",
         {},
         none,
         none,
         sums,
         0,
         "Zainstalowana wtyczka: nie znaleziono pliku cenyzak.dll (przed pierwszą instalacją to "
         "normalne). Szukano w: " +
             plugins + " " + program + " ",
         "Program ma wszystkie 21 usług; wtyczki jeszcze tu nie ma.",
         "Zainstaluj wtyczkę (rozdział „Instalacja”)"},
        {"the package's own",
         {},
         same,
         none,
         sums,
         0,
         "ta sama wersja i ten sam plik co w paczce (zgodny z jej SHA256SUMS).",
         "zainstalowana jest już wtyczka z tej paczki (" + ours + ", ten sam plik).",
         "Niczego nie instaluj: ta wtyczka już tu jest."},
        {"the same version, no sums",
         {},
         same,
         none,
         "",
         0,
         "ta sama wersja co w paczce (bez pliku SHA256SUMS paczki porównano tylko wersję).",
         "zainstalowana jest ta sama wersja wtyczki co w paczce (" + ours + "); bez SHA256SUMS",
         "Niczego nie instaluj. Aby porównać też plik, uruchom narzędzie z folderu „narzedzia”"},
        {"the same version, another file",
         {},
         rebuilt,
         none,
         sums,
         0,
         "ta sama wersja co w paczce, ale inny plik (SHA-256 w paczce: " + digest +
             "): plik jest uszkodzony albo pochodzi z innej kompilacji.",
         "ma tę samą wersję (" + ours + "), ale inną sumę SHA-256 niż w paczce.",
         "Zastąp go plikiem cenyzak.dll z paczki, jak przy aktualizacji"},
        {"older",
         {},
         plugin_module({1, 0, 0, 0}),
         none,
         sums,
         0,
         "wersja 1.0.0.0 SHA-256 ",
         "",
         ""},
        {"newer",
         {},
         newer,
         none,
         sums,
         0,
         "wersja nowsza niż w paczce (" + ours +
             "): instalacja tej paczki cofnęłaby wtyczkę do starszej wersji.",
         "zainstalowana jest nowsza wersja wtyczki (" + theirs + ") niż w paczce (" + ours + ").",
         "Nie instaluj tej paczki: cofnęłaby wtyczkę do starszej wersji. Zrób to tylko celowo, "
         "jako powrót do poprzedniej wersji"},
        {"no version",
         {},
         plugin_module({}),
         none,
         sums,
         0,
         "wersja nieznana SHA-256 ",
         "zainstalowany plik wtyczki nie ma informacji o wersji.",
         "Zastąp go plikiem cenyzak.dll z paczki"},
        {"not the plug-in",
         {},
         host_without({}),
         none,
         sums,
         0,
         "to nie jest plik wtyczki cenyzak (nie ma jej wejść 30001, 30008 i 30009).",
         "plik cenyzak.dll, który tu leży, nie jest wtyczką cenyzak.",
         "Sprawdź, skąd się wziął, usuń go i zainstaluj wtyczkę z paczki"},
        {"in the program's folder",
         {},
         none,
         same,
         sums,
         0,
         "Zainstalowana wtyczka: " + program +
             "/cenyzak.dll leży w folderze programu, a nie w jego podfolderze Wtyczki",
         "wtyczka leży w folderze programu, a nie w jego podfolderze Wtyczki.",
         "Przenieś cenyzak.dll z folderu programu do podfolderu Wtyczki i uruchom narzędzie "
         "jeszcze raz."},
        {"two copies",
         {},
         same,
         plugin_module({1, 0, 0, 0}),
         sums,
         0,
         "Zainstalowana wtyczka: " + plugins + "/cenyzak.dll wersja " + ours + " SHA-256 " +
             digest + " ta sama wersja i ten sam plik co w paczce",
         "cenyzak.dll jest w dwóch miejscach: w podfolderze Wtyczki i w folderze programu.",
         "Usuń cenyzak.dll z folderu programu (zostaw tę w podfolderze Wtyczki)"},
        // The services first: with one missing, what is installed no longer decides.
        {"newer, a service missing",
         {52224},
         newer,
         none,
         sums,
         1,
         "wersja nowsza niż w paczce",
         "Brak 1 z 21 usług; wtyczka zadziała, ale tylko po wybraniu",
         "Zaktualizuj program klienta."},
        {"the package's own, a service without a stand-in missing",
         {52029},
         same,
         none,
         sums,
         1,
         "ten sam plik co w paczce",
         "w tym bez zamiennika: 52029; wtyczka nie zostanie załadowana.",
         "Nie instaluj wtyczki: zaktualizuj program klienta"},
    };
    cases[4].says = "wersja 1.0.0.0 SHA-256 " +
                    sha256::hex_digest(cases[4].in_plugins.data(), cases[4].in_plugins.size()) +
                    " wersja starsza niż w paczce (" + ours +
                    "): instalacja tej paczki będzie aktualizacją.";
    cases[4].result =
        "zainstalowana jest starsza wersja wtyczki (1.0.0.0) niż w paczce (" + ours + ").";
    cases[4].next = update;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.label);
        write(program + "/vordan.DLL", host_without(k.missing));
        for (const auto& [dir, bytes] :
             {std::pair(plugins, k.in_plugins), {program, k.in_program}}) {
            std::filesystem::remove(dir + "/cenyzak.dll");
            if (!bytes.empty()) write(dir + "/cenyzak.dll", bytes);
        }
        const check_host::Result r = check(program, "", k.sums);
        EXPECT_EQ(r.status, k.status);
        EXPECT_TRUE(has(r.text, "Moduł programu: " + program + "/vordan.DLL\n")) << r.text;
        EXPECT_TRUE(has(flat(r), k.says)) << r.text;
        const Verdict v = verdict_of(r);
        EXPECT_TRUE(has(v.result, k.result)) << v.result;
        EXPECT_TRUE(has(v.next, k.next)) << v.next;
    }
    // Given by name, in another folder, and the module file given instead of its folder: the
    // named file is the installed plug-in, wherever it lies.
    write(program + "/vordan.DLL", host_without({}));
    const std::string elsewhere = write(scratch("elsewhere") + "/cenyzak.dll", same);
    const check_host::Result r = check(program + "/vordan.DLL", scratch("elsewhere"), sums);
    EXPECT_TRUE(has(r.text, "Zainstalowana wtyczka: " + elsewhere + "\n")) << r.text;
    EXPECT_EQ(verdict_of(r).next, "Niczego nie instaluj: ta wtyczka już tu jest.");
}

// A host module under another name is checked, with a word that the plug-in looks for VORDAN.
TEST(CheckHost, AModuleOfAnotherNameIsCheckedWithANote) {
    const check_host::Result r = check(write(scratch() + "/kopia.dll", host_without({})));
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(has(r.text, "Uwaga: ten plik nazywa się kopia.dll.")) << r.text;
}

// The tool's command line: help, errors, and the package's SHA256SUMS beside its tools folder.
TEST(CheckHost, ThePreflightToolsCommandLine) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* text;
    } cases[] = {
        {{}, 2, "cenyzak-sprawdz: podaj folder programu albo plik VORDAN.dll.\n\n"},
        {{"--pomoc"}, 0, "Użycie:\n"},
        {{"/?"}, 0, "Kod wyjścia:\n  0  wtyczka zadziała w tym programie"},
        {{"--wersja"}, 0, "cenyzak-sprawdz " CZ_VERSION "\n"},
        {{"--json", "x"}, 2, "cenyzak-sprawdz: nieznana opcja „--json”."},
        {{"a", "b", "c"}, 2, "za dużo argumentów"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        const preflight::Outcome o = preflight::run(k.args, "/nonexistent/narzedzia");
        EXPECT_EQ(o.status, k.status);
        EXPECT_TRUE(has(o.text, k.text)) << o.text;
    }

    const std::string package = scratch("paczka"), tools = scratch("paczka/narzedzia");
    const std::vector<uint8_t> plugin = plugin_module(
        {uint16_t(CZ_VERSION_MAJOR), uint16_t(CZ_VERSION_MINOR), uint16_t(CZ_VERSION_PATCH), 0});
    std::ofstream(package + "/SHA256SUMS")
        << sha256::hex_digest(plugin.data(), plugin.size()) << "  cenyzak.dll\n";
    const std::string program = scratch("program");
    write(program + "/VORDAN.dll", host_without({52224}));
    write(program + "/cenyzak.dll", plugin);
    const preflight::Outcome o = preflight::run({program}, tools);
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(has(o.text, "ta sama wersja i ten sam plik co w paczce")) << o.text;

    // --stan, where the setup puts it: the verdict row's key on a line of its own, then the same
    // report with the same status.
    const preflight::Outcome s = preflight::run({"--stan", program}, tools);
    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(s.text, "ignore_each_start\n" + o.text);
}

// The keys a setup reads: one per row, distinct, and plain lower-case words and digits joined by
// '_', so that a program can compare them as bytes.
TEST(CheckHost, EveryVerdictRowHasItsOwnPlainKey) {
    std::set<std::string> seen;
    for (size_t i = 0; i < check_host::kVerdictCount; ++i) {
        const std::string key = check_host::kVerdicts[i].key;
        SCOPED_TRACE(key);
        EXPECT_TRUE(seen.insert(key).second);
        EXPECT_FALSE(key.empty());
        for (char c : key)
            EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_');
    }
}

// The win32 build's own files, when they have been built (skipped until then): VORDAN.dll has all
// 21, a copy with one address slot cleared lacks that one; cenyzak.dll is the plug-in itself, of
// this version.
TEST(CheckHost, TheWin32BuildsModules) {
    const std::string dir = std::string(CZ_SOURCE_DIR) + "/build/win32/";
    std::ifstream vordan(dir + "VORDAN.dll", std::ios::binary);
    std::ifstream plugin(dir + "cenyzak.dll", std::ios::binary);
    if (!vordan || !plugin)
        GTEST_SKIP() << dir << " is not built (cmake --workflow --preset win32)";
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(vordan)),
                               std::istreambuf_iterator<char>());
    EXPECT_EQ(check_bytes(bytes).status, 0);

    const pe::Exports e = pe::read_exports(bytes.data(), bytes.size());
    ASSERT_TRUE(e.ok) << e.error;
    EXPECT_EQ(e.name, "VORDAN.dll");
    ASSERT_TRUE(e.has(52224));
    memset(&bytes[e.table_offset + 4 * (52224 - e.base)], 0, 4);
    const check_host::Result cleared = check_bytes(bytes);
    EXPECT_EQ(cleared.status, 1);
    EXPECT_TRUE(has(cleared.text, "  52224  odczyt i zapis ustawień               BRAK"))
        << cleared.text;

    const std::vector<uint8_t> dll((std::istreambuf_iterator<char>(plugin)),
                                   std::istreambuf_iterator<char>());
    uint16_t version[4] = {};
    ASSERT_TRUE(pe::read_file_version(dll.data(), dll.size(), version));
    EXPECT_EQ(std::to_string(version[0]) + "." + std::to_string(version[1]) + "." +
                  std::to_string(version[2]) + "." + std::to_string(version[3]),
              CZ_VERSION ".0");
    const check_host::Result itself = check_bytes(dll);
    EXPECT_EQ(itself.status, 1);
    EXPECT_TRUE(has(itself.text, "To jest plik samej wtyczki cenyzak")) << itself.text;
}

TEST(CheckHost, Sha256OfKnownMessages) {
    struct Case {
        std::string message;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // 56 bytes: the length no longer fits in the first padding block.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Case& k : cases)
        EXPECT_EQ(sha256::hex_digest(reinterpret_cast<const uint8_t*>(k.message.data()),
                                     k.message.size()),
                  k.digest)
            << k.message.size() << " bytes";
}

} // namespace
