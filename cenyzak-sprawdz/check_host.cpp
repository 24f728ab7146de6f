#include "cenyzak-sprawdz/check_host.h"

#include "cenyzak-sprawdz/check_files.h"
#include "cenyzak-sprawdz/pe_exports.h"
#include "cenyzak-sprawdz/sha256.h"
#include "cenyzak-sprawdz/standins.h"
#include "host/services.h"

#include "cenyzak_version.h"

#include <cstdio>
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

// The services in binding order, from the one list the plug-in is built from.
constexpr int32_t kServices[] = {
#define CZ_CHECK_ROW(ord, ret, params, name) ord,
    CZ_HOST_SERVICES(CZ_CHECK_ROW)
#undef CZ_CHECK_ROW
};
constexpr int kServiceCount = int(sizeof kServices / sizeof kServices[0]);
const std::string kAll = std::to_string(kServiceCount); // "21", as the texts say it

// The plug-in's own entries: a module exporting these is cenyzak.dll, not the program's module.
constexpr uint32_t kPluginEntries[] = {30001, 30008, 30009};

// A host module is a few MiB at most; anything far larger is not one.
constexpr size_t kMaxModuleBytes = 256u * 1024 * 1024;
constexpr size_t kMaxSumsBytes = 64u * 1024;

constexpr int kWidth = 78; // prose is wrapped to this many characters

constexpr const char* kModuleName = "VORDAN.dll";
constexpr const char* kPluginName = "cenyzak.dll";
constexpr const char* kPluginFolder = "Wtyczki";
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

// The digest that SHA256SUMS gives for cenyzak.dll ("HASH  cenyzak.dll" or "HASH *cenyzak.dll",
// as sha256sum writes it); empty when it gives none.
std::string packaged_digest(const std::string& sums) {
    size_t at = 0;
    while (at < sums.size()) {
        size_t end = sums.find('\n', at);
        if (end == std::string::npos) end = sums.size();
        std::string row = sums.substr(at, end - at);
        at = end + 1;
        if (!row.empty() && row.back() == '\r') row.pop_back();
        if (row.size() < 66 || row[64] != ' ') continue;
        const std::string name = row.substr(66);
        if ((row[65] == ' ' || row[65] == '*') && name == kPluginName) return row.substr(0, 64);
    }
    return "";
}

class Report {
  public:
    explicit Report(const Request& r) : request_(r) {}
    Result run();

  private:
    bool find_module();
    bool read_module();
    void services();
    void explain();
    void installed_plugin();
    Result verdict(int status, const std::string& result, const std::string& next) {
        text_ += "\nWYNIK: " + result + "\nCO DALEJ: " + next + "\n";
        return {status, text_};
    }
    Result not_checked(const std::string& why) {
        return verdict(2, why,
                       "podaj folder, w którym zainstalowany jest program (ten, w którym leży "
                       "VORDAN.dll), albo ścieżkę do samego pliku VORDAN.dll.");
    }

    const Request& request_;
    std::string text_;
    std::string module_;  // the module's path
    std::string folder_;  // the program's folder: where the plug-in is looked for
    std::string problem_; // why no module was found or read, when none was: lines of the report
    std::string unchecked_ = "nie sprawdzono — podany plik to nie moduł programu VORDAN.dll.";
    pe::Exports exports_;
    std::vector<int32_t> missing_, fatal_; // in binding order; fatal: without a stand-in
};

bool Report::find_module() {
    const std::string& target = request_.target;
    switch (check_files::kind(target)) {
    case check_files::Kind::missing:
        problem_ = "Nie ma takiego pliku ani folderu:\n  " + target + "\n";
        unchecked_ = "nie sprawdzono — nie ma tu modułu programu.";
        return false;
    case check_files::Kind::file:
        module_ = target;
        folder_ = check_files::parent(target);
        return true;
    case check_files::Kind::directory:
        break;
    }
    folder_ = target;
    module_ = check_files::find(target, kModuleName);
    if (!module_.empty() && check_files::kind(module_) == check_files::Kind::file) return true;
    problem_ = "W tym folderze nie ma pliku VORDAN.dll:\n  " + target + "\n";
    unchecked_ = "nie sprawdzono — nie ma tu modułu programu.";
    const std::string up = check_files::find(check_files::parent(target), kModuleName);
    if (!up.empty() && check_files::parent(target) != target)
        problem_ += "Jest w folderze nadrzędnym:\n  " + up + "\n";
    return false;
}

