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

constexpr int kWidth = 78; // prose is wrapped to this many characters

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

// Prose wrapped at word boundaries: the first line after `first`, the others after `rest`. A word
// longer than a line (a path) stands alone on its line, whole.
std::string wrap(const std::string& text, const std::string& first, const std::string& rest) {
    std::string out = first, word;
    size_t at = columns(first);
    bool line_empty = true;
    auto flush = [&] {
        if (word.empty()) return;
        const size_t n = columns(word);
        if (!line_empty && at + 1 + n > size_t(kWidth)) {
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

// The module: what the file is, and why it is not the program's module when it is not.
std::string module_part(const Findings& f) {
    switch (f.kind) {
    case ModuleKind::no_such_path:
        return "Nie ma takiego pliku ani folderu:\n  " + f.target + "\n";
    case ModuleKind::not_in_folder:
        return "W tym folderze nie ma pliku VORDAN.dll:\n  " + f.target + "\n" +
               (f.above.empty() ? "" : "Jest w folderze nadrzędnym:\n  " + f.above + "\n");
    case ModuleKind::unreadable:
        return "Nie można odczytać pliku (" + f.detail + "):\n  " + f.module + "\n";
    case ModuleKind::not_a_module:
        return "Plik: " + f.module + "\n" +
               para("Ten plik nie jest 32-bitowym modułem Windows: " + f.detail + ".");
    case ModuleKind::is_64_bit:
        return "Plik: " + f.module + "\n" +
               para("To moduł 64-bitowy, a wtyczka jest 32-bitowa: działa tylko w programie "
                    "32-bitowym, z jego 32-bitowym modułem VORDAN.dll.");
    case ModuleKind::plugin_itself:
        return "Plik: " + f.module + "\n" +
               para("To jest plik samej wtyczki cenyzak (ma jej wejścia 30001, 30008 i 30009), a "
                    "nie moduł programu.");
    case ModuleKind::other_module:
        return "Plik: " + f.module + "\n" +
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
                 : s.stand_in ? "BRAK (ma zastępstwo)"
                              : "BRAK (bez zastępstwa)") +
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
                     (s ? ", ma zastępstwo: po „Ignoruj” " + std::string(s->effect) + "."
                        : ", bez zastępstwa: bez tej usługi wtyczka nie zostanie załadowana, "
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
              ", nawet po „Ignoruj” w pierwszym. Cokolwiek wybierze użytkownik, wtyczka nie "
              "zostanie załadowana, bo usługa 52158 nie ma zastępstwa.";
        return text + "\n" + para(all);
    }
    all = "Razem: przy każdym starcie programu pojawi się " + std::string(kDialog) + " z numerem " +
          std::to_string(first) + ". ";
    if (!fatal.empty()) {
        if (contains(fatal, first))
            all += "Cokolwiek wybierze użytkownik, wtyczka nie zostanie załadowana („Ponów” "
                   "pokazuje to samo okno jeszcze raz).";
        else
            all += "Po „Przerwij” wtyczka nie zostanie załadowana. Po „Ignoruj” nie pokaże się "
                   "już żadne okno, ale wtyczka i tak nie zostanie załadowana, bo usługa " +
                   std::to_string(fatal.front()) + " nie ma zastępstwa.";
        return text + "\n" + para(all);
    }
    all += "Po „Przerwij” wtyczka nie zostanie załadowana. Po „Ignoruj” ";
    if (missing.size() > 1)
        all += "wszystkie brakujące usługi dostaną zastępstwo naraz, bez kolejnych okien, i ";
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
            but.push_back("gdyby rozmiary rekordów się nie zgadzały, wtyczka odmówi pracy bez "
                          "komunikatu");
        all += "wtyczka będzie działać";
        for (size_t i = 0; i < but.size(); ++i)
            all += (i == 0 ? ", ale " : ", a ") + but[i];
        all += ".";
    }
    if (!no_tables && f.missing(52412) && f.missing(52224))
        all += " Powiadomienie o instalacji pokaże się przy każdym starcie programu.";
    return text + "\n" + para(all);
}

// The installed plug-in, compared with the package.
std::string copy_part(const Findings& f, const Copy& c) {
    std::string text = "Zainstalowana wtyczka: " + c.path + "\n";
    if (!c.readable) return text + wrap("nie można odczytać pliku: " + c.why + ".", "  ", "  ");
    if (!c.plugin)
        return text + wrap("to nie jest plik wtyczki cenyzak (nie ma jej wejść 30001, 30008 i "
                           "30009).",
                           "  ", "  ");
    text += "  wersja " + (c.versioned ? version_text(c.version) : std::string("nieznana")) +
            ", SHA-256 " + c.digest + "\n";
    const uint16_t* ours = f.package_version;
    int order = 0; // of the installed version against the package's
    for (int i = 0; c.versioned && i < 4 && order == 0; ++i)
        order = c.version[i] < ours[i] ? -1 : c.version[i] > ours[i] ? 1 : 0;
    const std::string package = "w paczce: wersja " + version_text(ours);
    std::string verdict;
    if (!c.versioned)
        verdict = "plik nie ma informacji o wersji, " + package +
                  ": zainstaluj wtyczkę z paczki od nowa.";
    else if (order < 0)
        verdict = "starsza wersja niż " + package + ": instalacja tej paczki będzie aktualizacją.";
    else if (order > 0)
        verdict = "nowsza wersja niż " + package +
                  ": ta paczka jest starsza niż zainstalowana "
                  "wtyczka.";
    else if (f.package_digest.empty())
        verdict = "ta sama wersja co " + package +
                  " (bez pliku SHA256SUMS paczki porównano tylko wersję).";
    else if (f.package_digest == c.digest)
        verdict = "ta sama wersja i ten sam plik co w paczce (zgodny z jej SHA256SUMS).";
    else
        verdict =
            "ta sama wersja co w paczce, ale inny plik (SHA-256 w paczce: " + f.package_digest +
            "): plik jest uszkodzony albo pochodzi z innej kompilacji; zainstaluj go "
            "ponownie z paczki.";
    return text + wrap(verdict, "  ", "  ");
}

std::string installed_part(const Findings& f) {
    if (f.copies.empty()) {
        std::string text = "\n" + para("Zainstalowana wtyczka: nie znaleziono pliku cenyzak.dll "
                                       "(przed pierwszą instalacją to normalne). Szukano w:");
        for (const std::string& where : f.looked)
            text += "  " + where + "\n";
        return text;
    }
    return "\n" + copy_part(f, f.copies.front());
}

// A verdict text with its placeholders filled from the findings.
std::string fill(std::string text, const Findings& f) {
    const std::vector<int32_t> fatal = f.without_stand_in();
    const std::pair<const char*, std::string> values[] = {
        {"[brak]", std::to_string(f.missing().size())},
        {"[bez zamiennika]",
         join(fatal) + (fatal.size() == 1 ? " nie ma zastępstwa" : " nie mają zastępstwa")},
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
    text += "\nWYNIK: " + fill(v.result, f) + "\nCO DALEJ: " + fill(v.next, f) + "\n";
    return {v.status, text};
}
} // namespace

Result run(const Request& request) {
    return report(find(request));
}

const char* service_name(int32_t ordinal) {
    return polish_name(ordinal);
}

} // namespace check_host
