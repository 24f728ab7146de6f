// The four host services the plug-in can go on without. When one is missing and the user answers
// Ignore in the missing-entry dialog, the plug-in binds a stand-in routine of the service's own
// type that returns zero; for any other service Ignore cannot help and the load fails. The plug-in
// picks these four by the size of the service's argument list (the last two digits of the
// ordinal); this table states the outcome for the four ordinals it lets through, in the words of
// the integrator's guide (docs/INSTRUKCJA.md), so that the pre-flight check can explain a host
// without ever linking the plug-in's own choice.
#pragma once

#include <cstdint>

namespace standins {

struct StandIn {
    int32_t ordinal;
    const char* effect; // what the plug-in does without the service, after Ignore (Polish)
};

constexpr StandIn kStandIns[] = {
    {52028, "wtyczka działa normalnie; gdyby jednak odmówiła pracy z powodu rozmiarów rekordów, "
            "nie pokazałaby raportu rozmiarów (odmówiłaby bez żadnego komunikatu)"},
    {52224, "wtyczka działa normalnie, ale powiadomienie o instalacji pokazuje się przy każdym "
            "starcie programu (ustawienie Pytaj nie daje się zapisać)"},
    {52256, "wtyczka się ładuje, ale nie widzi żadnej tabeli programu: odmawia pracy i pokazuje "
            "raport rozmiarów rekordów z „brak” przy wszystkich siedmiu tabelach"},
    {52412, "wtyczka się ładuje, ale nigdy nie znajduje ceny zakupu: pozycje RW zostają bez zmian, "
            "pozycje MR bez ceny dostają wartość 0, a pozycje MM są przeliczane po cenie, którą "
            "już mają"},
};

inline const StandIn* find(int32_t ordinal) {
    for (const StandIn& s : kStandIns)
        if (s.ordinal == ordinal) return &s;
    return nullptr;
}

} // namespace standins
