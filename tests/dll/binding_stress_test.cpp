// The binding stress test: hosts lacking random sets of services, with random answers to the
// missing-entry dialog (Abort, Retry, Ignore, a box that fails, answers no box gives), each case
// in a process of its own (the plug-in is loaded once per process, as in a host). The load, and
// when it succeeds the whole lifecycle after it, are checked step by step against the model in
// undertest/lifecycle_model.h; a step that breaks it aborts the case with what broke.
#include "undertest/lifecycle_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using lifecycle::Dispatch;
using lifecycle::HostChoice;
using lifecycle::kCtrlE;

// The cases, from a fixed seed: the same in every run and in every process.
constexpr int kCases = 40;

HostChoice host_case(int n) {
    uint32_t state = 0x9E3779B9u * uint32_t(n + 1);
    auto next = [&](uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    static const int32_t kStandIns[] = {52028, 52224, 52256, 52412};
    static const int32_t kAnswers[] = {lifecycle::kAbort,
                                       lifecycle::kRetry,
                                       lifecycle::kIgnore,
                                       lifecycle::kIgnore,
                                       0,
                                       1,
                                       2,
                                       6,
                                       7,
                                       -1,
                                       0x7FFFFFFF};
    static const int32_t kThen[] = {lifecycle::kIgnore, lifecycle::kIgnore, lifecycle::kAbort, 0,
                                    -1};
    HostChoice c;
    switch (n) {
    case 0: // every service there: no dialog
        return c;
    case 1: // the dialog's own text conversion missing
        return {{52158}, {lifecycle::kIgnore}, lifecycle::kIgnore};
    case 2: // bound at load although never called
        return {{38417}, {lifecycle::kRetry, lifecycle::kIgnore}, lifecycle::kAbort};
    case 3: // all four stand-ins, one Ignore for all
        return {{52028, 52224, 52256, 52412}, {lifecycle::kIgnore}, lifecycle::kAbort};
    }
    for (int32_t ordinal : kStandIns)
        if (next(2)) c.missing.push_back(ordinal);
    // Now and then one service that has no stand-in, the text conversion included.
    if (next(4) == 0) c.missing.push_back(lifecycle::kBindingOrder[next(21)]);
    for (uint32_t i = next(5); i > 0; --i)
        c.answers.push_back(kAnswers[next(sizeof kAnswers / sizeof kAnswers[0])]);
    c.then = kThen[next(sizeof kThen / sizeof kThen[0])];
    return c;
}

class BindingStress : public ::testing::TestWithParam<int> {};

TEST_P(BindingStress, LoadAndLifecycleFollowTheModel) {
    const HostChoice choice = host_case(GetParam());
    SCOPED_TRACE(choice.describe());
    lifecycle::Driver d(choice);
    if (!d.load()) return; // the model expected that, and no entry may be called now
    auto step = [&](auto&& f) {
        f();
        d.check_slots();
    };
    auto ctrl_e = [&](int row, bool kept, std::vector<Dispatch> nested = {}) {
        d.set_count(row, lifecycle::kLines);
        d.fill_lines(row, uint8_t(0x10 * row), 0xE4); // keys 1, 2, 7-scoped and -1
        d.event({row, kCtrlE, kept}, nested);
    };
    // A host that does it right, then one that does not.
    step([&] { d.attach(true); });
    step([&] { d.start(0); });
    for (int row = 0; row < 3; ++row) {
        step([&] { ctrl_e(row, false); });
        step([&] { d.event({row, 7, false}, {}); });
    }
    step([&] { ctrl_e(0, false, {{1, kCtrlE, false}, {2, kCtrlE, false}}); });
    step([&] { d.start(0); });
    step([&] { d.entry_30009(); });
    step([&] { d.detach(true); });
    for (int row = 0; row < 3; ++row)
        step([&] { ctrl_e(row, true); }); // the hook pointers the host kept
    step([&] { d.start(1); });
    step([&] { d.resize_table(3, 1030); }); // Mr_dok
    step([&] { d.toggle_table(6); });       // k9 gone
    step([&] { d.attach(false); });
    step([&] { d.start(1); });
    step([&] { d.start(0); });
    step([&] { ctrl_e(1, false); });
    step([&] { d.toggle_table(6); });
    step([&] { d.resize_table(3, 1034); });
    step([&] { d.set_version(111); });
    step([&] { d.attach(true); });
    step([&] { d.start(-1); });
    step([&] { d.set_version(112); });
    step([&] { d.attach(true); });
    step([&] { d.set_notice(true, 1, 0, false, 3); });
    step([&] { d.start(0); });
    for (int row = 0; row < 3; ++row)
        step([&] { ctrl_e(row, row == 1); });
    step([&] { d.detach(false); });
    step([&] { d.detach(false); });
}

INSTANTIATE_TEST_SUITE_P(Hosts, BindingStress, ::testing::Range(0, kCases));

} // namespace