bool Report::read_module() {
    std::string bytes, why;
    if (!check_files::read(module_, kMaxModuleBytes, bytes, why)) {
        problem_ = "Nie można odczytać pliku (" + why + "):\n  " + module_ + "\n";
        unchecked_ = "nie sprawdzono — nie udało się odczytać pliku.";
        return false;
    }
    exports_ = pe::read_exports(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (!exports_.ok) {
        text_ += "Plik: " + module_ + "\n";
        problem_ =
            para(exports_.is_64_bit
                     ? "To moduł 64-bitowy, a wtyczka jest 32-bitowa: działa tylko w "
                       "programie 32-bitowym, z jego 32-bitowym modułem VORDAN.dll."
                     : "Ten plik nie jest 32-bitowym modułem Windows: " + exports_.error + ".");
        return false;
    }
    bool plugin = true, any_service = false;
    for (uint32_t entry : kPluginEntries)
        plugin = plugin && exports_.has(entry);
    for (int32_t ordinal : kServices)
        any_service = any_service || exports_.has(uint32_t(ordinal));
    text_ += (any_service ? "Moduł programu: " : "Plik: ") + module_ + "\n";
    if (plugin && !any_service) {
        problem_ = para("To jest plik samej wtyczki cenyzak (ma jej wejścia 30001, 30008 i 30009), "
                        "a nie moduł programu.");
        return false;
    }
    if (!any_service) {
        problem_ =
            para("Ten plik" + (exports_.name.empty() ? "" : " (moduł " + exports_.name + ")") +
                 " nie ma żadnej z " + kAll +
                 " usług, których potrzebuje wtyczka: to nie jest moduł "
                 "programu.");
        return false;
    }
    return true;
}

void Report::services() {
    text_ += "\nUsługi programu potrzebne wtyczce (w kolejności, w jakiej ich szuka):\n";
    for (int32_t ordinal : kServices) {
        std::string row = "  " + std::to_string(ordinal) + "  " + pad(polish_name(ordinal), 38);
        if (exports_.has(uint32_t(ordinal))) {
            row += "jest";
        } else {
            missing_.push_back(ordinal);
            const bool stand_in = standins::find(ordinal) != nullptr;
            if (!stand_in) fatal_.push_back(ordinal);
            row += stand_in ? "BRAK (ma zastępstwo)" : "BRAK (bez zastępstwa)";
        }
        text_ += row + "\n";
    }
    const std::string file = check_files::base_name(module_);
    std::string lower;
    for (char c : file)
        lower += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    if (lower != "vordan.dll")
        text_ += "\n" + para("Uwaga: ten plik nazywa się " + file +
                             ". Wtyczka szuka w programie modułu o nazwie VORDAN.dll; sprawdź, "
                             "czy to na pewno moduł, którego program używa.");
}

void Report::explain() {
    text_ += "\nCzego brakuje i co zrobi wtyczka:\n";
    for (int32_t ordinal : missing_) {
        const standins::StandIn* s = standins::find(ordinal);
        const std::string head =
            std::to_string(ordinal) + " (" + polish_name(ordinal) + ")" +
            (s ? ", ma zastępstwo: po „Ignoruj” " + std::string(s->effect) + "."
               : ", bez zastępstwa: bez tej usługi wtyczka nie zostanie załadowana, cokolwiek "
                 "wybierze użytkownik.");
        text_ += item(head);
    }

    // All of them together: the dialog comes for the first missing service only; after one
    // Ignore every later one gets its stand-in (or fails the load) without a dialog. The dialog
    // converts its text with the text conversion (52158): when that one is missing too and comes
    // later in the order, its own dialog shows first, from inside the first one, and the first
    // one follows whatever the answer.
    const int32_t first = missing_.front();
    std::string all;
    if (first != 52158 && contains(missing_, 52158) && (first == 52028 || first == 52029)) {
        all = "Razem: przy każdym starcie programu najpierw pojawi się " + std::string(kDialog) +
              " z numerem 52158, a zaraz po nim drugie, z numerem " + std::to_string(first) +
              ", nawet po „Ignoruj” w pierwszym. Cokolwiek wybierze użytkownik, wtyczka nie "
              "zostanie załadowana, bo usługa 52158 nie ma zastępstwa.";
        text_ += "\n" + para(all);
        return;
    }
    all = "Razem: przy każdym starcie programu pojawi się " + std::string(kDialog) + " z numerem " +
          std::to_string(first) + ". ";
    if (!fatal_.empty()) {
        if (contains(fatal_, first))
            all += "Cokolwiek wybierze użytkownik, wtyczka nie zostanie załadowana („Ponów” "
                   "pokazuje to samo okno jeszcze raz).";
        else
            all += "Po „Przerwij” wtyczka nie zostanie załadowana. Po „Ignoruj” nie pokaże się "
                   "już żadne okno, ale wtyczka i tak nie zostanie załadowana, bo usługa " +
                   std::to_string(fatal_.front()) + " nie ma zastępstwa.";
        text_ += "\n" + para(all);
        return;
    }
    all += "Po „Przerwij” wtyczka nie zostanie załadowana. Po „Ignoruj” ";
    if (missing_.size() > 1)
        all += "wszystkie brakujące usługi dostaną zastępstwo naraz, bez kolejnych okien, i ";
    const bool no_tables = contains(missing_, 52256), no_messages = contains(missing_, 52028);
    std::vector<int32_t> moot;
    if (no_tables) {
        for (int32_t o : missing_)
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
    } else if (contains(missing_, 52412)) {
        all += "wtyczka zostanie załadowana, ale nie znajdzie żadnej ceny zakupu, więc Ctrl+E nie "
               "uzupełni żadnej ceny.";
    } else {
        // What the stand-ins of 52224 and 52028 leave of the plug-in's work.
        std::vector<std::string> but;
        if (contains(missing_, 52224))
            but.push_back("powiadomienie o instalacji pokaże się przy każdym starcie programu");
        if (no_messages)
            but.push_back("gdyby rozmiary rekordów się nie zgadzały, wtyczka odmówi pracy bez "
                          "komunikatu");
        all += "wtyczka będzie działać";
        for (size_t i = 0; i < but.size(); ++i)
            all += (i == 0 ? ", ale " : ", a ") + but[i];
        all += ".";
    }
    if (!no_tables && contains(missing_, 52412) && contains(missing_, 52224))
        all += " Powiadomienie o instalacji pokaże się przy każdym starcie programu.";
    text_ += "\n" + para(all);
}

void Report::installed_plugin() {
    std::string path;
    std::vector<std::string> looked;
    if (!request_.plugin.empty()) {
        path = request_.plugin;
        if (check_files::kind(path) == check_files::Kind::directory) {
            looked.push_back(path);
            path = check_files::find(path, kPluginName);
        } else if (check_files::kind(path) == check_files::Kind::missing) {
            looked.push_back(path);
            path.clear();
        }
    } else {
        // The plug-in folder first, then the program's own folder.
        const std::string plugins = check_files::find(folder_, kPluginFolder);
        looked.push_back(plugins.empty() ? check_files::join(folder_, kPluginFolder) : plugins);
        looked.push_back(folder_.empty() ? "." : folder_);
        for (const std::string& dir : looked) {
            path = check_files::find(dir, kPluginName);
            if (!path.empty() && check_files::kind(path) == check_files::Kind::file) break;
            path.clear();
        }
    }
    text_ += "\n";
    if (path.empty()) {
        text_ += para("Zainstalowana wtyczka: nie znaleziono pliku cenyzak.dll (przed pierwszą "
                      "instalacją to normalne). Szukano w:");
        for (const std::string& where : looked)
            text_ += "  " + where + "\n";
        return;
    }
    text_ += "Zainstalowana wtyczka: " + path + "\n";
    std::string bytes, why;
    if (!check_files::read(path, kMaxModuleBytes, bytes, why)) {
        text_ += wrap("nie można odczytać pliku: " + why + ".", "  ", "  ");
        return;
    }
    const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
    const pe::Exports e = pe::read_exports(data, bytes.size());
    bool plugin = e.ok;
    for (uint32_t entry : kPluginEntries)
        plugin = plugin && e.has(entry);
    if (!plugin) {
        text_ += wrap("to nie jest plik wtyczki cenyzak (nie ma jej wejść 30001, 30008 i 30009).",
                      "  ", "  ");
        return;
    }
    const std::string digest = sha256::hex_digest(data, bytes.size());
    const uint16_t ours[4] = {CZ_VERSION_MAJOR, CZ_VERSION_MINOR, CZ_VERSION_PATCH, 0};
    uint16_t theirs[4] = {};
    const bool versioned = pe::read_file_version(data, bytes.size(), theirs);
    text_ += "  wersja " + (versioned ? version_text(theirs) : std::string("nieznana")) +
             ", SHA-256 " + digest + "\n";

    std::string sums, packaged;
    if (!request_.sums.empty() && check_files::read(request_.sums, kMaxSumsBytes, sums, why))
        packaged = packaged_digest(sums);
    int order = 0; // of the installed version against the package's
    for (int i = 0; versioned && i < 4 && order == 0; ++i)
        order = theirs[i] < ours[i] ? -1 : theirs[i] > ours[i] ? 1 : 0;
    const std::string package = "w paczce: wersja " + version_text(ours);
    std::string verdict;
    if (!versioned)
        verdict = "plik nie ma informacji o wersji, " + package +
                  ": zainstaluj wtyczkę z paczki od nowa.";
    else if (order < 0)
        verdict = "starsza wersja niż " + package + ": instalacja tej paczki będzie aktualizacją.";
    else if (order > 0)
        verdict = "nowsza wersja niż " + package +
                  ": ta paczka jest starsza niż zainstalowana "
                  "wtyczka.";
    else if (packaged.empty())
        verdict = "ta sama wersja co " + package +
                  " (bez pliku SHA256SUMS paczki porównano tylko wersję).";
    else if (packaged == digest)
        verdict = "ta sama wersja i ten sam plik co w paczce (zgodny z jej SHA256SUMS).";
    else
        verdict = "ta sama wersja co w paczce, ale inny plik (SHA-256 w paczce: " + packaged +
                  "): plik jest uszkodzony albo pochodzi z innej kompilacji; zainstaluj go "
                  "ponownie z paczki.";
    text_ += wrap(verdict, "  ", "  ");
}

Result Report::run() {
    text_ =
        "Sprawdzenie programu przed instalacją wtyczki cenyzak " + std::string(CZ_VERSION) + "\n\n";
    if (!find_module() || !read_module()) {
        text_ += problem_;
        return not_checked(unchecked_);
    }
    services();
    if (!missing_.empty()) explain();
    text_ += "\n" + para("Wersji interfejsu wtyczek (wymagana: 112) ani rozmiarów rekordów nie "
                         "da się odczytać z pliku: sprawdza je sama wtyczka przy starcie programu "
                         "(komunikat „STOP!!!”).");
    installed_plugin();

    const std::string count = std::to_string(missing_.size()) + " z " + kAll;
    if (missing_.empty())
        return verdict(0, "program ma wszystkie " + kAll + " usług, których potrzebuje wtyczka.",
                       "zainstaluj wtyczkę; po starcie programu sprawdź, czy nie pojawia się "
                       "komunikat „STOP!!!”.");
    const std::string update = "zaktualizuj program klienta albo zgłoś ten wynik razem z wersją "
                               "programu; nie instaluj wtyczki.";
    if (!fatal_.empty())
        return verdict(1,
                       "brak " + count + " usług; wtyczka nie zostanie załadowana, bo " +
                           join(fatal_) +
                           (fatal_.size() == 1 ? " nie ma zastępstwa." : " nie mają zastępstwa."),
                       update);
    if (contains(missing_, 52256))
        return verdict(1,
                       "brak " + count +
                           " usług; wtyczka nie zadziała: bez opisu tabeli (52256) "
                           "odmówi pracy" +
                           (contains(missing_, 52028) ? ", bez żadnego komunikatu." : "."),
                       update);
    if (contains(missing_, 52412))
        return verdict(1,
                       "brak " + count +
                           " usług; wtyczka załaduje się tylko po „Ignoruj” i nie "
                           "znajdzie żadnej ceny zakupu (brak 52412).",
                       update);
    return verdict(1,
                   "brak " + count +
                       " usług; wtyczka zadziała, ale tylko po wybraniu „Ignoruj” "
                       "przy każdym starcie programu.",
                   "zaktualizuj program klienta; jeśli klient musi pracować wcześniej, wtyczkę "
                   "można zainstalować: uprzedź użytkowników, że przy starcie trzeba wybrać "
                   "„Ignoruj”.");
}

} // namespace

Result run(const Request& request) {
    return Report(request).run();
}

const char* service_name(int32_t ordinal) {
    return polish_name(ordinal);
}

} // namespace check_host
