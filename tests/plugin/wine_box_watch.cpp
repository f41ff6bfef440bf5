#include "tests/plugin/wine_box_watch.h"

#include <atomic>

#include "sim/dialog_finder.h"

namespace test {

namespace {

struct CaptionSearch {
    std::string caption;
    std::vector<HWND> found;
};

BOOL CALLBACK TakeCaptioned(HWND window, LPARAM param)
{
    CaptionSearch& search = *reinterpret_cast<CaptionSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (process == GetCurrentProcessId() && lstrcmpA(className, "#32770") == 0 &&
        sim::TextOfWindow(window) == search.caption)
        search.found.push_back(window);
    return TRUE;
}

struct ButtonSearch {
    std::string caption;  // wanted caption, or empty
    HWND wanted = nullptr;
    HWND defaultButton = nullptr;
};

BOOL CALLBACK TakeButton(HWND child, LPARAM param)
{
    ButtonSearch& search = *reinterpret_cast<ButtonSearch*>(param);
    char className[16] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpA(className, "Button") != 0)
        return TRUE;
    if (!search.caption.empty() && sim::WithoutAmpersands(sim::TextOfWindow(child)) == search.caption)
        search.wanted = child;
    if ((GetWindowLongA(child, GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON)
        search.defaultButton = child;
    return TRUE;
}

HWND FocusOf(HWND dialog)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

}  // namespace

std::vector<HWND> DialogsCaptioned(const std::string& caption)
{
    CaptionSearch search;
    search.caption = caption;
    EnumWindows(TakeCaptioned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool ClickButton(HWND dialog, const std::string& caption)
{
    ButtonSearch search;
    search.caption = caption;
    EnumChildWindows(dialog, TakeButton, reinterpret_cast<LPARAM>(&search));
    if (!search.wanted)
        return false;
    SendMessageA(search.wanted, BM_CLICK, 0, 0);
    return true;
}

std::string FocusedCaption(HWND dialog)
{
    HWND focus = FocusOf(dialog);
    return focus && IsChild(dialog, focus) ? sim::WithoutAmpersands(sim::TextOfWindow(focus)) : std::string();
}

std::string DefaultButtonCaption(HWND dialog)
{
    ButtonSearch search;
    EnumChildWindows(dialog, TakeButton, reinterpret_cast<LPARAM>(&search));
    return search.defaultButton ? sim::WithoutAmpersands(sim::TextOfWindow(search.defaultButton)) : std::string();
}

int PressKeyThrough(UINT key, int presses, const std::string& finalCaption, const std::function<int()>& call,
                    std::vector<KeyedBox>* seen)
{
    return WithPerson(
        [&](DWORD caller, const std::atomic<bool>& returned) {
            for (int pressed = 0;; ++pressed) {
                HWND dialog = WaitForNextBox(caller, returned);
                if (!dialog)
                    break;
                if (pressed >= presses) {
                    ClickButton(dialog, finalCaption);
                } else {
                    KeyedBox box;
                    box.focused = FocusedCaption(dialog);
                    box.defaultButton = DefaultButtonCaption(dialog);
                    HWND target = FocusOf(dialog);
                    if (!target || (target != dialog && !IsChild(dialog, target)))
                        target = dialog;
                    // The box's text is the first static control with text.
                    for (HWND child = GetWindow(dialog, GW_CHILD); child && box.message.empty();
                         child = GetWindow(child, GW_HWNDNEXT)) {
                        char className[16] = {};
                        GetClassNameA(child, className, sizeof className);
                        if (lstrcmpA(className, "Static") == 0)
                            box.message = sim::TextOfWindow(child);
                    }
                    if (seen)
                        seen->push_back(box);
                    PostMessageA(target, WM_KEYDOWN, key, 1);
                    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
                }
                // The next box is a new window: wait until this one has gone.
                WaitUntil([&] { return !IsWindow(dialog) || returned.load(); }, 15000);
            }
            if (!WaitUntil([&] { return returned.load(); }, 15000))
                PostThreadMessageA(caller, WM_QUIT, 0, 0);
        },
        call);
}

}  // namespace test
