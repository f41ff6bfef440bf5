// PromptBox's parameter record, its own type-word bits and its result codes.
//
// PromptBox is called like the system message box (owner, text, caption,
// type word) plus an optional PromptBoxParams record for everything the
// system box cannot do.  The standard MB_ and ID values live in
// standard_codes.h.
#pragma once

#include <cstdint>

#include "msgbox/standard_codes.h"

// Platform handles as the portable code sees them: opaque pointer-sized
// values.  Every Win32 handle type converts to void* implicitly.
using PbModule = void*;
using PbWindow = void*;

// Called by the Report button with the message text as shown and reportData.
using PbReportCallback = void (*)(const char* messageText, uint32_t reportData);

// ---- Sizes of the record's text fields ----
constexpr int PB_TEXT_CHARS = 260;    // every text buffer of the record
constexpr int PB_CAPTION_COUNT = 19;  // rows of the caption table

// ---- layoutFlags ----
constexpr uint32_t PB_LAYOUT_BUTTONS_RIGHT = 0x1;
constexpr uint32_t PB_LAYOUT_MODERN = 0x2;
constexpr uint32_t PB_LAYOUT_NARROW = 0x4;

// ---- Type word: the component's own button sets (button-set field 0xF) ----
constexpr uint32_t PB_BTN_CONTINUE_ABORT = 7;
constexpr uint32_t PB_BTN_SKIP_SKIPALL_CANCEL = 8;
constexpr uint32_t PB_BTN_IGNORE_IGNOREALL_CANCEL = 9;

// ---- Type word: default button beyond the system's fourth ----
constexpr uint32_t PB_DEFAULT_BUTTON5 = 0x400;
constexpr uint32_t PB_DEFAULT_BUTTON6 = 0x500;

// ---- Type word: the component's own bits ----
constexpr uint32_t PB_CHECK_DONT_ASK = 0x01000000;
constexpr uint32_t PB_CHECK_DONT_TELL = 0x02000000;
constexpr uint32_t PB_CHECK_DONT_SHOW = 0x04000000;
constexpr uint32_t PB_CHECK_MASK = PB_CHECK_DONT_ASK | PB_CHECK_DONT_TELL | PB_CHECK_DONT_SHOW;
constexpr uint32_t PB_ADD_YES_TO_ALL = 0x08000000;
constexpr uint32_t PB_ADD_NO_TO_ALL = 0x10000000;
constexpr uint32_t PB_NO_CAPTION_RESOURCES = 0x20000000;
constexpr uint32_t PB_NO_BEEP = 0x40000000;

// ---- Results and control ids ----
constexpr int32_t PB_ID_SKIP = 14;
constexpr int32_t PB_ID_SKIP_ALL = 15;
constexpr int32_t PB_ID_IGNORE_ALL = 16;
constexpr int32_t PB_ID_YES_TO_ALL = 19;
constexpr int32_t PB_ID_NO_TO_ALL = 20;
constexpr int32_t PB_ID_CUSTOM1 = 23;  // custom buttons are 23 to 26
constexpr int32_t PB_MAX_CUSTOM_BUTTONS = 4;
constexpr int32_t PB_ID_HELP = 300;
constexpr int32_t PB_ID_REPORT = 301;
constexpr int32_t PB_ID_ICON = 1000;
constexpr int32_t PB_ID_TEXT = 1001;
constexpr int32_t PB_ID_CHECKBOX = 5555;
constexpr uint32_t PB_TIMED_OUT = 0x80000000u;

// The caller's options for one message box.  Default construction gives the
// defaults: both colours 0xFFFFFFFF ("not set"), everything else zero.  The
// record owns nothing it points to; PromptBox works on its own copy.
struct PromptBoxParams {
    uint32_t helpContextId = 0;
    int32_t timeoutSecs = 0;
    int32_t disabledSecs = 0;
    int32_t posX = 0;
    int32_t posY = 0;
    uint32_t layoutFlags = 0;
    PbModule stringsModule = nullptr;
    PbModule iconModule = nullptr;
    uint32_t iconId = 0;
    char iconName[PB_TEXT_CHARS] = {};
    uint32_t buttonsStringId = 0;
    char buttonsText[PB_TEXT_CHARS] = {};
    uint32_t reportCaptionId = 0;
    char reportCaption[PB_TEXT_CHARS] = {};
    char registryCompany[PB_TEXT_CHARS] = {};
    const char* answerKeyText = nullptr;
    int32_t answerKeyNumber = 0;
    uint32_t reportData = 0;
    PbReportCallback reportCallback = nullptr;
    uint32_t textColor = 0xFFFFFFFFu;
    uint32_t backgroundColor = 0xFFFFFFFFu;
    int32_t useCustomCaptions = 0;
    char customCaptions[PB_CAPTION_COUNT][PB_TEXT_CHARS] = {};
};
