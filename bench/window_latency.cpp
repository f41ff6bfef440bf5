// Time from a message box call to its window being active, under wine (or
// Windows): a second thread watches for the dialog, notes the time when it is
// visible and when it is the active (foreground) window, and presses its
// first button. PromptBox and the system's MessageBoxA are measured in
// alternating runs of the same program, so that both see the same machine;
// scripts/bench runs the i686 and the x86_64 build one after the other.
// Prints the median and extremes of each.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "msgbox/prompt_box_params.h"
#include "msgbox/win32/prompt_box.h"
#include "sim/dialog_finder.h"

namespace {

const char kText[] = "GPU=0 VID=0x3C Voltage=1.2000\n\nParameters: /sd0 /wi2,70,17,3c\n\nOVP/OCP=0";
const char kTitle[] = "VRM Voltage Control";

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Sample {
    double visible;
    double active;  // negative when the box never became the active window
};

// Calls show() on this thread; a second thread presses the button with the
// given id once the box is active (or after two seconds visible).
Sample Measure(const std::function<void()>& show, int buttonId)
{
    DWORD caller = GetCurrentThreadId();
    LARGE_INTEGER start, visible = {}, active = {};
    std::atomic<bool> done{false};
    bool activated = false;
    std::thread person([&] {
        HWND dialog = nullptr;
        while (!done && !(dialog = sim::FindVisibleDialog(caller)))
            Sleep(0);
        QueryPerformanceCounter(&visible);
        if (!dialog)
            return;
        DWORD since = GetTickCount();
        while (!done && GetForegroundWindow() != dialog && GetTickCount() - since < 2000)
            Sleep(0);
        QueryPerformanceCounter(&active);
        activated = GetForegroundWindow() == dialog;
        PostMessageA(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
    });
    QueryPerformanceCounter(&start);
    show();
    done = true;
    person.join();
    return {Milliseconds(start, visible), activated ? Milliseconds(start, active) : -1.0};
}

void Report(const char* name, std::vector<Sample> samples)
{
    std::vector<double> visible, active;
    for (const Sample& s : samples) {
        visible.push_back(s.visible);
        if (s.active >= 0)
            active.push_back(s.active);
    }
    std::sort(visible.begin(), visible.end());
    std::sort(active.begin(), active.end());
    std::printf("%-12s call to active window: ", name);
    if (active.empty())
        std::printf("never active;");
    else
        std::printf("median %.1f ms, min %.1f ms, max %.1f ms;", active[active.size() / 2], active.front(),
                    active.back());
    std::printf(" to visible: median %.1f ms (%zu runs, %zu active)\n", visible[visible.size() / 2], samples.size(),
                active.size());
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    std::vector<Sample> promptBox, messageBox;
    for (int run = 0; run < runs; ++run) {
        promptBox.push_back(Measure(
            [] {
                PromptBoxParams params;
                params.backgroundColor = 0xC0C0C0;
                lstrcpyA(params.buttonsText, "UP\nDOWN\nEXIT");
                PromptBox(nullptr, kText, kTitle, 0x30 | 0x40000000 /* no beep */, &params);
            },
            23));
        messageBox.push_back(Measure([] { MessageBoxA(nullptr, kText, kTitle, MB_OK | MB_ICONEXCLAMATION); }, IDOK));
    }
    std::printf("%u-bit build:\n", static_cast<unsigned>(sizeof(void*) * 8));
    Report("PromptBox", promptBox);
    Report("MessageBoxA", messageBox);
    return 0;
}
