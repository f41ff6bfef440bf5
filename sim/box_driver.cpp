#include "sim/box_driver.h"

#include <cstdio>
#include <sstream>

namespace sim {

namespace {

std::string WindowText(HWND window)
{
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string WithoutAmpersands(const std::string& caption)
{
    std::string out;
    for (char c : caption)
        if (c != '&')
            out += c;
    return out;
}

struct Search {
    HWND dialog = nullptr;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param)
{
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) == "#32770" && IsWindowVisible(window) && IsWindowEnabled(window)) {
        reinterpret_cast<Search*>(param)->dialog = window;
        return FALSE;
    }
    return TRUE;
}

struct ButtonSearch {
    std::string caption;
    HWND button = nullptr;
    std::string message;
};

BOOL CALLBACK FindButton(HWND child, LPARAM param)
{
    ButtonSearch& search = *reinterpret_cast<ButtonSearch*>(param);
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    std::string text = WindowText(child);
    if (std::string(className) == "Button" && WithoutAmpersands(text) == search.caption)
        search.button = child;
    else if (std::string(className) == "Static" && !text.empty() && search.message.empty())
        search.message = text;
    return TRUE;
}

}  // namespace

bool BoxDriver::Tick()
{
    if (Done())
        return false;
    Search search;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&search));
    if (!search.dialog)
        return false;

    ButtonSearch buttons;
    buttons.caption = presses_[next_];
    EnumChildWindows(search.dialog, FindButton, reinterpret_cast<LPARAM>(&buttons));
    if (!buttons.button || !IsWindowEnabled(buttons.button))
        return false;

    std::string message = buttons.message;
    for (std::size_t at = message.find("\n\n"); at != std::string::npos; at = message.find("\n\n"))
        message.replace(at, 2, " | ");
    for (char& c : message)
        if (c == '\n')
            c = ' ';
    seen_.push_back(WindowText(search.dialog) + ": " + message);
    std::printf("  [%s] pressed %s\n", seen_.back().c_str(), presses_[next_].c_str());
    ++next_;
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
