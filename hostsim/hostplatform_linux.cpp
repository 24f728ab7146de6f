#include "hostsim/hostplatform.h"

#include "platform/loader_linux.h"
#include "plugin/image.h"
#include "sim/encoding.h"
#include "sim/vordan.h"

namespace hostplatform {

void reset() {
    loader::reset();
}

void offer_vordan(const std::vector<int32_t>& missing) {
    vordan::host().missing = missing;
    vordan::register_module();
}

void script_answers(const std::vector<int32_t>& answers, int32_t then) {
    loader::script_answers(answers, then);
}

// The path (UTF-8, the scenario's) goes to the plug-in in the Windows code page of a Polish
// Windows, as the real loader gives it; the scenario's reader has refused a path it cannot carry.
void* load_plugin(const char* file) {
    std::string cp1250, lacking;
    if (file && !encoding::utf8_to_cp1250(file, cp1250, lacking)) return nullptr;
    return loader::load_library(&cenyzak_image, file ? cp1250.c_str() : nullptr);
}

// The simulated loader always has the plug-in's image: only its start-up can fail the load.
LoadFailure load_failure(const char*) {
    return {"startup_refused", "", 0, ""};
}

cz_proc plugin_entry(void* plugin, uint32_t ordinal) {
    return cz_proc_address(plugin, reinterpret_cast<const char*>(uintptr_t(ordinal)));
}

void unload_plugin(void* plugin) {
    loader::free_library(plugin);
}

std::vector<Box> boxes() {
    std::vector<Box> out;
    for (const loader::Box& b : loader::boxes())
        out.push_back({b.text, b.caption, b.answer});
    return out;
}

} // namespace hostplatform
