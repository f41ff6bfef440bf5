// The system calls with effects outside the box (the system message box,
// the beep, the help viewer), called through this table so that tests can
// watch them.  Everything else is called directly.
#pragma once

#include <windows.h>

struct PromptBoxSystemCalls {
    int(WINAPI* messageBox)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
    BOOL(WINAPI* messageBeep)(UINT type);
    BOOL(WINAPI* winHelp)(HWND window, LPCSTR helpFile, UINT command, ULONG_PTR data);
};

// Initially MessageBoxA, MessageBeep and WinHelpA.
extern PromptBoxSystemCalls g_promptBoxSystemCalls;
