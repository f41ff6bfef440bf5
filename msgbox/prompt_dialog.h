// The laid-out message box: one request (owner, message, caption, type word,
// parameter record) turned into controls with styles, ids, texts and
// rectangles in dialog units, plus the dialog's own style and size.  The
// constructor does the whole layout; the result is plain data that the
// template writer serialises and the dialog procedure reads while the box is
// up.  Everything is measured in pixels through LayoutMetrics and converted
// to dialog units only when an item is stored.
//
// Reading the result: m_dlgTemplate holds the dialog's style, item count
// (cdit), and size in dialog units; m_pItems[0 .. cdit - 1], in creation
// order (which is also the controls' tab and child-window order), hold each
// control's m_dwStyle, m_dwExStyle, m_rcDlgUnits, m_nId, class atom (m_nKind)
// and text (Text()); the title is CaptionText().
#pragma once

#include <cstdint>
#include <memory>

#include "msgbox/caption_table.h"
#include "msgbox/layout_metrics.h"
#include "msgbox/platform_handle.h"
#include "msgbox/prompt_box_params.h"
#include "msgbox/prompt_item.h"

// Item slots of one dialog; the layout uses at most 10.
constexpr int PB_MAX_ITEMS = 20;
// Capacity of the message and caption buffers (65,535 characters + 0).
constexpr int PB_TEXT_BUFFER_CHARS = 65536;

// m_nInternalFlags
constexpr uint32_t PB_FLAG_DONT_ASK = 0x1;    // the check box is "Don't ask me again"
constexpr uint32_t PB_FLAG_DONT_TELL = 0x2;   // ... "Don't tell me again"
constexpr uint32_t PB_FLAG_DONT_SHOW = 0x4;   // ... "Don't show again"
constexpr uint32_t PB_FLAG_HAS_CANCEL = 0x8;  // the button set contains Cancel
constexpr uint32_t PB_FLAG_OK_ONLY = 0x10;    // the button set is MB_OK's single OK

// Dialog styles: WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_CENTER
// | DS_MODALFRAME, and DS_SYSMODAL for system-modal boxes.
constexpr uint32_t PB_DIALOG_STYLE = 0x90C80880;
constexpr uint32_t PB_DS_SYSMODAL = 0x00000002;

// The DLGTEMPLATE header fields, without the Win32 type.
struct PbDialogHeader {
    uint32_t style;
    uint32_t dwExtendedStyle;
    uint16_t cdit;
    int16_t x;
    int16_t y;
    int16_t cx;
    int16_t cy;
};

class CPromptDialog {
public:
    // message and caption: text, or a string-resource id of the strings
    // module when the pointer's value is 1 to 0xFFFF; null means empty.
    // metrics is used during construction only.
    CPromptDialog(LayoutMetrics& metrics, PbWindow owner, const char* message, const char* caption, uint32_t type,
                  const PromptBoxParams& params);
    virtual ~CPromptDialog();

    CPromptDialog(const CPromptDialog&) = delete;
    CPromptDialog& operator=(const CPromptDialog&) = delete;

    // False when the layout could not be finished properly: no memory for a
    // text buffer or an item, or no context to measure text in.  The object
    // is still safe to read and destroy.
    bool LayoutComplete() const { return m_bLayoutComplete; }

    // The message and the title; never null.
    const char* MessageText() const { return m_pszMessage ? m_pszMessage.get() : ""; }
    const char* CaptionText() const { return m_pszCaption ? m_pszCaption.get() : ""; }

    // Creates an item in the next free slot.  pixelRect null gives x = y = 0
    // and cx = cy = 10 dialog units.  A push button that is the
    // m_nDefaultButton-th one created becomes the default.  False (nothing
    // added) when all slots are used or there is no memory.
    bool AddItem(uint32_t kind, uint16_t id, const PbRect* pixelRect, const char* text);

    void SetDefaultCaptions();
    void ApplyCaptionOverrides(const char (*customCaptions)[PB_TEXT_CHARS]);
    void LoadCaptions(LayoutMetrics& metrics, PbModule module);

