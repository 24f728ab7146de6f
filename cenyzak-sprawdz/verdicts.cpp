#include "cenyzak-sprawdz/verdicts.h"

namespace check_host {

#define CZ_NOT_CHECKED_NEXT                                                                        \
    "podaj folder, w którym zainstalowany jest program (ten, w którym leży VORDAN.dll), albo "  \
    "ścieżkę do samego pliku VORDAN.dll."
#define CZ_UPDATE_THE_PROGRAM                                                                      \
    "zaktualizuj program klienta albo zgłoś ten wynik razem z wersją programu; nie instaluj "   \
    "wtyczki."

const Verdict kVerdicts[] = {
    {State::no_module, "brak modułu", 2, "nie sprawdzono — nie ma tu modułu programu.",
     CZ_NOT_CHECKED_NEXT},
    {State::unreadable, "plik nieczytelny", 2, "nie sprawdzono — nie udało się odczytać pliku.",
     CZ_NOT_CHECKED_NEXT},
    {State::not_a_module, "nie moduł Windows", 2,
     "nie sprawdzono — podany plik to nie moduł programu VORDAN.dll.", CZ_NOT_CHECKED_NEXT},
    {State::not_the_host, "nie moduł programu", 2,
     "nie sprawdzono — podany plik to nie moduł programu VORDAN.dll.", CZ_NOT_CHECKED_NEXT},
    {State::all_services, "wszystkie usługi", 0,
     "program ma wszystkie 21 usług, których potrzebuje wtyczka.",
     "zainstaluj wtyczkę; po starcie programu sprawdź, czy nie pojawia się komunikat „STOP!!!”."},
    {State::load_fails, "brak usługi bez zastępstwa", 1,
     "brak [brak] z 21 usług; wtyczka nie zostanie załadowana, bo [bez zamiennika].",
     CZ_UPDATE_THE_PROGRAM},
    {State::refuses, "brak 52256", 1,
     "brak [brak] z 21 usług; wtyczka nie zadziała: bez opisu tabeli (52256) odmówi pracy.",
     CZ_UPDATE_THE_PROGRAM},
    {State::refuses_silently, "brak 52256 i 52028", 1,
     "brak [brak] z 21 usług; wtyczka nie zadziała: bez opisu tabeli (52256) odmówi pracy, bez "
     "żadnego komunikatu.",
     CZ_UPDATE_THE_PROGRAM},
    {State::no_prices, "brak 52412", 1,
     "brak [brak] z 21 usług; wtyczka załaduje się tylko po „Ignoruj” i nie znajdzie żadnej ceny "
     "zakupu (brak 52412).",
     CZ_UPDATE_THE_PROGRAM},
    {State::ignore_each_start, "brak 52224 lub 52028", 1,
     "brak [brak] z 21 usług; wtyczka zadziała, ale tylko po wybraniu „Ignoruj” przy każdym "
     "starcie "
     "programu.",
     "zaktualizuj program klienta; jeśli klient musi pracować wcześniej, wtyczkę można "
     "zainstalować: uprzedź użytkowników, że przy starcie trzeba wybrać „Ignoruj”."},
};
const size_t kVerdictCount = sizeof kVerdicts / sizeof kVerdicts[0];

State decide(const Findings& f) {
    switch (f.kind) {
    case ModuleKind::no_such_path:
    case ModuleKind::not_in_folder:
        return State::no_module;
    case ModuleKind::unreadable:
        return State::unreadable;
    case ModuleKind::not_a_module:
        return State::not_a_module;
    case ModuleKind::is_64_bit:
    case ModuleKind::plugin_itself:
    case ModuleKind::other_module:
        return State::not_the_host;
    case ModuleKind::host:
        break;
    }
    if (f.missing().empty()) return State::all_services;
    if (!f.without_stand_in().empty()) return State::load_fails;
    if (f.missing(52256)) return f.missing(52028) ? State::refuses_silently : State::refuses;
    if (f.missing(52412)) return State::no_prices;
    return State::ignore_each_start;
}

const Verdict& verdict(State state) {
    for (const Verdict& v : kVerdicts)
        if (v.state == state) return v;
    return kVerdicts[0];
}

} // namespace check_host
