#include "cenyzak-sprawdz/pe_exports.h"

#include <algorithm>
#include <cstdio>

namespace pe {
namespace {

// Bounded little-endian reads: a read that would leave the bytes fails instead.
class Bytes {
  public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool fits(uint64_t offset, uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    bool u8(uint64_t offset, uint32_t& out) const {
        if (!fits(offset, 1)) return false;
        out = data_[offset];
        return true;
    }
    bool u16(uint64_t offset, uint32_t& out) const {
        if (!fits(offset, 2)) return false;
        out = uint32_t(data_[offset]) | uint32_t(data_[offset + 1]) << 8;
        return true;
    }
    bool u32(uint64_t offset, uint32_t& out) const {
        if (!fits(offset, 4)) return false;
        out = uint32_t(data_[offset]) | uint32_t(data_[offset + 1]) << 8 |
              uint32_t(data_[offset + 2]) << 16 | uint32_t(data_[offset + 3]) << 24;
        return true;
    }
    size_t size() const { return size_; }

  private:
    const uint8_t* data_;
    size_t size_;
};

struct Section {
    uint32_t address, raw_size, raw_offset;
};

std::string hex(uint32_t v) {
    char b[16];
    snprintf(b, sizeof b, "0x%X", unsigned(v));
    return b;
}

// The file offset of `length` bytes at `rva`, when they lie whole in one section's file data.
bool file_offset(const std::vector<Section>& sections, uint32_t rva, uint64_t length,
                 uint64_t& out) {
    for (const Section& s : sections) {
        if (rva < s.address) continue;
        const uint64_t into = uint64_t(rva) - s.address;
        if (into < s.raw_size && length <= s.raw_size - into) {
            out = uint64_t(s.raw_offset) + into;
            return true;
        }
    }
    return false;
}

Exports failed(std::string why, Fault fault = Fault::damaged) {
    Exports e;
    e.fault = fault;
    e.error = std::move(why);
    return e;
}

// The headers of a PE32 i386 image as far as the readers below need them.
struct Image {
    std::string error; // empty when the headers are readable
    Fault fault = Fault::damaged;
    std::vector<Section> sections;
    uint64_t optional = 0;      // file offset of the optional header
    uint32_t optional_size = 0; // its size
    uint32_t directories = 0;   // how many data directories it has

