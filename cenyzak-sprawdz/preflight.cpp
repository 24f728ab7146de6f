#include "cenyzak-sprawdz/preflight.h"

#include "cenyzak-sprawdz/check_files.h"
#include "cenyzak-sprawdz/check_host.h"

#include "cenyzak_version.h"

namespace preflight {
namespace {

std::string help() {
    return "cenyzak-sprawdz " CZ_VERSION
           ": sprawdza przed instalacją wtyczki cenyzak, czy program klienta ma\n"
           "wszystkie usługi, których wtyczka potrzebuje, i co zrobi wtyczka bez brakujących.\n"
           "\n"
           "Użycie:\n"
           "  cenyzak-sprawdz.exe FOLDER_PROGRAMU [WTYCZKA]\n"
           "  cenyzak-sprawdz.exe ŚCIEŻKA\\VORDAN.dll [WTYCZKA]\n"
           "  cenyzak-sprawdz.exe --stan FOLDER_PROGRAMU [WTYCZKA]\n"
           "\n"
           "  FOLDER_PROGRAMU  folder, w którym zainstalowany jest program (ten z plikiem\n"
           "                   VORDAN.dll); plik jest tylko odczytywany, nigdy uruchamiany\n"
           "  WTYCZKA          zainstalowana cenyzak.dll albo jej folder; bez tego narzędzie\n"
           "                   szuka jej w podfolderze Wtyczki i w folderze programu\n"
           "  --stan           w pierwszym wierszu, przed raportem, nazwa stanu z tabeli\n"
           "                   werdyktów (np. ignore_each_start), dla instalatora\n"
           "\n"
           "Znalezioną wtyczkę porównuje z paczką: wersję oraz SHA-256 z pliku SHA256SUMS.\n"
           "Można też przeciągnąć folder programu albo plik VORDAN.dll na ikonę narzędzia.\n"
           "\n"
           "Kod wyjścia:\n"
           "  0  wtyczka zadziała w tym programie (CO DALEJ mówi, co jeszcze zrobić z wtyczką)\n"
           "  1  wtyczka nie zadziała z podanym plikiem: brakuje usług, moduł 64-bitowy albo\n"
           "     podany plik nie jest modułem programu\n"
           "  2  niczego nie sprawdzono (nie ma takiego pliku, nie da się go odczytać albo nie\n"
           "     jest modułem Windows) albo błędne wywołanie\n";
}

Outcome usage_error(const std::string& what) {
    return {2, "cenyzak-sprawdz: " + what + "\n\n" + help()};
}

} // namespace

Outcome run(const std::vector<std::string>& args, const std::string& tool_folder) {
    std::vector<std::string> paths;
    bool with_state = false;
    for (const std::string& a : args) {
        if (a == "--stan") {
            with_state = true;
            continue;
        }
        if (a == "/?" || a == "-h" || a == "--help" || a == "--pomoc") return {0, help()};
        if (a == "--wersja" || a == "--version") return {0, "cenyzak-sprawdz " CZ_VERSION "\n"};
        if (!a.empty() && a[0] == '-') return usage_error("nieznana opcja „" + a + "”.");
        paths.push_back(a);
    }
    if (paths.empty()) return usage_error("podaj folder programu albo plik VORDAN.dll.");
    if (paths.size() > 2)
        return usage_error("za dużo argumentów: podaj folder programu (albo plik VORDAN.dll) "
                           "i najwyżej jeszcze zainstalowaną wtyczkę.");

    check_host::Request request;
    request.target = paths[0];
    if (paths.size() == 2) request.plugin = paths[1];
    for (const std::string& folder : {check_files::parent(tool_folder), tool_folder}) {
        if (tool_folder.empty()) break;
        const std::string sums = check_files::find(folder, "SHA256SUMS");
        if (!sums.empty() && check_files::kind(sums) == check_files::Kind::file) {
            request.sums = sums;
            break;
        }
    }
    const check_host::Result result = check_host::run(request);
    return {result.status, with_state ? result.state + "\n" + result.text : result.text};
}

} // namespace preflight
