// What the pre-flight tool promises the setup program and the integrator, pinned edge by edge: its
// command line as a program (the Linux build, run as the setup runs the Windows one), the package's
// SHA256SUMS in the forms it is written, the version comparison over all four numbers, the module
// reader at each bound it checks, and every verdict row reached from what is on disk, with the
// guide's row for it.
#include "cenyzak-sprawdz/check_files.h"
#include "cenyzak-sprawdz/pe_exports.h"
#include "cenyzak-sprawdz/sha256.h"
#include "cenyzak-sprawdz/verdicts.h"
#include "modules.h"

#include "cenyzak_version.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace checktest;

const uint16_t kMajor = CZ_VERSION_MAJOR, kMinor = CZ_VERSION_MINOR, kPatch = CZ_VERSION_PATCH;
const std::string kFull = CZ_VERSION_FULL;

std::vector<uint8_t> packaged_plugin() {
    return plugin_module({kMajor, kMinor, kPatch, 0});
}
std::string digest_of(const std::vector<uint8_t>& bytes) {
    return sha256::hex_digest(bytes.data(), bytes.size());
}

// A client's program folder: VORDAN.dll, and cenyzak.dll in Wtyczki and in the folder itself when
// given (empty: none).
std::string program_folder(const std::string& leaf, const std::vector<uint8_t>& module,
                           const std::vector<uint8_t>& in_plugins = {},
                           const std::vector<uint8_t>& in_program = {}) {
    const std::string program = scratch(leaf);
    write(program + "/VORDAN.dll", module);
    if (!in_plugins.empty()) write(scratch(leaf + "/Wtyczki") + "/cenyzak.dll", in_plugins);
    if (!in_program.empty()) write(program + "/cenyzak.dll", in_program);
    return program;
}

// A file whose reading fails although it opens: /proc/self/mem, read from offset 0, which is never
// mapped (the tests run as root, so a file's permissions would not stop a read).
const char* const kUnreadable = "/proc/self/mem";

