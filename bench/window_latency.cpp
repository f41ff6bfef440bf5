// Time from a PromptBox call to its window being visible, under wine (or
// Windows): a second thread watches for the dialog, notes the time, and
// presses its first button. Prints the median and extremes of the runs.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "msgbox/prompt_box_params.h"
#include "msgbox/win32/prompt_box.h"
#include "sim/dialog_finder.h"

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = argc > 1 ? std::atoi(argv[1]) : 15;
    std::vector<double> latencies;
    DWORD caller = GetCurrentThreadId();
    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER start, shown = {};
        std::atomic<bool> done{false};
        std::thread person([&] {
            HWND dialog = nullptr;
            while (!done && !(dialog = sim::FindVisibleDialog(caller)))
                Sleep(0);
            QueryPerformanceCounter(&shown);
            if (dialog)
                PostMessageA(GetDlgItem(dialog, 23), BM_CLICK, 0, 0);
        });
        PromptBoxParams params;
        params.backgroundColor = 0xC0C0C0;
        lstrcpyA(params.buttonsText, "UP\nDOWN\nEXIT");
        QueryPerformanceCounter(&start);
        PromptBox(nullptr, "GPU=0 VID=0x3C Voltage=1.2000\n\nParameters: /sd0 /wi2,70,17,3c\n\nOVP/OCP=0",
                  "VRM Voltage Control", 0x30 | 0x40000000 /* no beep */, &params);
        done = true;
        person.join();
        latencies.push_back(Seconds(start, shown) * 1000.0);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("call to visible window: median %.1f ms, min %.1f ms, max %.1f ms over %d runs\n",
                latencies[latencies.size() / 2], latencies.front(), latencies.back(), runs);
    return 0;
}
