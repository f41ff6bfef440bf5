#include "msgbox/win32/copy_key.h"

#include <cstring>

#include "msgbox/clipboard_text.h"
#include "msgbox/prompt_box_params.h"
#include "msgbox/win32/system_calls.h"
#include "msgbox/win32/win32_resources.h"

namespace {

// Window class names are at most 256 characters.
constexpr int kClassNameChars = 258;

bool IsButton(HWND window)
{
    char className[kClassNameChars] = {};
    GetClassNameA(window, className, kClassNameChars);
    return lstrcmpiA(className, "Button") == 0;
}

void CollectBoxText(HWND dialog, ClipboardTextBuilder& text)
{
    char title[PB_CLIPBOARD_TITLE_CHARS + 1] = {};
    GetWindowTextA(dialog, title, sizeof(title));
    text.AddTitle(title);

    const HWND message = GetDlgItem(dialog, PB_ID_TEXT);
    if (message != nullptr && IsWindow(message)) {
        char messageText[PB_CLIPBOARD_MESSAGE_CHARS + 1] = {};
        GetWindowTextA(message, messageText, sizeof(messageText));
        text.AddMessage(messageText);
    }

    // Push buttons and the check box, in child-window (tab) order.
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindow(child) || !IsButton(child))
            continue;
        char caption[PB_CLIPBOARD_BUTTON_CHARS + 1] = {};
        GetWindowTextA(child, caption, sizeof(caption));
        text.AddButton(caption);
    }
    text.Finish();
}

}  // namespace

BOOL HandleCopyKey(HWND dialog, WPARAM key, LPARAM /*keyData*/)
{
    if ((g_promptBoxSystemCalls.getAsyncKeyState(VK_CONTROL) & 0x8000) == 0 || (key & 0xFF) != 'C')
        return FALSE;
    if (!IsWindow(dialog))
        return TRUE;
    ClipboardTextBuilder text;
    CollectBoxText(dialog, text);
    CopyTextToClipboard(text.Text());
    return TRUE;
}

BOOL CopyTextToClipboard(const char* text)
{
    if (text == nullptr)
        text = "";
    ClipboardSession clipboard(nullptr);
    if (!clipboard.IsOpen())
        return FALSE;
    EmptyClipboard();

    const size_t size = std::strlen(text) + 1;
    // The clipboard takes only movable blocks.
    GlobalBlock block(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    GlobalBlockLock lock(block.Get());
    if (lock.Data() == nullptr)
        return FALSE;
    std::memcpy(lock.Data(), text, size);
    lock.Unlock();
    if (SetClipboardData(CF_TEXT, block.Get()) == nullptr)
        return FALSE;
    block.Release();  // the clipboard owns it now
    return TRUE;
}