    // Pixel rectangle to dialog units with the dialog's base units.
    PbDialogUnitRect ToDialogUnits(const PbRect& pixels) const;

    std::unique_ptr<CPromptItem> m_pItems[PB_MAX_ITEMS];
    PbReportCallback m_pfnReportCallback = nullptr;
    uint32_t m_dwReportData = 0;
    uint32_t m_nInternalFlags = 0;
    int32_t m_nButtonsAdded = 0;
    int32_t m_nDefaultButton = 1;
    int32_t m_nTimeoutSecs = 0;
    int32_t m_nDisabledSecs = 0;
    int32_t m_nXPos = 0;
    int32_t m_nYPos = 0;
    int32_t m_nButtonWidth = 0;
    int32_t m_nTimeoutExtraWidth = 0;
    int32_t m_nButtonHeight = 0;
    int32_t m_nCheckBoxHeight = 0;
    int32_t m_nReturnValue = -1;
    int32_t m_nAnswerKeyNumber = 0;
    int32_t m_nNextControlId = PB_ID_TEXT;
    int32_t m_nDefaultId = IDOK;
    uint32_t m_nHelpContextId = 0;
    uint32_t m_nStyle = 0;
    int32_t m_nMessageId = 0;
    int32_t m_bButtonsRight = 0;
    int32_t m_bModernLook = 0;
    int32_t m_bNarrow = 0;
    int32_t m_bEnded = 0;
    const char* m_pszAnswerKeyText = nullptr;
    PbWindow m_hWndOwner = nullptr;
    PbModule m_hStringsModule = nullptr;
    PbModule m_hIconModule = nullptr;
    PbRect m_rcMessage = {0, 0, 0, 0};
    std::unique_ptr<char[]> m_pszMessage;
    std::unique_ptr<char[]> m_pszCaption;
    char m_szCustomButtons[PB_TEXT_CHARS] = {};
    char m_szRegistryCompany[PB_TEXT_CHARS] = {};
    PbOwnedHandle m_hIcon;
    PbOwnedHandle m_hFont;
    uint32_t m_crTextColor = 0xFFFFFFFFu;
    uint32_t m_crBackgroundColor = 0xFFFFFFFFu;
    PbOwnedHandle m_hBackgroundBrush;
    PbDialogHeader m_dlgTemplate = {0, 0, 0, 0, 0, 0, 0};
    char m_szSavedButtonText[PB_CAPTION_CHARS] = {};
    int32_t m_nCaptionWidths[PB_CAPTION_COUNT] = {};
    char m_szCaptions[PB_CAPTION_COUNT][PB_CAPTION_CHARS] = {};

    // Dialog base units (pixels per 4 horizontal and 8 vertical dialog
    // units), read once at construction.
    int32_t m_nBaseUnitX = 8;
    int32_t m_nBaseUnitY = 16;

    // Set by the dialog procedure while the disabled period keeps the push
    // buttons disabled; Escape and Close do nothing then.
    int32_t m_bButtonsDisabled = 0;

private:
    struct ButtonRow;

    void CopyRequest(LayoutMetrics& metrics, PbWindow owner, uint32_t type, const PromptBoxParams& params);
    void ComputeButtonMetrics(LayoutMetrics& metrics);
    void ReadTexts(LayoutMetrics& metrics, const char* message, const char* caption, const PromptBoxParams& params);
    void ReadRequestText(LayoutMetrics& metrics, PbModule module, const char* source, char* buffer);
    void MeasureCaptionWidths(LayoutMetrics& metrics);
    PbOwnedHandle LoadDialogIcon(LayoutMetrics& metrics, const PromptBoxParams& params) const;
    // The width of a push button with this caption.
    int32_t ButtonWidth(LayoutMetrics& metrics, const char* caption) const;
    void CollectButtons(LayoutMetrics& metrics, ButtonRow& row);
    bool CollectCustomButtons(LayoutMetrics& metrics, ButtonRow& row);
    void CollectStandardButtons(ButtonRow& row);
    void AddCaptionButton(ButtonRow& row, int captionIndex, int32_t id) const;

    bool m_bLayoutComplete = true;
};
