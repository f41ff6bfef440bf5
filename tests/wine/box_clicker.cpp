#include "tests/wine/box_clicker.h"

#include "sim/dialog_finder.h"

#include <atomic>
#include <thread>

namespace test {

namespace {

struct Controls {
    SeenBox box;
    std::vector<HWND> buttons;
};

BOOL CALLBACK CollectControl(HWND child, LPARAM param)
{
    Controls& controls = *reinterpret_cast<Controls*>(param);
    char className[16] = {};
    GetClassNameA(child, className, sizeof className);
    std::string text = sim::TextOfWindow(child);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (std::string(className) == "Button" && (style & 0xF) <= 1) {
        controls.box.buttons.push_back(sim::WithoutAmpersands(text));
        controls.buttons.push_back(child);
    } else if (std::string(className) == "Static" && !text.empty() && controls.box.message.empty()) {
        controls.box.message = text;
    }
    return TRUE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(5);
    }
    return true;
}

HWND WaitForNextBox(DWORD caller, const std::atomic<bool>& returned)
{
    HWND dialog = nullptr;
    if (!WaitUntil(
            [&] {
                dialog = sim::FindVisibleDialog(caller);
                return dialog != nullptr || returned.load();
            },
            15000))
        return nullptr;
    return dialog;
}

int WithPerson(const std::function<void(DWORD caller, const std::atomic<bool>& returned)>& person,
               const std::function<int()>& call)
{
    DWORD caller = GetCurrentThreadId();
    std::atomic<bool> returned{false};
    std::thread second([&] { person(caller, returned); });
    int result = call();
    returned = true;
    second.join();
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    return result;
}

int PressThrough(const std::vector<std::string>& presses, const std::function<int()>& call, std::vector<SeenBox>* seen,
                 const std::function<bool()>& readyToPress)
{
    return WithPerson(
        [&](DWORD caller, const std::atomic<bool>& returned) {
            for (const std::string& press : presses) {
                HWND dialog = WaitForNextBox(caller, returned);
                if (!dialog)
                    break;
                Controls controls;
                controls.box.title = sim::TextOfWindow(dialog);
                EnumChildWindows(dialog, CollectControl, reinterpret_cast<LPARAM>(&controls));
                if (seen)
                    seen->push_back(controls.box);
                if (readyToPress)
                    WaitUntil(readyToPress, 15000);
                for (std::size_t i = 0; i < controls.buttons.size(); ++i)
                    if (controls.box.buttons[i] == press)
                        SendMessageA(controls.buttons[i], BM_CLICK, 0, 0);
                // The next box is a new window: wait until this one has gone.
                WaitUntil([&] { return !IsWindow(dialog) || returned.load(); }, 15000);
            }
            if (!WaitUntil([&] { return returned.load(); }, 15000))
                PostThreadMessageA(caller, WM_QUIT, 0, 0);
        },
        call);
}

}  // namespace test
