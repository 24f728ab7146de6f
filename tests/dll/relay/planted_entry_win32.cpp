// A fault planted for the relay check's own test, linked only into planted/cenyzak.dll: the image
// entry point makes one system call that the plug-in never makes (GetTickCount), then runs the
// plug-in's DllMain. scripts/relay-check.sh must name that call and fail on this DLL.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

extern "C" BOOL WINAPI cz_planted_entry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) GetTickCount();
    return DllMain(instance, reason, reserved);
}
