// Fuzz target: the texts the plug-in composes in its fixed buffers, the missing-entry dialog and
// the mismatch report, for plug-in file names and entry names of every length, up to and beyond
// the limits of those buffers.
//
// Each input loads the plug-in through the simulated loader under a file name from the input (the
// plug-in learns its file name at load), then
//   - runs the missing-entry dialog for an entry name (or an ordinal) from the input, answering
//     Retry a few times and then Abort or another non-Ignore answer (an Ignore would be kept for
//     the rest of the process and silence every later dialog);
//   - attaches it, up to three times, to a host with a version and record sizes from the input
//     (tables missing, sizes zero, negative, odd), each time optionally starting it (a line table
//     that cannot be hooked adds its failure record) and detaching it, and then asks for the
//     mismatch report. Attaches refused for the version leave the list as it is, so that the
//     failure records of all three line tables can join the seven of the registration: the
//     longest report there is.
// The record-size mismatch list is module state and is never emptied, so the report of one input
// also shows records listed by earlier ones, as it would in a host that attaches again.
//
// The oracle: the dialog shows the entry text (cut to 99 characters), the title and the advice
// whole, and the module text whole or, when both do not fit, "..." and as much of its end as
// fits; the message never exceeds 499 characters; the box comes back after each Retry unchanged.
// The report is either the version message or the size table, complete up to the closing with the
// file name's last part: rows that parse, with known tables and their sizes. And nothing that
// AddressSanitizer or UndefinedBehaviorSanitizer would report.
//
// Input layout (missing bytes read as zeros): u8 flags, u16 file name length, u16 entry name
// length, u8 retries, u8 final answer, u16 ordinal, u8 attaches, and per attach: u8 attach flags,
// u8 version choice [i32 version], per table u8 size choice [i16 size], [per table again, when
// kResize]; then the bytes the file name and the entry name are made of (repeated as needed).
#include "fuzz/common.h"
#include "host/entries.h"
#include "platform/loader_linux.h"
#include "sim/encoding.h"
#include "sim/vordan.h"
#include "texts/mazovia.h"
#include "undertest/plugin.h"

#include <map>

