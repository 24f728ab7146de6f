// The missing-entry dialog: tells the user that the host lacks a service and asks whether to
// abort the load, ask again, or go on without the service (and without asking again).
#include "host/entries.h"

#include "platform/module_state.h"
#include "platform/platform.h"
#include "texts/mazovia.h"
#include "texts/textbuf.h"
#include "texts/texts.h"

#include <string.h>

namespace {

enum : int32_t {
    kAnswerRetry = 4,
    kAnswerIgnore = 5,
};
constexpr uint32_t kDialogStyle = 0x2012; // MB_ABORTRETRYIGNORE | MB_ICONHAND | MB_TASKMODAL

// Sizes of the dialog's own copies, terminating zero included.
constexpr uint32_t kEntryTextSize = 100;
constexpr uint32_t kMessageSize = 500;
constexpr uint32_t kCaptionSize = 100;
constexpr uint32_t kModuleTextSize = kFileNameLimit;

int32_t g_ignore_all; // set by the first Ignore, never cleared while the module is loaded

// Converts a text in place from the host's encoding 1 (Mazovia) to its encoding 3 (the one the
// message box shows) with host service 52158. When that service is itself the one missing, its
// entry is empty (or becomes empty during the call, which then reaches the service's fallback
// routine and changes nothing): the dialog then converts with the plug-in's own table instead, so
// that it never calls through the empty entry nor raises a dialog for 52158 from inside its own
// dialog.
void convert_for_box(char* text) {
    if (!HOST_EMPTY(ConvertText)) HOST(ConvertText)(text, text, 1, 3);
    if (HOST_EMPTY(ConvertText)) mazovia_to_cp1250(text);
}

void blank_markup(char* text, char byte) {
    for (char* p = text; *p; ++p)
        if (*p == byte) *p = ' ';
}

// Puts `part` into `text` (a buffer of `size` bytes) at `at`, moving what follows; as much of
// `part` as the buffer holds.
void insert(char* text, uint32_t size, uint32_t at, const char* part) {
    const uint32_t len = cz_strlen(text);
    if (at > len) at = len;
    uint32_t n = cz_strlen(part);
    if (n > size - 1 - len) n = size - 1 - len;
    memmove(text + at + n, text + at, len - at + 1);
    memcpy(text + at, part, n);
}

// Where the module's placeholder, the format's first "%s", starts (the format's end without one).
uint32_t module_placeholder() {
    uint32_t i = 0;
    while (kMissingFormat[i] && !(kMissingFormat[i] == '%' && kMissingFormat[i + 1] == 's'))
        ++i;
    return i;
}

} // namespace

int32_t missing_entry_dialog(uintptr_t id) {
    if (g_ignore_all) return 1;

    // The dialog can run inside itself (52158 missing while the dialog for 52028 converts its
    // text), so its buffers live on the stack, one set per dialog.
    char module_text[kModuleTextSize];
    if (cz_module_file_name(g_module.self, module_text, kModuleTextSize) == 0) {
        TextBuf t;
        tb_init(t, module_text, kModuleTextSize);
        tb_str(t, kUnknownModule);
    }
    char entry_text[kEntryTextSize];
    TextBuf entry;
    tb_init(entry, entry_text, kEntryTextSize);
    if (id < 65536)
        tb_int(entry, static_cast<int32_t>(id));
    else
        tb_str(entry, reinterpret_cast<const char*>(id)); // a name longer than 99 is cut

    // The format's fixed text and the title leave 261 characters for the module and entry texts.
    // A longer module path keeps its end, where the file name is, behind "...", so that the
    // message always shows the entry, the title and the advice that follow it.
    char title[sizeof kTitle];
    title_copy(title);
    const uint32_t room = kMessageSize - 1 - (cz_strlen(kMissingFormat) - 6) - (sizeof kTitle - 1);
    const char* module_shown = module_text;
    char shortened[kModuleTextSize];
    const uint32_t module_len = cz_strlen(module_text);
    if (module_len + entry.len > room) {
        const uint32_t keep = room - entry.len - 3;
        TextBuf s;
        tb_init(s, shortened, kModuleTextSize);
        tb_str(s, "...");
        tb_str(s, module_text + module_len - keep);
        module_shown = shortened;
    }

    // The platform gives the path in the box's own code page, while the message's text is
    // Mazovia. The message is composed with the path's place left empty and converted, and the
    // path goes into its place afterwards as the system gave it: converted along, bytes of the
    // code page that are no Polish letter but share a byte with a Mazovia letter would show as
    // that letter.
    char message[kMessageSize];
    TextBuf m;
    tb_init(m, message, kMessageSize);
    const char* values[3] = {"", entry_text, title};
    tb_format(m, kMissingFormat, values, 3);
    blank_markup(message, '\x01');
    blank_markup(message, '\x02');
    convert_for_box(message);
    insert(message, kMessageSize, module_placeholder(), module_shown);

    char caption[kCaptionSize];
    TextBuf c;
    tb_init(c, caption, kCaptionSize);
    tb_str(c, kMissingCaption);
    convert_for_box(caption);

    for (;;) {
        const int32_t answer = cz_message_box(message, caption, kDialogStyle);
        if (answer == kAnswerRetry) continue;
        if (answer == kAnswerIgnore) {
            g_ignore_all = 1;
            return 1;
        }
        return 0; // Abort, or a box that could not be shown
    }
}
