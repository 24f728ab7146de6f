#include "cenyzak-sprawdz/findings.h"

#include "cenyzak-sprawdz/check_files.h"
#include "cenyzak-sprawdz/pe_exports.h"
#include "cenyzak-sprawdz/sha256.h"
#include "cenyzak-sprawdz/standins.h"
#include "host/services.h"

#include "cenyzak_version.h"

namespace check_host {
namespace {

// The plug-in's own entries: a module exporting these is cenyzak.dll, not the program's module.
constexpr uint32_t kPluginEntries[] = {30001, 30008, 30009};

// A host module is a few MiB at most; anything far larger is not one.
constexpr size_t kMaxModuleBytes = 256u * 1024 * 1024;
constexpr size_t kMaxSumsBytes = 64u * 1024;

constexpr const char* kModuleName = "VORDAN.dll";
constexpr const char* kPluginName = "cenyzak.dll";
constexpr const char* kPluginFolder = "Wtyczki";

bool has_plugin_entries(const pe::Exports& e) {
    bool all = e.ok;
    for (uint32_t entry : kPluginEntries)
        all = all && e.has(entry);
    return all;
}

// The digest that SHA256SUMS gives for cenyzak.dll, lower-case ("HASH  cenyzak.dll" or
// "HASH *cenyzak.dll", as sha256sum writes it; upper-case hex, CRLF line ends and a UTF-8 BOM, as
// Windows tools and Notepad leave them, read the same); empty when it gives none.
std::string packaged_digest(const std::string& sums) {
    size_t at = sums.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (at < sums.size()) {
        size_t end = sums.find('\n', at);
        if (end == std::string::npos) end = sums.size();
        std::string row = sums.substr(at, end - at);
        at = end + 1;
        if (!row.empty() && row.back() == '\r') row.pop_back();
        if (row.size() < 66 || row[64] != ' ') continue;
        const std::string name = row.substr(66);
        if ((row[65] != ' ' && row[65] != '*') || name != kPluginName) continue;
        std::string digest = row.substr(0, 64);
        for (char& c : digest) {
            if (c >= 'A' && c <= 'F') c = char(c - 'A' + 'a');
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return "";
        }
        return digest;
    }
    return "";
}

// The program's module: the file given, or VORDAN.dll (any letter case) in the folder given.
bool find_module(Findings& f) {
    switch (check_files::kind(f.target)) {
    case check_files::Kind::missing:
        f.kind = ModuleKind::no_such_path;
        return false;
    case check_files::Kind::file:
        f.module = f.target;
        f.folder = check_files::parent(f.target);
        return true;
    case check_files::Kind::directory:
        break;
    }
    f.folder = f.target;
    f.module = check_files::find(f.target, kModuleName);
    if (!f.module.empty() && check_files::kind(f.module) == check_files::Kind::file) return true;
    f.module.clear();
    f.kind = ModuleKind::not_in_folder;
    const std::string up = check_files::find(check_files::parent(f.target), kModuleName);
    if (!up.empty() && check_files::parent(f.target) != f.target) f.above = up;
    return false;
}

void read_module(Findings& f) {
    std::string bytes;
    if (!check_files::read(f.module, kMaxModuleBytes, bytes, f.detail)) {
        f.kind = ModuleKind::unreadable;
        return;
    }
    const pe::Exports e =
        pe::read_exports(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (!e.ok) {
        switch (e.fault) {
        case pe::Fault::not_a_module:
            f.kind = ModuleKind::not_a_module;
            break;
        case pe::Fault::is_64_bit:
            f.kind = ModuleKind::is_64_bit;
            break;
        case pe::Fault::other_machine:
            f.kind = ModuleKind::other_machine;
            break;
        case pe::Fault::none:
        case pe::Fault::damaged:
            f.kind = ModuleKind::damaged;
            break;
        }
        f.detail = e.error;
        return;
    }
    f.export_name = e.name;
    bool any_service = false;
    for (int32_t ordinal : service_ordinals())
        any_service = any_service || e.has(uint32_t(ordinal));
    if (!any_service) {
        f.kind = has_plugin_entries(e) ? ModuleKind::plugin_itself : ModuleKind::other_module;
        return;
    }
    f.kind = ModuleKind::host;
    for (int32_t ordinal : service_ordinals())
        f.services.push_back(
            {ordinal, e.has(uint32_t(ordinal)), standins::find(ordinal) != nullptr});
}

Copy read_copy(const std::string& path, Where where) {
    Copy c;
    c.path = path;
    c.where = where;
    std::string bytes;
    c.readable = check_files::read(path, kMaxModuleBytes, bytes, c.why);
    if (!c.readable) return c;
    const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
    c.plugin = has_plugin_entries(pe::read_exports(data, bytes.size()));
    if (!c.plugin) return c;
    c.digest = sha256::hex_digest(data, bytes.size());
    c.versioned = pe::read_file_version(data, bytes.size(), c.version);
    return c;
}

// The installed cenyzak.dll: the one named, or every copy in the program folder's Wtyczki and in
// the program's folder itself (the plug-in folder first).
void find_copies(const Request& request, Findings& f) {
    auto is_file = [](const std::string& p) {
        return !p.empty() && check_files::kind(p) == check_files::Kind::file;
    };
    if (!request.plugin.empty()) {
        std::string path = request.plugin;
        const check_files::Kind kind = check_files::kind(path);
        if (kind != check_files::Kind::file) {
            f.looked.push_back(path);
            path = kind == check_files::Kind::directory ? check_files::find(path, kPluginName) : "";
        }
        if (!path.empty()) f.copies.push_back(read_copy(path, Where::named));
        return;
    }
    const std::string plugins = check_files::find(f.folder, kPluginFolder);
    f.looked.push_back(plugins.empty() ? check_files::join(f.folder, kPluginFolder) : plugins);
    f.looked.push_back(f.folder.empty() ? "." : f.folder);
    const Where where[] = {Where::plugin_folder, Where::program_folder};
    for (size_t i = 0; i < 2; ++i) {
        const std::string path = check_files::find(f.looked[i], kPluginName);
        if (is_file(path)) f.copies.push_back(read_copy(path, where[i]));
    }
}

} // namespace

const std::vector<int32_t>& service_ordinals() {
    static const std::vector<int32_t> list = {
#define CZ_CHECK_ROW(ord, ret, params, name) ord,
        CZ_HOST_SERVICES(CZ_CHECK_ROW)
#undef CZ_CHECK_ROW
    };
    return list;
}

bool Findings::missing(int32_t ordinal) const {
    for (const Service& s : services)
        if (s.ordinal == ordinal) return !s.present;
    return false;
}

std::vector<int32_t> Findings::missing() const {
    std::vector<int32_t> out;
    for (const Service& s : services)
        if (!s.present) out.push_back(s.ordinal);
    return out;
}

std::vector<int32_t> Findings::without_stand_in() const {
    std::vector<int32_t> out;
    for (const Service& s : services)
        if (!s.present && !s.stand_in) out.push_back(s.ordinal);
    return out;
}

Findings find(const Request& request) {
    Findings f;
    f.target = request.target;
    f.package_version[0] = CZ_VERSION_MAJOR;
    f.package_version[1] = CZ_VERSION_MINOR;
    f.package_version[2] = CZ_VERSION_PATCH;
    if (!find_module(f)) return f;
    read_module(f);
    if (f.kind != ModuleKind::host) return f;
    find_copies(request, f);
    std::string sums, why;
    if (!request.sums.empty() && check_files::read(request.sums, kMaxSumsBytes, sums, why))
        f.package_digest = packaged_digest(sums);
    return f;
}

} // namespace check_host
