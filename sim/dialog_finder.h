// Finding the message box a thread shows and reading its controls: the visible, enabled dialog-class
// window among the thread's top-level windows (a box that has opened another
// box over itself is disabled meanwhile). Windows only.
#pragma once

#include <windows.h>

#include <string>

namespace sim {

// The first visible and enabled dialog of the thread, or null.
HWND FindVisibleDialog(DWORD threadId);

// A window's text, also of a window of another thread (WM_GETTEXT reaches
// it; GetWindowText does not).
std::string TextOfWindow(HWND window);

// A button caption as a person reads it: without its mnemonic markers.
std::string WithoutAmpersands(const std::string& caption);

}  // namespace sim
