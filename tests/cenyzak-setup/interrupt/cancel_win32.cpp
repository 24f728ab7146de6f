// cancel.exe "COMMAND LINE": starts the setup program (or its uninstaller) with its windows, as a
// person would, and cancels it: presses "Anuluj" on the first page it shows, then "Tak" on the
// question whether to stop, if one is asked. For the setup's test (scripts/wine-setup.sh), which
// checks that a cancelled run's log still ends with its exit code. Prints "anulowano" once it
// pressed the button and the program's exit code ("kod N"); status 1 when no page was shown
// within a minute (the program is then ended), 2 when it could not be started.
#include <windows.h>

#include <cstdio>

namespace {

DWORD target_process;
HWND found;

// A visible top-level window of the program that has a child with the given control id.
BOOL CALLBACK find_with_control(HWND window, LPARAM id) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != target_process || !IsWindowVisible(window)) return TRUE;
    HWND control = GetDlgItem(window, static_cast<int>(id));
    if (control == nullptr || !IsWindowEnabled(control)) return TRUE;
    found = window;
    return FALSE;
}

HWND window_with(int id) {
    found = nullptr;
    EnumWindows(find_with_control, id);
    return found;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, argv[1], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 2;
    target_process = pi.dwProcessId;
    bool pressed = false;
    for (int i = 0; i < 600 && WaitForSingleObject(pi.hProcess, 100) == WAIT_TIMEOUT; ++i) {
        // The question "stop the setup?" (a message box with "Tak") comes after "Anuluj".
        if (HWND box = pressed ? window_with(IDYES) : nullptr) {
            SendMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
            continue;
        }
        if (!pressed) {
            if (HWND page = window_with(IDCANCEL)) {
                PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(page, IDCANCEL)));
                pressed = true;
                std::printf("anulowano\n");
            }
        }
    }
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    std::printf("kod %lu\n", code);
    std::fflush(stdout);
    return pressed ? 0 : 1;
}
