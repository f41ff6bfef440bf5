#include "msgbox/win32/prompt_box.h"

#include <windows.h>

#include <memory>
#include <new>

#include "msgbox/bounded_text.h"
#include "msgbox/prompt_dialog.h"
#include "msgbox/win32/answer_store.h"
#include "msgbox/win32/gdi_metrics.h"
#include "msgbox/win32/modal_loop.h"
#include "msgbox/win32/system_calls.h"
#include "msgbox/win32/windows_version.h"

namespace {

// Time-outs and disabled periods of 1000 seconds and more are taken as 10.
constexpr int32_t kLongestPeriod = 999;
constexpr int32_t kReplacedPeriod = 10;
constexpr int32_t kNoDialog = -1;

HWND ChooseOwner(void* owner)
{
    if (owner != nullptr)
        return static_cast<HWND>(owner);
    const HWND active = GetActiveWindow();
    return active != nullptr ? GetLastActivePopup(active) : nullptr;
}

bool IsResourceId(const char* text)
{
    const uintptr_t value = reinterpret_cast<uintptr_t>(text);
    return value != 0 && value <= 0xFFFF;
}

// A text or a string id of the strings module as a bounded copy; null stays
// null.  Null also when there is no memory for the copy.
std::unique_ptr<char[]> ResolveText(HMODULE strings, const char* text)
{
    if (text == nullptr)
        return nullptr;
    std::unique_ptr<char[]> copy(new (std::nothrow) char[PB_TEXT_BUFFER_CHARS]());
    if (!copy)
        return nullptr;
    if (IsResourceId(text)) {
        // A string the module lacks becomes the empty text.
        LoadStringA(strings, static_cast<UINT>(reinterpret_cast<uintptr_t>(text)), copy.get(),
                    PB_TEXT_BUFFER_CHARS - 1);
    } else {
        CopyTextBounded(copy.get(), PB_TEXT_BUFFER_CHARS, text);
    }
    copy[PB_TEXT_BUFFER_CHARS - 1] = '\0';
    return copy;
}

// The system message box takes over system-modal error boxes.  It knows no
// string ids: they are looked up here first.
int HandOffToSystemBox(HWND owner, const char* text, const char* caption, uint32_t type, const PromptBoxParams* params)
{
    HMODULE strings = params != nullptr ? static_cast<HMODULE>(params->stringsModule) : nullptr;
    if (strings == nullptr)
        strings = GetModuleHandleA(nullptr);
    const std::unique_ptr<char[]> message = ResolveText(strings, text);
    const std::unique_ptr<char[]> title = ResolveText(strings, caption);
    if ((text != nullptr && !message) || (caption != nullptr && !title))
        return kNoDialog;
    return g_promptBoxSystemCalls.messageBox(owner, message.get(), title.get(), type);
}

int32_t LimitPeriod(int32_t seconds)
{
    return seconds > kLongestPeriod ? kReplacedPeriod : seconds;
}

int ShowPromptBox(void* ownerArgument, const char* text, const char* caption, uint32_t type,
                  const PromptBoxParams* params)
{
    const HWND owner = ChooseOwner(ownerArgument);
    if ((type & MB_ICONHAND) && (type & MB_SYSTEMMODAL))
        return HandOffToSystemBox(owner, text, caption, type, params);
    if (caption == nullptr)
        caption = "Error";

    // Everything below works on a copy; the caller's record stays as it is.
    std::unique_ptr<PromptBoxParams> copy(new (std::nothrow) PromptBoxParams());
    if (!copy)
        return kNoDialog;
    if (params != nullptr)
        *copy = *params;

    if ((type & PB_CHECK_MASK) && copy->answerKeyText != nullptr && copy->answerKeyText[0] != '\0') {
        const int32_t remembered = LookupStoredAnswer(*copy);
        if (static_cast<uint32_t>(remembered) & PB_CHECK_MASK)
            return remembered;
    }

    copy->timeoutSecs = LimitPeriod(copy->timeoutSecs);
    copy->disabledSecs = LimitPeriod(copy->disabledSecs);
    if (IsWindows6OrLater())
        copy->layoutFlags |= PB_LAYOUT_MODERN;

    std::unique_ptr<CPromptDialog> box;
    {
        GdiLayoutMetrics metrics;
        box.reset(new (std::nothrow) CPromptDialog(metrics, owner, text, caption, type, *copy));
    }
    if (!box || !box->LayoutComplete())
        return kNoDialog;
    if ((type & PB_NO_BEEP) == 0)
        g_promptBoxSystemCalls.messageBeep(type & MB_ICONMASK);
    return RunModal(*box);
}

}  // namespace

int PromptBox(void* owner, const char* text, const char* caption, uint32_t type, const PromptBoxParams* params)
{
    // Nothing is thrown into the caller, which may be a host written in any
    // language.
    try {
        return ShowPromptBox(owner, text, caption, type, params);
    } catch (...) {
        return kNoDialog;
    }
}
