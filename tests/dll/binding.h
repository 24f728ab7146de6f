// What the tests of the plug-in's binding to its host share: the missing-entry dialog's texts as
// the box shows them, the lookups the plug-in made in the host module, the host entry of an
// identifier, and a fixture that loads the plug-in into a host without some services.
#pragma once

#include "harness.h"
#include "host/entries.h"
#include "plugin/startup.h"
#include "undertest/lifecycle_model.h"

#include <algorithm>
#include <string>
#include <vector>

namespace binding {

using namespace harness;

// The missing-entry dialog's texts as the box shows them: Windows-1250 bytes, a blank wherever
// the message format has markup.
inline const std::string kCaption1250 = cp1250("POWAŻNY BŁĄD WTYCZKI");
inline const std::string kAdvice1250 =
    cp1250("\n\nBłąd ten można zignorować lecz dalsza praca\nprogramu w tych warunkach może być "
           "niebezpieczna.\n\nKonieczna jest aktualizacja programu!");

inline std::string message1250(const std::string& module, const std::string& entry) {
    return "W module  " + module + " \nbrak wpisu  " + entry + cp1250(" \nWywołano z wtyczki  ") +
           kTitle + " ." + kAdvice1250;
}

inline bool ends_with(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

inline HostEntry* entry_of(uintptr_t id) {
    for (HostEntry& e : g_host_entries)
        if (e.id == id) return &e;
    return nullptr;
}

// The identifiers looked up in the host module (or with no module), in order; the lookups of
// the plug-in's own entries that the test harness makes are left out.
inline std::vector<std::string> host_lookups() {
    std::vector<std::string> ids;
    for (const loader::Lookup& l : loader::lookups())
        if (l.module != "cenyzak.dll") ids.push_back(l.identifier);
    return ids;
}

inline size_t lookups_of(const std::string& id) {
    const std::vector<std::string> ids = host_lookups();
    return static_cast<size_t>(std::count(ids.begin(), ids.end(), id));
}

// The 21 ordinals in the order the binding pass probes them.
inline const std::vector<std::string> kTableOrder = [] {
    std::vector<std::string> order;
    for (int32_t ordinal : lifecycle::kBindingOrder)
        order.push_back(std::to_string(ordinal));
    return order;
}();

// The host's own routine for an ordinal (this lookup is logged like any other).
inline cz_proc host_routine(uintptr_t ordinal) {
    return cz_proc_address(g_module.host, reinterpret_cast<const char*>(ordinal));
}

class Binding : public HostTest {
  protected:
    bool load_without(const std::vector<int32_t>& missing, const std::vector<int32_t>& answers,
                      const char* file_name = kPluginPath, bool with_host = true) {
        h().missing = missing;
        loader::script_answers(answers);
        return load(file_name, with_host);
    }
};

} // namespace binding
