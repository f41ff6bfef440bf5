// The two one-second countdowns: the time-out in the default button's
// caption, the disabled period in the title.
#include <cstdio>

#include "msgbox/dialog_template.h"
#include "msgbox/prompt_commands.h"
#include "msgbox/prompt_dialog.h"
#include "msgbox/win32/dialog_parts.h"

namespace {

// " = " and the widest count: room enough after a 99-character caption.
constexpr int kCountdownCaptionChars = PB_CAPTION_CHARS + 32;
constexpr int kCountdownTitleChars = PB_TITLE_CHARS + 100;

}  // namespace

void StopTimeout(HWND dialog, CPromptDialog& box)
{
    KillTimer(dialog, PB_TIMER_TIMEOUT);
    if (box.m_nDefaultId == 0 || box.m_szSavedButtonText[0] == '\0')
        return;
    if (const HWND defaultButton = GetDlgItem(dialog, box.m_nDefaultId))
        SetWindowTextA(defaultButton, box.m_szSavedButtonText);
}

void OnTimeoutTick(HWND dialog, CPromptDialog& box)
{
    if (box.m_nTimeoutSecs > 0) {
        const HWND defaultButton = box.m_nDefaultId != 0 ? GetDlgItem(dialog, box.m_nDefaultId) : nullptr;
        if (defaultButton == nullptr)
            return;
        if (box.m_szSavedButtonText[0] == '\0')
            GetWindowTextA(defaultButton, box.m_szSavedButtonText, PB_CAPTION_CHARS);
        char caption[kCountdownCaptionChars];
        FormatTimeoutCaption(box.m_szSavedButtonText, box.m_nTimeoutSecs, caption, sizeof(caption));
        SetWindowTextA(defaultButton, caption);
        --box.m_nTimeoutSecs;
        return;
    }
    // Time is up: the default button is pressed, whichever it is.
    KillTimer(dialog, PB_TIMER_TIMEOUT);
    const uint32_t command = static_cast<uint32_t>(box.m_nDefaultId) | PB_TIMED_OUT;
    SendMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(command), 0);
}

void OnDisabledTick(HWND dialog, CPromptDialog& box)
{
    char title[PB_TITLE_CHARS];
    CopyShownTitle(box, title, sizeof(title));
    if (box.m_nDisabledSecs > 0) {
        char countdown[kCountdownTitleChars];
        FormatDisabledTitle(title, box.m_nDisabledSecs, countdown, sizeof(countdown));
        SetWindowTextA(dialog, countdown);
        --box.m_nDisabledSecs;
        return;
    }
    KillTimer(dialog, PB_TIMER_DISABLED);
    EnablePushButtons(dialog, true);
    box.m_bButtonsDisabled = 0;
    if (box.m_nInternalFlags & (PB_FLAG_HAS_CANCEL | PB_FLAG_OK_ONLY))
        SetCloseItemState(dialog, MF_ENABLED);
    SetWindowTextA(dialog, title);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}
