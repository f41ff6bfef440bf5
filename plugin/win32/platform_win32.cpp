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

// A thread with a message queue (IsGUIThread(FALSE) tells without making
// one) delivers the messages other threads send it while it waits: the host
// may run its I2C functions on this very thread, sent there by a thread
// that holds the lock this one waits for. Posted messages stay queued for
// the thread's own loop.
WakeWait WaitWakeEvent(void* event, uint32_t milliseconds)
{
    HANDLE handle = static_cast<HANDLE>(event);
    DWORD result = IsGUIThread(FALSE) ? MsgWaitForMultipleObjects(1, &handle, FALSE, milliseconds, QS_SENDMESSAGE)
                                      : WaitForSingleObject(handle, milliseconds);
    switch (result) {
    case WAIT_OBJECT_0: return WakeWait::Signalled;
    case WAIT_OBJECT_0 + 1: {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        return WakeWait::Woken;
    }
    case WAIT_TIMEOUT: return WakeWait::TimedOut;
    default: return WakeWait::Failed;
    }
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