struct ToolRun {
    int status = -1;
    std::string out;
};
// The program with these arguments, its standard output and exit status, as a setup reads them.
ToolRun run_program(const std::string& program, const std::vector<std::string>& args) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipe_ends[1], 1);
        close(pipe_ends[0]);
        close(pipe_ends[1]);
        std::vector<char*> argv = {const_cast<char*>(program.c_str())};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipe_ends[1]);
    ToolRun r;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipe_ends[0], buffer, sizeof buffer)) > 0)
        r.out.append(buffer, size_t(n));
    close(pipe_ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// The built tool copied into a package's tools folder, as the setup and the integrator have it:
// the package's SHA256SUMS beside the tools folder is the one it reads.
std::string tool_in(const std::string& tools) {
    const std::string tool = tools + "/cenyzak-sprawdz";
    std::filesystem::copy_file(CZ_PREFLIGHT_TOOL, tool,
                               std::filesystem::copy_options::overwrite_existing);
    return tool;
}

// The command line: every status, every form of argument, and --stan's first line.
TEST(PreflightTool, TheCommandLineAsTheSetupReadsIt) {
    const std::vector<uint8_t> plugin = packaged_plugin();
    const std::string package = scratch("paczka");
    const std::string tool = tool_in(scratch("paczka/narzedzia"));
    write_text(package + "/SHA256SUMS", digest_of(plugin) + "  cenyzak.dll\n");
    const std::string program = program_folder("program", host_without({}), plugin);
    const std::string lacking = program_folder("lacking", host_without({52224}));
    const std::string other = write(scratch("other") + "/cenyzak.dll", plugin_module({0, 9, 0, 0}));
    const std::string empty = scratch("empty"), none = scratch() + "/none";
    const std::string help = "Użycie:\n", usage = "\n\ncenyzak-sprawdz " CZ_VERSION ": ";
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* key; // --stan's first line; null: the arguments do not ask for it
        std::string says;
    } cases[] = {
        {{}, 2, nullptr, "cenyzak-sprawdz: podaj folder programu albo plik VORDAN.dll." + usage},
        {{"--stan"}, 2, nullptr, "podaj folder programu albo plik VORDAN.dll." + usage},
        {{"--pomoc"}, 0, nullptr, help},
        {{"--help"}, 0, nullptr, help},
        {{"-h"}, 0, nullptr, help},
        {{"/?"}, 0, nullptr, help},
        {{program, "--pomoc"}, 0, nullptr, help},
        {{"--wersja"}, 0, nullptr, "cenyzak-sprawdz " CZ_VERSION "\n"},
        {{"--version"}, 0, nullptr, "cenyzak-sprawdz " CZ_VERSION "\n"},
        {{"--json", program}, 2, nullptr, "cenyzak-sprawdz: nieznana opcja „--json”." + usage},
        {{"-", program}, 2, nullptr, "nieznana opcja „-”."},
        {{program, other, empty}, 2, nullptr, "cenyzak-sprawdz: za dużo argumentów"},
        {{"--stan", program, other, empty}, 2, nullptr, "za dużo argumentów"},
        // The program's folder, or its module file: checked against the package's SHA256SUMS.
        {{program}, 0, nullptr, "Moduł programu: " + program + "/VORDAN.dll\n"},
        {{"--stan", program}, 0, "same_file", "Zainstalowana wtyczka: " + program + "/Wtyczki/"},
        {{program, "--stan"}, 0, "same_file", "Moduł programu: " + program + "/VORDAN.dll\n"},
        {{"--stan", program + "/VORDAN.dll"}, 0, "same_file", "ten sam plik co w paczce"},
        {{"--stan", lacking}, 1, "ignore_each_start", "52224  odczyt i zapis ustawień"},
        {{"--stan", none}, 2, "no_such_path", "Nie ma takiego pliku ani folderu:\n  " + none},
        {{"--stan", empty}, 2, "not_in_folder", "W tym folderze nie ma pliku VORDAN.dll"},
        {{"--stan", ""}, 2, "no_such_path", "Nie ma takiego pliku ani folderu"},
        // The installed plug-in named: the file, or the folder that holds it; the copy in
        // Wtyczki then goes unread.
        {{"--stan", program, other}, 0, "older", "Zainstalowana wtyczka: " + other + "\n"},
        {{"--stan", program, scratch("other")}, 0, "older", "Zainstalowana wtyczka: " + other},
        {{"--stan", program, empty}, 0, "none_installed", "Szukano w:\n  " + empty + "\n"},
        {{"--stan", program, none}, 0, "none_installed", "Szukano w:\n  " + none + "\n"},
        {{"--stan", lacking, other}, 1, "ignore_each_start", "Zainstalowana wtyczka: " + other},
    };
    for (const Case& k : cases) {
        std::string label;
        for (const std::string& a : k.args)
            label += " '" + a + "'";
        SCOPED_TRACE(label);
        const ToolRun r = run_program(tool, k.args);
        EXPECT_EQ(r.status, k.status) << r.out;
        EXPECT_TRUE(has(unwrap(r.out), unwrap(k.says))) << r.out;
        // --stan's key alone on the first line, then the report; without it, the tool's own
        // words first: the report, the help, the version or what is wrong with the arguments.
        const std::string first = r.out.substr(0, r.out.find('\n') + 1);
        const std::string rest = r.out.substr(first.size());
        if (k.key) {
            EXPECT_EQ(first, std::string(k.key) + "\n");
            EXPECT_EQ(rest.rfind("Sprawdzenie programu przed instalacją wtyczki cenyzak ", 0), 0u)
                << r.out;
        } else {
            EXPECT_TRUE(first.rfind("cenyzak-sprawdz", 0) == 0 ||
                        first.rfind("Sprawdzenie programu", 0) == 0)
                << first;
        }
    }
    // The help names every argument form and every status the setup acts on.
    const std::string text = run_program(tool, {"--pomoc"}).out;
    for (const char* part : {"FOLDER_PROGRAMU [WTYCZKA]", "VORDAN.dll [WTYCZKA]", "--stan",
                             "\n  0  ", "\n  1  ", "\n  2  "})
        EXPECT_TRUE(has(text, part)) << part;
}

