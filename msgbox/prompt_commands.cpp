#include "msgbox/prompt_commands.h"

#include <cstdio>
#include <cstring>

#include "msgbox/bounded_text.h"
#include "msgbox/dialog_template.h"
#include "msgbox/prompt_dialog.h"

uint32_t CheckBoxResultBit(uint32_t internalFlags)
{
    if (internalFlags & PB_FLAG_DONT_ASK)
        return PB_CHECK_DONT_ASK;
    if (internalFlags & PB_FLAG_DONT_TELL)
        return PB_CHECK_DONT_TELL;
    if (internalFlags & PB_FLAG_DONT_SHOW)
        return PB_CHECK_DONT_SHOW;
    return 0;
}

PbCommandOutcome ResolveCommand(uint32_t command, const PbCommandContext& context)
{
    PbCommandOutcome outcome = {PbCommandKind::Button, false, 0, false, false};
    switch (command) {
    case IDCANCEL:
        // Cancel never carries the check-box bit and never stores.  While
        // the buttons are disabled Escape may not end the box either: Close
        // is grey for the same reason.
        outcome.kind = PbCommandKind::Cancel;
        if (context.buttonsDisabled)
            return outcome;
        if (context.internalFlags & PB_FLAG_HAS_CANCEL) {
            outcome.endsBox = true;
            outcome.result = IDCANCEL;
        } else if (context.internalFlags & PB_FLAG_OK_ONLY) {
            outcome.endsBox = true;
            outcome.result = IDOK;
        }
        return outcome;
    case IDCLOSE:
        outcome.kind = PbCommandKind::Close;
        outcome.handled = true;
        return outcome;
    case PB_ID_HELP: outcome.kind = PbCommandKind::Help; return outcome;
    case PB_ID_REPORT: outcome.kind = PbCommandKind::Report; return outcome;
    case PB_ID_CHECKBOX: outcome.kind = PbCommandKind::CheckBox; return outcome;
    default: break;
    }

    uint32_t result = command;
    if (context.checkBoxTicked) {
        result |= CheckBoxResultBit(context.internalFlags);
        outcome.storesAnswer = context.answerKeyText != nullptr && context.answerKeyText[0] != '\0';
    }
    outcome.endsBox = true;
    outcome.result = static_cast<int32_t>(result);
    return outcome;
}

void FormatTimeoutCaption(const char* caption, int32_t seconds, char* out, size_t capacity)
{
    if (out == nullptr || capacity == 0)
        return;
    char bounded[PB_CAPTION_CHARS];
    CopyTextBounded(bounded, caption);
    std::snprintf(out, capacity, "%s = %d", bounded, static_cast<int>(seconds));
}

void FormatDisabledTitle(const char* title, int32_t seconds, char* out, size_t capacity)
{
    if (out == nullptr || capacity == 0)
        return;
    char bounded[PB_TITLE_CHARS];
    CopyTextBounded(bounded, title);
    std::snprintf(out, capacity, "%s %d", bounded, static_cast<int>(seconds));
}

bool MakeHelpFilePath(const char* executablePath, char* out, size_t capacity)
{
    static const char kHelpExtension[] = ".hlp";
    if (out == nullptr || capacity == 0)
        return false;
    out[0] = '\0';
    const size_t length = executablePath != nullptr ? std::strlen(executablePath) : 0;
    // The extension's dot belongs to the file name, not to a folder name.
    const char* dot = nullptr;
    for (size_t i = length; i > 0; --i) {
        const char c = executablePath[i - 1];
        if (c == '\\' || c == '/')
            break;
        if (c == '.') {
            dot = executablePath + i - 1;
            break;
        }
    }
    if (dot == nullptr)
        return false;
    const size_t stem = static_cast<size_t>(dot - executablePath);
    if (stem + sizeof(kHelpExtension) > capacity)
        return false;
    std::memcpy(out, executablePath, stem);
    std::memcpy(out + stem, kHelpExtension, sizeof(kHelpExtension));
    return true;
}
