// The module entry point: start-up and shut-down of the plug-in.
#include <windows.h>

#include "exports/module.h"
#include "exports/win32/runtime_pools.h"
#include "plugin/plugin_state.h"
#include "plugin/win32/platform_win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hModule, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH: {
        g_platform = Win32PlatformServices();
        // One byte more than the platform limit tells a path that was cut.
        char modulePath[kPathCapacity + 1] = {};
        DWORD length = GetModuleFileNameA(hModule, modulePath, sizeof modulePath);
        if (length == 0 || length >= kPathCapacity)
            return FALSE;
        return ModuleAttach(modulePath) ? TRUE : FALSE;
    }
    case DLL_PROCESS_DETACH:
        ModuleDetach();
        // Freed by FreeLibrary (reserved is null): the host goes on, so what
        // the C++ runtime set aside at load goes back to the heap. At process
        // exit nothing more: the heap goes away, and other threads may have
        // been stopped in the middle of any call.
        if (reserved == nullptr)
            ReleaseRuntimePools();
        return TRUE;
    default: return TRUE;
    }
}
