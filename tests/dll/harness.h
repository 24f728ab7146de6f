// Test harness: a fresh simulated host and loader per test, the plug-in loaded through the
// simulated loader and driven only through its entries and the hooks in the handler slots.
#pragma once

#include "platform/loader_linux.h"
#include "sim/encoding.h"
#include "sim/vordan.h"
#include "undertest/lines.h"
#include "undertest/plugin.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace harness {

using undertest::kAbort;
using undertest::kCtrlE;
using undertest::kDialogStyle;
using undertest::kIgnore;
using undertest::kPluginPath;
using undertest::kRetry;
using undertest::kTitle;

class HostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        loader::reset();
        vordan::reset();
    }

    vordan::Host& h() { return vordan::host(); }

    // Registers VORDAN (unless `with_host` is false) and loads the plug-in; false when the load
    // failed. `file_name` null: the plug-in's file name cannot be had.
    bool load(const char* file_name = kPluginPath, bool with_host = true) {
        if (with_host) vordan::register_module();
        return plugin_.load(file_name);
    }

    int32_t attach(char* title = nullptr) { return plugin_.attach(title); }
    int32_t detach(char* second = nullptr) { return plugin_.detach(second); }
    int32_t start(int32_t flag = 0) { return plugin_.start(flag); }
    int32_t entry_30009() { return plugin_.entry_30009(); }
    cz_module module() const { return plugin_.module(); }

    // Load, attach (accepted) and start, with the trace and messages of that cleared.
    void ready() {
        ASSERT_TRUE(load());
        ASSERT_EQ(attach(), 0);
        ASSERT_EQ(start(), 0);
        h().trace.clear();
        h().messages.clear();
    }

    // Names the lines for the trace: "line0", "line1", ..., and the array "lines".
    void name(vordan::Lines& lines) {
        for (size_t i = 0; i < lines.records.size(); ++i)
            h().names[lines[i]] = "line" + std::to_string(i);
        h().names[lines.pointers.data()] = "lines";
    }

    // Calls the handler routine in the table's handler slot, as the host does.
    int32_t dispatch(int32_t table, int32_t event, int32_t* count, uint8_t** records,
                     const undertest::HandlerWords& a = undertest::HandlerWords()) {
        return undertest::call_handler(h().tables.at(table).handler(), event, count, records, a);
    }
    int32_t ctrl_e(int32_t table, vordan::Lines& lines, int32_t event = kCtrlE) {
        return dispatch(table, event, &lines.count, lines.pointers.data());
    }

    // The trace with the frame's calls for one event removed from its start and end (the two
    // descriptor requests, the key and scope save and restore), to focus on the line calls.
    std::vector<std::string> line_trace() const {
        std::vector<std::string> t = vordan::host().trace;
        auto drop_front = [&](const char* call) {
            if (!t.empty() && t.front().rfind(call, 0) == 0) t.erase(t.begin());
        };
        auto drop_back = [&](const char* call) {
            if (!t.empty() && t.back().rfind(call, 0) == 0) t.pop_back();
        };
        drop_front("52256(");
        drop_front("52256(");
        drop_front("52266()");
        drop_front("52265()");
        drop_back("52266()");
        drop_back("52265()");
        return t;
    }

    undertest::Plugin plugin_;
};

// A record array as a host may hand it over: its last entry ends where the process's readable
// memory ends, the page after it mapped without access, so that a read past the array's end
// faults in every build (not only where AddressSanitizer watches).
class PageEndArray {
  public:
    explicit PageEndArray(const std::vector<uint8_t*>& entries) {
        const size_t page = size_t(sysconf(_SC_PAGESIZE));
        const size_t bytes = entries.size() * sizeof(uint8_t*);
        size_ = (bytes + page - 1) / page * page + page;
        void* map =
            mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map == MAP_FAILED) std::abort();
        base_ = static_cast<uint8_t*>(map);
        mprotect(base_ + size_ - page, page, PROT_NONE);
        data_ = reinterpret_cast<uint8_t**>(base_ + size_ - page - bytes);
        if (bytes) memcpy(data_, entries.data(), bytes);
    }
    ~PageEndArray() { munmap(base_, size_); }
    PageEndArray(const PageEndArray&) = delete;
    PageEndArray& operator=(const PageEndArray&) = delete;
    uint8_t** data() { return data_; }

  private:
    uint8_t* base_;
    size_t size_;
    uint8_t** data_;
};

// The plug-in's texts are Mazovia bytes, and the message box shows Windows-1250: expected texts
// are written in UTF-8 and encoded with these.
inline std::string mazovia(const std::string& utf8) {
    return encoding::utf8_to_mazovia(utf8);
}
inline std::string cp1250(const std::string& utf8) {
    return encoding::mazovia_to_cp1250(mazovia(utf8));
}

// No byte of a record changed outside the listed extents (ascending, apart).
using records::Extent;
inline void expect_only_changed(const std::vector<uint8_t>& before, const uint8_t* after,
                                const std::vector<Extent>& allowed) {
    const int64_t changed =
        undertest::changed_outside(after, before.data(), uint32_t(before.size()), allowed);
    EXPECT_EQ(changed, -1) << "byte " << changed << " changed";
}

} // namespace harness
