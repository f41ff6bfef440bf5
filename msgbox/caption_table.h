// The message box's 19 standard captions: buttons and check boxes.  Each row
// has the string-resource id that can replace it and the built-in caption.
// The row order is fixed and shared by the caption overrides of
// PromptBoxParams::customCaptions.
#pragma once

#include <cstdint>

#include "msgbox/prompt_box_params.h"

enum PbCaptionIndex : int {
    PB_CAPTION_ABORT = 0,
    PB_CAPTION_CANCEL = 1,
    PB_CAPTION_CONTINUE = 2,
    PB_CAPTION_DONT_ASK = 3,
    PB_CAPTION_DONT_TELL = 4,
    PB_CAPTION_DONT_SHOW = 5,
    PB_CAPTION_HELP = 6,
    PB_CAPTION_IGNORE = 7,
    PB_CAPTION_IGNORE_ALL = 8,
    PB_CAPTION_NO = 9,
    PB_CAPTION_NO_TO_ALL = 10,
    PB_CAPTION_OK = 11,
    PB_CAPTION_REPORT = 12,
    PB_CAPTION_RETRY = 13,
    PB_CAPTION_SKIP = 14,
    PB_CAPTION_SKIP_ALL = 15,
    PB_CAPTION_TRY_AGAIN = 16,
    PB_CAPTION_YES = 17,
    PB_CAPTION_YES_TO_ALL = 18,
};

// A caption holds at most 99 characters plus its terminator.
constexpr int PB_CAPTION_CHARS = 100;

struct CaptionTableRow {
    uint16_t stringId;
    const char* defaultCaption;
};

extern const CaptionTableRow CaptionTable[PB_CAPTION_COUNT];
