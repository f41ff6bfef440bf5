// WM_INITDIALOG: fonts, the disabled period, focus, the Close item, the
// icon, topmost and foreground, position and timers.
#include "msgbox/box_placement.h"
#include "msgbox/prompt_dialog.h"
#include "msgbox/win32/dialog_parts.h"
#include "msgbox/win32/dialog_proc.h"

static_assert(PB_SS_NOPREFIX == SS_NOPREFIX, "the message control's style");

namespace {

void SetControlFont(HWND control, const CPromptDialog& box)
{
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(box.m_hFont.get()), FALSE);
}

void SetFonts(HWND dialog, CPromptDialog& box)
{
    // The static texts: from the message on, until the first id missing.
    for (int id = PB_ID_TEXT; id < box.m_nNextControlId; ++id) {
        const HWND control = GetDlgItem(dialog, id);
        if (control == nullptr)
            break;
        SetControlFont(control, box);
    }
    for (int id = PB_FIRST_BUTTON_ID; id <= PB_LAST_BUTTON_ID; ++id)
        if (const HWND control = GetDlgItem(dialog, id))
            SetControlFont(control, box);
    if (const HWND help = GetDlgItem(dialog, PB_ID_HELP))
        SetControlFont(help, box);
    if (const HWND checkBox = GetDlgItem(dialog, PB_ID_CHECKBOX)) {
        SetControlFont(checkBox, box);
        SendMessageA(checkBox, BM_SETCHECK, BST_UNCHECKED, 0);
    }
    if (const HWND report = GetDlgItem(dialog, PB_ID_REPORT))
        SetControlFont(report, box);
}

void StartDisabledPeriod(HWND dialog, CPromptDialog& box)
{
    if (box.m_nDisabledSecs <= 0)
        return;
    EnablePushButtons(dialog, false);
    SetCloseItemState(dialog, MF_GRAYED);
    box.m_bButtonsDisabled = 1;
}

void ShowIcon(HWND dialog, const CPromptDialog& box)
{
    const HWND iconControl = GetDlgItem(dialog, PB_ID_ICON);
    if (box.m_hIcon && iconControl != nullptr) {
        SetWindowLongPtrA(iconControl, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box.m_hIcon.get()));
        SetWindowLongPtrA(iconControl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(IconControlProc));
    }
}

PbRect ToPbRect(const RECT& rect)
{
    return PbRect{static_cast<int32_t>(rect.left), static_cast<int32_t>(rect.top), static_cast<int32_t>(rect.right),
                  static_cast<int32_t>(rect.bottom)};
}

// The work area of the owner's monitor.  MonitorFromWindow takes a
// minimized window's restored rectangle, so a host minimized from a second
// monitor gets its box on that monitor.  Should the monitor not answer, the
// primary monitor's work area, and failing that its whole screen.
RECT OwnerWorkArea(HWND owner)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor))
        return monitor.rcWork;
    RECT work = {};
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        return work;
    work.right = GetSystemMetrics(SM_CXSCREEN);
    work.bottom = GetSystemMetrics(SM_CYSCREEN);
    return work;
}

void Place(HWND dialog, const CPromptDialog& box)
{
    PbBoxPlacement placement;
    placement.requested.x = box.m_nXPos;
    placement.requested.y = box.m_nYPos;
    if (box.m_nXPos == 0 && box.m_nYPos == 0) {
        // Centred on the owner, kept on its monitor's work area; without an
        // owner the template's centring stays.
        const HWND parent = GetParent(dialog);
        if (parent == nullptr)
            return;
        RECT own = {};
        RECT around = {};
        GetWindowRect(dialog, &own);
        GetWindowRect(parent, &around);
        placement.box = PbSize{static_cast<int32_t>(own.right - own.left), static_cast<int32_t>(own.bottom - own.top)};
        placement.owner = ToPbRect(around);
        placement.ownerMinimized = IsIconic(parent) != FALSE;
        placement.workArea = ToPbRect(OwnerWorkArea(parent));
    }
    const PbPoint topLeft = PbPlaceBox(placement);
    SetWindowPos(dialog, nullptr, topLeft.x, topLeft.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

INT_PTR OnInitDialog(HWND dialog, CPromptDialog& box)
{
    SetFonts(dialog, box);
    StartDisabledPeriod(dialog, box);

    if (const HWND defaultButton = GetDlgItem(dialog, box.m_nDefaultId))
        SetFocus(defaultButton);
    // Without Cancel or a lone OK only the buttons (or the time-out) end
    // the box.
    if ((box.m_nInternalFlags & (PB_FLAG_HAS_CANCEL | PB_FLAG_OK_ONLY)) == 0)
        SetCloseItemState(dialog, MF_GRAYED);
    ShowIcon(dialog, box);

    if (box.m_nStyle & MB_TOPMOST)
        SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    if (box.m_nStyle & MB_SETFOREGROUND)
        SetForegroundWindow(dialog);
    Place(dialog, box);

    if (box.m_nTimeoutSecs > 0)
        SetTimer(dialog, PB_TIMER_TIMEOUT, PB_TIMER_PERIOD_MS, nullptr);
    if (box.m_nDisabledSecs > 0)
        SetTimer(dialog, PB_TIMER_DISABLED, PB_TIMER_PERIOD_MS, nullptr);
    SetForegroundWindow(dialog);
    // The focus is already on the default button.
    return FALSE;
}
