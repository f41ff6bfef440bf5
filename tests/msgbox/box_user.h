// A person in front of a message box, played by a second thread while
// PromptBox runs its modal loop on the test's thread.  Every wait is
// bounded; a box still up when the actions are done is ended by a quit
// message, so that a failing test never hangs the suite.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace box_user {

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// Runs call (a PromptBox call) on this thread while actions play the user
// with the box's dialog once it is visible; with actions null, fails the
// test when a box appears.
int RunBox(const std::function<void(HWND dialog)>& actions, const std::function<int()>& call);

std::string Text(HWND window);
std::string ItemText(HWND dialog, int id);
void Click(HWND dialog, int id);  // BM_CLICK, as a mouse click
bool IsTicked(HWND dialog, int id);
// Posts a key to window (the box's or another of its thread); whether Ctrl
// is down is the test's keyboard state.
void PressKey(HWND window, UINT key);
void ChooseClose(HWND dialog);
bool IsCloseGrey(HWND dialog);
std::string ReadClipboard();
void EmptyTheClipboard();

}  // namespace box_user
