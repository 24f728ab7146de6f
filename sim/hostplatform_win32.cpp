// The simulated host program on Windows: VORDAN.dll is this module, the plug-in is loaded by the
// real loader, and its message boxes are real ones that a watcher thread finds, reads and
// answers by pressing the scripted button.
#include "sim/hostplatform.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace hostplatform {
namespace {

CRITICAL_SECTION g_lock;
bool g_lock_ready = false;
std::vector<int32_t> g_answers;
size_t g_next_answer = 0;
int32_t g_then = 3;
std::vector<Box> g_boxes;
HANDLE g_watcher = nullptr;
HANDLE g_watching = nullptr; // set once the watcher runs
volatile LONG g_stop = 0;

constexpr int kMessageTextId = 0xFFFF; // the text control of a message box

BOOL CALLBACK find_box(HWND window, LPARAM found) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && strcmp(cls, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI watch(void*) {
    // A thread's first window calls set up its windowing state, which takes the loader's lock.
    // The boxes of interest appear inside the plug-in's start-up, with that lock held by the
    // loading thread, so the set-up happens here, before the loading is let go on.
    HWND none = nullptr;
    EnumWindows(find_box, reinterpret_cast<LPARAM>(&none));
    char probe[4];
    GetClassNameA(GetDesktopWindow(), probe, sizeof probe);
    GetWindowTextA(GetDesktopWindow(), probe, sizeof probe);
    SetEvent(g_watching);
    while (!g_stop) {
        HWND box = nullptr;
        EnumWindows(find_box, reinterpret_cast<LPARAM>(&box));
        if (!box) {
            Sleep(20);
            continue;
        }
        char text[1024] = {}, caption[256] = {};
        GetDlgItemTextA(box, kMessageTextId, text, sizeof text);
        GetWindowTextA(box, caption, sizeof caption);
        EnterCriticalSection(&g_lock);
        const int32_t answer =
            g_next_answer < g_answers.size() ? g_answers[g_next_answer++] : g_then;
        // A message box ends its text with no line break; Windows keeps it as given.
        g_boxes.push_back({text, caption, answer});
        LeaveCriticalSection(&g_lock);
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
        for (int i = 0; i < 500 && IsWindow(box); ++i)
            Sleep(10);
    }
    return 0;
}

// Hides a service from GetProcAddress: a zero in the export address table means "not exported".
void hide_export(HMODULE module, uint32_t ordinal) {
    auto* base = reinterpret_cast<uint8_t*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto* exports = reinterpret_cast<IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    if (ordinal < exports->Base || ordinal - exports->Base >= exports->NumberOfFunctions) return;
    DWORD* slot =
        reinterpret_cast<DWORD*>(base + exports->AddressOfFunctions) + (ordinal - exports->Base);
    DWORD old;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    *slot = 0;
    VirtualProtect(slot, sizeof *slot, old, &old);
}

} // namespace

void reset() {
    if (!g_lock_ready) {
        InitializeCriticalSection(&g_lock);
        g_lock_ready = true;
    }
    g_boxes.clear();
    g_answers.clear();
    g_next_answer = 0;
}

void offer_vordan(const std::vector<int32_t>& missing) {
    HMODULE self = GetModuleHandleA("VORDAN");
    for (int32_t ordinal : missing)
        hide_export(self, uint32_t(ordinal));
}

void script_answers(const std::vector<int32_t>& answers, int32_t then) {
    g_answers = answers;
    g_next_answer = 0;
    // A box cannot be made to fail on purpose here: an answer of 0 presses Abort.
    for (int32_t& a : g_answers)
        if (a != 3 && a != 4 && a != 5) a = 3;
    g_then = (then == 4 || then == 5) ? then : 3;
    if (g_watcher) return;
    // The thread must be running before the plug-in is loaded: a thread that starts while the
    // loader holds its lock (the dialog appears inside the plug-in's start-up) waits for it.
    g_watching = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_watcher = CreateThread(nullptr, 0, watch, nullptr, 0, nullptr);
    WaitForSingleObject(g_watching, 10000);
}

namespace {

// Loads a module by a path of MAX_PATH (260) characters or more, which LoadLibraryA refuses: as
// the wide path with the \\?\ prefix, which lifts the limit (a UNC path \\server\share\...
// becomes \\?\UNC\server\share\...). The prefix turns off the path's normalisation, so it is
// only put before a full path with backslashes; anything else goes to LoadLibraryA as it is.
HMODULE load_long_path(const char* file) {
    const size_t n = strlen(file);
    const bool drive = n > 3 && file[1] == ':' && file[2] == '\\';
    const bool unc = n > 2 && file[0] == '\\' && file[1] == '\\' && file[2] != '?';
    if (n < MAX_PATH || (!drive && !unc) || strchr(file, '/')) return LoadLibraryA(file);
    const int chars = MultiByteToWideChar(CP_ACP, 0, file, -1, nullptr, 0);
    if (chars <= 0) return nullptr;
    std::wstring wide(size_t(chars) - 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, file, -1, &wide[0], chars);
    const std::wstring prefixed = unc ? L"\\\\?\\UNC\\" + wide.substr(2) : L"\\\\?\\" + wide;
    return LoadLibraryW(prefixed.c_str());
}

} // namespace

void* load_plugin(const char* file) {
    return file ? load_long_path(file) : LoadLibraryA("cenyzak.dll");
}

cz_proc plugin_entry(void* plugin, uint32_t ordinal) {
    return reinterpret_cast<cz_proc>(
        GetProcAddress(static_cast<HMODULE>(plugin), MAKEINTRESOURCEA(ordinal)));
}

void unload_plugin(void* plugin) {
    FreeLibrary(static_cast<HMODULE>(plugin));
    g_stop = 1;
    if (g_watcher) {
        WaitForSingleObject(g_watcher, 2000);
        CloseHandle(g_watcher);
        g_watcher = nullptr;
    }
}

// Why LoadLibrary failed, from the error it left: a start-up that refused the load (DllMain
// returned FALSE) is told apart from a file that is not there or not a module.
LoadFailure load_failure(const char* file) {
    const DWORD error = GetLastError();
    const std::string path = file ? file : "cenyzak.dll";
    const std::string number = " (Windows error " + std::to_string(error) + ")";
    switch (error) {
    case ERROR_DLL_INIT_FAILED:
        return {"startup_refused", "the plug-in's start-up refused the load"};
    case ERROR_MOD_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            return {"file_not_found", "no plug-in file at " + path + number};
        return {"dependency_not_found", "a module the plug-in needs was not found" + number};
    case ERROR_BAD_EXE_FORMAT:
        return {"not_a_module", path + " is not a 32-bit Windows module" + number};
    default: {
        char words[256] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, words, sizeof words, nullptr);
        std::string text = words;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.'))
            text.pop_back();
        return {"windows_error", (text.empty() ? std::string("the load failed") : text) + number};
    }
    }
}

std::vector<Box> boxes() {
    EnterCriticalSection(&g_lock);
    std::vector<Box> copy = g_boxes;
    LeaveCriticalSection(&g_lock);
    return copy;
}

} // namespace hostplatform
