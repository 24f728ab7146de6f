// The pre-flight check's tests' own fixtures: small 32-bit modules made byte by byte (a host
// module, the plug-in, anything between), a folder per test to lay them out as a client's program,
// and the check run on them with its report made easy to search.
#pragma once

#include "cenyzak-sprawdz/check_host.h"
#include "host/services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace checktest {

inline std::vector<int32_t> service_ordinals() {
#define CZ_TEST_ORDINAL(ord, ret, params, name) ord,
    return {CZ_HOST_SERVICES(CZ_TEST_ORDINAL)};
#undef CZ_TEST_ORDINAL
}

inline void put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
inline void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

struct ModuleShape {
    std::vector<int32_t> ordinals;
    uint32_t machine = 0x14C;
    std::string name = "VORDAN.dll";
    std::vector<uint16_t> version; // four numbers: a version resource; empty: none
    // The headers' edges: how many section headers (the first one holds everything, the others
    // are empty), the optional header's size and how many data directories it declares.
    uint32_t sections = 1;
    uint32_t optional_size = 0xE0;
    uint32_t directories = 16;
    // The version resource's tree with named entries too: a named type before RT_VERSION, and the
    // version resource itself under a name instead of a number.
    bool named_resources = false;
};

// Where make_module put things: the section's file offset (0x200 unless the section headers
// need more room) and the export address table's.
struct Layout {
    uint32_t data = 0x200;
    uint32_t table = 0x228;
};

// A minimal PE32 module: one section at RVA 0x1000 holding the export directory, its address table
// (every listed ordinal a non-zero address), the module's name and, when asked, a resource tree
// with one version resource, which ends the file.
inline std::vector<uint8_t> make_module(const ModuleShape& shape, Layout* layout = nullptr) {
    uint32_t lo = 65535, hi = 0;
    for (int32_t o : shape.ordinals) {
        lo = std::min(lo, uint32_t(o));
        hi = std::max(hi, uint32_t(o));
    }
    const uint32_t count = shape.ordinals.empty() ? 0 : hi - lo + 1;
    const uint32_t name_room = uint32_t(std::max<size_t>(32, shape.name.size() + 1));
    const uint32_t name_at = 40 + 4 * count, rsrc_at = (name_at + name_room + 3) & ~3u;
    const uint32_t rsrc_size = 0x80 + 92;
    const uint32_t raw = rsrc_at + rsrc_size;
    const size_t opt = 0x58, section = opt + shape.optional_size;
    const uint32_t data =
        std::max<uint32_t>(0x200, uint32_t(section + 40 * shape.sections + 0x1FF) & ~0x1FFu);
    if (layout) *layout = {data, data + 40};
    std::vector<uint8_t> b(data + raw, 0);
    b[0] = 'M', b[1] = 'Z';
    put32(b, 0x3C, 0x40);
    b[0x40] = 'P', b[0x41] = 'E';
    put16(b, 0x44, shape.machine);
    put16(b, 0x46, shape.sections);
    put16(b, 0x54, shape.optional_size);
    put16(b, opt, 0x10B);
    put32(b, opt + 92, shape.directories);
    put32(b, opt + 96, 0x1000); // export directory RVA
    put32(b, opt + 100, name_at);
    put32(b, section + 8, raw);
    put32(b, section + 12, 0x1000);
    put32(b, section + 16, raw);
    put32(b, section + 20, data);
    put32(b, data + 12, 0x1000 + name_at);
    put32(b, data + 16, lo);
    put32(b, data + 20, count);
    put32(b, data + 28, 0x1028);
    for (int32_t o : shape.ordinals)
        put32(b, data + 40 + 4 * (uint32_t(o) - lo), 0x2000 + uint32_t(o));
    memcpy(&b[data + name_at], shape.name.data(), shape.name.size());
    if (shape.version.size() == 4) {
        // Type 16 -> name 1 (or "V") -> language 0x415 -> the data: VS_VERSIONINFO with its fixed
        // part. Offsets within the tree: the root at 0, the name level at 0x20, the language level
        // at 0x38, the leaf at 0x50, a name string at 0x60, the data at 0x80.
        const size_t r = data + rsrc_at;
        const uint32_t rva = 0x1000 + rsrc_at;
        put32(b, opt + 96 + 16, rva);
        put32(b, opt + 100 + 16, rsrc_size);
        if (shape.named_resources) {
            // A named type first ("V", pointing at the same name level), then RT_VERSION.
            put16(b, r + 12, 1), put16(b, r + 14, 1);
            put32(b, r + 16, 0x80000060u), put32(b, r + 20, 0x80000020u);
            put32(b, r + 24, 16), put32(b, r + 28, 0x80000020u);
            put16(b, r + 0x20 + 12, 1); // the version resource by name only
            put16(b, r + 0x60, 1), put16(b, r + 0x62, 'V');
        } else {
            put16(b, r + 14, 1), put32(b, r + 16, 16), put32(b, r + 20, 0x80000020u);
            put16(b, r + 0x20 + 14, 1);
        }
        put32(b, r + 0x30, shape.named_resources ? 0x80000060u : 1),
            put32(b, r + 0x34, 0x80000038u);
        put16(b, r + 0x38 + 14, 1), put32(b, r + 0x48, 0x415), put32(b, r + 0x4C, 0x50);
        put32(b, r + 0x50, rva + 0x80), put32(b, r + 0x54, 92);
        const size_t v = r + 0x80;
        put16(b, v, 92), put16(b, v + 2, 52);
        const char key[] = "VS_VERSION_INFO";
        for (size_t i = 0; i < sizeof key; ++i)
            put16(b, v + 6 + 2 * i, uint8_t(key[i]));
        put32(b, v + 40, 0xFEEF04BDu), put32(b, v + 44, 0x10000);
        put32(b, v + 48, uint32_t(shape.version[0]) << 16 | shape.version[1]);
        put32(b, v + 52, uint32_t(shape.version[2]) << 16 | shape.version[3]);
    }
    return b;
}
inline std::vector<uint8_t> host_without(std::vector<int32_t> missing) {
    ModuleShape shape;
    for (int32_t o : service_ordinals())
        if (std::find(missing.begin(), missing.end(), o) == missing.end())
            shape.ordinals.push_back(o);
    return make_module(shape);
}
inline std::vector<uint8_t> plugin_module(std::vector<uint16_t> version) {
    ModuleShape shape;
    shape.ordinals = {30001, 30008, 30009};
    shape.name = "cenyzak.dll";
    shape.version = std::move(version);
    return make_module(shape);
}

