// The logic of the Windows-only platform code, reached on Linux: what becomes of
// GetModuleFileNameA's answer, and the DLL's own memory routines against the C library's.
#include "platform/memory_routines.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// ---- the plug-in's file name ----

// GetModuleFileNameA for a module named `name`, as one Windows or the other answers a buffer too
// small for it: Windows XP cuts the name to the buffer's size without a terminating zero, later
// Windows ends it with a zero in the buffer's last byte; both then return the buffer's size.
struct FileNameCall {
    FileNameCall(std::string n, bool x, bool f = false) : name(std::move(n)), xp(x), fails(f) {}
    std::string name;
    bool xp;
    bool fails;
    std::vector<uint32_t> sizes; // the size of every call
    // Not inlined: the compiler then knows no more of the answer than the plug-in does.
    __attribute__((noinline)) uint32_t operator()(char* buffer, uint32_t size) {
        sizes.push_back(size);
        if (fails) return 0;
        if (name.size() < size) {
            memcpy(buffer, name.c_str(), name.size() + 1);
            return uint32_t(name.size());
        }
        memcpy(buffer, name.data(), size);
        if (!xp) buffer[size - 1] = 0;
        return size;
    }
};

TEST(ModuleFileName, EndsEveryNameInsideTheBufferWhateverWindowsLeaves) {
    constexpr size_t kGuard = 8; // bytes after the buffer that must stay as they were
    for (uint32_t size : {1u, 2u, 16u, 300u}) {
        for (bool xp : {false, true}) {
            for (uint32_t length = size > 2 ? size - 2 : 0; length <= size + 2; ++length) {
                SCOPED_TRACE(::testing::Message() << "buffer " << size << ", name " << length
                                                  << (xp ? ", Windows XP" : ", later Windows"));
                FileNameCall call{std::string(length, 'n'), xp};
                std::vector<char> memory(size + kGuard, '\x5A');
                const uint32_t n = cz_terminated_file_name(std::ref(call), memory.data(), size);
                const uint32_t kept = length < size ? length : size - 1;
                EXPECT_EQ(n, kept);
                EXPECT_EQ(std::string(memory.data()), std::string(kept, 'n'));
                EXPECT_EQ(call.sizes, std::vector<uint32_t>{size});
                for (size_t i = size; i < memory.size(); ++i)
                    ASSERT_EQ(memory[i], '\x5A') << "byte " << i << " past the buffer";
            }
        }
    }
}

TEST(ModuleFileName, AFailedCallLeavesAnEmptyNameAndAnEmptyBufferIsNeverWritten) {
    FileNameCall failing{"C:\\cenyzak.dll", false, true};
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(cz_terminated_file_name(std::ref(failing), buffer, 4), 0u);
    EXPECT_EQ(buffer[0], 0);

    FileNameCall call{"C:\\cenyzak.dll", true};
    buffer[0] = 'x';
    EXPECT_EQ(cz_terminated_file_name(std::ref(call), buffer, 0), 0u);
    EXPECT_TRUE(call.sizes.empty());
    EXPECT_EQ(buffer[0], 'x');
}

// ---- the memory routines ----

// Bytes with the high bit set among the others, so that a signed comparison shows.
std::vector<unsigned char> pattern(size_t n, unsigned seed) {
    std::vector<unsigned char> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<unsigned char>((i * 167 + seed * 31 + 7) & 0xFF);
    return v;
}

constexpr size_t kMaxLength = 300;

TEST(MemoryRoutines, CopyFillAndLengthAsTheCLibraryAtEveryLength) {
    for (size_t n = 0; n <= kMaxLength; ++n) {
        SCOPED_TRACE(n);
        const std::vector<unsigned char> from = pattern(n + 1, 1);
        std::vector<unsigned char> ours(n + 16, 0xEE), theirs(n + 16, 0xEE);
        EXPECT_EQ(cz_memcpy(ours.data() + 3, from.data(), n), ours.data() + 3);
        memcpy(theirs.data() + 3, from.data(), n);
        ASSERT_EQ(ours, theirs);

        for (int value : {0, 0x41, 0xFF, -1, 0x1234, -200}) {
            EXPECT_EQ(cz_memset(ours.data() + 1, value, n), ours.data() + 1);
            memset(theirs.data() + 1, value, n);
            ASSERT_EQ(ours, theirs) << "value " << value;
        }

        std::string text(n, 'a');
        for (size_t i = 0; i < n; ++i)
            text[i] = char(0x80 | (i % 0x7F + 1)); // no zero inside, high bits set
        ASSERT_EQ(cz_strlen(text.c_str()), strlen(text.c_str()));
    }
}

TEST(MemoryRoutines, MoveAsTheCLibraryForEveryOverlap) {
    for (size_t n :
         {size_t(0), size_t(1), size_t(2), size_t(7), size_t(64), size_t(255), kMaxLength}) {
        for (int shift = -9; shift <= 9; ++shift) {
            SCOPED_TRACE(::testing::Message() << "length " << n << ", shift " << shift);
            const size_t room = n + 20;
            std::vector<unsigned char> ours = pattern(room, 2), theirs = ours;
            const size_t from = 10, to = size_t(10 + shift);
            EXPECT_EQ(cz_memmove(ours.data() + to, ours.data() + from, n), ours.data() + to);
            memmove(theirs.data() + to, theirs.data() + from, n);
            ASSERT_EQ(ours, theirs);
        }
    }
}

int sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(MemoryRoutines, CompareAsTheCLibraryWhereverTheFirstDifferenceLies) {
    for (size_t n = 0; n <= kMaxLength; n += (n < 20 ? 1 : 37)) {
        const std::vector<unsigned char> a = pattern(n, 3);
        ASSERT_EQ(cz_memcmp(a.data(), a.data(), n), 0);
        std::vector<unsigned char> copy = a;
        ASSERT_EQ(cz_memcmp(a.data(), copy.data(), n), 0) << n;
        for (size_t at = 0; at < n; at += (at < 8 ? 1 : 29)) {
            for (unsigned char b : {0x00, 0x7F, 0x80, 0xFF}) {
                SCOPED_TRACE(::testing::Message()
                             << "length " << n << ", differs at " << at << " by " << int(b));
                std::vector<unsigned char> other = a;
                other[at] = b;
                EXPECT_EQ(sign(cz_memcmp(a.data(), other.data(), n)),
                          sign(memcmp(a.data(), other.data(), n)));
                EXPECT_EQ(sign(cz_memcmp(other.data(), a.data(), n)),
                          sign(memcmp(other.data(), a.data(), n)));
                // Bytes past the length do not count.
                EXPECT_EQ(cz_memcmp(a.data(), other.data(), at), 0);
            }
        }
    }
}

} // namespace
