#include "box_user.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace box_user {

namespace {

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM found)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof(className));
    if (std::string(className) == "#32770" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindBox(DWORD thread)
{
    HWND found = nullptr;
    EnumThreadWindows(thread, FindVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(5);
    }
    return true;
}

int RunBox(const std::function<void(HWND dialog)>& actions, const std::function<int()>& call)
{
    const DWORD testThread = GetCurrentThreadId();
    std::atomic<bool> returned{false};
    std::thread user([&] {
        HWND dialog = nullptr;
        WaitUntil([&] { return (dialog = FindBox(testThread)) != nullptr || returned; });
        if (dialog != nullptr && actions)
            actions(dialog);
        else if (dialog != nullptr || actions)
            ADD_FAILURE() << (dialog != nullptr ? "a box appeared" : "no box appeared");
        if (!WaitUntil([&] { return returned.load(); })) {
            ADD_FAILURE() << "the box did not end; ending it with a quit message";
            PostThreadMessageA(testThread, WM_QUIT, 0, 0);
        }
    });
    const int result = call();
    returned = true;
    user.join();
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    return result;
}

std::string Text(HWND window)
{
    char text[4096] = {};
    // WM_GETTEXT reaches controls of another thread; GetWindowText does not.
    SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

std::string ItemText(HWND dialog, int id)
{
    return Text(GetDlgItem(dialog, id));
}

void Click(HWND dialog, int id)
{
    ASSERT_NE(GetDlgItem(dialog, id), nullptr) << "no control " << id;
    SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
}

bool IsTicked(HWND dialog, int id)
{
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void PressKey(HWND window, UINT key)
{
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

void ChooseClose(HWND dialog)
{
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool IsCloseGrey(HWND dialog)
{
    const UINT state = GetMenuState(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_GRAYED) != 0;
}

std::string ReadClipboard()
{
    std::string text;
    if (OpenClipboard(nullptr)) {
        HANDLE data = GetClipboardData(CF_TEXT);
        if (const char* locked = data != nullptr ? static_cast<const char*>(GlobalLock(data)) : nullptr) {
            text = locked;
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    return text;
}

void EmptyTheClipboard()
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

}  // namespace box_user
