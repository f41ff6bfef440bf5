#include "msgbox/win32/system_calls.h"

PromptBoxSystemCalls g_promptBoxSystemCalls = {MessageBoxA, MessageBeep, WinHelpA, GetAsyncKeyState};
