// Linux implementation of the platform calls over a registry of simulated modules.
#include "platform/loader_linux.h"

#include <string.h>

namespace {

struct Module {
    const cz_sim_image* image = nullptr; // null: free slot
    std::string file_name;
    bool has_file_name = false;
};

// A fixed set of slots keeps handles stable while modules come and go.
Module g_modules[16];
std::vector<loader::Box> g_boxes;
std::vector<loader::Lookup> g_lookups;
std::vector<int32_t> g_answers;
size_t g_next_answer = 0;
int32_t g_then = 0;
bool g_cut_unterminated = false;

// Windows compares module names without case and adds ".dll" when the name has no extension.
std::string base_name(const char* name) {
    std::string s;
    for (const char* p = name; *p; ++p)
        s += static_cast<char>((*p >= 'A' && *p <= 'Z') ? *p + 32 : *p);
    if (s.find('.') == std::string::npos) s += ".dll";
    return s;
}

Module* slot_of(cz_module module) {
    for (Module& m : g_modules)
        if (&m == module && m.image) return &m;
    return nullptr;
}

} // namespace

cz_module loader::add_module(const cz_sim_image* image, const char* file_name) {
    for (Module& m : g_modules) {
        if (m.image) continue;
        m.image = image;
        m.has_file_name = file_name != nullptr;
        m.file_name = file_name ? file_name : "";
        return &m;
    }
    return nullptr;
}

cz_module loader::load_library(const cz_sim_image* image, const char* file_name) {
    cz_module h = add_module(image, file_name);
    if (h && image->start && image->start(h, 1, nullptr) == 0) {
        static_cast<Module*>(h)->image = nullptr;
        return nullptr;
    }
    return h;
}

void loader::free_library(cz_module module) {
    Module* m = slot_of(module);
    if (!m) return;
    if (m->image->start) m->image->start(module, 0, nullptr);
    m->image = nullptr;
}

void loader::reset() {
    for (Module& m : g_modules)
        m = Module();
    g_boxes.clear();
    g_lookups.clear();
    g_answers.clear();
    g_next_answer = 0;
    g_then = 0;
    g_cut_unterminated = false;
}

void loader::cut_names_unterminated(bool xp) {
    g_cut_unterminated = xp;
}

void loader::script_answers(const std::vector<int32_t>& answers, int32_t then) {
    g_answers = answers;
    g_next_answer = 0;
    g_then = then;
}

const std::vector<loader::Box>& loader::boxes() {
    return g_boxes;
}

const std::vector<loader::Lookup>& loader::lookups() {
    return g_lookups;
}

cz_module cz_module_handle(const char* name) {
    if (!name) return nullptr;
    const std::string wanted = base_name(name);
    for (Module& m : g_modules)
        if (m.image && base_name(m.image->name) == wanted) return &m;
    return nullptr;
}

uint32_t cz_module_file_name(cz_module module, char* buffer, uint32_t size) {
    // GetModuleFileNameA as Windows answers it (see loader::cut_names_unterminated).
    auto get_module_file_name = [module](char* to, uint32_t limit) -> uint32_t {
        Module* m = slot_of(module);
        if (!m || !m->has_file_name) return 0;
        const uint32_t length = static_cast<uint32_t>(m->file_name.size());
        if (length < limit) {
            memcpy(to, m->file_name.c_str(), length + 1);
            return length;
        }
        memcpy(to, m->file_name.data(), limit);
        if (!g_cut_unterminated) to[limit - 1] = 0;
        return limit;
    };
    return cz_terminated_file_name(get_module_file_name, buffer, size);
}

cz_proc cz_proc_address(cz_module module, const char* name_or_ordinal) {
    Module* m = slot_of(module);
    const uintptr_t id = reinterpret_cast<uintptr_t>(name_or_ordinal);
    g_lookups.push_back(
        {m ? m->image->name : "", id < 65536 ? std::to_string(id) : std::string(name_or_ordinal)});
    if (!m || !name_or_ordinal) return nullptr;
    for (uint32_t i = 0; i < m->image->export_count; ++i) {
        const cz_sim_export& e = m->image->exports[i];
        if (id < 65536 ? e.ordinal == id : (e.name && strcmp(e.name, name_or_ordinal) == 0))
            return e.proc;
    }
    return nullptr;
}

int32_t cz_message_box(const char* text, const char* caption, uint32_t style) {
    const int32_t answer = g_next_answer < g_answers.size() ? g_answers[g_next_answer++] : g_then;
    g_boxes.push_back({text ? text : "", caption ? caption : "", style, answer});
    return answer;
}
