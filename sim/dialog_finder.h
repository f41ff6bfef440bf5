// Finding the message box a thread shows: the visible, enabled dialog-class
// window among the thread's top-level windows (a box that has opened another
// box over itself is disabled meanwhile). Windows only.
#pragma once

#include <windows.h>

namespace sim {

// The first visible and enabled dialog of the thread, or null.
HWND FindVisibleDialog(DWORD threadId);

}  // namespace sim
