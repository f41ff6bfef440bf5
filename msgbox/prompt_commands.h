// What a command means for a message box, and the texts its countdowns
// show: the portable half of the dialog procedure.
#pragma once

#include <cstddef>
#include <cstdint>

enum class PbCommandKind {
    Cancel,    // IDCANCEL: the Cancel button, Escape or Close
    Close,     // IDCLOSE: ignored
    Help,      // the Help button: open the help file, stay open
    Report,    // the Report button: call the report callback, stay open
    CheckBox,  // the check box was clicked
    Button,    // any other push button, or the time-out's command
};

struct PbCommandOutcome {
    PbCommandKind kind;
    bool endsBox;  // the box ends with result
    int32_t result;
    bool storesAnswer;  // result is remembered under the answer key
    bool handled;       // what the dialog procedure returns (TRUE for IDCLOSE)
};

// The state of the box a command is read against.
struct PbCommandContext {
    uint32_t internalFlags;     // CPromptDialog::m_nInternalFlags
    bool checkBoxTicked;        // a missing check box counts as not ticked
    const char* answerKeyText;  // null or empty: answers are not stored
    bool buttonsDisabled;       // the disabled period is still running
};

// command: the whole wParam of WM_COMMAND (id and notification code), or a
// button id with PB_TIMED_OUT when the time-out ran out.
PbCommandOutcome ResolveCommand(uint32_t command, const PbCommandContext& context);

// The result bit of the check box shown (PB_CHECK_DONT_ASK, ..._TELL or
// ..._SHOW), 0 without one.
uint32_t CheckBoxResultBit(uint32_t internalFlags);

// "<caption> = <seconds>", the default button's caption during the time-out.
void FormatTimeoutCaption(const char* caption, int32_t seconds, char* out, size_t capacity);
// "<title> <seconds>", the dialog's title during the disabled period.
void FormatDisabledTitle(const char* title, int32_t seconds, char* out, size_t capacity);

// The help file beside the executable: executablePath with its file
// extension replaced by ".hlp".  False, with out empty, when the path is
// empty, its file name has no extension, or the result does not fit.
bool MakeHelpFilePath(const char* executablePath, char* out, size_t capacity);
