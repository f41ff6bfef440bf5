// The host's main window for the wine tests: a window of the test's thread
// whose timer runs host work, also while a box of the plug-in runs its modal
// loop on that thread, as the real host's timers do. The person at the card
// is played by the same timer with the simulator's box driver
// (sim/box_driver.h), pressing each box from inside its own message loop;
// should the timer stop there, nothing presses the box, and the window's
// watchdog ends the program rather than let it hang.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/watchdog.h"

namespace test {

class HostWindow {
public:
    HostWindow();
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    // Runs work on every tick of a timer of ms milliseconds (one timer per
    // test; a second call replaces the work); Stop ends it.
    void Every(UINT ms, std::function<void()> work);
    void Stop();

    HWND window = nullptr;

private:
    sim::Watchdog watchdog_{"a plug-in call whose boxes the host's timer presses"};
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static std::function<void()> s_work;
};

// Runs call on this thread while the host's timer ticks every 20 ms: each
// tick runs hostWork (when given), then presses the button captioned by the
// next of presses in the box that is up, one box per caption. Once they run
// out, or when a box lacks the caption for 10 s, every further box is closed
// (EXIT or its default button), so that a failing test ends rather than
// hangs. Returns what call returned; seen receives each pressed box as
// "title: text" (sim::BoxDriver::Seen).
int32_t PressThrough(HostWindow& host, std::vector<std::string> presses, const std::function<int32_t()>& call,
                     std::vector<std::string>* seen = nullptr, const std::function<void()>& hostWork = nullptr);

}  // namespace test
