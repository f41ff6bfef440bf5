// The system calls with effects outside the box (the system message box,
// the beep, the help viewer) and the keyboard's Ctrl key, called through
// this table so that tests can watch them and hold Ctrl down (a virtual
// display keeps its own, real keyboard state).  Everything else is called
// directly.
#pragma once

#include <windows.h>

struct PromptBoxSystemCalls {
    int(WINAPI* messageBox)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
    BOOL(WINAPI* messageBeep)(UINT type);
    BOOL(WINAPI* winHelp)(HWND window, LPCSTR helpFile, UINT command, ULONG_PTR data);
    SHORT(WINAPI* getAsyncKeyState)(int key);
};

// Initially MessageBoxA, MessageBeep, WinHelpA and GetAsyncKeyState.
extern PromptBoxSystemCalls g_promptBoxSystemCalls;
