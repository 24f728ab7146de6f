// hostsim.exe: the simulated host program is VORDAN.dll (the module the plug-in binds its host
// services in); this launcher loads it and runs its hostsim_main.
#include <windows.h>

#include <cstdio>

typedef int(__cdecl* HostsimMain)(int, char**);

int main(int argc, char** argv) {
    HMODULE vordan = LoadLibraryA("VORDAN.dll");
    FARPROC found = vordan ? GetProcAddress(vordan, "hostsim_main") : nullptr;
    if (!found) {
        fprintf(stderr, "hostsim: cannot load VORDAN.dll beside hostsim.exe\n");
        return 2;
    }
    // Through void(*)(void), the generic routine pointer: the change of type is meant.
    auto run = reinterpret_cast<HostsimMain>(reinterpret_cast<void (*)(void)>(found));
    return run(argc, argv);
}
