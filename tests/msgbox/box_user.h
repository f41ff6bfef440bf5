// A person in front of a message box, played by a second thread while
// PromptBox runs its modal loop on the test's thread: finds the box, reads
// it, clicks, types and copies.  Every wait is bounded, and a box that is
// still up when the actions are done is ended with a quit message, so a
// failing test never hangs the suite.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace box_user {

// Waits up to timeoutMs for condition; true when it came.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// Runs call (a PromptBox call) on this thread while actions play the user
// on another thread with the box's dialog window once it is visible.
int Run(const std::function<void(HWND dialog)>& actions, const std::function<int()>& call);
// Runs call and fails the test if a box shows up.
int RunExpectingNoBox(const std::function<int()>& call);

std::string Text(HWND window);
std::string ItemText(HWND dialog, int id);
// BM_CLICK on a button, as a mouse click would.
void Click(HWND dialog, int id);
void Tick(HWND dialog, int id); // check without a click: no command
bool IsTicked(HWND dialog, int id);
// A key pressed while the box has the focus.
void PressKey(HWND dialog, UINT key);
void PressCtrlC(HWND dialog);
// The Close item of the system menu.
void ChooseClose(HWND dialog);
bool IsCloseGrey(HWND dialog);

std::string ReadClipboard();
void EmptyTheClipboard();

} // namespace box_user