// The package's SHA256SUMS beside the tools folder, or in the tools folder itself; the package's
// root first, and only a file of that name (any letter case) counts.
TEST(PreflightTool, FindsThePackagesSums) {
    const std::vector<uint8_t> plugin = packaged_plugin();
    const std::string right = digest_of(plugin) + "  cenyzak.dll\n";
    const std::string wrong = std::string(64, 'e') + "  cenyzak.dll\n";
    const std::string program = program_folder("program", host_without({}), plugin);
    struct Case {
        const char* label;
        const char* in_root; // SHA256SUMS's content there; null: none
        const char* in_tools;
        const char* root_name;
        const char* key;
    } cases[] = {
        {"in the package's root", right.c_str(), nullptr, "SHA256SUMS", "same_file"},
        {"in the tools folder", nullptr, right.c_str(), "SHA256SUMS", "same_file"},
        {"in both: the root's", wrong.c_str(), right.c_str(), "SHA256SUMS", "damaged_copy"},
        {"another letter case", right.c_str(), nullptr, "sha256sums", "same_file"},
        {"none", nullptr, nullptr, "SHA256SUMS", "same_version"},
        {"a folder of that name", nullptr, right.c_str(), "SHA256SUMS/", "same_file"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.label);
        const std::string package = scratch(k.label);
        const std::string tools = scratch(std::string(k.label) + "/narzedzia");
        const std::string tool = tool_in(tools);
        const std::string root_file = package + "/" + k.root_name;
        if (root_file.back() == '/') std::filesystem::create_directories(root_file);
        if (k.in_root) write_text(root_file, std::string(k.in_root));
        if (k.in_tools) write_text(tools + "/SHA256SUMS", std::string(k.in_tools));
        const ToolRun r = run_program(tool, {"--stan", program});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')), k.key) << r.out;
    }
}

// SHA256SUMS as sha256sum, other tools and editors leave it: the line for cenyzak.dll read in
// every form, or, where there is none or the file cannot be read, the version compared alone.
TEST(PackageSums, TheFormsTheWorldWrites) {
    const std::vector<uint8_t> plugin = packaged_plugin();
    const std::string hex = digest_of(plugin);
    std::string upper = hex;
    for (char& c : upper)
        c = char(toupper(c));
    const std::string other = std::string(64, '0');
    const std::string program = program_folder("program", host_without({}), plugin);
    const std::string sums = scratch() + "/SHA256SUMS";
    // Other files' lines up to the given size in all.
    auto padded = [&](std::string text, size_t size) {
        const std::string line = other + "  narzedzia/cenyzak-sprawdz.exe\n";
        while (text.size() + line.size() < size)
            text += line;
        return text + std::string(size - text.size() - 1, '#') + "\n";
    };
    struct Case {
        const char* label;
        std::string text;
        const char* key;
    } cases[] = {
        {"text mode", hex + "  cenyzak.dll\n", "same_file"},
        {"binary mode", hex + " *cenyzak.dll\n", "same_file"},
        {"CRLF", other + "  CHANGELOG.txt\r\n" + hex + "  cenyzak.dll\r\n", "same_file"},
        {"a UTF-8 BOM", "\xEF\xBB\xBF" + hex + "  cenyzak.dll\r\n", "same_file"},
        {"upper-case hex", upper + " *cenyzak.dll\n", "same_file"},
        {"no line end at the end", other + "  INSTRUKCJA.html\n" + hex + "  cenyzak.dll",
         "same_file"},
        {"other files around it",
         other + "  cenyzak.dll.debug\n" + other + " *narzedzia/cenyzak.dll\n" + hex +
             "  cenyzak.dll\n" + other + "  cenyzak.dll.txt\n",
         "same_file"},
        {"another digest", other + "  cenyzak.dll\n", "damaged_copy"},
        {"the largest read", padded(hex + "  cenyzak.dll\n", 64 * 1024), "same_file"},
        {"only other files", other + "  cenyzak.dll.debug\n" + hex + "  CHANGELOG.txt\n",
         "same_version"},
        {"not hex", std::string(64, 'g') + "  cenyzak.dll\n", "same_version"},
        {"empty", "", "same_version"},
        {"too large to read", padded(hex + "  cenyzak.dll\n", 64 * 1024 + 1), "same_version"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.label);
        write_text(sums, k.text);
        const check_host::Result r = check(program, "", sums);
        EXPECT_EQ(r.state, k.key) << r.text;
        EXPECT_EQ(r.status, 0);
    }
    // The file missing, or a folder where it should be: the version alone.
    for (const std::string& path :
         {scratch() + "/missing", scratch("SUMS"), std::string(kUnreadable)}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(check(program, "", path).state, "same_version");
    }
}

