// The four host services the plug-in can go on without. When one is missing and the user answers
// Ignore in the missing-entry dialog, the plug-in binds a stand-in routine of the service's own
// type that returns zero; for any other service Ignore cannot help and the load fails. The plug-in
// picks these four by the size of the service's argument list (the last two digits of the
// ordinal); this table states the outcome for the four ordinals it lets through, as the
// integrator's guide (docs/INSTRUKCJA.md) describes it, so that hostsim can explain a host
// without ever linking the plug-in's own choice.
#pragma once

#include <cstdint>

namespace standins {

struct StandIn {
    int32_t ordinal;
    const char* effect; // what the plug-in does without the service, after Ignore
};

constexpr StandIn kStandIns[] = {
    {52028, "messages are not shown: the plug-in works, but a refusal over record sizes shows "
            "no size report"},
    {52224, "settings are neither read nor kept: the plug-in works, but the installation notice "
            "shows at every start"},
    {52256, "no table is found: the plug-in loads but refuses to work, its size report listing "
            "all seven tables as missing"},
    {52412, "the k9 lookup never finds an item: RW lines stay as they are, MR lines without a "
            "price get the value 0, MM lines are recalculated at the price they have"},
};

inline const StandIn* find(int32_t ordinal) {
    for (const StandIn& s : kStandIns)
        if (s.ordinal == ordinal) return &s;
    return nullptr;
}

} // namespace standins