    // Data directory `index`: its RVA and size; false when the image has no such directory.
    bool directory(const Bytes& b, uint32_t index, uint32_t& rva, uint32_t& size) const {
        const uint64_t at = optional + 96 + 8ull * index;
        return index < directories && at + 8 <= optional + optional_size && b.u32(at, rva) &&
               b.u32(at + 4, size);
    }
};

Image read_image(const Bytes& b) {
    Image im;
    uint32_t mz = 0, pe_at = 0;
    if (!b.u16(0, mz) || !b.u32(0x3C, pe_at)) {
        im.error = "plik jest za krótki (" + std::to_string(b.size()) + " B)";
        im.fault = Fault::not_a_module;
        return im;
    }
    if (mz != 0x5A4D) {
        im.error = "plik nie zaczyna się od „MZ”";
        im.fault = Fault::not_a_module;
        return im;
    }
    uint32_t signature = 0, machine = 0, section_count = 0, optional_size = 0;
    if (!b.u32(pe_at, signature) || signature != 0x4550) {
        im.error =
            "brak nagłówka PE tam, gdzie wskazuje nagłówek DOS (przesunięcie " + hex(pe_at) + ")";
        im.fault = Fault::not_a_module;
        return im;
    }
    b.u16(uint64_t(pe_at) + 4, machine);
    if (!b.u16(uint64_t(pe_at) + 6, section_count) || !b.u16(uint64_t(pe_at) + 20, optional_size)) {
        im.error = "nagłówek PE jest ucięty";
        return im;
    }
    if (machine == 0x8664) {
        im.fault = Fault::is_64_bit;
        im.error = "maszyna 0x8664";
        return im;
    }
    if (machine != 0x14C) {
        im.fault = Fault::other_machine;
        im.error = "maszyna " + hex(machine);
        return im;
    }
    im.optional = uint64_t(pe_at) + 24;
    im.optional_size = optional_size;
    uint32_t magic = 0;
    if (!b.u16(im.optional, magic)) {
        im.error = "nagłówek opcjonalny jest ucięty";
        return im;
    }
    if (magic != 0x10B) {
        im.error = "to nie jest obraz PE32 (nagłówek opcjonalny " + hex(magic) + ")";
        return im;
    }

    // The section table, to find where an address inside the loaded image lies in the file.
    if (section_count > 96) {
        im.error = std::to_string(section_count) + " sekcji (najwyżej 96)";
        return im;
    }
    const uint64_t table = im.optional + optional_size;
    for (uint32_t i = 0; i < section_count; ++i) {
        const uint64_t at = table + 40ull * i;
        Section s{};
        if (!b.u32(at + 12, s.address) || !b.u32(at + 16, s.raw_size) ||
            !b.u32(at + 20, s.raw_offset)) {
            im.error = "tabela sekcji jest ucięta";
            return im;
        }
        // File data past the end of the file is not there to read.
        if (s.raw_offset >= b.size())
            s.raw_size = 0;
        else
            s.raw_size = uint32_t(std::min<uint64_t>(s.raw_size, b.size() - s.raw_offset));
        im.sections.push_back(s);
    }
    if (optional_size < 104 || !b.u32(im.optional + 92, im.directories) || im.directories == 0)
        im.error = "nagłówek opcjonalny nie ma katalogów danych";
    return im;
}

// The module name at `rva`: printable ASCII up to its zero, at most 64 characters; else empty.
std::string module_name(const Bytes& b, const std::vector<Section>& sections, uint32_t rva) {
    std::string name;
    for (uint32_t i = 0; i <= 64; ++i) {
        uint64_t at = 0;
        uint32_t c = 0;
        if (!file_offset(sections, rva + i, 1, at) || !b.u8(at, c)) return "";
        if (c == 0) return name;
        if (c < 0x20 || c > 0x7E) return "";
        name += char(c);
    }
    return "";
}

} // namespace

bool Exports::has(uint32_t ordinal) const {
    return std::binary_search(ordinals.begin(), ordinals.end(), ordinal);
}

Exports read_exports(const uint8_t* data, size_t size) {
    const Bytes b(data, size);
    const Image im = read_image(b);
    if (!im.error.empty()) {
        return failed(im.error, im.fault);
    }

    // Data directory 0: the export directory.
    uint32_t export_rva = 0, export_size = 0;
    if (!im.directory(b, 0, export_rva, export_size))
        return failed("nagłówek opcjonalny nie ma katalogów danych");
    Exports out;
    out.ok = true;
    if (export_rva == 0 && export_size == 0) return out; // exports nothing
    uint64_t dir = 0;
    if (!file_offset(im.sections, export_rva, 40, dir))
        return failed("katalog eksportów (RVA " + hex(export_rva) + ") nie leży w pliku");
    uint32_t name_rva = 0, base = 0, count = 0, functions_rva = 0;
    b.u32(dir + 12, name_rva);
    b.u32(dir + 16, base);
    b.u32(dir + 20, count);
    b.u32(dir + 28, functions_rva);
    // Ordinals are 16-bit: a table that reaches past 65535 is not a real one.
    if (count > 65536 || base > 65536 - count)
        return failed("tabela eksportów deklaruje " + std::to_string(count) + " wpisów od numeru " +
                      std::to_string(base) + " (numery kończą się na 65535)");
    uint64_t functions = 0;
    if (count > 0 && !file_offset(im.sections, functions_rva, 4ull * count, functions))
        return failed("tabela adresów eksportów (RVA " + hex(functions_rva) + ", " +
                      std::to_string(count) + " wpisów) nie mieści się w pliku");
    out.name = module_name(b, im.sections, name_rva);
    out.table_offset = functions;
    out.base = base;
    out.count = count;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t address = 0;
        b.u32(functions + 4ull * i, address);
        if (address != 0) out.ordinals.push_back(base + i);
    }
    return out;
}

bool read_file_version(const uint8_t* data, size_t size, uint16_t version[4]) {
    const Bytes b(data, size);
    const Image im = read_image(b);
    uint32_t rsrc = 0, rsrc_size = 0;
    if (!im.error.empty() || !im.directory(b, 2, rsrc, rsrc_size) || rsrc == 0) return false;

    // The resource tree: type (16, RT_VERSION), then the first name, then the first language,
    // whose leaf gives the data's RVA and size. A directory's offsets count from the tree's start;
    // a set top bit marks a subdirectory.
    auto entries = [&](uint32_t offset, uint64_t& first, uint32_t& count) {
        uint64_t at = 0;
        uint32_t named = 0, ids = 0;
        if (offset > 0xFFFFFFFFu - rsrc || !file_offset(im.sections, rsrc + offset, 16, at) ||
            !b.u16(at + 12, named) || !b.u16(at + 14, ids))
            return false;
        count = named + ids;
        first = uint64_t(offset) + 16;
        return true;
    };
    auto entry = [&](uint64_t offset, uint32_t& id, uint32_t& target) {
        uint64_t at = 0;
        return offset + 8 <= 0xFFFFFFFFu - rsrc &&
               file_offset(im.sections, rsrc + uint32_t(offset), 8, at) && b.u32(at, id) &&
               b.u32(at + 4, target);
    };
    uint64_t first = 0;
    uint32_t count = 0, id = 0, target = 0;
    if (!entries(0, first, count)) return false;
    bool found = false;
    for (uint32_t i = 0; i < count && !found; ++i)
        found = entry(first + 8ull * i, id, target) && id == 16 && (target >> 31) != 0;
    if (!found) return false;
    for (int level = 0; level < 2; ++level) {
        if (!entries(target & 0x7FFFFFFFu, first, count) || count == 0 ||
            !entry(first, id, target) || (target >> 31) != (level == 0 ? 1u : 0u))
            return false;
    }
    uint64_t leaf = 0;
    uint32_t data_rva = 0, data_size = 0;
    if (target > 0xFFFFFFFFu - rsrc || !file_offset(im.sections, rsrc + target, 16, leaf) ||
        !b.u32(leaf, data_rva) || !b.u32(leaf + 4, data_size))
        return false;

    // VS_VERSIONINFO: its length, the value's length, the type, the key "VS_VERSION_INFO" in
    // UTF-16 with its zero, padding to 4 bytes, then VS_FIXEDFILEINFO: the signature 0xFEEF04BD,
    // the structure's version, the file version's high and low words.
    constexpr uint32_t kFixed = 40, kFixedSize = 52;
    uint64_t info = 0;
    uint32_t value_length = 0, signature = 0, high = 0, low = 0;
    if (data_size < kFixed + kFixedSize ||
        !file_offset(im.sections, data_rva, kFixed + kFixedSize, info) ||
        !b.u16(info + 2, value_length) || value_length < kFixedSize)
        return false;
    const char key[] = "VS_VERSION_INFO";
    for (uint32_t i = 0; i < sizeof key; ++i) {
        uint32_t c = 0;
        if (!b.u16(info + 6 + 2 * i, c) || c != uint32_t(uint8_t(key[i]))) return false;
    }
    if (!b.u32(info + kFixed, signature) || signature != 0xFEEF04BDu ||
        !b.u32(info + kFixed + 8, high) || !b.u32(info + kFixed + 12, low))
        return false;
    version[0] = uint16_t(high >> 16);
    version[1] = uint16_t(high);
    version[2] = uint16_t(low >> 16);
    version[3] = uint16_t(low);
    return true;
}

} // namespace pe
