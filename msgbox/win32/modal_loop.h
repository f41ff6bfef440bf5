// Shows a laid-out message box as a modal dialog: writes its in-memory
// template, creates the dialog over the owner, disables the owner and runs
// the thread's messages until the dialog procedure ends the box.
#pragma once

#include <cstdint>

class CPromptDialog;

// The box's result as the dialog procedure left it: -1 when the dialog
// could not be created, or when a quit message or the dialog's destruction
// ended the loop before any button; 2 (IDCANCEL) when there is no memory
// for the template.  A quit message is posted again for the caller's loop.
int32_t RunModal(CPromptDialog& dialog);
