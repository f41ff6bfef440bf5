#include "msgbox/win32/dialog_proc.h"

#include "msgbox/prompt_dialog.h"
#include "msgbox/win32/dialog_parts.h"
#include "msgbox/win32/win32_resources.h"

namespace {

CPromptDialog* BoxOf(HWND dialog)
{
    return reinterpret_cast<CPromptDialog*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

}  // namespace

INT_PTR CALLBACK PromptBoxDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        CPromptDialog* box = reinterpret_cast<CPromptDialog*>(lParam);
        SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
        return box != nullptr ? OnInitDialog(dialog, *box) : FALSE;
    }
    // Messages before WM_INITDIALOG find no box yet.
    CPromptDialog* box = BoxOf(dialog);
    if (box == nullptr)
        return FALSE;
    switch (message) {
    case WM_COMMAND: return OnCommand(dialog, *box, static_cast<uint32_t>(wParam));
    case WM_TIMER:
        if (wParam == PB_TIMER_TIMEOUT)
            OnTimeoutTick(dialog, *box);
        else if (wParam == PB_TIMER_DISABLED)
            OnDisabledTick(dialog, *box);
        return FALSE;
    case WM_LBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
        // A click on the box itself means someone is there: no time-out.
        // The default handling (moving by the title bar) still follows.
        StopTimeout(dialog, *box);
        return FALSE;
    case WM_ERASEBKGND: return OnEraseBackground(dialog, *box, reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLORSTATIC: return OnStaticColour(*box, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    default: return FALSE;
    }
}

LRESULT CALLBACK IconControlProc(HWND control, UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    if (message == WM_PAINT) {
        PaintSession paint(control);
        const HICON icon = reinterpret_cast<HICON>(GetWindowLongPtrA(control, GWLP_USERDATA));
        if (paint.Dc() != nullptr && icon != nullptr)
            DrawIcon(paint.Dc(), 0, 0, icon);
    }
    return 0;
}
