// The Windows forms of the host patterns: the named hardware mutex, and the
// host whose I2C functions run on its UI thread.
#include <windows.h>

#include <string>

#include "sim/host_policy.h"

namespace sim {

namespace {

constexpr UINT kRunAccess = WM_APP + 0x165;
const char* const kClassName = "SimUiThreadHost";

struct SentAccess {
    const std::function<int32_t()>* access;
    int32_t result;
};

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRunAccess) {
        SentAccess& sent = *reinterpret_cast<SentAccess*>(lParam);
        sent.result = (*sent.access)();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

SerialisedHost::SerialisedHost()
{
    // Named per process and object, so that nothing else shares it.
    const std::string name = "Local\\SimHardwareMutex-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(reinterpret_cast<uintptr_t>(this));
    hardware_ = CreateMutexA(nullptr, FALSE, name.c_str());
}

SerialisedHost::~SerialisedHost()
{
    CloseHandle(static_cast<HANDLE>(hardware_));
}

void SerialisedHost::lock()
{
    WaitForSingleObject(static_cast<HANDLE>(hardware_), INFINITE);
}

void SerialisedHost::unlock()
{
    ReleaseMutex(static_cast<HANDLE>(hardware_));
}

UiWindowHost::UiWindowHost() : uiThread_(GetCurrentThreadId())
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);  // fails harmlessly once registered
    window_ = CreateWindowA(kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

UiWindowHost::~UiWindowHost()
{
    DestroyWindow(static_cast<HWND>(window_));
}

int32_t UiWindowHost::Run(const std::function<int32_t()>& access)
{
    if (GetCurrentThreadId() == uiThread_ || !window_)
        return access();
    // SendMessage waits, without a bound, until the UI thread has run it.
    SentAccess sent = {&access, 0};
    SendMessageA(static_cast<HWND>(window_), kRunAccess, 0, reinterpret_cast<LPARAM>(&sent));
    return sent.result;
}

}  // namespace sim
