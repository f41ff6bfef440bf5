#include "sim/box_driver.h"

#include "sim/dialog_finder.h"

#include <cstdio>
#include <sstream>

namespace sim {

namespace {

struct ButtonSearch {
    std::string caption;  // empty: the box's exit, as an unattended run takes it
    HWND button = nullptr;
    HWND exitButton = nullptr;
    HWND defaultButton = nullptr;
    std::string message;
};

BOOL CALLBACK FindButton(HWND child, LPARAM param)
{
    ButtonSearch& search = *reinterpret_cast<ButtonSearch*>(param);
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    std::string text = TextOfWindow(child);
    bool isButton = std::string(className) == "Button";
    if (isButton && !search.caption.empty() && WithoutAmpersands(text) == search.caption)
        search.button = child;
    if (isButton && text == "EXIT")
        search.exitButton = child;
    if (isButton && (GetWindowLongA(child, GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON)
        search.defaultButton = child;
    if (std::string(className) == "Static" && !text.empty() && search.message.empty())
        search.message = text;
    return TRUE;
}

}  // namespace

bool BoxDriver::Tick()
{
    if (Done() && !unattended_)
        return false;
    HWND dialog = FindVisibleDialog(GetCurrentThreadId());
    if (!dialog || (dialog == lastPressed_ && IsWindow(dialog)))
        return false;
    if (dialog != lookingAt_) {
        lookingAt_ = dialog;
        lookingSince_ = GetTickCount();
    }
    if (GetTickCount() - lookingSince_ < lookMs_)
        return false;

    ButtonSearch buttons;
    if (!Done())
        buttons.caption = presses_[next_];
    EnumChildWindows(dialog, FindButton, reinterpret_cast<LPARAM>(&buttons));
    if (Done())
        buttons.button = buttons.exitButton ? buttons.exitButton : buttons.defaultButton;
    if (!buttons.button || !IsWindowEnabled(buttons.button))
        return false;
    std::string pressed = Done() ? TextOfWindow(buttons.button) + " (unattended)" : presses_[next_];

    std::string message = buttons.message;
    for (std::size_t at = message.find("\n\n"); at != std::string::npos; at = message.find("\n\n"))
        message.replace(at, 2, " | ");
    for (char& c : message)
        if (c == '\n')
            c = ' ';
    seen_.push_back(TextOfWindow(dialog) + ": " + message);
    if (!quiet_)
        std::printf("  [%s] pressed %s\n", seen_.back().c_str(), pressed.c_str());
    if (onPress_)
        onPress_(Done() ? WithoutAmpersands(TextOfWindow(buttons.button)) : presses_[next_], seen_.back());
    if (!Done())
        ++next_;
    lastPressed_ = dialog;
    lookingAt_ = nullptr;  // the next box is looked at afresh
    // Posted, not sent: the click is handled by the box's own loop after
    // this timer callback has returned.
    PostMessageA(buttons.button, BM_CLICK, 0, 0);
    return true;
}

std::vector<std::string> SplitPresses(const std::string& list)
{
    std::vector<std::string> presses;
    std::stringstream in(list);
    std::string item;
    while (std::getline(in, item, ','))
        if (!item.empty())
            presses.push_back(item);
    return presses;
}

}  // namespace sim
