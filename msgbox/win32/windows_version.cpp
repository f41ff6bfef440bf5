#include "msgbox/win32/windows_version.h"

#include <windows.h>

bool IsWindows6OrLater()
{
    OSVERSIONINFOA info = {};
    static_assert(sizeof(info) == 148, "OSVERSIONINFOA is 148 bytes");
    info.dwOSVersionInfoSize = sizeof(info);
#ifdef _MSC_VER
#pragma warning(suppress : 4996)  // GetVersionExA is deprecated but is the test we want
#endif
    if (!GetVersionExA(&info))
        return false;
    return info.dwMajorVersion >= 6;
}
