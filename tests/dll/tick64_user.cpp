// Negative control of scripts/check-xp-imports: a DLL that imports
// GetTickCount64, which Windows XP's KERNEL32 lacks. The check must refuse it.
#include <windows.h>

extern "C" __declspec(dllexport) unsigned long long MillisecondsSinceStart(void)
{
    return GetTickCount64();
}
