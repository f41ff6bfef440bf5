// Ctrl+C in a message box: a plain-text copy of the whole box (title,
// message, button captions) on the clipboard.
#pragma once

#include <windows.h>

// Offered every key-down of the thread while the box is up (key: wParam,
// keyData: lParam).  Returns TRUE when the key was Ctrl+C: the message is
// then used up, whether or not the copy could be made.  The copy is always
// of dialog, whichever window the key was meant for.
BOOL HandleCopyKey(HWND dialog, WPARAM key, LPARAM keyData);

// Puts text on the clipboard as CF_TEXT.  FALSE when the clipboard cannot be
// opened, there is no memory, or the clipboard refuses the data.
BOOL CopyTextToClipboard(const char* text);
