#include "sim/pe_exports.h"

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

Exports failed(std::string why) {
    Exports e;
    e.error = std::move(why);
    return e;
}

} // namespace

bool Exports::has(uint32_t ordinal) const {
    return std::binary_search(ordinals.begin(), ordinals.end(), ordinal);
}

Exports read_exports(const uint8_t* data, size_t size) {
    const Bytes b(data, size);
    uint32_t mz = 0, pe_at = 0;
    if (!b.u16(0, mz) || !b.u32(0x3C, pe_at))
        return failed("too short for a Windows module (" + std::to_string(size) + " bytes)");
    if (mz != 0x5A4D) return failed("not a Windows module: it does not start with \"MZ\"");
    uint32_t signature = 0, machine = 0, section_count = 0, optional_size = 0;
    if (!b.u32(pe_at, signature) || signature != 0x4550)
        return failed("no PE header where the DOS header points (offset " + hex(pe_at) + ")");
    b.u16(uint64_t(pe_at) + 4, machine);
    if (!b.u16(uint64_t(pe_at) + 6, section_count) || !b.u16(uint64_t(pe_at) + 20, optional_size))
        return failed("the PE header is cut short");
    if (machine == 0x8664) return failed("a 64-bit module (machine 0x8664), not a 32-bit one");
    if (machine != 0x14C) return failed("built for machine " + hex(machine) + ", not 32-bit x86");
    const uint64_t optional = uint64_t(pe_at) + 24;
    uint32_t magic = 0;
    if (!b.u16(optional, magic)) return failed("the optional header is cut short");
    if (magic != 0x10B)
        return failed("not a PE32 image (optional header magic " + hex(magic) + ")");

    // The section table, to find where an address inside the loaded image lies in the file.
    if (section_count > 96) return failed(std::to_string(section_count) + " sections (at most 96)");
    std::vector<Section> sections;
    const uint64_t table = optional + optional_size;
    for (uint32_t i = 0; i < section_count; ++i) {
        const uint64_t at = table + 40ull * i;
        Section s{};
        if (!b.u32(at + 12, s.address) || !b.u32(at + 16, s.raw_size) ||
            !b.u32(at + 20, s.raw_offset))
            return failed("the section table is cut short");
        // File data past the end of the file is not there to read.
        if (s.raw_offset >= size)
            s.raw_size = 0;
        else
            s.raw_size = uint32_t(std::min<uint64_t>(s.raw_size, size - s.raw_offset));
        sections.push_back(s);
    }

    // Data directory 0: the export directory.
    uint32_t directories = 0, export_rva = 0, export_size = 0;
    if (optional_size < 104 || !b.u32(optional + 92, directories) || directories == 0 ||
        !b.u32(optional + 96, export_rva) || !b.u32(optional + 100, export_size))
        return failed("the optional header has no data directories");
    Exports out;
    out.ok = true;
    if (export_rva == 0 && export_size == 0) return out; // exports nothing
    uint64_t dir = 0;
    if (!file_offset(sections, export_rva, 40, dir))
        return failed("the export directory (RVA " + hex(export_rva) + ") is not in the file");
    uint32_t base = 0, count = 0, functions_rva = 0;
    b.u32(dir + 16, base);
    b.u32(dir + 20, count);
    b.u32(dir + 28, functions_rva);
    // Ordinals are 16-bit: a table that reaches past 65535 is not a real one.
    if (count > 65536 || base > 65536 - count)
        return failed("the export table claims " + std::to_string(count) +
                      " entries from ordinal " + std::to_string(base) + " (ordinals end at 65535)");
    uint64_t functions = 0;
    if (count > 0 && !file_offset(sections, functions_rva, 4ull * count, functions))
        return failed("the export address table (RVA " + hex(functions_rva) + ", " +
                      std::to_string(count) + " entries) is not whole in the file");
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

} // namespace pe
