// 64-bit inode numbers and sizes in a 32-bit build too: without them, readdir and stat fail with
// EOVERFLOW on file systems whose inode numbers do not fit 32 bits, and a folder seems empty.
#if !defined(_WIN32) && !defined(_FILE_OFFSET_BITS)
#define _FILE_OFFSET_BITS 64
#endif

#include "cenyzak-sprawdz/check_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace check_files {
namespace {

#if defined(_WIN32)
constexpr char kSeparator = '\\';
bool is_separator(char c) {
    return c == '\\' || c == '/';
}
#else
constexpr char kSeparator = '/';
bool is_separator(char c) {
    return c == '/';
}
#endif

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

std::string reason(int error) {
    switch (error) {
    case ENOENT:
        return "nie ma takiego pliku";
    case EACCES:
        return "brak uprawnień do odczytu";
    default:
        return std::string("nie można otworzyć (") + strerror(error) + ")";
    }
}

} // namespace

Kind kind(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return Kind::missing;
    return S_ISDIR(st.st_mode) ? Kind::directory : Kind::file;
}

bool read(const std::string& path, size_t max_bytes, std::string& out, std::string& why) {
    if (kind(path) == Kind::directory) {
        why = "to folder, a nie plik";
        return false;
    }
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
        why = reason(errno);
        return false;
    }
    out.clear();
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
        if (out.size() + n > max_bytes) {
            fclose(f);
            why = "plik ma ponad " + std::to_string(max_bytes / (1024 * 1024)) + " MiB";
            return false;
        }
        out.append(buffer, n);
    }
    const bool error = ferror(f) != 0;
    fclose(f);
    if (error) why = "błąd odczytu";
    return !error;
}

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return is_separator(folder.back()) ? folder + name : folder + kSeparator + name;
}

std::string find(const std::string& folder, const std::string& name) {
    std::string joined = folder;
    if (!joined.empty() && !is_separator(joined.back())) joined += kSeparator;
    if (kind(joined + name) != Kind::missing) return joined + name;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return "";
    std::string found;
    const std::string wanted = lower(name);
    while (dirent* e = readdir(dir))
        if (lower(e->d_name) == wanted) {
            found = joined + e->d_name;
            break;
        }
    closedir(dir);
    return found;
}

std::string parent(const std::string& path) {
    size_t end = path.size();
    while (end > 1 && is_separator(path[end - 1]))
        --end;
    while (end > 0 && !is_separator(path[end - 1]))
        --end;
    while (end > 1 && is_separator(path[end - 1]))
        --end;
    return path.substr(0, end);
}

std::string base_name(const std::string& path) {
    size_t end = path.size();
    while (end > 1 && is_separator(path[end - 1]))
        --end;
    size_t start = end;
    while (start > 0 && !is_separator(path[start - 1]))
        --start;
    return path.substr(start, end - start);
}

} // namespace check_files
