// The message box's dialog procedure and the window procedure of its icon
// control.  The dialog is created with its CPromptDialog as the creation
// parameter; the procedure ends the box only by setting m_nReturnValue and
// m_bEnded, and the modal loop destroys the window.
#pragma once

#include <windows.h>

INT_PTR CALLBACK PromptBoxDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Replaces the icon control's own procedure: paints the icon kept in the
// control's GWLP_USERDATA and answers 0 to everything.
LRESULT CALLBACK IconControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
