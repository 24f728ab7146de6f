// The pre-flight tool's file access: every path goes to the wide (UTF-16) Windows calls, so that a
// path with Polish letters opens the same whatever the system's code page.
#include "cenyzak-sprawdz/check_files.h"

#include "cenyzak-sprawdz/utf16.h"

#include <windows.h>

namespace check_files {
namespace {

bool is_separator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

std::string reason(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "nie ma takiego pliku";
    case ERROR_ACCESS_DENIED:
        return "brak uprawnień do odczytu";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "plik jest zablokowany przez inny program";
    default:
        return "nie można otworzyć (błąd Windows " + std::to_string(error) + ")";
    }
}

std::wstring lower(std::wstring s) {
    if (!s.empty()) CharLowerBuffW(&s[0], DWORD(s.size()));
    return s;
}

} // namespace

Kind kind(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(utf16::from_utf8(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Kind::missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::directory : Kind::file;
}

bool read(const std::string& path, size_t max_bytes, std::string& out, std::string& why) {
    if (kind(path) == Kind::directory) {
        why = "to folder, a nie plik";
        return false;
    }
    // Shared for reading and writing: the host program may be running and have its module open.
    HANDLE file = CreateFileW(utf16::from_utf8(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = reason(GetLastError());
        return false;
    }
    out.clear();
    char buffer[65536];
    DWORD n = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &n, nullptr) != 0) && n > 0) {
        if (out.size() + n > max_bytes) {
            CloseHandle(file);
            why = "plik ma ponad " + std::to_string(max_bytes / (1024 * 1024)) + " MiB";
            return false;
        }
        out.append(buffer, n);
    }
    CloseHandle(file);
    if (!ok) why = "błąd odczytu";
    return ok;
}

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return is_separator(wchar_t(folder.back())) ? folder + name : folder + "\\" + name;
}

std::string find(const std::string& folder, const std::string& name) {
    std::wstring joined = utf16::from_utf8(folder);
    if (!joined.empty() && !is_separator(joined.back())) joined += L'\\';
    // Windows compares names without regard to letter case itself; the listing is only for the
    // name as it is written on the disk.
    const std::wstring wanted = lower(utf16::from_utf8(name));
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((joined + utf16::from_utf8(name)).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return "";
    std::string found;
    do {
        if (lower(entry.cFileName) == wanted) {
            found = utf16::to_utf8(joined + entry.cFileName);
            break;
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

std::string parent(const std::string& path) {
    const std::wstring p = utf16::from_utf8(path);
    size_t end = p.size();
    while (end > 1 && is_separator(p[end - 1]))
        --end;
    while (end > 0 && !is_separator(p[end - 1]))
        --end;
    // "C:\" and "\\server\share\" keep their separator: without it they would name another place.
    while (end > 1 && is_separator(p[end - 1]) && !(end == 3 && p[1] == L':'))
        --end;
    return utf16::to_utf8(p.substr(0, end));
}

std::string base_name(const std::string& path) {
    const std::wstring p = utf16::from_utf8(path);
    size_t end = p.size();
    while (end > 1 && is_separator(p[end - 1]))
        --end;
    size_t start = end;
    while (start > 0 && !is_separator(p[start - 1]) && p[start - 1] != L':')
        --start;
    return utf16::to_utf8(p.substr(start, end - start));
}

} // namespace check_files
