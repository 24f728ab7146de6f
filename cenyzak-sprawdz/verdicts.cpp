#include "cenyzak-sprawdz/verdicts.h"

namespace check_host {

#define CZ_GIVE_THE_PROGRAM                                                                         \
    "Podaj folder, w którym zainstalowany jest program (ten z plikiem VORDAN.dll), albo sam plik " \
    "VORDAN.dll."
#define CZ_UPDATE_THE_PROGRAM                                                                      \
    "Nie instaluj wtyczki: zaktualizuj program klienta albo zgłoś ten wynik dostawcy wtyczki "   \
    "razem z wersją programu."
#define CZ_ONLY_32_BIT                                                                             \
    "Nie instaluj wtyczki w tym programie: działa tylko w 32-bitowym programie (zwykle w "        \
    "folderze Program Files (x86)); jeśli klient ma taki, sprawdź jego folder."
#define CZ_ALL "Program ma wszystkie 21 usług; "
#define CZ_UPDATE_CHAPTER "(rozdział „Aktualizacja i powrót do poprzedniej wersji”)"
#define CZ_READ_ACCESS                                                                             \
    "Sprawdź, czy konto, z którego uruchamiasz narzędzie, może czytać ten plik, i uruchom "   \
    "narzędzie jeszcze raz."

// In the order of State, so that a state's row is found by its number (checked below).
constexpr Verdict kVerdicts[] = {
    {State::no_such_path, "no_such_path", "nie ma takiego pliku ani folderu", 2,
     "Nie sprawdzono: nie ma takiego pliku ani folderu.", CZ_GIVE_THE_PROGRAM},
    {State::not_in_folder, "not_in_folder", "w podanym folderze nie ma VORDAN.dll", 2,
     "Nie sprawdzono: w podanym folderze nie ma pliku VORDAN.dll.", CZ_GIVE_THE_PROGRAM},
    {State::unreadable, "unreadable", "pliku nie da się odczytać", 2,
     "Nie sprawdzono: nie udało się odczytać pliku.", CZ_READ_ACCESS},
    {State::not_a_module, "not_a_module", "plik nie jest modułem Windows", 2,
     "Nie sprawdzono: podany plik nie jest modułem Windows.", CZ_GIVE_THE_PROGRAM},
    {State::damaged, "damaged", "moduł niekompletny lub uszkodzony", 2,
     "Nie sprawdzono: plik jest niekompletny lub uszkodzony.",
     "Sprawdź, czy to właściwy plik; jeśli to VORDAN.dll, którego używa program, program jest "
     "uszkodzony: zainstaluj go ponownie i uruchom narzędzie jeszcze raz."},

    {State::is_64_bit, "is_64_bit", "moduł 64-bitowy", 1,
     "Moduł jest 64-bitowy: 32-bitowa wtyczka nie zadziała w tym programie.", CZ_ONLY_32_BIT},
    {State::other_machine, "other_machine", "moduł dla innego procesora", 1,
     "Moduł jest dla innego procesora niż 32-bitowy x86: wtyczka nie zadziała w tym programie.",
     CZ_ONLY_32_BIT},
    {State::plugin_itself, "plugin_itself", "podany plik to sama wtyczka", 1,
     "Podany plik nie jest modułem programu, tylko samą wtyczką cenyzak.",
     "Podaj folder programu (ten z plikiem VORDAN.dll) albo sam plik VORDAN.dll; zainstalowaną "
     "wtyczkę można podać jako drugi argument."},
    {State::other_module, "other_module", "moduł bez żadnej z 21 usług", 1,
     "Podany plik nie jest modułem programu: nie ma żadnej z 21 usług, których potrzebuje wtyczka.",
     CZ_GIVE_THE_PROGRAM},
    {State::load_fails, "load_fails", "brak usługi bez zamiennika", 1,
     "Brak [brak] z 21 usług, w tym bez zamiennika: [bez zamiennika]; wtyczka nie zostanie "
     "załadowana.",
     CZ_UPDATE_THE_PROGRAM},
    {State::refuses, "refuses", "brak 52256 (i tylko usług z zamiennikiem)", 1,
     "Brak [brak] z 21 usług; bez opisu tabeli (52256) wtyczka odmówi pracy (raport „STOP!!!”).",
     CZ_UPDATE_THE_PROGRAM},
    {State::refuses_silently, "refuses_silently",
     "brak 52256 i 52028 (i tylko usług z zamiennikiem)", 1,
     "Brak [brak] z 21 usług; bez opisu tabeli (52256) wtyczka odmówi pracy, a bez 52028 nie "
     "pokaże żadnego komunikatu.",
     CZ_UPDATE_THE_PROGRAM},
    {State::no_prices, "no_prices", "brak 52412 (i tylko usług z zamiennikiem), 52256 jest", 1,
     "Brak [brak] z 21 usług; wtyczka załaduje się tylko po wybraniu „Ignoruj” i nie znajdzie "
     "żadnej ceny zakupu (brak 52412).",
     CZ_UPDATE_THE_PROGRAM},
    {State::ignore_each_start, "ignore_each_start", "brak tylko 52224 lub 52028", 1,
     "Brak [brak] z 21 usług; wtyczka zadziała, ale tylko po wybraniu „Ignoruj” przy każdym "
     "starcie programu.",
     "Zaktualizuj program klienta. Jeśli klient musi pracować wcześniej, wtyczka może działać i "
     "tak: uprzedź użytkowników, że przy każdym starcie trzeba wybrać „Ignoruj”."},

    {State::none_installed, "none_installed", "wszystkie usługi; wtyczki nie ma", 0,
     CZ_ALL "wtyczki jeszcze tu nie ma.",
     "Zainstaluj wtyczkę (rozdział „Instalacja”) i po starcie programu sprawdź, czy nie pojawia "
     "się komunikat „STOP!!!”."},
    {State::same_file, "same_file", "wszystkie usługi; ten sam plik co w paczce", 0,
     CZ_ALL "zainstalowana jest już wtyczka z tej paczki ([wersja], ten sam plik).",
     "Niczego nie instaluj: ta wtyczka już tu jest."},
    {State::same_version, "same_version", "wszystkie usługi; ta sama wersja, bez SHA256SUMS paczki",
     0,
     CZ_ALL "zainstalowana jest ta sama wersja wtyczki co w paczce ([wersja]); bez SHA256SUMS "
            "paczki nie porównano pliku.",
     "Niczego nie instaluj. Aby porównać też plik, uruchom narzędzie z folderu „narzedzia” "
     "rozpakowanej paczki (obok jej SHA256SUMS)."},
    {State::older, "older", "wszystkie usługi; starsza wersja", 0,
     CZ_ALL "zainstalowana jest starsza wersja wtyczki ([wersja]) niż w paczce ([paczka]).",
     "Zaktualizuj wtyczkę " CZ_UPDATE_CHAPTER "."},
    {State::newer, "newer", "wszystkie usługi; nowsza wersja", 0,
     CZ_ALL "zainstalowana jest nowsza wersja wtyczki ([wersja]) niż w paczce ([paczka]).",
     "Nie instaluj tej paczki: cofnęłaby wtyczkę do starszej wersji. Zrób to tylko celowo, jako "
     "powrót do poprzedniej wersji " CZ_UPDATE_CHAPTER "."},
    {State::damaged_copy, "damaged_copy", "wszystkie usługi; ta sama wersja, inny plik", 0,
     CZ_ALL "zainstalowany plik wtyczki ma tę samą wersję ([wersja]), ale inną sumę SHA-256 niż w "
            "paczce.",
     "Zastąp go plikiem cenyzak.dll z paczki, jak przy aktualizacji " CZ_UPDATE_CHAPTER
     ": zainstalowany plik jest uszkodzony albo pochodzi z innej kompilacji."},
    {State::unversioned, "unversioned", "wszystkie usługi; wtyczka bez informacji o wersji", 0,
     CZ_ALL "zainstalowany plik wtyczki nie ma informacji o wersji.",
     "Zastąp go plikiem cenyzak.dll z paczki, jak przy aktualizacji " CZ_UPDATE_CHAPTER "."},
    {State::not_a_plugin, "not_a_plugin", "wszystkie usługi; cenyzak.dll, który nie jest wtyczką",
     0, CZ_ALL "plik cenyzak.dll, który tu leży, nie jest wtyczką cenyzak.",
     "Sprawdź, skąd się wziął, usuń go i zainstaluj wtyczkę z paczki (rozdział „Instalacja”)."},
    {State::unreadable_copy, "unreadable_copy",
     "wszystkie usługi; zainstalowanej wtyczki nie da się odczytać", 0,
     CZ_ALL "zainstalowanego pliku wtyczki nie udało się odczytać.", CZ_READ_ACCESS},
    {State::in_program_folder, "in_program_folder",
     "wszystkie usługi; wtyczka w folderze programu zamiast w podfolderze Wtyczki", 0,
     CZ_ALL "wtyczka leży w folderze programu, a nie w jego podfolderze Wtyczki.",
     "Przenieś cenyzak.dll z folderu programu do podfolderu Wtyczki i uruchom narzędzie jeszcze "
     "raz."},
    {State::two_copies, "two_copies",
     "wszystkie usługi; wtyczka i w podfolderze Wtyczki, i w folderze programu", 0,
     CZ_ALL "cenyzak.dll jest w dwóch miejscach: w podfolderze Wtyczki i w folderze programu.",
     "Usuń cenyzak.dll z folderu programu (zostaw tę w podfolderze Wtyczki) i uruchom narzędzie "
     "jeszcze raz."},
};
const size_t kVerdictCount = sizeof kVerdicts / sizeof kVerdicts[0];

constexpr bool rows_in_order() {
    for (size_t i = 0; i < sizeof kVerdicts / sizeof kVerdicts[0]; ++i)
        if (size_t(kVerdicts[i].state) != i) return false;
    return true;
}
static_assert(rows_in_order(), "the verdict table has a row for every state, in State's order");
static_assert(sizeof kVerdicts / sizeof kVerdicts[0] == size_t(State::two_copies) + 1,
              "the verdict table has a row for every state");

CopyState copy_state(const Findings& f, const Copy& c) {
    if (!c.readable) return CopyState::unreadable;
    if (!c.plugin) return CopyState::not_a_plugin;
    if (!c.versioned) return CopyState::unversioned;
    for (int i = 0; i < 4; ++i) {
        if (c.version[i] < f.package_version[i]) return CopyState::older;
        if (c.version[i] > f.package_version[i]) return CopyState::newer;
    }
    if (f.package_digest.empty()) return CopyState::same_version;
    return f.package_digest == c.digest ? CopyState::same_file : CopyState::damaged;
}

const Copy* main_copy(const Findings& f) {
    for (const Copy& c : f.copies)
        if (c.where != Where::program_folder) return &c;
    return f.copies.empty() ? nullptr : &f.copies.front();
}

State decide(const Findings& f) {
    switch (f.kind) {
    case ModuleKind::no_such_path:
        return State::no_such_path;
    case ModuleKind::not_in_folder:
        return State::not_in_folder;
    case ModuleKind::unreadable:
        return State::unreadable;
    case ModuleKind::not_a_module:
        return State::not_a_module;
    case ModuleKind::damaged:
        return State::damaged;
    case ModuleKind::is_64_bit:
        return State::is_64_bit;
    case ModuleKind::other_machine:
        return State::other_machine;
    case ModuleKind::plugin_itself:
        return State::plugin_itself;
    case ModuleKind::other_module:
        return State::other_module;
    case ModuleKind::host:
        break;
    }
    // A missing service decides, whatever is installed.
    if (!f.without_stand_in().empty()) return State::load_fails;
    if (f.missing(52256)) return f.missing(52028) ? State::refuses_silently : State::refuses;
    if (f.missing(52412)) return State::no_prices;
    if (!f.missing().empty()) return State::ignore_each_start;

    // Every service there: the installed plug-in decides the next step.
    const Copy* copy = main_copy(f);
    if (copy == nullptr) return State::none_installed;
    if (f.copies.size() > 1) return State::two_copies;
    const CopyState state = copy_state(f, *copy);
    if (copy->where == Where::program_folder && state != CopyState::not_a_plugin &&
        state != CopyState::unreadable)
        return State::in_program_folder;
    switch (state) {
    case CopyState::unreadable:
        return State::unreadable_copy;
    case CopyState::not_a_plugin:
        return State::not_a_plugin;
    case CopyState::unversioned:
        return State::unversioned;
    case CopyState::older:
        return State::older;
    case CopyState::newer:
        return State::newer;
    case CopyState::same_version:
        return State::same_version;
    case CopyState::same_file:
        return State::same_file;
    case CopyState::damaged:
        break;
    }
    return State::damaged_copy;
}

const Verdict& verdict(State state) {
    return kVerdicts[size_t(state)];
}

std::string table_markdown() {
    std::string out = "| stan | kod | WYNIK | CO DALEJ |\n|---|---:|---|---|\n";
    for (const Verdict& v : kVerdicts)
        out += std::string("| ") + v.when + " | " + std::to_string(v.status) + " | " + v.result +
               " | " + v.next + " |\n";
    return out;
}

} // namespace check_host
