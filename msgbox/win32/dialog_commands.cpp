// WM_COMMAND: buttons, Escape and Close, Help, Report and the check box,
// turned into the box's result.
#include "msgbox/answer_key.h"
#include "msgbox/prompt_commands.h"
#include "msgbox/prompt_dialog.h"
#include "msgbox/win32/answer_store.h"
#include "msgbox/win32/dialog_parts.h"
#include "msgbox/win32/system_calls.h"

namespace {

// The executable's path, as wide as the system hands it out.
constexpr int kExecutablePathChars = 520;
constexpr UINT kHelpPartialKey = 0x105;

bool IsCheckBoxTicked(HWND dialog)
{
    const HWND checkBox = GetDlgItem(dialog, PB_ID_CHECKBOX);
    return checkBox != nullptr && SendMessageA(checkBox, BM_GETCHECK, 0, 0) != 0;
}

// The help file beside the executable, by context id or by keyword.
void OpenHelp(HWND dialog, const CPromptDialog& box)
{
    char executablePath[kExecutablePathChars] = {};
    GetModuleFileNameA(nullptr, executablePath, kExecutablePathChars - 1);
    char helpPath[kExecutablePathChars];
    if (!MakeHelpFilePath(executablePath, helpPath, sizeof(helpPath)))
        return;
    if (box.m_nHelpContextId != 0)
        g_promptBoxSystemCalls.winHelp(dialog, helpPath, HELP_CONTEXT, box.m_nHelpContextId);
    else
        g_promptBoxSystemCalls.winHelp(dialog, helpPath, kHelpPartialKey, 0);
}

void RememberAnswer(const CPromptDialog& box, int32_t result)
{
    const AnswerValueName name = MakeAnswerValueName(box.m_pszAnswerKeyText, box.m_nAnswerKeyNumber);
    WriteAnswerValue(box.m_szRegistryCompany, name.text, result);
}

}  // namespace

INT_PTR OnCommand(HWND dialog, CPromptDialog& box, uint32_t command)
{
    // Any command, even one that does not end the box, ends the time-out.
    StopTimeout(dialog, box);

    PbCommandContext context = {};
    context.internalFlags = box.m_nInternalFlags;
    context.checkBoxTicked = IsCheckBoxTicked(dialog);
    context.answerKeyText = box.m_pszAnswerKeyText;
    context.buttonsDisabled = box.m_bButtonsDisabled != 0;
    const PbCommandOutcome outcome = ResolveCommand(command, context);

    switch (outcome.kind) {
    case PbCommandKind::Help: OpenHelp(dialog, box); break;
    case PbCommandKind::Report:
        if (box.m_pfnReportCallback != nullptr)
            box.m_pfnReportCallback(box.MessageText(), box.m_dwReportData);
        break;
    default: break;
    }
    if (outcome.storesAnswer)
        RememberAnswer(box, outcome.result);
    if (outcome.endsBox) {
        box.m_nReturnValue = outcome.result;
        box.m_bEnded = 1;
    }
    return outcome.handled ? TRUE : FALSE;
}