// The installed copy's version against the package's, number by number, both ways; the version
// resource read into the four numbers in their order, and the package's own version from the build.
TEST(Versions, AllFourNumbersBothWays) {
    check_host::Findings f;
    const uint16_t package[4] = {2, 5, 7, 3};
    std::copy(package, package + 4, f.package_version);
    check_host::Copy c;
    c.readable = c.plugin = c.versioned = true;
    using CS = check_host::CopyState;
    struct Case {
        uint16_t version[4];
        CS state;
    } cases[] = {
        {{2, 5, 7, 3}, CS::same_version}, {{2, 5, 7, 4}, CS::newer},     {{2, 5, 7, 2}, CS::older},
        {{2, 5, 8, 0}, CS::newer},        {{2, 5, 6, 9}, CS::older},     {{2, 6, 0, 0}, CS::newer},
        {{2, 4, 9, 9}, CS::older},        {{3, 0, 0, 0}, CS::newer},     {{1, 9, 9, 9}, CS::older},
        {{2, 5, 3, 7}, CS::older},        {{2, 5, 65535, 0}, CS::newer},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.version[0]) + "." + std::to_string(k.version[1]) + "." +
                     std::to_string(k.version[2]) + "." + std::to_string(k.version[3]));
        std::copy(k.version, k.version + 4, c.version);
        EXPECT_EQ(int(check_host::copy_state(f, c)), int(k.state));
    }

    // The reader: each number in its place, all 16 bits of it.
    for (const std::vector<uint16_t>& v : std::vector<std::vector<uint16_t>>{
             {1, 2, 3, 4}, {4, 3, 2, 1}, {65535, 0, 65535, 1}, {0, 65535, 1, 65535}}) {
        const std::vector<uint8_t> bytes = plugin_module(v);
        uint16_t read[4] = {};
        ASSERT_TRUE(pe::read_file_version(bytes.data(), bytes.size(), read));
        EXPECT_EQ(std::vector<uint16_t>(read, read + 4), v);
    }

    // The package's version is this build's, with its patch number (a patch number taken as 0
    // shows in a build of another patch number: cmake -DCZ_TEST_VERSION=1.2.3); the report says
    // both.
    const check_host::Findings found =
        check_host::find({program_folder("p", host_without({})), "", ""});
    EXPECT_EQ(std::vector<uint16_t>(found.package_version, found.package_version + 4),
              (std::vector<uint16_t>{kMajor, kMinor, kPatch, 0}));
    const std::string program = program_folder("q", host_without({}), plugin_module({0, 1, 2, 3}));
    const check_host::Result r = check(program);
    EXPECT_EQ(r.state, "older");
    const std::string verdict = flat(r).substr(flat(r).rfind("WYNIK: "));
    EXPECT_TRUE(has(verdict, "(0.1.2.3)") && has(verdict, "(" + kFull + ")")) << r.text;
    EXPECT_TRUE(has(r.text, "wersja 0.1.2.3\n")) << r.text;
}

