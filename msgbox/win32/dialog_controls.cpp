#include "msgbox/win32/dialog_parts.h"

#include "msgbox/bounded_text.h"
#include "msgbox/dialog_template.h"
#include "msgbox/prompt_dialog.h"

namespace {

constexpr int kClassNameChars = 258;

}  // namespace

bool IsButtonWindow(HWND window)
{
    char className[kClassNameChars] = {};
    GetClassNameA(window, className, kClassNameChars);
    return lstrcmpiA(className, "Button") == 0;
}

void EnablePushButtons(HWND dialog, bool enable)
{
    for (int id = PB_FIRST_BUTTON_ID; id <= PB_LAST_BUTTON_ID; ++id) {
        const HWND control = GetDlgItem(dialog, id);
        if (control != nullptr && IsButtonWindow(control))
            EnableWindow(control, enable ? TRUE : FALSE);
    }
}

void SetCloseItemState(HWND dialog, UINT state)
{
    const HMENU systemMenu = GetSystemMenu(dialog, FALSE);
    if (systemMenu != nullptr)
        EnableMenuItem(systemMenu, SC_CLOSE, MF_BYCOMMAND | state);
}

void CopyShownTitle(const CPromptDialog& box, char* out, size_t capacity)
{
    char title[PB_TITLE_CHARS];
    CopyTextBounded(title, box.CaptionText());
    CopyTextBounded(out, capacity, title);
}
