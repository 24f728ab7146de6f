// Windows start-up: the loader calls DllMain for every load notification. At process attach the
// attach routine runs first, then the start-up binding pass; a failed pass fails the load.
#include "plugin/module.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return module_startup(instance, reason, reserved) ? TRUE : FALSE;
}