// A folder of the test's own (tests run side by side, each in a process of its own), emptied when
// the test first asks for it.
inline std::string scratch(const std::string& leaf = "") {
    static std::string emptied;
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string dir =
        testing::TempDir() + "check-host-" + test->test_suite_name() + "-" + test->name();
    if (emptied != dir) std::filesystem::remove_all(dir);
    emptied = dir;
    mkdir(dir.c_str(), 0755);
    if (!leaf.empty()) {
        dir += "/" + leaf;
        std::filesystem::create_directories(dir);
    }
    return dir;
}
inline std::string write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}
inline std::string write_text(const std::string& path, const std::string& text) {
    return write(path, std::vector<uint8_t>(text.begin(), text.end()));
}

inline check_host::Result check(const std::string& target, const std::string& plugin = "",
                                const std::string& sums = "") {
    check_host::Request r;
    r.target = target;
    r.plugin = plugin;
    r.sums = sums;
    return check_host::run(r);
}
inline check_host::Result check_bytes(const std::vector<uint8_t>& bytes) {
    return check(write(scratch() + "/VORDAN.dll", bytes));
}

inline bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}
// The text with each line end and the indentation after it as one blank: prose is wrapped
// wherever the words fall.
inline std::string unwrap(const std::string& wrapped) {
    std::string text;
    for (size_t i = 0; i < wrapped.size(); ++i) {
        if (wrapped[i] != '\n') {
            text += wrapped[i];
            continue;
        }
        text += ' ';
        while (i + 1 < wrapped.size() && wrapped[i + 1] == ' ')
            ++i;
    }
    return text;
}
inline std::string flat(const check_host::Result& r) {
    return unwrap(r.text);
}

} // namespace checktest
