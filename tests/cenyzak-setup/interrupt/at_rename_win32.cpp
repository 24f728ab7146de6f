// at-rename.exe MODE "COMMAND LINE": runs the setup program under this small debugger and steps in
// at the one moment that matters for an interrupted setup, the rename of Wtyczki\cenyzak.dll.nowa
// over the plug-in (the first MoveFileExW whose source ends in ".nowa"), for the setup's test
// (scripts/wine-setup.sh):
//
//   kill      lets the rename run and, as it returns, ends the setup as kill -9 or a power cut
//             would (TerminateProcess): nothing of the setup runs after the rename;
//   hold[=MS] just before the rename, opens the .nowa file for reading with FILE_SHARE_READ |
//             FILE_SHARE_WRITE, as an antivirus scanner does with a file just written (delete and
//             rename are then denied), and keeps it open MS milliseconds, or until the setup ends.
//
// Prints what it did ("zabity po zamianie", "trzymany .nowa", "bez zamiany") and the setup's exit
// code ("kod N"). Status 0 when it stepped in, 1 when the setup ended without that rename, 2 on a
// usage or debugging failure.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

HANDLE process;

BYTE put_byte(DWORD at, BYTE value) {
    BYTE old = 0;
    ReadProcessMemory(process, reinterpret_cast<void*>(at), &old, 1, nullptr);
    WriteProcessMemory(process, reinterpret_cast<void*>(at), &value, 1, nullptr);
    FlushInstructionCache(process, reinterpret_cast<void*>(at), 1);
    return old;
}

DWORD read_word(DWORD at) {
    DWORD value = 0;
    ReadProcessMemory(process, reinterpret_cast<void*>(at), &value, 4, nullptr);
    return value;
}

bool ends_with_nowa(DWORD text) {
    wchar_t name[1100] = {};
    SIZE_T got = 0;
    ReadProcessMemory(process, reinterpret_cast<void*>(text), name, sizeof name - 2, &got);
    size_t n = wcsnlen(name, 1099);
    return n >= 5 && _wcsicmp(name + n - 5, L".nowa") == 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    bool kill = wcscmp(argv[1], L"kill") == 0;
    DWORD hold_ms = INFINITE;
    if (!kill && wcsncmp(argv[1], L"hold", 4) != 0) return 2;
    if (!kill && argv[1][4] == L'=') hold_ms = wcstoul(argv[1] + 5, nullptr, 10);
    // kernel32 and kernelbase lie at the same address in every process of a session.
    DWORD target =
        reinterpret_cast<DWORD>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "MoveFileExW"));
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, argv[2], nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                        nullptr, &si, &pi)) {
        std::printf("nie uruchomiono (%lu)\n", GetLastError());
        return 2;
    }
    process = pi.hProcess;
    bool armed = false, stepping = false, done = false, stepped_in = false;
    BYTE target_byte = 0, return_byte = 0;
    DWORD return_at = 0, held_since = 0, exit_code = 0;
    HANDLE held = INVALID_HANDLE_VALUE;
    for (;;) {
        if (held != INVALID_HANDLE_VALUE && hold_ms != INFINITE &&
            GetTickCount() - held_since >= hold_ms) {
            CloseHandle(held);
            held = INVALID_HANDLE_VALUE;
        }
        DEBUG_EVENT ev;
        if (!WaitForDebugEvent(&ev, 50)) continue;
        DWORD next = DBG_CONTINUE;
        if (ev.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT) {
            CloseHandle(ev.u.CreateProcessInfo.hFile);
        } else if (ev.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT) {
            if (ev.u.LoadDll.hFile) CloseHandle(ev.u.LoadDll.hFile);
        } else if (ev.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
            exit_code = ev.u.ExitProcess.dwExitCode;
            ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, DBG_CONTINUE);
            break;
        } else if (ev.dwDebugEventCode == EXCEPTION_DEBUG_EVENT) {
            EXCEPTION_RECORD& er = ev.u.Exception.ExceptionRecord;
            DWORD at = reinterpret_cast<DWORD>(er.ExceptionAddress);
            HANDLE thread =
                OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, ev.dwThreadId);
            CONTEXT c = {};
            c.ContextFlags = CONTEXT_FULL;
            GetThreadContext(thread, &c);
            if (er.ExceptionCode == EXCEPTION_BREAKPOINT && !armed) {
                // The loader's breakpoint: every DLL the setup imports is there; arm ours.
                target_byte = put_byte(target, 0xCC);
                armed = true;
            } else if (er.ExceptionCode == EXCEPTION_BREAKPOINT && !done &&
                       (at == target || at == target + 1)) {
                put_byte(target, target_byte);
                c.Eip = target;
                if (ends_with_nowa(read_word(c.Esp + 4))) {
                    done = true;
                    if (kill) {
                        return_at = read_word(c.Esp);
                        return_byte = put_byte(return_at, 0xCC);
                    } else {
                        wchar_t name[1100] = {};
                        ReadProcessMemory(process, reinterpret_cast<void*>(read_word(c.Esp + 4)),
                                          name, sizeof name - 2, nullptr);
                        held = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr);
                        held_since = GetTickCount();
                        stepped_in = held != INVALID_HANDLE_VALUE;
                        std::printf(stepped_in ? "trzymany .nowa\n" : "nie otwarto .nowa\n");
                    }
                } else {
                    c.EFlags |= 0x100; // one step, then the breakpoint again
                    stepping = true;
                }
                SetThreadContext(thread, &c);
            } else if (er.ExceptionCode == EXCEPTION_SINGLE_STEP && stepping) {
                put_byte(target, 0xCC);
                stepping = false;
            } else if (er.ExceptionCode == EXCEPTION_BREAKPOINT && return_at &&
                       (at == return_at || at == return_at + 1)) {
                put_byte(return_at, return_byte);
                std::printf("zabity po zamianie (MoveFileExW: %lu)\n", c.Eax);
                TerminateProcess(process, 9);
                stepped_in = true;
                return_at = 0;
            } else if (er.ExceptionCode != EXCEPTION_BREAKPOINT) {
                next = DBG_EXCEPTION_NOT_HANDLED;
            }
            CloseHandle(thread);
        }
        ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, next);
    }
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    if (!done) std::printf("bez zamiany\n");
    std::printf("kod %lu\n", exit_code);
    std::fflush(stdout);
    return stepped_in ? 0 : 1;
}