namespace {

using fuzz::Input;
using undertest::hex;
using undertest::kAbort;
using undertest::kIgnore;
using undertest::kRetry;

enum Flags : uint8_t {
    kNoFileName = 1 << 0, // the platform cannot give the plug-in's file name
    kOrdinal = 1 << 1,    // the dialog is for an ordinal, not a name
};
enum AttachFlags : uint8_t {
    kStart = 1 << 0,  // start (install the hooks) and detach after the attach
    kResize = 1 << 1, // the host's record sizes change between attach and start
};

constexpr uint32_t kFileNameRange = 720;  // the plug-in keeps 299 characters
constexpr uint32_t kEntryNameRange = 320; // the dialog shows 99
constexpr uint32_t kMessageLimit = 499;
constexpr uint32_t kModuleAndEntryRoom = 261;
using undertest::kReportCaption;
using undertest::kReportFlags;

// The plug-in's texts are Mazovia bytes; the expected ones are written here in UTF-8.
std::string mazovia(const std::string& utf8) {
    return encoding::utf8_to_mazovia(utf8);
}

const std::string kTitle = undertest::kTitle;

// The dialog's texts as the message box shows them: markup bytes blanked, then Windows-1250.
std::string shown(std::string s) {
    for (char& ch : s)
        if (ch == '\x01' || ch == '\x02') ch = ' ';
    return encoding::mazovia_to_cp1250(s);
}

// The fixed parts of the texts, as the plug-in's user reads them.
const std::string kDialogCaption = shown(mazovia("POWAŻNY BŁĄD WTYCZKI"));
const std::string kDialogEnd = shown(mazovia(
    "\x01\nWywołano z wtyczki \x02" + kTitle +
    "\x01.\n\nBłąd ten można zignorować lecz dalsza praca\nprogramu w tych warunkach może być "
    "niebezpieczna.\n\nKonieczna jest aktualizacja programu!"));
const std::string kVersionMessage =
    mazovia("Moduł \"" + kTitle +
            "\" i program występują w różnych wersjach!\n\nZostał zakualizowany tylko program "
            "albo tylko moduł,\na nie oba jednocześnie! Aby naprawić tę sytuację\nzainstaluj "
            "aktualizację programu wraz z modułem \"" +
            kTitle + "\".\n\nMODUŁ NIE ZOSTANIE ZAŁADOWANY!!!\n");
const std::string kSizeHeading =
    mazovia("Rozmiary rekordów niektórych tabel nie zgadzają się\nmiędzy programem a wtyczką \"" +
            kTitle + "\":\n\n\x01tl18l33\x01TABELA\tWE WTYCZCE\tW PROGRAMIE\n");
const std::string kClosingOpen = mazovia("\nModuł wtyczki \x02");
const std::string kClosingEnd = mazovia("\x01\nNIE zostanie załadowany!");

using records::kTables;

// A document-line table: also has a failure record of the hook installation.
bool has_lines(const records::TableInfo& t) {
    return t.number == records::kRwDok || t.number == records::kMrDok ||
           t.number == records::kMmDok;
}

// The record size the host reports for each table, and whether it lacks the table.
struct Sizes {
    int16_t size[7];
    bool missing[7];
};

Sizes read_sizes(Input& in) {
    Sizes s;
    for (int i = 0; i < 7; ++i) {
        const uint8_t choice = in.u8() % 4;
        s.missing[i] = choice == 1;
        s.size[i] = choice == 0 ? kTables[i].size : choice == 2 ? in.i16() : 0;
    }
    return s;
}

vordan::Host& h() {
    return vordan::host();
}

// Puts the sizes into the host's descriptors; a missing table's descriptor is put aside (alive:
// the plug-in may still hold it as a hooked descriptor) until the next call.
std::vector<std::map<int32_t, vordan::Table>::node_type> g_hidden;
void apply_sizes(const Sizes& s) {
    for (auto& node : g_hidden)
        h().tables.insert(std::move(node));
    g_hidden.clear();
    for (int i = 0; i < 7; ++i) {
        records::put(h().descriptor(kTables[i].number), records::desc::kRecordSize, s.size[i]);
        if (s.missing[i]) g_hidden.push_back(h().tables.extract(kTables[i].number));
    }
}

// A name made of the pool's bytes, repeated, `length` long; a zero byte, which would end it,
// becomes `zero`.
std::string make_name(const std::string& pool, size_t from, size_t length, char zero) {
    static const std::string kDefault = "C:\\Vordan\\wtyczka\x86\x02\x01%s@12.dll";
    const std::string& p = pool.empty() ? kDefault : pool;
    std::string s(length, ' ');
    for (size_t i = 0; i < length; ++i) {
        const char ch = p[(from + i) % p.size()];
        s[i] = ch ? ch : zero;
    }
    return s;
}

cz_module g_vordan;
int g_version_messages; // reports that were the version message

void check_dialog(uintptr_t id, const std::string& entry, const std::string& module,
                  uint32_t retries) {
    const int32_t result = missing_entry_dialog(id);
    ORACLE_CHECK(result == 0, "the dialog answered Abort gave " + std::to_string(result));
    const std::vector<loader::Box>& boxes = loader::boxes();
    ORACLE_CHECK(boxes.size() == retries + 1, std::to_string(boxes.size()) + " boxes for " +
                                                  std::to_string(retries) + " retries");
    const std::string text = boxes[0].text;
    for (const loader::Box& b : boxes)
        ORACLE_CHECK(b.text == text && b.caption == boxes[0].caption &&
                         b.style == undertest::kDialogStyle,
                     "the box changed after Retry");
    ORACLE_CHECK(boxes[0].caption == kDialogCaption, "caption " + hex(boxes[0].caption));

    const std::string entry_text = entry.substr(0, 99);
    const std::string prefix = shown("W module \x02");
    const std::string suffix = shown("\x01\nbrak wpisu \x02" + entry_text) + kDialogEnd;
    const std::string detail =
        "message " + hex(text) + "\nentry " + hex(entry_text) + "\nmodule " + hex(module);
    ORACLE_CHECK(text.size() <= kMessageLimit, detail);
    ORACLE_CHECK(text.size() >= prefix.size() + suffix.size() && text.rfind(prefix, 0) == 0 &&
                     text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0,
                 "entry, title or advice not whole: " + detail);
    const std::string module_shown =
        text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
    // The path goes into the box as the platform gave it: no byte of it converted or blanked.
    const std::string& module_whole = module;
    if (module.size() + entry_text.size() <= kModuleAndEntryRoom) {
        ORACLE_CHECK(module_shown == module_whole, "module text not whole: " + detail);
    } else {
        ORACLE_CHECK(module_shown.size() > 3 && module_shown.compare(0, 3, "...") == 0 &&
                         module_whole.size() >= module_shown.size() - 3 &&
                         module_whole.compare(module_whole.size() - (module_shown.size() - 3),
                                              module_shown.size() - 3, module_shown, 3,
                                              std::string::npos) == 0 &&
                         text.size() == kMessageLimit,
                     "module text not its end behind \"...\": " + detail);
    }
}

// `registered`: the sizes at the last attach that passed the version test, if any.
void check_report(const std::string& file_name, const Sizes* registered) {
    ORACLE_CHECK(h().messages.size() == 1,
                 std::to_string(h().messages.size()) + " messages for one report");
    const vordan::Message& m = h().messages[0];
    ORACLE_CHECK(m.caption == kReportCaption && m.flags == kReportFlags,
                 "caption " + hex(m.caption) + " flags " + std::to_string(m.flags));
    if (m.ordinal == 52029) {
        ORACLE_CHECK(m.text == kVersionMessage, "version message " + hex(m.text));
        ++g_version_messages;
        return;
    }
    ORACLE_CHECK(m.ordinal == 52028, "report by service " + std::to_string(m.ordinal));
    const std::string& text = m.text;
    const std::string& heading = kSizeHeading;
    const std::string file = file_name.substr(file_name.rfind('\\') + 1); // npos + 1 == 0
    const std::string closing = kClosingOpen + file + kClosingEnd;
    const std::string detail = "report " + hex(text) + "\nfile name " + hex(file_name);
    ORACLE_CHECK(text.size() >= heading.size() + closing.size() && text.rfind(heading, 0) == 0 &&
                     text.compare(text.size() - closing.size(), closing.size(), closing) == 0,
                 "heading or closing not whole: " + detail);

    // The rows: directive, name, tab, expected size, tab, host size or "brak", line end.
    const std::string rows =
        text.substr(heading.size(), text.size() - heading.size() - closing.size());
    const std::string directive = "\x01tp25p40\x01";
    size_t at = 0;
    int count = 0;
    while (at < rows.size()) {
        ORACLE_CHECK(rows.compare(at, directive.size(), directive) == 0,
                     "row directive: " + detail);
        const size_t tab1 = rows.find('\t', at);
        const size_t tab2 = rows.find('\t', tab1 + 1);
        const size_t end = rows.find('\n', tab2 + 1);
        ORACLE_CHECK(tab1 != std::string::npos && tab2 != std::string::npos &&
                         end != std::string::npos,
                     "row not whole: " + detail);
        const std::string name = rows.substr(at + directive.size(), tab1 - at - directive.size());
        const std::string expected = rows.substr(tab1 + 1, tab2 - tab1 - 1);
        const std::string host = rows.substr(tab2 + 1, end - tab2 - 1);
        const records::TableInfo* table = nullptr;
        int index = 0;
        for (int i = 0; i < 7; ++i)
            if (name == kTables[i].name) table = &kTables[index = i];
        ORACLE_CHECK(table && expected == std::to_string(table->size), "row of " + detail);
        ORACLE_CHECK(host == "brak" ||
                         (host != "0" && std::to_string(std::atoi(host.c_str())) == host),
                     "host size in " + detail);
        // A header or k9 row is the registration record, filled by this input's attach.
        if (!has_lines(*table) && registered) {
            const int16_t size = registered->missing[index] ? 0 : registered->size[index];
            ORACLE_CHECK(host == (size == 0 ? "brak" : std::to_string(size)),
                         std::string("host size of ") + table->name + " in " + detail);
        }
        ++count;
        at = end + 1;
    }
    ORACLE_CHECK(count >= 1 && count <= 10, std::to_string(count) + " rows in " + detail);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    loader::reset();
    vordan::reset();
    g_vordan = vordan::register_module();

    // The version message shows only while the mismatch list is empty, that is until the first
    // table is listed in the process: it is checked here, first. Then Mm, the first table of the
    // registration, is listed, so that it heads the list for the rest of the process: every attach
    // that passes the version test then lists the tables afresh behind it, and every list, the
    // longest included, stays within reach. (With a later table at the head, refilling it would
    // cut the list back to it for good, and the tables registered before it would never show.)
    //
    // Each an input of its own: a file name of 11 and an entry name of 5 characters, Abort in the
    // dialog, one attach without start, then the attach's flags, version and sizes.
    auto run = [](std::vector<uint8_t> attach) {
        std::vector<uint8_t> input = {0, 11, 0, 5, 0, 0, kAbort, 0, 0, 0};
        input.insert(input.end(), attach.begin(), attach.end());
        const char name[] = "cenyzak.dll";
        input.insert(input.end(), name, name + strlen(name));
        LLVMFuzzerTestOneInput(input.data(), input.size());
    };
    run({0, 3, 111, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}); // version 111, every size as expected
    ORACLE_CHECK(g_version_messages == 1, "no version message while nothing was listed");
    run({0, 0, 1, 0, 0, 0, 0, 0, 0}); // version 112, no table Mm
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t flags = in.u8();
    const uint32_t file_length = in.u16() % kFileNameRange;
    const uint32_t entry_length = in.u16() % kEntryNameRange;
    const uint32_t retries = in.u8() % 4;
    int32_t final_answer = static_cast<int8_t>(in.u8());
    if (final_answer == kRetry || final_answer == kIgnore) final_answer = kAbort;
    const uint16_t ordinal = in.u16();
    struct Attach {
        uint8_t flags;
        int32_t version;
        Sizes sizes, resized;
    };
    std::vector<Attach> attaches(1 + in.u8() % 3);
    for (Attach& a : attaches) {
        a.flags = in.u8();
        a.version = in.u8() % 4 == 3 ? in.i32() : undertest::kInterfaceVersion;
        a.sizes = read_sizes(in);
        a.resized = (a.flags & kResize) ? read_sizes(in) : a.sizes;
    }
    const std::string pool = in.rest();
    const std::string file_name = make_name(pool, 0, file_length, '\\');
    const std::string entry_name = make_name(pool, file_length, entry_length, '\x02');

    // The loader holds no host data, only its module slots, boxes and lookups: a fresh one per
    // input keeps them from growing. VORDAN takes the same slot again, so the host module handle
    // the plug-in keeps from its first load stays VORDAN's.
    loader::reset();
    ORACLE_CHECK(vordan::register_module() == g_vordan, "VORDAN got another handle");
    std::vector<int32_t> answers(retries, kRetry);
    loader::script_answers(answers, final_answer);
    const bool no_file = flags & kNoFileName;
    undertest::Plugin plugin;
    ORACLE_CHECK(plugin.load(no_file ? nullptr : file_name.c_str()), "the plug-in did not load");
    ORACLE_CHECK(loader::boxes().empty(), "a dialog while binding to a complete host");
    // What the platform gives as the plug-in's file name: cut to 299 characters; none or an
    // empty one makes the dialog name the module "<nieznany>".
    const std::string known = no_file ? "" : file_name.substr(0, 299);

    // The dialog, for a name at an address of its own (AddressSanitizer sees a read past its
    // zero) or for an ordinal.
    if (flags & kOrdinal) {
        check_dialog(ordinal, std::to_string(ordinal), known.empty() ? "<nieznany>" : known,
                     retries);
    } else {
        std::unique_ptr<char[]> name(new char[entry_name.size() + 1]);
        memcpy(name.get(), entry_name.c_str(), entry_name.size() + 1);
        check_dialog(reinterpret_cast<uintptr_t>(name.get()), entry_name,
                     known.empty() ? "<nieznany>" : known, retries);
    }

    // The report.
    vordan::Host& host = h();
    const Sizes* registered = nullptr;
    for (const Attach& a : attaches) {
        host.version = a.version;
        apply_sizes(a.sizes);
        char title[64];
        const int32_t accepted = plugin.attach(title);
        ORACLE_CHECK(accepted == 0 || accepted == -1, "attach gave " + std::to_string(accepted));
        ORACLE_CHECK(memcmp(title, kTitle.c_str(), kTitle.size() + 1) == 0, "title copy");
        if (a.version == undertest::kInterfaceVersion) registered = &a.sizes;
        if (a.flags & kStart) {
            apply_sizes(a.resized);
            ORACLE_CHECK(plugin.start(0) == 0, "start gave non-zero");
            apply_sizes(a.sizes);
            ORACLE_CHECK(plugin.detach() == 0, "detach gave non-zero");
        }
    }
    host.messages.clear();
    ORACLE_CHECK(plugin.start(1) == 0, "report gave non-zero");
    check_report(known, registered);

    Sizes normal;
    for (int i = 0; i < 7; ++i) {
        normal.size[i] = kTables[i].size;
        normal.missing[i] = false;
    }
    apply_sizes(normal);
    host.messages.clear();
    host.trace.clear();
    loader::free_library(plugin.module());
    return 0;
}
