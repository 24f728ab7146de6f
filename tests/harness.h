// Test harness: a fresh simulated host and loader per test, the plug-in loaded through the
// simulated loader and driven only through its entries and the hooks in the handler slots.
#pragma once

#include "platform/simloader.h"
#include "plugin/image.h"
#include "sim/vordan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace harness {

constexpr const char* kPluginPath = "C:\\Program Files\\Vordan\\Wtyczki\\cenyzak.dll";
constexpr const char* kTitle = "Wypelnienie RW, MM wew. i MM wys. cenami zakupu (Ctrl-E)";
constexpr int32_t kAbort = 3, kRetry = 4, kIgnore = 5;

typedef int32_t(CZ_CDECL* Entry30001)(void*, char*);
typedef int32_t(CZ_CDECL* Entry30008)(int32_t);
typedef int32_t(CZ_CDECL* Entry30009)(void);

// The eleven arguments a test passes to a handler; words 2 and 5 to 11 are distinct markers.
struct HandlerArgs {
    uint32_t a2 = 0xA2A2A2A2;
    uint32_t rest[7] = {0x05050505, 0x06060606, 0x07070707, 0x08080808,
                        0x09090909, 0x10101010, 0x11111111};
};

class HostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        simloader::reset();
        vordan::reset();
    }

    vordan::Host& h() { return vordan::host(); }

    // Registers VORDAN (unless `with_host` is false) and loads the plug-in; false when the load
    // failed. `file_name` null: the plug-in's file name cannot be had.
    bool load(const char* file_name = kPluginPath, bool with_host = true) {
        if (with_host) vordan::register_module();
        module_ = simloader::load_library(&cenyzak_image, file_name);
        if (!module_) return false;
        e30001_ = reinterpret_cast<Entry30001>(cz_proc_address(module_, ordinal(30001)));
        e30008_ = reinterpret_cast<Entry30008>(cz_proc_address(module_, ordinal(30008)));
        e30009_ = reinterpret_cast<Entry30009>(cz_proc_address(module_, ordinal(30009)));
        return e30001_ && e30008_ && e30009_;
    }

    static const char* ordinal(uintptr_t n) { return reinterpret_cast<const char*>(n); }

    int32_t attach(char* title = nullptr) {
        static char host_marker;
        return e30001_(&host_marker, title);
    }
    int32_t detach(char* second = nullptr) { return e30001_(nullptr, second); }
    int32_t start(int32_t flag = 0) { return e30008_(flag); }
    int32_t entry_30009() { return e30009_(); }

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
                     const HandlerArgs& a = HandlerArgs()) {
        cz_handler handler = h().tables.at(table).handler();
        return handler(event, a.a2, count, records, a.rest[0], a.rest[1], a.rest[2], a.rest[3],
                       a.rest[4], a.rest[5], a.rest[6]);
    }
    int32_t ctrl_e(int32_t table, vordan::Lines& lines, int32_t event = 5) {
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

    cz_module module_ = nullptr;
    Entry30001 e30001_ = nullptr;
    Entry30008 e30008_ = nullptr;
    Entry30009 e30009_ = nullptr;
};

// The plug-in's texts are Mazovia bytes, and the message box shows Windows-1250: expected texts
// are written in UTF-8 and encoded with these.
inline std::string mazovia(const std::string& utf8) {
    return vordan::utf8_to_mazovia(utf8);
}
inline std::string cp1250(const std::string& utf8) {
    return vordan::mazovia_to_cp1250(mazovia(utf8));
}

// Bytes of a buffer outside the listed spans.
using records::Span;
inline void expect_only_changed(const std::vector<uint8_t>& before, const uint8_t* after,
                                const std::vector<Span>& allowed) {
    for (uint32_t i = 0; i < before.size(); ++i) {
        bool inside = false;
        for (const Span& s : allowed)
            inside = inside || (i >= s.offset && i < s.offset + s.width);
        if (!inside) {
            ASSERT_EQ(before[i], after[i]) << "byte " << i << " changed";
        }
    }
}

} // namespace harness