// The module reader at each bound it checks, just inside and just outside.
TEST(PeReader, EveryBoundJustInsideAndJustOutside) {
    ModuleShape small;
    small.ordinals = {1, 2, 3};
    Layout at;
    const std::vector<uint8_t> base = make_module(small, &at);
    auto cut = [](std::vector<uint8_t> b, size_t size) {
        b.resize(size);
        return b;
    };
    auto shaped = [](auto change) {
        ModuleShape s;
        s.ordinals = {1, 2, 3};
        s.version = {1, 2, 3, 4};
        change(s);
        return make_module(s);
    };
    auto with_ordinals = [](std::vector<int32_t> ordinals, uint32_t base, uint32_t count) {
        ModuleShape s;
        s.ordinals = std::move(ordinals);
        Layout l;
        std::vector<uint8_t> b = make_module(s, &l);
        put32(b, l.data + 16, base);
        put32(b, l.data + 20, count);
        return b;
    };
    const std::string name64(64, 'n');
    const std::vector<uint16_t> v1234 = {1, 2, 3, 4}, none;
    struct Case {
        const char* label;
        std::vector<uint8_t> bytes;
        bool ok;
        uint32_t ordinal; // one the module exports, when ok
        std::string name;
        std::vector<uint16_t> version;
        const char* error = nullptr; // when not ok: the reader's detail, in part
    } cases[] = {
        // A read ending exactly at the end of the file: the address table's last slot.
        {"the table ends the file", cut(base, at.table + 12), true, 3, "", none},
        {"the table one byte past", cut(base, at.table + 11), false, 0, "", none,
         "tabela adresów eksportów"},
        {"the name's zero ends the file", cut(base, at.table + 12 + 11), true, 3, "VORDAN.dll",
         none},
        {"the name without its zero", cut(base, at.table + 12 + 10), true, 3, "", none},
        {"the DOS header's last field", cut(base, 0x40), false, 0, "", none, "brak nagłówka PE"},
        {"the DOS header cut", cut(base, 0x3F), false, 0, "", none, "za krótki (63 B)"},
        {"a PE32+ optional header",
         [&] {
             std::vector<uint8_t> b = base;
             put16(b, 0x58, 0x20B);
             return b;
         }(),
         false, 0, "", none, "to nie jest obraz PE32"},
        {"96 sections", shaped([](ModuleShape& s) { s.sections = 96; }), true, 2, "VORDAN.dll",
         v1234},
        {"97 sections", shaped([](ModuleShape& s) { s.sections = 97; }), false, 0, "", none,
         "97 sekcji"},
        // The data directories: the export directory (0) and the resources (2) each ending
        // exactly at the optional header's end, and one byte short of it.
        {"export directory at the header's end", shaped([](ModuleShape& s) {
             s.optional_size = 104;
             s.version.clear();
         }),
         true, 1, "VORDAN.dll", none},
        {"export directory past the header's end", shaped([](ModuleShape& s) {
             s.optional_size = 103;
             s.version.clear();
         }),
         false, 0, "", none, "nie ma katalogów danych"},
        {"resources at the header's end", shaped([](ModuleShape& s) { s.optional_size = 120; }),
         true, 1, "VORDAN.dll", v1234},
        {"resources past the header's end", shaped([](ModuleShape& s) { s.optional_size = 119; }),
         true, 1, "VORDAN.dll", none},
        {"three directories", shaped([](ModuleShape& s) { s.directories = 3; }), true, 1,
         "VORDAN.dll", v1234},
        {"two directories", shaped([](ModuleShape& s) { s.directories = 2; }), true, 1,
         "VORDAN.dll", none},
        {"one directory", shaped([](ModuleShape& s) { s.directories = 1; }), true, 1, "VORDAN.dll",
         none},
        {"no directory", shaped([](ModuleShape& s) { s.directories = 0; }), false, 0, "", none,
         "nie ma katalogów danych"},
        // The last ordinal, 65535.
        {"ordinal 65535", with_ordinals({65535}, 65535, 1), true, 65535, "VORDAN.dll", none},
        {"the last two ordinals", with_ordinals({65534, 65535}, 65534, 2), true, 65535,
         "VORDAN.dll", none},
        {"past 65535 by the base", with_ordinals({65535}, 65536, 1), false, 0, "", none,
         "numery kończą się na 65535"},
        {"past 65535 by the count", with_ordinals({65534, 65535}, 65534, 3), false, 0, "", none,
         "numery kończą się na 65535"},
        {"every ordinal", with_ordinals({0, 65535}, 0, 65536), true, 65535, "VORDAN.dll", none},
        {"one more than every ordinal", with_ordinals({0, 65535}, 0, 65537), false, 0, "", none,
         "numery kończą się na 65535"},
        // The module's name: 64 characters kept, 65 not.
        {"a 64-character name", shaped([&](ModuleShape& s) { s.name = name64; }), true, 1, name64,
         v1234},
        {"a 65-character name", shaped([&](ModuleShape& s) { s.name = name64 + "n"; }), true, 1, "",
         v1234},
        {"a name with a control character", shaped([](ModuleShape& s) { s.name = "VORDAN\t.dll"; }),
         true, 1, "", v1234},
        // Named entries in the resource tree: a named type before RT_VERSION, the version under
        // a name.
        {"named resources", shaped([](ModuleShape& s) { s.named_resources = true; }), true, 1,
         "VORDAN.dll", v1234},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.label);
        const pe::Exports e = pe::read_exports(k.bytes.data(), k.bytes.size());
        EXPECT_EQ(e.ok, k.ok) << e.error;
        if (!k.ok) {
            EXPECT_NE(e.fault, pe::Fault::none);
            EXPECT_TRUE(k.error && has(e.error, k.error)) << e.error;
            continue;
        }
        EXPECT_TRUE(e.has(k.ordinal));
        EXPECT_EQ(e.name, k.name);
        uint16_t version[4] = {};
        EXPECT_EQ(pe::read_file_version(k.bytes.data(), k.bytes.size(), version),
                  !k.version.empty());
        if (!k.version.empty()) {
            EXPECT_EQ(std::vector<uint16_t>(version, version + 4), k.version);
        }
    }
}

