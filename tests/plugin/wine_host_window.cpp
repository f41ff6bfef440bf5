#include "tests/plugin/wine_host_window.h"

#include <utility>

namespace test {

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
    KillTimer(window, 1);
    DestroyWindow(window);
    s_work = nullptr;
}

void HostWindow::Every(UINT ms, std::function<void()> work)
{
    s_work = std::move(work);
    SetTimer(window, 1, ms, nullptr);
}

LRESULT CALLBACK HostWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && s_work) {
        s_work();
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace test
