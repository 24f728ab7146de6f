// The first-use resolvers that carry out a call made before binding: its arguments, its result,
// an entry that stays empty, and the stack the routine runs on.
#include "binding.h"

#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace binding;

namespace {

// The plug-in's module is in the process and its state is recorded, but the start-up binding
// pass has not run: every entry is still at its first-use resolver.
class FirstUseResolver : public HostTest {
  protected:
    void unbound(const std::vector<int32_t>& missing = {}) {
        h().missing = missing;
        vordan::register_module();
        attach_routine(loader::add_module(&cenyzak_image, kPluginPath), 1, nullptr);
    }
};

// A waiting call that went through its resolver again and again would show box after box
// without end and fill the memory; every dialog converts its texts, so a count of the
// conversions stops such a test instead.
void stop_after_many_conversions(int32_t ordinal) {
    static int conversions = 0;
    if (ordinal == 52158 && ++conversions > 100) {
        fprintf(stderr, "the dialog keeps coming back\n");
        abort();
    }
}

TEST_F(FirstUseResolver, CarriesTheWaitingCallOutWithItsArgumentsAndResult) {
    unbound();
    h().rates[7] = 1.5;
    vordan::Lines lines = h().make_lines(records::kMrDok, 2);
    name(lines);
    uint8_t* header = h().current(records::kMr);
    struct Case {
        uintptr_t ordinal;
        std::function<void()> call; // calls twice: through the resolver, then bound
        std::string traced;
    } cases[] = {
        {52179,
         [] {
             for (int i = 0; i < 2; ++i)
                 EXPECT_EQ(HOST(RoundAmount)(2.375, 100), 238.0 / 100);
         },
         "52179(2.375, 100)"},
        {52178,
         [] {
             for (int i = 0; i < 2; ++i)
                 EXPECT_EQ(HOST(RoundToWhole)(-7.5, 1), -8);
         },
         "52178(-7.5, 1)"},
        {52289,
         [] {
             for (int i = 0; i < 2; ++i)
                 EXPECT_EQ(HOST(ConvertPrice)(2, 7, 10.25), 15.375);
         },
         "52289(2, 7, 10.25)"},
        {52029,
         [this] {
             for (int i = 0; i < 2; ++i) {
                 HOST(ShowFormattedMessage)("cap", "%s/%d/%s", 3, "ab", -9, "cd");
                 ASSERT_FALSE(h().messages.empty());
                 EXPECT_EQ(h().messages.back().text, "ab/-9/cd");
                 EXPECT_EQ(h().messages.back().caption, "cap");
             }
         },
         "52029(3)"},
        {51465,
         [&] {
             for (int i = 0; i < 2; ++i)
                 HOST(MrLineRecalc)(lines[1], lines.pointers.data(), 2, header, 4, 5, 6);
         },
         "51465(line1, lines, 2, Mr, 4, 5, 6)"},
        {52256,
         [this] {
             for (int i = 0; i < 2; ++i)
                 EXPECT_EQ(HOST(TableDescriptor)(72), h().descriptor(72));
         },
         "52256(72)"},
        {52266,
         [this] {
             for (int i = 0; i < 2; ++i)
                 EXPECT_EQ(HOST(LookupKey)(), &h().lookup_key);
         },
         "52266()"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.ordinal);
        HostEntry* entry = entry_of(c.ordinal);
        ASSERT_NE(entry, nullptr);
        const cz_proc resolver = entry->target;
        h().trace.clear();
        c.call();
        EXPECT_EQ(h().trace, std::vector<std::string>(2, c.traced));
        EXPECT_EQ(lookups_of(std::to_string(c.ordinal)), 1u) << "only the first call binds";
        EXPECT_NE(entry->target, resolver);
        EXPECT_EQ(entry->target, host_routine(c.ordinal));
    }
    EXPECT_TRUE(loader::boxes().empty());
}

TEST_F(FirstUseResolver, AWaitingCallWhoseEntryStaysEmptyGetsZeroOfItsResultType) {
    unbound({52179, 52178, 52256, 52029});
    h().on_call = stop_after_many_conversions;
    loader::script_answers({kAbort, kAbort, kAbort, kAbort});
    EXPECT_EQ(HOST(RoundAmount)(2.375, 100), 0.0);
    EXPECT_EQ(HOST(RoundToWhole)(-7.5, 1), 0);
    EXPECT_EQ(HOST(TableDescriptor)(72), nullptr);
    EXPECT_EQ(HOST(ShowFormattedMessage)("cap", "%s", 0, "x"), 0);
    EXPECT_EQ(loader::boxes().size(), 4u);
    EXPECT_TRUE(h().messages.empty());
    for (uintptr_t ordinal : {52179, 52178, 52256, 52029})
        EXPECT_TRUE(entry_of(ordinal)->target == nullptr) << ordinal;
    // A double that the empty call left behind on the floating-point stack would spoil this.
    EXPECT_EQ(HOST(ConvertPrice)(2, 7, 10.25), 10.25);
}

// Whether the routine runs on a stack aligned as the platform's calling convention promises
// (16 bytes on Linux, i386 included): a local of that alignment shows it.
__attribute__((noinline)) bool stack_is_aligned() {
    alignas(16) char probe[16];
    uintptr_t address = reinterpret_cast<uintptr_t>(probe);
    asm volatile("" : "+r"(address)); // the compiler takes the alignment for granted: look
    return (address & 15) == 0;
}

TEST_F(FirstUseResolver, ResolvesOnAStackAlignedForTheRoutinesItCalls) {
    ASSERT_TRUE(stack_is_aligned());
    // The dialog of a waiting call runs inside the resolution, and its text conversion reaches
    // the host: the host's routine looks at the stack from there.
    unbound({52179});
    int calls = 0;
    bool aligned = true;
    h().on_call = [&](int32_t ordinal) {
        ++calls;
        aligned = aligned && stack_is_aligned();
        stop_after_many_conversions(ordinal);
    };
    loader::script_answers({kAbort});
    HOST(RoundAmount)(2.375, 100);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(aligned);
}

} // namespace