// Files read up to a limit, one byte more refused; the host module's limit is 256 MiB.
TEST(PeReader, FilesUpToTheSizeLimit) {
    const std::string path = scratch() + "/file";
    for (size_t limit : {size_t(1000), size_t(65536), size_t(65537)}) {
        for (size_t size : {limit - 1, limit, limit + 1}) {
            SCOPED_TRACE(std::to_string(size) + " bytes, limit " + std::to_string(limit));
            write(path, std::vector<uint8_t>(size, 7));
            std::string out, why;
            EXPECT_EQ(check_files::read(path, limit, out, why), size <= limit);
            EXPECT_EQ(why.empty(), size <= limit) << why;
            if (size <= limit) {
                EXPECT_EQ(out.size(), size);
            }
        }
    }
    // A module padded with zeros to the limit, and one byte more (sparse files: nothing written).
    const size_t limit = 256u * 1024 * 1024;
    for (size_t size : {limit, limit + 1}) {
        SCOPED_TRACE(size);
        const std::string module = scratch() + "/VORDAN.dll";
        write(module, host_without({}));
        ASSERT_EQ(truncate(module.c_str(), off_t(size)), 0);
        const check_host::Result r = check(module);
        EXPECT_EQ(r.state, size == limit ? "none_installed" : "unreadable");
        if (size > limit) {
            EXPECT_TRUE(has(r.text, "(plik ma ponad 256 MiB)")) << r.text;
        }
    }
}

// The guide's verdict table (docs/INSTRUKCJA.md), row by row, keyed by its WYNIK.
struct GuideRow {
    std::string when, status, next;
};
std::map<std::string, GuideRow> guide_rows() {
    std::ifstream in(std::string(CZ_SOURCE_DIR) + "/docs/INSTRUKCJA.md");
    std::map<std::string, GuideRow> rows;
    std::string line;
    bool in_table = false;
    while (std::getline(in, line)) {
        if (line == "| stan | kod | WYNIK | CO DALEJ |") {
            in_table = true;
            continue;
        }
        if (!in_table || line.rfind("|---", 0) == 0) continue;
        if (line.rfind("| ", 0) != 0) break;
        std::vector<std::string> cells;
        for (size_t at = 2, end; (end = line.find(" | ", at)) != std::string::npos; at = end + 3)
            cells.push_back(line.substr(at, end - at));
        const size_t last = line.rfind(" | ");
        if (cells.size() == 3 && line.size() > last + 5)
            rows[cells[2]] = {cells[0], cells[1], line.substr(last + 3, line.size() - last - 5)};
    }
    return rows;
}

