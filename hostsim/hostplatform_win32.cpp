// The simulated host program on Windows: VORDAN.dll is this module, the plug-in is loaded by the
// real loader, and its message boxes are real ones that a watcher thread finds, reads and
// answers by pressing the scripted button.
#include "hostsim/hostplatform.h"
#include "sim/plugin_contract.h"

#include <windows.h>

#include <cstdlib>
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

int g_box_wait = 0; // seconds

DWORD WINAPI watch(void*) {
    char wait[8] = {};
    if (GetEnvironmentVariableA("CZ_HOSTSIM_BOX_WAIT", wait, sizeof wait)) g_box_wait = atoi(wait);
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
        int32_t answer = g_next_answer < g_answers.size() ? g_answers[g_next_answer++] : g_then;
        // A box shown although its answer is "no box" (scripted_box did not stand in for it)
        // is pressed Abort, which the report then shows.
        if (answer == 0) answer = 3;
        // A message box ends its text with no line break; Windows keeps it as given.
        g_boxes.push_back({text, caption, answer});
        LeaveCriticalSection(&g_lock);
        // CZ_HOSTSIM_BOX_WAIT=SECONDS leaves each box on screen that long, or until someone else
        // answers it: the setup's windowed test takes its picture and presses the same button.
        for (int i = 0; i < g_box_wait * 50 && IsWindow(box); ++i)
            Sleep(20);
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

// "No box": the answer for a box that fails to appear, so that MessageBoxA returns 0. The real
// MessageBoxA cannot be made to fail on demand, so in a host that lacks services (the only one
// whose plug-in shows boxes) the plug-in's import of MessageBoxA is pointed at scripted_box,
// which returns 0 for that answer and otherwise shows the real box, answered by the watcher. The
// import is changed when the loader has bound it and before the plug-in's start-up runs: in the
// loader's notification that the plug-in's image is loaded.
bool g_boxes_can_fail = false;
void* g_notification_cookie = nullptr;

int WINAPI scripted_box(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    EnterCriticalSection(&g_lock);
    const bool scripted = g_next_answer < g_answers.size();
    const bool no_box = (scripted ? g_answers[g_next_answer] : g_then) == 0;
    if (no_box) {
        if (scripted) ++g_next_answer;
        g_boxes.push_back({text ? text : "", caption ? caption : "", 0});
    }
    LeaveCriticalSection(&g_lock);
    return no_box ? 0 : MessageBoxA(owner, text, caption, type);
}

// Points every import slot of the module at `base` that holds `from` at `to`.
void redirect_import(uint8_t* base, const void* from, const void* to) {
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name;
         ++d)
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
             slot->u1.Function; ++slot)
            if (slot->u1.Function == reinterpret_cast<uintptr_t>(from)) {
                DWORD old;
                VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
                slot->u1.Function = reinterpret_cast<uintptr_t>(to);
                VirtualProtect(slot, sizeof *slot, old, &old);
            }
}

// The loader's notification (ntdll's LdrRegisterDllNotification): reason 1, a module loaded.
struct CountedWideText {
    USHORT length, capacity;
    PWSTR text;
};
struct LoadedModule {
    ULONG flags;
    const CountedWideText* full_name;
    const CountedWideText* base_name;
    void* base;
    ULONG size;
};
typedef VOID(CALLBACK* LoadNotification)(ULONG reason, const LoadedModule* module, void* context);
typedef LONG(NTAPI* RegisterLoadNotification)(ULONG flags, LoadNotification notify, void* context,
                                              void** cookie);
typedef LONG(NTAPI* UnregisterLoadNotification)(void* cookie);

VOID CALLBACK on_module_loaded(ULONG reason, const LoadedModule* module, void*) {
    // Every module the plug-in imports from is loaded before it, so the one loaded while the
    // plug-in loads is the plug-in.
    if (reason != 1 || !module) return;
    redirect_import(static_cast<uint8_t*>(module->base),
                    reinterpret_cast<const void*>(
                        GetProcAddress(GetModuleHandleA("user32.dll"), "MessageBoxA")),
                    reinterpret_cast<const void*>(&scripted_box));
}

