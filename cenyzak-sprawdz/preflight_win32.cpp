// cenyzak-sprawdz.exe, the pre-flight tool: the command line from Windows as UTF-16, the report
// (cenyzak-sprawdz/preflight.h) out to the console or to wherever the output was sent.
//
// The report is Polish, so how it reaches the screen matters:
// - To a console it goes as UTF-16 through WriteConsoleW. The console then shows the letters
//   whatever its code page (852 on a Polish Windows, 437 or 1252 elsewhere) and the console is left
//   as it was. Writing bytes instead would be right for one code page only, and switching the
//   console to UTF-8 (SetConsoleOutputCP(65001)) changes it for the command prompt after the tool
//   has ended and prints badly on the older consoles of Windows 7 and 8.
// - To a file (wynik.txt > from cmd) it goes as UTF-8 with a byte order mark and CRLF line ends:
//   Notepad of every Windows version and PowerShell's Get-Content read that as UTF-8, which is the
//   form to attach to a report. The mark is written only at the start of a file (not on >>).
// - Into a pipe (| more, | findstr, or PowerShell capturing the output) it goes in the console's
//   output code page, which is how those programs decode what they read; UTF-8 when there is no
//   console.
#include "cenyzak-sprawdz/check_files.h"
#include "cenyzak-sprawdz/preflight.h"
#include "cenyzak-sprawdz/utf16.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::wstring crlf(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\n') out += L'\r';
        out += c;
    }
    return out;
}

void write_bytes(HANDLE out, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 1u << 16));
        if (!WriteFile(out, bytes.data() + done, chunk, &n, nullptr) || n == 0) return;
        done += n;
    }
}

void print(const std::string& utf8) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    const std::wstring text = crlf(utf16::from_utf8(utf8));
    DWORD mode = 0;
    if (GetConsoleMode(out, &mode)) {
        size_t done = 0;
        while (done < text.size()) {
            DWORD n = 0;
            const DWORD chunk = DWORD(std::min<size_t>(text.size() - done, 8192));
            if (!WriteConsoleW(out, text.data() + done, chunk, &n, nullptr) || n == 0) return;
            done += n;
        }
        return;
    }
    if (GetFileType(out) == FILE_TYPE_DISK) {
        LARGE_INTEGER zero = {}, at = {};
        const bool at_start = SetFilePointerEx(out, zero, &at, FILE_CURRENT) && at.QuadPart == 0;
        write_bytes(out, (at_start ? "\xEF\xBB\xBF" : "") + utf16::to_utf8(text));
        return;
    }
    const UINT code_page = GetConsoleOutputCP();
    if (code_page == 0 || code_page == CP_UTF8) {
        write_bytes(out, utf16::to_utf8(text));
        return;
    }
    const int n = WideCharToMultiByte(code_page, 0, text.data(), int(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string bytes(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(code_page, 0, text.data(), int(text.size()), &bytes[0], n, nullptr,
                            nullptr);
    write_bytes(out, bytes);
}

// Started from Explorer (a double click, or a folder dropped on its icon), the tool has a console
// of its own, which closes the moment it ends: it waits for Enter so that the report can be read.
// From a command prompt the console is shared and nothing waits.
void wait_if_own_console() {
    DWORD mode = 0, processes[2];
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) ||
        !GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) ||
        GetConsoleProcessList(processes, 2) != 1)
        return;
    print("\nNaciśnij Enter, aby zamknąć to okno.");
    wchar_t line[64];
    DWORD n = 0;
    ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), line, 64, &n, nullptr);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(utf16::to_utf8(argv[i]));
    std::wstring self(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, &self[0], DWORD(self.size()));
    self.resize(n < self.size() ? n : 0);
    const preflight::Outcome outcome =
        preflight::run(args, check_files::parent(utf16::to_utf8(self)));
    print(outcome.text);
    wait_if_own_console();
    return outcome.status;
}
