#include "box_user.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <cstdio>

namespace box_user {

namespace {

struct Search {
    HWND found;
};

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM lParam)
{
    char className[32] = {};
    GetClassNameA(window, className, sizeof(className));
    if (std::string(className) == "#32770" && IsWindowVisible(window)) {
        reinterpret_cast<Search*>(lParam)->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindBox(DWORD thread)
{
    Search search = {nullptr};
    EnumThreadWindows(thread, FindVisibleDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void DrainQuitMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void SendKey(WORD key, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

} // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(5);
    }
    return true;
}

int Run(const std::function<void(HWND dialog)>& actions, const std::function<int()>& call)
{
    const DWORD testThread = GetCurrentThreadId();
    std::atomic<bool> returned{false};
    std::thread user([&] {
        HWND dialog = nullptr;
        if (!WaitUntil([&] { return (dialog = FindBox(testThread)) != nullptr || returned; })) {
            ADD_FAILURE() << "no message box appeared";
        } else if (dialog != nullptr) {
            actions(dialog);
        } else {
            ADD_FAILURE() << "PromptBox returned without showing a box";
        }
        if (!WaitUntil([&] { return returned.load(); })) {
            ADD_FAILURE() << "the box did not end; closing it with a quit message";
            PostThreadMessageA(testThread, WM_QUIT, 0, 0);
        }
    });
    const int result = call();
    returned = true;
    user.join();
    DrainQuitMessages();
    return result;
}

int RunExpectingNoBox(const std::function<int()>& call)
{
    const DWORD testThread = GetCurrentThreadId();
    std::atomic<bool> returned{false};
    std::thread watcher([&] {
        while (!returned) {
            if (FindBox(testThread) != nullptr) {
                ADD_FAILURE() << "a box appeared";
                PostThreadMessageA(testThread, WM_QUIT, 0, 0);
                return;
            }
            Sleep(5);
        }
    });
    const int result = call();
    returned = true;
    watcher.join();
    DrainQuitMessages();
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
    const HWND button = GetDlgItem(dialog, id);
    ASSERT_NE(button, nullptr) << "no control " << id;
    SendMessageA(button, BM_CLICK, 0, 0);
}

void Tick(HWND dialog, int id)
{
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, BST_CHECKED, 0);
}

bool IsTicked(HWND dialog, int id)
{
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void PressKey(HWND dialog, UINT key)
{
    PostMessageA(dialog, WM_KEYDOWN, key, 1);
    PostMessageA(dialog, WM_KEYUP, key, 0xC0000001);
}

void PressCtrlC(HWND /*dialog*/)
{
    SendKey(VK_CONTROL, false);
    if (!WaitUntil([] { return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0; })) {
        ADD_FAILURE() << "Ctrl does not go down";
    }
    SendKey('C', false);
    SendKey('C', true);
    // Ctrl stays down until the box has had the key.  The clipboard is
    // watched without opening it, which would keep the box from copying.
    WaitUntil([] { return IsClipboardFormatAvailable(CF_TEXT) != FALSE; });
    SendKey(VK_CONTROL, true);
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
    if (!OpenClipboard(nullptr)) {
        return text;
    }
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* locked = static_cast<const char*>(GlobalLock(data))) {
            text = locked;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void EmptyTheClipboard()
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

} // namespace box_user
