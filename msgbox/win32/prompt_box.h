// PromptBox: the plug-in's message box.  Called like the system message box
// (owner, text, caption, type word) plus an optional PromptBoxParams record;
// shows a modal dialog built in memory on the calling thread and returns the
// button that ended it, with PB_CHECK_ bits for a ticked check box and
// PB_TIMED_OUT when the time-out ran out.
//
// text and caption are zero-terminated ANSI strings or string-resource ids
// (1 to 0xFFFF) of params->stringsModule (null: the process's executable).
// A null text is an empty message, a null caption reads "Error".  params may
// be null; the caller's record is never changed.
//
// Results: the button's id (IDOK ... IDCONTINUE, PB_ID_SKIP ...,
// PB_ID_CUSTOM1 + k), possibly with PB_CHECK_DONT_ASK/_TELL/_SHOW and
// PB_TIMED_OUT; a remembered answer, returned without showing anything; -1
// when the dialog cannot be built or shown, or a quit message ended it; 2
// when there is no memory for the template.  Type words with both
// MB_ICONHAND's bit (0x10) and MB_SYSTEMMODAL go to the system message box,
// whose result is returned.
//
// The signature is the plug-in's message box seam (PFN_ShowPromptBox in
// plugin/platform.h):  g_platform.showPromptBox = PromptBox;
#pragma once

#include <cstdint>

#include "msgbox/prompt_box_params.h"

int PromptBox(void* owner, const char* text, const char* caption, uint32_t type, const PromptBoxParams* params);
