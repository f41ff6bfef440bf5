#include "plugin/win32/platform_win32.h"

#include "msgbox/win32/prompt_box.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace {

// Write-only, appending, created when missing; no translation flag, so the
// runtime's default text mode turns a line feed into CR LF.
constexpr int kLogOpenFlags = _O_WRONLY | _O_APPEND | _O_CREAT;  // 0x109
constexpr int kLogPermissions = _S_IREAD | _S_IWRITE;            // 0x180
static_assert(kLogOpenFlags == 0x109, "log open flags");
static_assert(kLogPermissions == 0x180, "log permission mode");

int OpenLog(const char* path)
{
    return _open(path, kLogOpenFlags, kLogPermissions);
}

void WriteLog(int fd, const char* data, unsigned length)
{
    (void)_write(fd, data, length);
}

void CloseLog(int fd)
{
    _close(fd);
}

void GetLocal(LocalTime* out)
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    out->year = st.wYear;
    out->month = st.wMonth;
    out->day = st.wDay;
    out->hour = st.wHour;
    out->minute = st.wMinute;
    out->second = st.wSecond;
}

unsigned ReadProfileString(const char* section, const char* key, const char* defaultValue, char* out, unsigned capacity,
                           const char* path)
{
    return GetPrivateProfileStringA(section, key, defaultValue, out, capacity, path);
}

bool HostModulePresent()
{
    return GetModuleHandleA(nullptr) != nullptr;
}

void* FindHostExport(const char* name)
{
    HMODULE host = GetModuleHandleA(nullptr);
    if (!host)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(host, name));
}

// The bus locks' wake-up events: auto-reset kernel events, which every
// Windows the plug-in loads on has. Closed at unload.
void* CreateWakeEvent()
{
    return CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

bool WaitWakeEvent(void* event, uint32_t milliseconds)
{
    return WaitForSingleObject(static_cast<HANDLE>(event), milliseconds) == WAIT_OBJECT_0;
}

void SignalWakeEvent(void* event)
{
    SetEvent(static_cast<HANDLE>(event));
}

void CloseWakeEvent(void* event)
{
    CloseHandle(static_cast<HANDLE>(event));
}

// GetTickCount, not GetTickCount64: Windows XP has only the first; a wait
// only ever takes the difference of two readings, which wraps correctly.
uint32_t TickCountMs()
{
    return GetTickCount();
}

uint32_t CurrentThreadId()
{
    return GetCurrentThreadId();
}

}  // namespace

PlatformServices Win32PlatformServices()
{
    PlatformServices services = {};
    services.openLog = OpenLog;
    services.writeLog = WriteLog;
    services.closeLog = CloseLog;
    services.getLocalTime = GetLocal;
    services.readProfileString = ReadProfileString;
    services.hostModulePresent = HostModulePresent;
    services.findHostExport = FindHostExport;
    services.showPromptBox = PromptBox;
    services.createEvent = CreateWakeEvent;
    services.waitEvent = WaitWakeEvent;
    services.signalEvent = SignalWakeEvent;
    services.closeEvent = CloseWakeEvent;
    services.tickCountMs = TickCountMs;
    services.currentThreadId = CurrentThreadId;
    return services;
}
