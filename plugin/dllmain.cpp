// The image entry point. The DLL links no C runtime start-up, so on Windows DllMain is the image
// entry point itself and the loader calls it directly for every load notification; on Linux the
// simulated loader calls this same routine as the plug-in's start routine (plugin/image.h), so the
// tests load the plug-in through it. At process attach the attach routine runs first, then the
// start-up binding pass; a failed pass fails the load.
#include "plugin/startup.h"

// The loader, like the host, promises only a 4-byte aligned stack, while the plug-in's SSE2 code
// may keep doubles in 16-byte aligned stack slots. Every routine reached from outside (this entry,
// the three exported entries, the hook handlers, which the host calls through pointers it kept)
// therefore aligns its own stack: the DLL is built with -mstackrealign (cmake/plugin.cmake). The
// attribute here says the same for the image entry, which must hold even in a build without it.
extern "C" __attribute__((force_align_arg_pointer)) int32_t CZ_WINAPI DllMain(cz_module instance,
                                                                              uint32_t reason,
                                                                              void* reserved) {
    return module_startup(instance, reason, reserved) ? 1 : 0;
}
