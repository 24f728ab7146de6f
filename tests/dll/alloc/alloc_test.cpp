// The plug-in takes nothing from the heap, at any point of its life in a host.
//
// This executable replaces the global operator new (every form) and the C allocation functions
// (malloc, calloc, realloc, aligned_alloc, posix_memalign, memalign) with ones that count while
// counting is on and hand every call to the C library. Counting is on only across the plug-in's own
// calls, one phase at a time:
//   - load: the plug-in's start routine as the loader runs it (module start-up and the binding
//     pass of all 21 entries), with the GetModuleHandleA, GetModuleFileNameA and GetProcAddress
//     calls that the plug-in makes from there;
//   - attach, start (hook installation and the installation notice), a second start, the mismatch
//     report, detach: entries 30001 and 30008;
//   - Ctrl-E and another event on RW, MR and MM lines: the hooks, called through the handler slots
//     as the host calls them, down to the host's own handler;
//   - unload: the start routine with reason 0.
// The host is the plain VORDAN (sim/plain.h), whose services allocate nothing; its tables, the
// documents and the loader's module slots are made before counting starts.
//
// The simulated loader, the operating system's stand-in, keeps a record of every GetProcAddress
// lookup in a vector: its capacity is grown before counting starts, so that the loader's own
// bookkeeping is not charged to the plug-in. Not counted: the missing-entry dialog, since the
// simulated MessageBoxA keeps a copy of every text it shows; the dialog builds its texts in stack
// buffers like every other text of the plug-in.
#include "platform/loader_linux.h"
#include "plugin/image.h"
#include "sim/plain.h"
#include "undertest/plugin.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

// ---- counting allocation functions ----

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);
}

