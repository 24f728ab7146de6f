#include "undertest/plugin.h"

#include "platform/loader_linux.h"

namespace undertest {

cz_proc entry(cz_module module, uint16_t ordinal) {
    return cz_proc_address(module, reinterpret_cast<const char*>(uintptr_t(ordinal)));
}

bool Plugin::load(const char* file_name, const cz_sim_image* image) {
    module_ = loader::load_library(image, file_name);
    if (!module_) return false;
    e30001_ = reinterpret_cast<Entry30001>(entry(module_, 30001));
    e30008_ = reinterpret_cast<Entry30008>(entry(module_, 30008));
    e30009_ = reinterpret_cast<Entry30009>(entry(module_, 30009));
    return e30001_ && e30008_ && e30009_;
}

int32_t Plugin::attach(char* title_buffer) {
    // The host hands over a pointer of its own that the plug-in only tests for null.
    static char host_marker;
    return e30001_(&host_marker, title_buffer);
}
int32_t Plugin::detach(char* second) {
    return e30001_(nullptr, second);
}
int32_t Plugin::start(int32_t flag) {
    return e30008_(flag);
}
int32_t Plugin::entry_30009() {
    return e30009_();
}

int32_t call_handler(cz_handler handler, int32_t event, int32_t* count, uint8_t** records,
                     const HandlerWords& w) {
    return handler(event, w.a2, count, records, w.rest[0], w.rest[1], w.rest[2], w.rest[3],
                   w.rest[4], w.rest[5], w.rest[6]);
}

} // namespace undertest
