// The pre-flight check's report in Polish: every word of it, from the findings (findings.h) and
// the verdict table (verdicts.h). Nothing here reads a file or decides what was found.
#include "cenyzak-sprawdz/check_files.h"
#include "cenyzak-sprawdz/check_host.h"
#include "cenyzak-sprawdz/findings.h"
#include "cenyzak-sprawdz/standins.h"
#include "cenyzak-sprawdz/verdicts.h"
#include "host/services.h"

#include "cenyzak_version.h"

#include <cstring>
#include <utility>
#include <vector>

namespace check_host {
namespace {

// The names the guide gives the services (docs/INSTRUKCJA.md, "Usługi programu").
constexpr const char* polish_name(int32_t ordinal) {
    switch (ordinal) {
    case 52028:
        return "wyświetlanie komunikatu";
    case 52029:
        return "wyświetlanie komunikatu z parametrami";
    case 52158:
        return "zamiana kodowania tekstu";
    case 38417:
        return "zarezerwowana (nieużywana)";
    case 52178:
        return "zaokrąglanie do liczby całkowitej";
    case 52179:
        return "zaokrąglanie kwoty";
    case 51594:
        return "wersja interfejsu wtyczek";
    case 52256:
        return "opis tabeli";
    case 52224:
        return "odczyt i zapis ustawień";
    case 52023:
        return "wyświetlanie powiadomienia";
    case 52265:
        return "magazyn do wyszukiwania w k9";
    case 52266:
        return "klucz towaru do wyszukiwania w k9";
    case 52333:
        return "przeliczanie pozycji RW";
    case 52334:
        return "przeliczanie wszystkich pozycji RW";
    case 52335:
        return "przeliczanie dokumentu RW";
    case 51465:
        return "przeliczanie pozycji MR";
    case 51466:
        return "przeliczanie dokumentu MR";
    case 51472:
        return "przeliczanie pozycji MM";
    case 51473:
        return "przeliczanie dokumentu MM";
    case 52289:
        return "przeliczanie ceny według kodu";
    case 52412:
        return "wyszukiwanie towaru w k9";
    default:
        return nullptr;
    }
}
#define CZ_CHECK_NAMED(ord, ret, params, name)                                                     \
    static_assert(polish_name(ord) != nullptr, "service " #ord " has no name in the guide's "      \
                                               "words");
CZ_HOST_SERVICES(CZ_CHECK_NAMED)
#undef CZ_CHECK_NAMED

// The texts say "21" services (here and in the verdict table): a service more or less in the
// list must change them.
#define CZ_COUNT_SERVICE(ord, ret, params, name) +1
static_assert(0 CZ_HOST_SERVICES(CZ_COUNT_SERVICE) == 21, "the texts count 21 services");
#undef CZ_COUNT_SERVICE

// Every line of the report is wrapped to this many characters, the verdict's too: a console window
// is 80 columns wide and cuts a longer line mid-word.
constexpr size_t kWidth = 80;

constexpr const char* kDialog = "okno braku wpisu („POWAŻNY BŁĄD WTYCZKI”)";

size_t columns(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

std::string pad(const std::string& s, size_t width) {
    const size_t n = columns(s);
    return n >= width ? s : s + std::string(width - n, ' ');
}

// Prose wrapped at word boundaries to kWidth characters: the first line after `first`, the others
// after `rest`. A word longer than a line (a path) stands alone on its line, whole.
std::string wrap(const std::string& text, const std::string& first, const std::string& rest) {
    std::string out = first, word;
    size_t at = columns(first);
    bool line_empty = true;
    auto flush = [&] {
        if (word.empty()) return;
        const size_t n = columns(word);
        if (!line_empty && at + 1 + n > kWidth) {
            out += "\n" + rest;
            at = columns(rest);
            line_empty = true;
        }
        if (!line_empty) {
            out += ' ';
            ++at;
        }
        out += word;
        at += n;
        line_empty = false;
        word.clear();
    };
    for (char c : text) {
        if (c == ' ')
            flush();
        else
            word += c;
    }
    flush();
    return out + "\n";
}

std::string para(const std::string& text) {
    return wrap(text, "", "");
}
std::string item(const std::string& text) {
    return wrap(text, "- ", "  ");
}
std::string indented(const std::string& text) {
    return wrap(text, "  ", "  ");
}
// "WYNIK: ..." with its continuation lines under the text, not under the label.
std::string labelled(const std::string& label, const std::string& text) {
    return wrap(text, label + " ", std::string(columns(label) + 1, ' '));
}

std::string join(const std::vector<int32_t>& ordinals) {
    std::string out;
    for (size_t i = 0; i < ordinals.size(); ++i)
        out += (i == 0                     ? ""
                : i + 1 == ordinals.size() ? " i "
                                           : ", ") +
               std::to_string(ordinals[i]);
    return out;
}

bool contains(const std::vector<int32_t>& list, int32_t ordinal) {
    for (int32_t o : list)
        if (o == ordinal) return true;
    return false;
}

std::string version_text(const uint16_t v[4]) {
    return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
           std::to_string(v[3]);
}

// What the reader of a file found, in its own terms: for the supplier, whom a support call
// reaches, not for the integrator, who acts on the sentence above it.
std::string technical(const std::string& detail) {
    return para("Szczegół techniczny (dla dostawcy wtyczki): " + detail + ".");
}

// The module: what the file is, and why it is not the program's module when it is not.
std::string module_part(const Findings& f) {
    const std::string file = "Plik: " + f.module + "\n";
    switch (f.kind) {
    case ModuleKind::no_such_path:
        return "Nie ma takiego pliku ani folderu:\n  " + f.target + "\n";
    case ModuleKind::not_in_folder:
        return "W tym folderze nie ma pliku VORDAN.dll:\n  " + f.target + "\n" +
               (f.above.empty() ? "" : "Jest w folderze nadrzędnym:\n  " + f.above + "\n");
    case ModuleKind::unreadable:
        return "Nie można odczytać pliku (" + f.detail + "):\n  " + f.module + "\n";
    case ModuleKind::not_a_module:
        return file + para("To nie jest moduł Windows (program ani biblioteka programu).") +
               technical(f.detail);
    case ModuleKind::damaged:
        return file + para("Plik jest niekompletny lub uszkodzony.") + technical(f.detail);
    case ModuleKind::is_64_bit:
        return file + para("To moduł 64-bitowy, a wtyczka jest 32-bitowa: działa tylko w "
                           "programie 32-bitowym, z jego 32-bitowym modułem VORDAN.dll.");
    case ModuleKind::other_machine:
        return file +
               para("To moduł dla innego procesora, a wtyczka jest 32-bitowa (x86): działa "
                    "tylko w programie 32-bitowym, z jego 32-bitowym modułem VORDAN.dll.") +
               technical(f.detail);
    case ModuleKind::plugin_itself:
        return file + para("To jest plik samej wtyczki cenyzak (ma jej wejścia 30001, 30008 "
                           "i 30009), a nie moduł programu.");
    case ModuleKind::other_module:
        return file +
               para("Ten plik" + (f.export_name.empty() ? "" : " (moduł " + f.export_name + ")") +
                    " nie ma żadnej z 21 usług, których potrzebuje wtyczka: to nie jest moduł "
                    "programu.");
    case ModuleKind::host:
        break;
    }
    return "Moduł programu: " + f.module + "\n";
}

std::string services_part(const Findings& f) {
    std::string text = "\nUsługi programu potrzebne wtyczce (w kolejności, w jakiej ich szuka):\n";
    for (const Service& s : f.services)
        text += "  " + std::to_string(s.ordinal) + "  " + pad(polish_name(s.ordinal), 38) +
                (s.present    ? "jest"
                 : s.stand_in ? "BRAK (ma zamiennik)"
                              : "BRAK (bez zamiennika)") +
                "\n";
    const std::string file = check_files::base_name(f.module);
    std::string lower;
    for (char c : file)
        lower += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    if (lower != "vordan.dll")
        text += "\n" + para("Uwaga: ten plik nazywa się " + file +
                            ". Wtyczka szuka w programie modułu o nazwie VORDAN.dll; sprawdź, "
                            "czy to na pewno moduł, którego program używa.");
    return text;
}

// Each missing service alone, then all of them together.
std::string missing_part(const Findings& f) {
    const std::vector<int32_t> missing = f.missing(), fatal = f.without_stand_in();
    std::string text = "\nCzego brakuje i co zrobi wtyczka:\n";
    for (int32_t ordinal : missing) {
        const standins::StandIn* s = standins::find(ordinal);
        text += item(std::to_string(ordinal) + " (" + polish_name(ordinal) + ")" +
                     (s ? ", ma zamiennik: po wybraniu „Ignoruj” " + std::string(s->effect) + "."
                        : ", bez zamiennika: bez tej usługi wtyczka nie zostanie załadowana, "
                          "cokolwiek wybierze użytkownik."));
    }

    // All of them together: the dialog comes for the first missing service only; after one
    // Ignore every later one gets its stand-in (or fails the load) without a dialog. The dialog
    // converts its text with the text conversion (52158): when that one is missing too and comes
    // later in the order, its own dialog shows first, from inside the first one, and the first
    // one follows whatever the answer.
    const int32_t first = missing.front();
    std::string all;
    if (first != 52158 && f.missing(52158) && (first == 52028 || first == 52029)) {
        all = "Razem: przy każdym starcie programu najpierw pojawi się " + std::string(kDialog) +
              " z numerem 52158, a zaraz po nim drugie, z numerem " + std::to_string(first) +
              ", nawet po wybraniu „Ignoruj” w pierwszym. Cokolwiek wybierze użytkownik, wtyczka "
              "nie zostanie załadowana, bo usługa 52158 nie ma zamiennika.";
        return text + "\n" + para(all);
    }
    all = "Razem: przy każdym starcie programu pojawi się " + std::string(kDialog) + " z numerem " +
          std::to_string(first) + ". ";
    if (!fatal.empty()) {
        if (contains(fatal, first))
            all += "Cokolwiek wybierze użytkownik, wtyczka nie zostanie załadowana („Ponów” "
                   "pokaże to samo okno jeszcze raz).";
        else
            all += "Po wybraniu „Przerwij” wtyczka nie zostanie załadowana. Po wybraniu "
                   "„Ignoruj” nie pokaże się już żadne okno, ale wtyczka i tak nie zostanie "
                   "załadowana, bo usługa " +
                   std::to_string(fatal.front()) + " nie ma zamiennika.";
        return text + "\n" + para(all);
    }
    all += "Po wybraniu „Przerwij” wtyczka nie zostanie załadowana. Po wybraniu „Ignoruj” ";
    if (missing.size() > 1)
        all += "wszystkie brakujące usługi dostaną zamienniki naraz, bez kolejnych okien, i ";
    const bool no_tables = f.missing(52256), no_messages = f.missing(52028);
    if (no_tables) {
        std::vector<int32_t> moot;
        for (int32_t o : missing)
            if (o != 52256 && o != 52028) moot.push_back(o);
        if (no_messages)
            all += "wtyczka odmówi pracy bez żadnego komunikatu: bez opisu tabeli (52256) nie "
                   "widzi tabel programu, a bez wyświetlania komunikatu (52028) nie pokaże raportu "
                   "rozmiarów. Ctrl+E nie zmieni niczego i nic nie wskaże dlaczego: wygląda to "
                   "tak, jakby wtyczki nie było.";
        else
            all += "wtyczka odmówi pracy: pokaże raport rozmiarów rekordów („STOP!!!”) z „brak” "
                   "przy wszystkich siedmiu tabelach.";
        if (!moot.empty())
            all +=
                " Brak " + join(moot) + " nie ma wtedy znaczenia, bo wtyczka nie podejmie pracy.";
    } else if (f.missing(52412)) {
        all += "wtyczka zostanie załadowana, ale nie znajdzie żadnej ceny zakupu, więc Ctrl+E nie "
               "uzupełni żadnej ceny.";
    } else {
        // What the stand-ins of 52224 and 52028 leave of the plug-in's work.
        std::vector<std::string> but;
        if (f.missing(52224))
            but.push_back("powiadomienie o instalacji pokaże się przy każdym starcie programu");
        if (no_messages)
            but.push_back("gdyby rozmiary rekordów się nie zgadzały, wtyczka odmówiłaby pracy "
                          "bez komunikatu");
        all += "wtyczka będzie działać";
        for (size_t i = 0; i < but.size(); ++i)
            all += (i == 0 ? ", ale " : ", a ") + but[i];
        all += ".";
    }
    if (!no_tables && f.missing(52412) && f.missing(52224))
        all += " Powiadomienie o instalacji pokaże się przy każdym starcie programu.";
    return text + "\n" + para(all);
}

// One installed copy, compared with the package.
std::string copy_part(const Findings& f, const Copy& c) {
    std::string text = "Zainstalowana wtyczka: " + c.path + "\n";
    if (c.where == Where::program_folder)
        text += indented("leży w folderze programu, a nie w jego podfolderze Wtyczki, z którego "
                         "program ładuje wtyczki.");
    const std::string package = version_text(f.package_version);
    const CopyState state = copy_state(f, c);
    switch (state) {
    case CopyState::unreadable:
        return text + indented("nie można odczytać pliku: " + c.why + ".");
    case CopyState::not_a_plugin:
        return text + indented("to nie jest plik wtyczki cenyzak (nie ma jej wejść 30001, 30008 "
                               "i 30009).");
    default:
        break;
    }
    // Two lines: the digest alone fills most of one.
    text += "  wersja " + (c.versioned ? version_text(c.version) : std::string("nieznana")) +
            "\n  SHA-256 " + c.digest + "\n";
    switch (state) {
    case CopyState::unversioned:
        return text + indented("plik nie ma informacji o wersji (w paczce: " + package + ").");
    case CopyState::older:
        return text + indented("wersja starsza niż w paczce (" + package +
                               "): instalacja tej paczki będzie aktualizacją.");
    case CopyState::newer:
        return text + indented("wersja nowsza niż w paczce (" + package +
                               "): instalacja tej paczki cofnęłaby wtyczkę do starszej wersji.");
    case CopyState::same_version:
        return text + indented("ta sama wersja co w paczce (bez pliku SHA256SUMS paczki porównano "
                               "tylko wersję).");
    case CopyState::same_file:
        return text + indented("ta sama wersja i ten sam plik co w paczce (zgodny z jej "
                               "SHA256SUMS).");
    case CopyState::damaged:
        return text + indented("ta sama wersja co w paczce, ale inny plik (SHA-256 w paczce: " +
                               f.package_digest +
                               "): plik jest uszkodzony albo pochodzi z innej kompilacji.");
    default:
        return text;
    }
}

std::string installed_part(const Findings& f) {
    if (f.copies.empty()) {
        std::string text = "\n" + para("Zainstalowana wtyczka: nie znaleziono pliku cenyzak.dll "
                                       "(przed pierwszą instalacją to normalne). Szukano w:");
        for (const std::string& where : f.looked)
            text += "  " + where + "\n";
        return text;
    }
    std::string text;
    if (f.copies.size() > 1)
        text += "\n" + para("Plik cenyzak.dll jest w dwóch miejscach. Program ładuje wtyczki "
                            "z podfolderu Wtyczki; plik z folderu programu trzeba usunąć.");
    for (const Copy& c : f.copies)
        text += "\n" + copy_part(f, c);
    return text;
}

// A verdict text with its placeholders filled from the findings.
std::string fill(std::string text, const Findings& f) {
    const Copy* copy = main_copy(f);
    const std::pair<const char*, std::string> values[] = {
        {"[brak]", std::to_string(f.missing().size())},
        {"[bez zamiennika]", join(f.without_stand_in())},
        {"[wersja]", copy && copy->versioned ? version_text(copy->version) : ""},
        {"[paczka]", version_text(f.package_version)},
    };
    for (const auto& [key, value] : values)
        for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at))
            text.replace(at, strlen(key), value), at += value.size();
    return text;
}

Result report(const Findings& f) {
    std::string text =
        "Sprawdzenie programu przed instalacją wtyczki cenyzak " + std::string(CZ_VERSION) + "\n\n";
    text += module_part(f);
    if (f.kind == ModuleKind::host) {
        text += services_part(f);
        if (!f.missing().empty()) text += missing_part(f);
        text += "\n" + para("Wersji interfejsu wtyczek (wymagana: 112) ani rozmiarów rekordów nie "
                            "da się odczytać z pliku: sprawdza je sama wtyczka przy starcie "
                            "programu (komunikat „STOP!!!”).");
        text += installed_part(f);
    }
    const Verdict& v = verdict(decide(f));
    text += "\n" + labelled("WYNIK:", fill(v.result, f)) + labelled("CO DALEJ:", fill(v.next, f));
    text += "\n" + para("Dostawca wtyczki: " CZ_PUBLISHER ", " CZ_CONTACT ".");
    return {v.status, text, v.key};
}

} // namespace

Result run(const Request& request) {
    return report(find(request));
}

const char* service_name(int32_t ordinal) {
    return polish_name(ordinal);
}

} // namespace check_host