void watch_loads(bool on) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (on && !g_notification_cookie) {
        auto reg = reinterpret_cast<RegisterLoadNotification>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrRegisterDllNotification")));
        if (reg) reg(0, on_module_loaded, nullptr, &g_notification_cookie);
    } else if (!on && g_notification_cookie) {
        auto unreg = reinterpret_cast<UnregisterLoadNotification>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrUnregisterDllNotification")));
        if (unreg) unreg(g_notification_cookie);
        g_notification_cookie = nullptr;
    }
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
    g_boxes_can_fail = !missing.empty();
}

void script_answers(const std::vector<int32_t>& answers, int32_t then) {
    g_answers = answers;
    g_next_answer = 0;
    // An answer other than a button or "no box" (0) presses Abort.
    for (int32_t& a : g_answers)
        if (a != 0 && a != contract::kAbort && a != contract::kRetry && a != contract::kIgnore)
            a = contract::kAbort;
    g_then = (then == 0 || then == contract::kRetry || then == contract::kIgnore)
                 ? then
                 : contract::kAbort;
    if (g_watcher) return;
    // The thread must be running before the plug-in is loaded: a thread that starts while the
    // loader holds its lock (the dialog appears inside the plug-in's start-up) waits for it.
    g_watching = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_watcher = CreateThread(nullptr, 0, watch, nullptr, 0, nullptr);
    WaitForSingleObject(g_watching, 10000);
}

namespace {

// The scenario's path (UTF-8) as Windows takes it, every character of it kept.
std::wstring wide_path(const char* file) {
    const int chars = MultiByteToWideChar(CP_UTF8, 0, file, -1, nullptr, 0);
    if (chars <= 0) return std::wstring();
    std::wstring wide(size_t(chars) - 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, file, -1, &wide[0], chars);
    return wide;
}

// Loads a module by its wide path. A path of MAX_PATH (260) characters or more, which the loader
// refuses, goes with the \\?\ prefix, which lifts the limit (a UNC path \\server\share\...
// becomes \\?\UNC\server\share\...). The prefix turns off the path's normalisation, so it is
// only put before a full path with backslashes; anything else goes to the loader as it is.
HMODULE load_by_path(const char* file) {
    const std::wstring wide = wide_path(file);
    const size_t n = wide.size();
    const bool drive = n > 3 && wide[1] == L':' && wide[2] == L'\\';
    const bool unc = n > 2 && wide[0] == L'\\' && wide[1] == L'\\' && wide[2] != L'?';
    if (n < MAX_PATH || (!drive && !unc) || wide.find(L'/') != std::wstring::npos)
        return LoadLibraryW(wide.c_str());
    const std::wstring prefixed = unc ? L"\\\\?\\UNC\\" + wide.substr(2) : L"\\\\?\\" + wide;
    return LoadLibraryW(prefixed.c_str());
}

} // namespace

void* load_plugin(const char* file) {
    watch_loads(g_boxes_can_fail);
    HMODULE plugin = file ? load_by_path(file) : LoadLibraryA("cenyzak.dll");
    const DWORD error = GetLastError(); // for load_failure, read after this returns
    watch_loads(false);
    SetLastError(error);
    return plugin;
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
    switch (error) {
    case ERROR_DLL_INIT_FAILED:
        return {"startup_refused", path, error, ""};
    case ERROR_MOD_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        if (GetFileAttributesW(wide_path(path.c_str()).c_str()) == INVALID_FILE_ATTRIBUTES)
            return {"file_not_found", path, error, ""};
        return {"dependency_not_found", path, error, ""};
    case ERROR_BAD_EXE_FORMAT:
        return {"not_a_module", path, error, ""};
    default: {
        char words[256] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, words, sizeof words, nullptr);
        std::string text = words;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.'))
            text.pop_back();
        return {"windows_error", path, error, text};
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
