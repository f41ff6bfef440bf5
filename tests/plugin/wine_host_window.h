// The host's main window for the wine tests: a window of the test's thread
// whose timer runs host work, also while a box of the plug-in runs its modal
// loop on that thread, as the real host's timers do.
#pragma once

#include <windows.h>

#include <functional>

namespace test {

class HostWindow {
public:
    HostWindow();
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    // Runs work on every tick of a timer of ms milliseconds (one timer per
    // test; a second call replaces the work).
    void Every(UINT ms, std::function<void()> work);

    HWND window = nullptr;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static std::function<void()> s_work;
};

}  // namespace test
