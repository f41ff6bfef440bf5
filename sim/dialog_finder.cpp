#include "sim/dialog_finder.h"

namespace sim {

namespace {

BOOL CALLBACK TakeVisibleDialog(HWND window, LPARAM found)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window) && IsWindowEnabled(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindVisibleDialog(DWORD threadId)
{
    HWND found = nullptr;
    EnumThreadWindows(threadId, TakeVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string TextOfWindow(HWND window)
{
    char text[4096] = {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
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

}  // namespace sim
