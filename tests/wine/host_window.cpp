#include "tests/wine/host_window.h"

#include <utility>

#include "sim/box_driver.h"

namespace test {

namespace {

constexpr UINT kTickMs = 20;
constexpr int kTicksBeforeGivingUp = 500;

}  // namespace

std::function<void()> HostWindow::s_work;

HostWindow::HostWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VtTestHost";
    RegisterClassA(&wc);  // fails harmlessly once registered
    window = CreateWindowA("VtTestHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

HostWindow::~HostWindow()
{
    Stop();
    DestroyWindow(window);
}

void HostWindow::Every(UINT ms, std::function<void()> work)
{
    s_work = std::move(work);
    SetTimer(window, 1, ms, nullptr);
}

void HostWindow::Stop()
{
    KillTimer(window, 1);
    s_work = nullptr;
}

LRESULT CALLBACK HostWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && s_work) {
        s_work();
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int32_t PressThrough(HostWindow& host, std::vector<std::string> presses, const std::function<int32_t()>& call,
                     std::vector<std::string>* seen, const std::function<void()>& hostWork)
{
    sim::BoxDriver person(std::move(presses), true);
    person.Quiet();
    int ticks = 0;
    host.Every(kTickMs, [&] {
        if (hostWork)
            hostWork();
        if (++ticks % kTicksBeforeGivingUp == 0)
            person.SkipRemaining();
        if (person.Tick())
            ticks = 0;
    });
    const int32_t result = call();
    host.Stop();
    if (seen)
        *seen = person.Seen();
    return result;
}

}  // namespace test