namespace {

bool g_counting = false;
size_t g_news = 0;    // operator new, every form
size_t g_mallocs = 0; // the C allocation functions

void* counted_new(size_t size) {
    if (g_counting) ++g_news;
    void* p = __libc_malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
void* counted_new(size_t size, std::align_val_t alignment) {
    if (g_counting) ++g_news;
    void* p = __libc_memalign(static_cast<size_t>(alignment), size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
inline void count_malloc() {
    if (g_counting) ++g_mallocs;
}

} // namespace

extern "C" {
void* malloc(size_t size) noexcept {
    count_malloc();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) noexcept {
    count_malloc();
    return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size) noexcept {
    count_malloc();
    return __libc_realloc(p, size);
}
void free(void* p) noexcept {
    __libc_free(p);
}
void* aligned_alloc(size_t alignment, size_t size) noexcept {
    count_malloc();
    return __libc_memalign(alignment, size);
}
void* memalign(size_t alignment, size_t size) noexcept {
    count_malloc();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) noexcept {
    count_malloc();
    void* p = __libc_memalign(alignment, size);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}
}

void* operator new(size_t size) {
    return counted_new(size);
}
void* operator new[](size_t size) {
    return counted_new(size);
}
void* operator new(size_t size, std::align_val_t a) {
    return counted_new(size, a);
}
void* operator new[](size_t size, std::align_val_t a) {
    return counted_new(size, a);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return counted_new(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    try {
        return counted_new(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    __libc_free(p);
}
void operator delete[](void* p) noexcept {
    __libc_free(p);
}
void operator delete(void* p, size_t) noexcept {
    __libc_free(p);
}
void operator delete[](void* p, size_t) noexcept {
    __libc_free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    __libc_free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    __libc_free(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
    __libc_free(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
    __libc_free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    __libc_free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    __libc_free(p);
}

// ---- the plug-in in a plain host ----

namespace {

struct Allocations {
    size_t news = 0, mallocs = 0;
};

template <typename F> Allocations allocations_in(F&& f) {
    g_news = g_mallocs = 0;
    g_counting = true;
    f();
    g_counting = false;
    return {g_news, g_mallocs};
}

#define EXPECT_NO_ALLOCATION(phase, allocations)                                                   \
    do {                                                                                           \
        const Allocations a_ = (allocations);                                                      \
        EXPECT_EQ(a_.news, 0u) << (phase) << ": operator new";                                     \
        EXPECT_EQ(a_.mallocs, 0u) << (phase) << ": C allocation functions";                        \
    } while (0)

// Record fields the test sets or checks.
using namespace records;
constexpr int32_t kItems = 20;

// The plug-in's start routine with counting on: what the loader runs at load and at unload.
Allocations g_start_routine;
int32_t CZ_CDECL counted_start(cz_module self, uint32_t reason, void* reserved) {
    int32_t result = 0;
    g_start_routine = allocations_in([&] { result = cenyzak_image.start(self, reason, reserved); });
    return result;
}
const cz_sim_image kCountedImage = {cenyzak_image.name, cenyzak_image.exports,
                                    cenyzak_image.export_count, counted_start};

class PluginHeap : public ::testing::Test {
  protected:
    void SetUp() override {
        // The counter sees what it is meant to see: one of each kind.
        const Allocations seen = allocations_in([] {
            int* volatile n = new int(1);
            delete n;
            void* volatile m = malloc(16);
            free(m);
        });
        ASSERT_EQ(seen.news, 1u);
        ASSERT_EQ(seen.mallocs, 1u);

        // Grow the loader's lookup record beyond the binding pass's 21 lookups, then empty it.
        loader::reset();
        for (int i = 0; i < 64; ++i)
            cz_proc_address(nullptr, reinterpret_cast<const char*>(1));
        loader::reset();
        plain::setup(kItems);
    }

    void load() {
        plain::register_module();
        ASSERT_TRUE(plugin_.load(undertest::kPluginPath, &kCountedImage));
        EXPECT_NO_ALLOCATION("load", g_start_routine);
    }

    void unload() {
        loader::free_library(plugin_.module());
        EXPECT_NO_ALLOCATION("unload", g_start_routine);
    }

    // Calls the handler routine in the table's handler slot, as the host does.
    static int32_t dispatch(plain::Document& doc, int32_t event) {
        return undertest::call_handler(plain::handler_in_slot(doc.table), event, &doc.count,
                                       doc.pointers.data());
    }

    undertest::Plugin plugin_;
};

TEST_F(PluginHeap, NoneFromLoadToUnloadInAnUpToDateHost) {
    // Lines on every path of the three hooks: filled, zero key, failed lookup; an MR line priced
    // already and one whose line value is zero (no price, no quantity).
    plain::Document rw = plain::make_document(kRwDok, 4, kItems);
    plain::Document mr = plain::make_document(kMrDok, 5, kItems);
    plain::Document mm = plain::make_document(kMmDok, 3, kItems);
    put(rw.pointers[1], rw_dok::kKey, 0);
    put(rw.pointers[2], rw_dok::kKey, kItems + 1);
    put(mr.pointers[1], mr_dok::kKey, 0);
    put(mr.pointers[2], mr_dok::kKey, kItems + 1);
    put(mr.pointers[3], mr_dok::kPrice, 77);
    put(mr.pointers[4], mr_dok::kQuantity, 0);
    put(mm.pointers[1], mm_dok::kKey, 0);
    put(mm.pointers[2], mm_dok::kKey, kItems + 1);

    ASSERT_NO_FATAL_FAILURE(load());
    char title[64] = {};
    int32_t result = 1;
    EXPECT_NO_ALLOCATION("attach", allocations_in([&] { result = plugin_.attach(title); }));
    EXPECT_EQ(result, 0);
    EXPECT_NO_ALLOCATION("start", allocations_in([&] { result = plugin_.start(0); }));
    EXPECT_EQ(plain::messages(), 1) << "the installation notice";
    EXPECT_NO_ALLOCATION("second start", allocations_in([&] { result = plugin_.start(0); }));
    for (int32_t table : {kRwDok, kMrDok, kMmDok})
        ASSERT_NE(plain::handler_in_slot(table), plain::handler) << "table " << table << " hooked";

    struct Run {
        const char* phase;
        plain::Document* doc;
        int32_t event;
    } runs[] = {
        {"Ctrl-E on RW lines", &rw, undertest::kCtrlE},
        {"Ctrl-E on MR lines, selling prices by margin", &mr, undertest::kCtrlE},
        {"Ctrl-E on MM lines", &mm, undertest::kCtrlE},
        {"another event on RW lines", &rw, 1},
        {"another event on MR lines", &mr, 1},
        {"another event on MM lines", &mm, 1},
    };
    for (const Run& run : runs) {
        EXPECT_NO_ALLOCATION(run.phase,
                             allocations_in([&] { result = dispatch(*run.doc, run.event); }));
        EXPECT_EQ(result, plain::kHandlerResult) << run.phase;
    }
    put(plain::current(kMr), mr::kMethod, 0);
    plain::unprice(mr);
    EXPECT_NO_ALLOCATION("Ctrl-E on MR lines, selling prices by markup",
                         allocations_in([&] { result = dispatch(mr, undertest::kCtrlE); }));
    EXPECT_EQ(plain::handler_calls(), 7);

    // The counted calls did the work: each document's first line was filled.
    EXPECT_EQ(get(rw.pointers[0], rw_dok::kSlotPrice), plain::item(1).price);
    EXPECT_NE(get(mr.pointers[0], mr_dok::kSelling), 0.0);
    EXPECT_NE(get(mm.pointers[0], mm_dok::kValue), 0.0);

    EXPECT_NO_ALLOCATION("detach", allocations_in([&] { result = plugin_.detach(); }));
    EXPECT_EQ(plain::handler_in_slot(kRwDok), plain::handler) << "hooks removed";
    unload();
}

// A refusing host: attach, the mismatch report after the refusal, detach.
struct Refusal {
    const char* name;
    void (*make_host)();
    const char* report_names; // a text the report must hold
};
void PrintTo(const Refusal& r, std::ostream* os) {
    *os << r.name;
}
const Refusal kRefusals[] = {
    {"OtherRecordSizes",
     [] {
         plain::set_record_size(kRwDok, 2000);
         plain::remove_table(kMm);
     },
     "Rw_dok"},
    {"OtherInterfaceVersion", [] { plain::set_version(111); }, ""},
};

class PluginHeapRefusing : public PluginHeap, public ::testing::WithParamInterface<Refusal> {};

TEST_P(PluginHeapRefusing, NoneFromLoadToUnload) {
    GetParam().make_host();
    ASSERT_NO_FATAL_FAILURE(load());
    int32_t result = 0;
    EXPECT_NO_ALLOCATION("attach", allocations_in([&] { result = plugin_.attach(); }));
    EXPECT_EQ(result, -1);
    EXPECT_NO_ALLOCATION("mismatch report", allocations_in([&] { result = plugin_.start(1); }));
    EXPECT_EQ(plain::messages(), 1);
    EXPECT_NE(strstr(plain::last_message(), GetParam().report_names), nullptr)
        << plain::last_message();
    EXPECT_NO_ALLOCATION("detach", allocations_in([&] { result = plugin_.detach(); }));
    unload();
}

INSTANTIATE_TEST_SUITE_P(Hosts, PluginHeapRefusing, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
