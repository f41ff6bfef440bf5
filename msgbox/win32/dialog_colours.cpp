// The coloured message area: the background colour from the top of the
// dialog down to the bottom of the message text, the button-face colour
// below it, and the message text drawn on the background colour.
#include "msgbox/prompt_dialog.h"
#include "msgbox/win32/dialog_parts.h"
#include "msgbox/win32/win32_resources.h"

INT_PTR OnEraseBackground(HWND dialog, const CPromptDialog& box, HDC dc)
{
    if (!box.m_hBackgroundBrush)
        return FALSE;
    RECT client = {};
    GetClientRect(dialog, &client);
    SolidBrush buttonFace(GetSysColor(COLOR_BTNFACE));
    if (buttonFace.Get() != nullptr)
        FillRect(dc, &client, buttonFace.Get());
    RECT messageArea = client;
    messageArea.bottom = box.m_rcMessage.bottom;
    FillRect(dc, &messageArea, static_cast<HBRUSH>(box.m_hBackgroundBrush.get()));
    // The background is erased: WM_ERASEBKGND answers non-zero.
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

INT_PTR OnStaticColour(const CPromptDialog& box, HDC dc, HWND control)
{
    if (!box.m_hBackgroundBrush)
        return FALSE;
    SetBkColor(dc, box.m_crBackgroundColor);
    SetTextColor(dc, box.m_crTextColor != 0xFFFFFFFFu ? box.m_crTextColor : GetSysColor(COLOR_WINDOWTEXT));
    if (GetDlgCtrlID(control) == box.m_nMessageId)
        return reinterpret_cast<INT_PTR>(box.m_hBackgroundBrush.get());
    return FALSE;
}
