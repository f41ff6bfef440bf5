// One control of the message box dialog, as the in-memory dialog template
// will describe it: style, position and size in dialog units, id, window
// class atom and text.
#pragma once

#include <cstdint>
#include <memory>

// Control kinds; the stored kind is also the predefined window-class atom.
constexpr uint32_t PB_KIND_SCROLLBAR = 0x7F;  // not used by the layout
constexpr uint32_t PB_KIND_BUTTON = 0x80;
constexpr uint32_t PB_KIND_EDIT = 0x81;  // not used by the layout
constexpr uint32_t PB_KIND_STATIC = 0x82;
constexpr uint32_t PB_KIND_CHECKBOX = 0x83;  // stored as a button

// Window and control styles the items use.
constexpr uint32_t PB_WS_CHILD = 0x40000000;
constexpr uint32_t PB_WS_VISIBLE = 0x10000000;
constexpr uint32_t PB_WS_TABSTOP = 0x00010000;
constexpr uint32_t PB_BS_DEFPUSHBUTTON = 0x00000001;
constexpr uint32_t PB_BS_AUTOCHECKBOX = 0x00000003;
constexpr uint32_t PB_ES_MULTILINE = 0x00000004;
// A static control that shows '&' as it is instead of underlining the next
// character.
constexpr uint32_t PB_SS_NOPREFIX = 0x00000080;

struct PbDialogUnitRect {
    int16_t x;
    int16_t y;
    int16_t cx;
    int16_t cy;
};

class CPromptItem {
public:
    // kind: one of the PB_KIND_ values; the check box is stored as a button
    // with the auto-check-box style.
    explicit CPromptItem(uint32_t kind);
    virtual ~CPromptItem() = default;

    CPromptItem(const CPromptItem&) = delete;
    CPromptItem& operator=(const CPromptItem&) = delete;

    // Copies text (null: the empty string).  False when there is no memory
    // for the copy; the item then has no text.
    bool SetText(const char* text);
    // The text; the empty string before SetText.
    const char* Text() const { return m_pszText ? m_pszText.get() : ""; }

    uint32_t m_dwStyle = 0;
    uint32_t m_dwExStyle = 0;
    PbDialogUnitRect m_rcDlgUnits = {0, 0, 10, 10};
    uint16_t m_nId = 0;
    uint32_t m_nKind = 0;
    std::unique_ptr<char[]> m_pszText;
};

// The style a control of the requested kind receives (not the default push
// button, which adds PB_BS_DEFPUSHBUTTON).
uint32_t PromptItemStyle(uint32_t kind);
