#include "plugin/win32/platform_win32.h"

#include "msgbox/win32/prompt_box.h"
#include "plugin/plugin_state.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace {

// Write-only, appending, created when missing; no translation flag, so the
// runtime's default text mode turns a line feed into CR LF.
constexpr int kLogOpenFlags = _O_WRONLY | _O_APPEND | _O_CREAT;   // 0x109
constexpr int kLogPermissions = _S_IREAD | _S_IWRITE;             // 0x180
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

unsigned ReadProfileString(const char* section, const char* key, const char* defaultValue,
                           char* out, unsigned capacity, const char* path)
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

// The per-GPU bus locks: critical sections, which exist on every Windows the
// plug-in loads on (TryEnterCriticalSection too, from NT 4 on). They live
// from the module's start-up to its unload. The plug-in never enters one
// that its thread holds already.
class GpuBusLocks {
public:
    GpuBusLocks()
    {
        for (CRITICAL_SECTION& section : sections_)
            InitializeCriticalSection(&section);
    }
    ~GpuBusLocks()
    {
        for (CRITICAL_SECTION& section : sections_)
            DeleteCriticalSection(&section);
    }
    GpuBusLocks(const GpuBusLocks&) = delete;
    GpuBusLocks& operator=(const GpuBusLocks&) = delete;

    void Lock(uint32_t dwGpu)
    {
        if (dwGpu < kMaxGpus)
            EnterCriticalSection(&sections_[dwGpu]);
    }
    void Unlock(uint32_t dwGpu)
    {
        if (dwGpu < kMaxGpus)
            LeaveCriticalSection(&sections_[dwGpu]);
    }
    bool TryLock(uint32_t dwGpu)
    {
        return dwGpu < kMaxGpus && TryEnterCriticalSection(&sections_[dwGpu]) != FALSE;
    }

private:
    CRITICAL_SECTION sections_[kMaxGpus];
};

GpuBusLocks g_gpuBusLocks;

void LockGpuBus(uint32_t dwGpu)
{
    g_gpuBusLocks.Lock(dwGpu);
}

void UnlockGpuBus(uint32_t dwGpu)
{
    g_gpuBusLocks.Unlock(dwGpu);
}

bool TryLockGpuBus(uint32_t dwGpu)
{
    return g_gpuBusLocks.TryLock(dwGpu);
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
    services.lockGpuBus = LockGpuBus;
    services.unlockGpuBus = UnlockGpuBus;
    services.tryLockGpuBus = TryLockGpuBus;
    services.currentThreadId = CurrentThreadId;
    return services;
}
