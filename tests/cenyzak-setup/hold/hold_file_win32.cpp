// hold-file.exe FILE STOPFILE: holds FILE the way a running program holds its plug-in, for the
// setup program's test (scripts/wine-setup.sh). The file is mapped as an image without running it
// (no host module needed); while it is, Windows and Wine refuse to overwrite or delete it, which is
// what the setup must notice. Prints "gotowe" once the file is held, then waits until STOPFILE
// exists (at most two minutes). Status 1 when the file cannot be mapped.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    HMODULE held = LoadLibraryExW(argv[1], nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (held == nullptr) return 1;
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "gotowe\r\n", 8, &written, nullptr);
    for (int i = 0; i < 1200 && GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(100);
    FreeLibrary(held);
    return 0;
}