// Every verdict row reached from what lies on disk: the state, its status, the report's WYNIK and
// CO DALEJ as the row gives them (placeholders filled), and the row as the guide shows it.
TEST(VerdictRows, EveryStateIsReachedAndGivesItsRow) {
    const std::map<std::string, GuideRow> guide = guide_rows();
    ASSERT_EQ(guide.size(), check_host::kVerdictCount);
    const std::vector<uint8_t> host = host_without({}), plugin = packaged_plugin();
    std::vector<uint8_t> rebuilt = plugin;
    rebuilt.push_back(0);
    const std::string sums =
        write_text(scratch() + "/SHA256SUMS", digest_of(plugin) + "  cenyzak.dll\n");
    ModuleShape wide, arm, other;
    wide.ordinals = arm.ordinals = service_ordinals();
    wide.machine = 0x8664;
    arm.machine = 0x1C4;
    other.ordinals = {1, 2, 3};
    const std::string newer = std::to_string(kMajor + 1) + ".0.0.0";
    struct Case {
        const char* key;
        int status;
        std::string target, plugin = "";
        std::string count = "", fatal = "", version = ""; // [brak], [bez zamiennika], [wersja]
    } cases[] = {
        {"no_such_path", 2, scratch() + "/nic"},
        {"not_in_folder", 2, scratch("empty")},
        {"unreadable", 2, kUnreadable},
        {"not_a_module", 2, write_text(scratch() + "/text.dll", std::string(100, 'x'))},
        {"damaged", 2,
         write(scratch() + "/cut.dll", std::vector<uint8_t>(host.begin(), host.begin() + 0x50))},
        {"is_64_bit", 1, write(scratch() + "/wide.dll", make_module(wide))},
        {"other_machine", 1, write(scratch() + "/arm.dll", make_module(arm))},
        {"plugin_itself", 1, write(scratch() + "/cenyzak.dll", plugin)},
        {"other_module", 1, write(scratch() + "/other.dll", make_module(other))},
        {"load_fails", 1, program_folder("load", host_without({52029, 52158, 52224}), plugin), "",
         "3", "52029 i 52158"},
        {"load_fails", 1, program_folder("load3", host_without({52029, 52158, 52179})), "", "3",
         "52029, 52158 i 52179"},
        {"refuses", 1, program_folder("refuses", host_without({52256, 52224})), "", "2"},
        {"refuses_silently", 1, program_folder("silent", host_without({52256, 52028})), "", "2"},
        {"no_prices", 1, program_folder("prices", host_without({52412})), "", "1"},
        {"ignore_each_start", 1, program_folder("ignore", host_without({52224, 52028}), plugin), "",
         "2"},
        {"none_installed", 0, program_folder("none", host)},
        {"same_file", 0, program_folder("same", host, plugin), "", "", "", kFull},
        {"same_version", 0, program_folder("version", host, plugin), "", "", "", kFull},
        {"older", 0, program_folder("older", host, plugin_module({0, 0, 0, 1})), "", "", "",
         "0.0.0.1"},
        {"newer", 0, program_folder("newer", host, plugin_module({uint16_t(kMajor + 1), 0, 0, 0})),
         "", "", "", newer},
        {"damaged_copy", 0, program_folder("rebuilt", host, rebuilt), "", "", "", kFull},
        {"unversioned", 0, program_folder("unversioned", host, plugin_module({}))},
        {"not_a_plugin", 0, program_folder("foreign", host, host)},
        // A foreign or unreadable cenyzak.dll in the program's folder goes, it is not moved.
        {"not_a_plugin", 0, program_folder("foreign-in-program", host, {}, host)},
        {"unreadable_copy", 0, program_folder("unreadable-named", host), kUnreadable},
        {"unreadable_copy", 0, program_folder("unreadable-in-program", host)},
        {"in_program_folder", 0, program_folder("in-program", host, {}, plugin), "", "", "", kFull},
        {"two_copies", 0, program_folder("two", host, plugin, plugin_module({0, 0, 0, 1}))},
        // The plug-in folder and the plug-in in any letter case, as Windows finds them.
        {"same_file", 0,
         [&] {
             const std::string program = program_folder("letter-case", host);
             write(scratch("letter-case/WTYCZKI") + "/Cenyzak.DLL", plugin);
             return program;
         }(),
         "", "", "", kFull},
    };
    std::filesystem::create_symlink(kUnreadable, scratch("unreadable-in-program") + "/cenyzak.dll");
    std::set<std::string> reached;
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.key) + " " + k.target);
        const check_host::Result r =
            check(k.target, k.plugin, std::string(k.key) == "same_version" ? "" : sums);
        reached.insert(r.state);
        EXPECT_EQ(r.state, k.key) << r.text;
        EXPECT_EQ(r.status, k.status);
        const check_host::Verdict* v = nullptr;
        for (size_t i = 0; i < check_host::kVerdictCount; ++i)
            if (r.state == check_host::kVerdicts[i].key) v = &check_host::kVerdicts[i];
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->status, k.status);
        EXPECT_EQ(&check_host::verdict(v->state), v);
        auto fill = [&](std::string text) {
            const std::pair<std::string, std::string> values[] = {{"[brak]", k.count},
                                                                  {"[bez zamiennika]", k.fatal},
                                                                  {"[wersja]", k.version},
                                                                  {"[paczka]", kFull}};
            for (const auto& [key, value] : values)
                for (size_t at; (at = text.find(key)) != std::string::npos;)
                    text.replace(at, key.size(), value);
            return text;
        };
        const std::string report = flat(r);
        EXPECT_TRUE(has(report, " WYNIK: " + fill(v->result) + " CO DALEJ: " + fill(v->next) +
                                    "  Dostawca wtyczki: "))
            << r.text;
        const auto row = guide.find(v->result);
        ASSERT_NE(row, guide.end()) << "the guide has no row with WYNIK: " << v->result;
        EXPECT_EQ(row->second.when, v->when);
        EXPECT_EQ(row->second.status, std::to_string(v->status));
        EXPECT_EQ(row->second.next, v->next);
    }
    for (size_t i = 0; i < check_host::kVerdictCount; ++i)
        EXPECT_EQ(reached.count(check_host::kVerdicts[i].key), 1u) << check_host::kVerdicts[i].key;
}

