// The message handlers of PromptBoxDlgProc, one file per concern: start-up,
// commands, the two countdowns, colours.  Shared by those files only.
#pragma once

#include <windows.h>

#include <cstdint>

class CPromptDialog;

constexpr UINT_PTR PB_TIMER_TIMEOUT = 1;
constexpr UINT_PTR PB_TIMER_DISABLED = 2;
constexpr UINT PB_TIMER_PERIOD_MS = 1000;
// Push buttons, standard and custom, have ids 1 to 26.
constexpr int PB_FIRST_BUTTON_ID = 1;
constexpr int PB_LAST_BUTTON_ID = 26;

// dialog_start.cpp
INT_PTR OnInitDialog(HWND dialog, CPromptDialog& box);

// dialog_commands.cpp
INT_PTR OnCommand(HWND dialog, CPromptDialog& box, uint32_t command);

// dialog_countdowns.cpp
void OnTimeoutTick(HWND dialog, CPromptDialog& box);
void OnDisabledTick(HWND dialog, CPromptDialog& box);
// Ends the time-out for good and gives the default button its caption back.
void StopTimeout(HWND dialog, CPromptDialog& box);

// dialog_colours.cpp
INT_PTR OnEraseBackground(HWND dialog, const CPromptDialog& box, HDC dc);
INT_PTR OnStaticColour(const CPromptDialog& box, HDC dc, HWND control);

// dialog_controls.cpp
// True when window's class is "Button", without regard to case.
bool IsButtonWindow(HWND window);
// Enables or disables every push button with an id of 1 to 26.
void EnablePushButtons(HWND dialog, bool enable);
// MF_GRAYED or MF_ENABLED for the Close item of the system menu.
void SetCloseItemState(HWND dialog, UINT state);
// The title as the template shows it: cut to its first 1,023 bytes.
void CopyShownTitle(const CPromptDialog& box, char* out, size_t capacity);
