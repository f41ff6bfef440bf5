#include "msgbox/win32/modal_loop.h"

#include <windows.h>

#include "msgbox/dialog_template.h"
#include "msgbox/prompt_dialog.h"
#include "msgbox/win32/ansi_text.h"
#include "msgbox/win32/copy_key.h"
#include "msgbox/win32/dialog_proc.h"
#include "msgbox/win32/win32_resources.h"

namespace {

// Disables the owner while the box is up and gives it back its state
// before the dialog goes away.  An owner that was already disabled (by an
// outer modal window) stays disabled.
class OwnerDisabled {
public:
    explicit OwnerDisabled(HWND owner) : m_hOwner(owner)
    {
        if (m_hOwner != nullptr) {
            // EnableWindow returns non-zero when the window was disabled.
            m_bWasEnabled = EnableWindow(m_hOwner, FALSE) == FALSE;
        }
    }
    ~OwnerDisabled() { Restore(); }
    OwnerDisabled(const OwnerDisabled&) = delete;
    OwnerDisabled& operator=(const OwnerDisabled&) = delete;

    void Restore()
    {
        if (m_hOwner != nullptr && m_bWasEnabled && IsWindow(m_hOwner))
            EnableWindow(m_hOwner, TRUE);
        m_hOwner = nullptr;
    }

private:
    HWND m_hOwner;
    bool m_bWasEnabled = false;
};

// One message of the thread: Ctrl+C copies the box, dialog keys go to the
// dialog, the rest is dispatched.  False when it was a quit message.
bool HandleMessage(HWND dialog, MSG& message)
{
    if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        return false;
    }
    if (message.message == WM_KEYDOWN && HandleCopyKey(dialog, message.wParam, message.lParam))
        return true;
    if (!IsDialogMessageA(dialog, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

void RunMessageLoop(HWND dialog, const CPromptDialog& box)
{
    // The dialog can also go away without a button: its owner destroyed,
    // or someone else destroying it.  The loop must not wait for it then.
    while (!box.m_bEnded && IsWindow(dialog)) {
        MSG message = {};
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!HandleMessage(dialog, message))
                return;
        } else if (!box.m_bEnded && IsWindow(dialog)) {
            WaitMessage();
        }
    }
}

}  // namespace

int32_t RunModal(CPromptDialog& box)
{
    const size_t size = MeasureDialogTemplate(box, WidenAnsiText);
    if (size == 0)
        return IDCANCEL;
    LockedLocalBlock block(LMEM_MOVEABLE | LMEM_ZEROINIT, size);
    if (block.Data() == nullptr ||
        WriteDialogTemplate(box, WidenAnsiText, static_cast<uint8_t*>(block.Data()), size) != size) {
        return IDCANCEL;
    }

    const HWND owner = static_cast<HWND>(box.m_hWndOwner);
    const HWND dialog =
        CreateDialogIndirectParamA(GetModuleHandleA(nullptr), static_cast<LPCDLGTEMPLATEA>(block.Data()), owner,
                                   PromptBoxDlgProc, reinterpret_cast<LPARAM>(&box));
    if (dialog == nullptr)
        return box.m_nReturnValue;

    OwnerDisabled ownerDisabled(owner);
    RunMessageLoop(dialog, box);
    // The owner comes back first, so that the system activates it rather
    // than some other window when the dialog goes.
    ownerDisabled.Restore();
    DestroyWindow(dialog);
    return box.m_nReturnValue;
}