// The report's paragraphs, in their order, for each kind of report: none left out.
TEST(Report, EveryParagraphInItsPlace) {
    const std::vector<uint8_t> plugin = packaged_plugin();
    const char* title = "Sprawdzenie programu przed instalacją wtyczki cenyzak " CZ_VERSION "\n\n";
    const char* services = "\n\nUsługi programu potrzebne wtyczce";
    const char* missing = "\n\nCzego brakuje i co zrobi wtyczka:";
    const char* together = "\n\nRazem: ";
    const char* checks = "\n\nWersji interfejsu wtyczek (wymagana: 112)";
    const char* installed = "\n\nZainstalowana wtyczka: ";
    const char* verdict = "\n\nWYNIK: ";
    const char* next = "\nCO DALEJ: ";
    const char* supplier = "\n\nDostawca wtyczki: ";
    struct Case {
        const char* label;
        std::string target;
        std::vector<std::string> parts, absent;
    } cases[] = {
        {"every service",
         program_folder("all", host_without({}), plugin),
         {title, "Moduł programu: ", services, checks, installed, verdict, next, supplier},
         {missing, together, "\nPlik: "}},
        {"services missing",
         program_folder("missing", host_without({52224, 52412}), plugin),
         {title, "Moduł programu: ", services, missing, "\n- 52224 ", "\n- 52412 ", together,
          checks, installed, verdict, next, supplier},
         {}},
        {"two copies",
         program_folder("two", host_without({}), plugin, plugin),
         {title, services, checks, "\n\nPlik cenyzak.dll jest w dwóch miejscach.", installed,
          "/Wtyczki/cenyzak.dll\n", installed, "leży w folderze programu", verdict, next, supplier},
         {}},
        {"the module's name in another letter case",
         write(scratch("lower") + "/vordan.DLL", host_without({})),
         {title, "Moduł programu: ", services, checks, verdict, next, supplier},
         {"Uwaga"}},
        {"not a module",
         write_text(scratch() + "/VORDAN.dll", std::string(100, 'x')),
         {title, "Plik: ", "To nie jest moduł Windows", verdict, next, supplier},
         {services, checks, installed}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.label);
        const check_host::Result r = check(k.target);
        size_t at = 0;
        for (const std::string& part : k.parts) {
            const size_t found = r.text.find(part, at);
            EXPECT_NE(found, std::string::npos) << "missing or out of order: " << part << "\n"
                                                << r.text;
            if (found != std::string::npos) at = found + part.size();
        }
        const std::string last = " Dostawca wtyczki: " CZ_PUBLISHER ", " CZ_CONTACT ". ";
        EXPECT_EQ(flat(r).rfind(last), flat(r).size() - last.size()) << r.text;
        for (const std::string& part : k.absent)
            EXPECT_FALSE(has(r.text, part)) << part;
    }
}

// The missing-entry dialog shows its text through the text conversion (52158): with that one
// missing too, its own dialog comes first, from inside the dialog of whichever of the two message
// services comes first; with neither message service missing, one dialog only, for the first
// missing service in binding order (not in numeric order).
TEST(Report, TheInnerDialogForBothMessageServices) {
    struct Case {
        std::vector<int32_t> missing;
        int32_t first;
        bool inner;
    } cases[] = {
        {{52028, 52158}, 52028, true},        {{52029, 52158}, 52029, true},
        {{52028, 52029, 52158}, 52028, true}, {{52158, 52224}, 52158, false},
        {{52029, 52224}, 52029, false},       {{52224, 52256}, 52256, false},
        {{52412, 51466}, 51466, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(::testing::PrintToString(k.missing));
        const std::string text = flat(check(program_folder("p", host_without(k.missing))));
        const std::string inner = "najpierw pojawi się okno braku wpisu („POWAŻNY BŁĄD WTYCZKI”) "
                                  "z numerem 52158, a zaraz po nim drugie, z numerem " +
                                  std::to_string(k.first) + ",";
        const std::string one = "Razem: przy każdym starcie programu pojawi się okno braku wpisu "
                                "(„POWAŻNY BŁĄD WTYCZKI”) z numerem " +
                                std::to_string(k.first) + ". ";
        EXPECT_TRUE(has(text, k.inner ? inner : one)) << text;
        EXPECT_EQ(has(text, "najpierw pojawi się"), k.inner) << text;
    }
}

} // namespace
