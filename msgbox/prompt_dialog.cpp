#include "msgbox/prompt_dialog.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "msgbox/bounded_text.h"
#include "msgbox/mul_div.h"

namespace {

// Gaps and margins of the layout, in pixels.
constexpr int32_t kButtonGap = 6;
constexpr int32_t kCaptionPadding = 20;
constexpr int32_t kMessageMargin = 16;
constexpr int32_t kModernMessageTop = 32;

// The system's standard icons.
constexpr uint16_t kIconHand = 32513;
constexpr uint16_t kIconQuestion = 32514;
constexpr uint16_t kIconExclamation = 32515;
constexpr uint16_t kIconAsterisk = 32516;

// The largest row: Yes, Yes to All, No, No to All, Cancel, Help, Report.
constexpr int kMaxRowButtons = 7;

// Closes the measuring context on every path out of the constructor.
class MeasuringScope {
public:
    MeasuringScope(LayoutMetrics& metrics, void* font) : m_metrics(metrics), m_open(metrics.BeginMeasuring(font)) {}
    ~MeasuringScope() { m_metrics.EndMeasuring(); }
    MeasuringScope(const MeasuringScope&) = delete;
    MeasuringScope& operator=(const MeasuringScope&) = delete;
    bool IsOpen() const { return m_open; }

private:
    LayoutMetrics& m_metrics;
    bool m_open;
};

int16_t SaturateToInt16(int32_t value)
{
    return static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX));
}

int32_t TextWidth(LayoutMetrics& metrics, const char* text)
{
    return metrics.MeasureText(text, static_cast<int32_t>(std::strlen(text))).cx;
}

}  // namespace

// The push buttons of the row, in creation order: the button set (standard
// or custom), then Help, then Report.
struct CPromptDialog::ButtonRow {
    struct Button {
        int captionIndex;  // entry of m_szCaptions, or -1 for a custom token
        const char* text;  // the custom token
        int32_t width;
        uint16_t id;
    };

    Button buttons[kMaxRowButtons] = {};
    int count = 0;
    // Working copy of the custom list; the tokens point into it.
    char customList[PB_TEXT_CHARS] = {};

    void AddCaption(const CPromptDialog& dialog, int captionIndex, int32_t id)
    {
        if (count < kMaxRowButtons) {
            buttons[count++] = {captionIndex, nullptr, dialog.m_nCaptionWidths[captionIndex],
                                static_cast<uint16_t>(id)};
        }
    }

    int32_t TotalWidth() const
    {
        int32_t width = 0;
        for (int i = 0; i < count; ++i)
            width += buttons[i].width;
        return count > 0 ? width + kButtonGap * (count - 1) : 0;
    }
};

CPromptDialog::CPromptDialog(LayoutMetrics& metrics, PbWindow owner, const char* message, const char* caption,
                             uint32_t type, const PromptBoxParams& params)
{
    CopyRequest(metrics, owner, type, params);
    ComputeButtonMetrics(metrics);

    switch (type & MB_DEFMASK) {
    case MB_DEFBUTTON2: m_nDefaultButton = 2; break;
    case MB_DEFBUTTON3: m_nDefaultButton = 3; break;
    case MB_DEFBUTTON4: m_nDefaultButton = 4; break;
    case PB_DEFAULT_BUTTON5: m_nDefaultButton = 5; break;
    case PB_DEFAULT_BUTTON6: m_nDefaultButton = 6; break;
    default: m_nDefaultButton = 1; break;
    }

    ReadTexts(metrics, message, caption, params);

    m_hFont = metrics.CreateMessageFont();
    MeasuringScope measuring(metrics, m_hFont.get());
    if (!measuring.IsOpen())
        m_bLayoutComplete = false;
    MeasureCaptionWidths(metrics);

    // Message rectangle: the text wrapped within the text area's width.
    const bool modern = m_bModernLook != 0;
    const int32_t screenWidth = metrics.GetScreenWidth();
    const PbSize iconSize = metrics.GetIconSize();
    int32_t areaWidth = modern ? screenWidth / 2 - 10 : screenWidth / 2 + 80;
    if (m_bNarrow)
        areaWidth = screenWidth / 3;
    if ((type & MB_ICONMASK) != 0)
        areaWidth -= iconSize.cx + 16;
    const char* messageText = MessageText();
    const PbRect wrapped = metrics.MeasureWrappedText(messageText, static_cast<int32_t>(std::strlen(messageText)),
                                                      PbRect{0, 0, areaWidth, areaWidth});
    const int32_t textWidth = wrapped.right;
    const int32_t textHeight = wrapped.bottom;
    const int32_t lineHeight = metrics.MeasureText("My", 2).cy;
    m_rcMessage = {kMessageMargin, modern ? kModernMessageTop : kMessageMargin, textWidth + 28,
                   textHeight + (modern ? 61 : 29)};
    PbRect dialogRect = {0, 0, m_rcMessage.right - m_rcMessage.left + 16 + (modern ? 16 : 0), 0};

    m_dlgTemplate = {PB_DIALOG_STYLE, 0, 0, 0, 0, 0, 0};
    if (type & MB_SYSTEMMODAL)
        m_dlgTemplate.style |= PB_DS_SYSMODAL;

    // Icon left of the text; the text moves right to make room.
    PbRect iconRect = {0, 0, 0, 0};
    m_hIcon = LoadDialogIcon(metrics, params);
    if (m_hIcon) {
        const int32_t margin = modern ? 24 : 8;
        m_rcMessage.left += margin + iconSize.cx;
        m_rcMessage.right += margin + iconSize.cx;
        dialogRect.right = m_rcMessage.right + margin;
        iconRect = {margin, margin, margin + iconSize.cx + 2, margin + iconSize.cy + 2};
        AddItem(PB_KIND_STATIC, PB_ID_ICON, &iconRect, "");
        if (modern && textHeight > lineHeight) {
            const int32_t height = m_rcMessage.bottom - m_rcMessage.top;
            m_rcMessage.top = iconRect.top;
            m_rcMessage.bottom = iconRect.top + height;
        }
    }

    m_nMessageId = m_nNextControlId++;
    if (AddItem(PB_KIND_STATIC, static_cast<uint16_t>(m_nMessageId), &m_rcMessage, messageText)) {
        // The message is shown as it was measured, character for character:
        // "Save & exit" keeps its '&' rather than underlining the blank.
        m_pItems[m_dlgTemplate.cdit - 1]->m_dwStyle |= PB_SS_NOPREFIX;
    }

    ButtonRow row;
    CollectButtons(metrics, row);
    const int32_t rowWidth = row.TotalWidth();

    // The don't-ask-again check box: the first of its bits present wins.
    int checkBoxCaption = -1;
    if (type & PB_CHECK_DONT_ASK) {
        checkBoxCaption = PB_CAPTION_DONT_ASK;
        m_nInternalFlags |= PB_FLAG_DONT_ASK;
    } else if (type & PB_CHECK_DONT_TELL) {
        checkBoxCaption = PB_CAPTION_DONT_TELL;
        m_nInternalFlags |= PB_FLAG_DONT_TELL;
    } else if (type & PB_CHECK_DONT_SHOW) {
        checkBoxCaption = PB_CAPTION_DONT_SHOW;
        m_nInternalFlags |= PB_FLAG_DONT_SHOW;
    }
    const int32_t checkBoxWidth = checkBoxCaption >= 0 ? m_nCaptionWidths[checkBoxCaption] + m_nCheckBoxHeight : 0;

    // Button row under the text (and the icon), centred or right-aligned.
    int32_t rowTop = std::max(m_rcMessage.bottom, iconRect.bottom) + 5;
    if (m_hIcon || m_hBackgroundBrush)
        rowTop += 9;
    const PbRect rowRect = {0, rowTop, rowWidth, rowTop + m_nButtonHeight};
    if (m_nDefaultButton > row.count)
        m_nDefaultButton = 1;
    dialogRect.bottom = rowRect.bottom + 12;
    dialogRect.right = std::max(dialogRect.right, rowWidth + 32);
    if (dialogRect.right - dialogRect.left < checkBoxWidth)
        dialogRect.right = checkBoxWidth + 16;
    int32_t x = (dialogRect.right - dialogRect.left - rowWidth) / 2;
    if (m_bButtonsRight)
        x = dialogRect.right - rowWidth - 16;

    for (int i = 0; i < row.count; ++i) {
        const ButtonRow::Button& button = row.buttons[i];
        if (button.captionIndex >= 0) {
            x += AddButton(button.captionIndex, button.id, x, rowTop);
        } else {
            const PbRect rect = {x, rowTop, x + button.width, rowTop + m_nButtonHeight};
            AddItem(PB_KIND_BUTTON, button.id, &rect, button.text);
            x += button.width + kButtonGap;
        }
    }

    if (checkBoxCaption >= 0) {
        const int32_t top = rowRect.top + m_nButtonHeight + 12;
        const PbRect checkBoxRect = {17, top, 17 + checkBoxWidth, top + m_nCheckBoxHeight};
        AddItem(PB_KIND_CHECKBOX, static_cast<uint16_t>(PB_ID_CHECKBOX), &checkBoxRect, m_szCaptions[checkBoxCaption]);
        dialogRect.bottom = checkBoxRect.bottom + 8;
        if (dialogRect.right - dialogRect.left < checkBoxWidth + 17)
            dialogRect.right = dialogRect.left + checkBoxWidth + 17;
    }

    const PbDialogUnitRect size = ToDialogUnits(dialogRect);
    m_dlgTemplate.cx = size.cx;
    m_dlgTemplate.cy = size.cy;
}

CPromptDialog::~CPromptDialog() = default;

void CPromptDialog::CopyRequest(LayoutMetrics& metrics, PbWindow owner, uint32_t type, const PromptBoxParams& params)
{
    m_hWndOwner = owner;
    m_nStyle = type;
    m_pfnReportCallback = params.reportCallback;
    m_dwReportData = params.reportData;
    m_nTimeoutSecs = params.timeoutSecs;
    m_nDisabledSecs = params.disabledSecs;
    m_nXPos = params.posX;
    m_nYPos = params.posY;
    m_nAnswerKeyNumber = params.answerKeyNumber;
    m_nHelpContextId = params.helpContextId;
    m_pszAnswerKeyText = params.answerKeyText;
    m_hStringsModule = params.stringsModule;
    m_hIconModule = params.iconModule;
    m_bButtonsRight = (params.layoutFlags & PB_LAYOUT_BUTTONS_RIGHT) ? 1 : 0;
    m_bModernLook = (params.layoutFlags & PB_LAYOUT_MODERN) ? 1 : 0;
    m_bNarrow = (params.layoutFlags & PB_LAYOUT_NARROW) ? 1 : 0;
    m_crTextColor = params.textColor;
    m_crBackgroundColor = params.backgroundColor;

    // The modern look keeps its buttons on the right and colours the upper
    // part of the dialog with the window colour unless told otherwise.
    if (m_bModernLook) {
        m_bButtonsRight = 1;
        if (m_crBackgroundColor == 0xFFFFFFFFu)
            m_crBackgroundColor = metrics.GetWindowColor();
    }
    if (m_crBackgroundColor != 0xFFFFFFFFu)
        m_hBackgroundBrush = metrics.CreateSolidBrush(m_crBackgroundColor);
}

void CPromptDialog::ComputeButtonMetrics(LayoutMetrics& metrics)
{
    const uint32_t baseUnits = metrics.GetDialogBaseUnits();
    // Zero base units cannot come from a working system; they would make
    // every conversion to dialog units a division by zero.
    m_nBaseUnitX = std::max<int32_t>(1, static_cast<int32_t>(baseUnits & 0xFFFF));
    m_nBaseUnitY = std::max<int32_t>(1, static_cast<int32_t>(baseUnits >> 16));
    const int32_t bx = m_nBaseUnitX;
    const int32_t by = m_nBaseUnitY;

    m_nButtonWidth = PbMulDiv(38, bx, 4);
    m_nButtonHeight = PbMulDiv(12, by, 8);
    m_nTimeoutExtraWidth = PbMulDiv(13, bx, 4);
    if (m_bModernLook) {
        m_nButtonWidth += PbMulDiv(6, bx, 4);
        m_nButtonHeight += PbMulDiv(1, by, 8);
    }
    m_nCheckBoxHeight = PbMulDiv(10, by, 8);
}

void CPromptDialog::ReadTexts(LayoutMetrics& metrics, const char* message, const char* caption,
                              const PromptBoxParams& params)
{
    const PbModule strings = m_hStringsModule != nullptr ? m_hStringsModule : metrics.GetMainModule();

    std::memset(m_szRegistryCompany, 0, sizeof(m_szRegistryCompany));
    CopyTextBounded(m_szRegistryCompany, params.registryCompany);
    std::memset(m_szSavedButtonText, 0, sizeof(m_szSavedButtonText));

    m_pszMessage.reset(new (std::nothrow) char[PB_TEXT_BUFFER_CHARS]());
    m_pszCaption.reset(new (std::nothrow) char[PB_TEXT_BUFFER_CHARS]());
    if (!m_pszMessage || !m_pszCaption)
        m_bLayoutComplete = false;
    ReadRequestText(metrics, strings, message, m_pszMessage.get());
    ReadRequestText(metrics, strings, caption, m_pszCaption.get());

    std::memset(m_szCustomButtons, 0, sizeof(m_szCustomButtons));
    if (params.buttonsStringId != 0)
        metrics.LoadText(strings, params.buttonsStringId, m_szCustomButtons, PB_TEXT_CHARS - 1);
    if (m_szCustomButtons[0] == '\0')
        CopyTextBounded(m_szCustomButtons, params.buttonsText);
    m_szCustomButtons[PB_TEXT_CHARS - 1] = '\0';

    char* report = m_szCaptions[PB_CAPTION_REPORT];
    std::memset(report, 0, PB_CAPTION_CHARS);
    if (params.reportCaptionId != 0)
        metrics.LoadText(strings, params.reportCaptionId, report, PB_CAPTION_CHARS - 1);
    if (report[0] == '\0')
        CopyTextBounded(report, PB_CAPTION_CHARS, params.reportCaption);
    report[PB_CAPTION_CHARS - 1] = '\0';

    SetDefaultCaptions();
    if (params.useCustomCaptions)
        ApplyCaptionOverrides(params.customCaptions);
    else if (!(m_nStyle & PB_NO_CAPTION_RESOURCES))
        LoadCaptions(metrics, strings);
}

void CPromptDialog::ReadRequestText(LayoutMetrics& metrics, PbModule module, const char* source, char* buffer)
{
    if (buffer == nullptr)
        return;
    const uintptr_t value = reinterpret_cast<uintptr_t>(source);
    if (value > 0xFFFF) {
        CopyTextBounded(buffer, PB_TEXT_BUFFER_CHARS, source);
    } else if (value != 0) {
        // A value of 1 to 0xFFFF names a string resource.
        metrics.LoadText(module, static_cast<uint32_t>(value), buffer, PB_TEXT_BUFFER_CHARS - 1);
    }
    buffer[PB_TEXT_BUFFER_CHARS - 1] = '\0';
}

void CPromptDialog::SetDefaultCaptions()
{
    for (int i = 0; i < PB_CAPTION_COUNT; ++i) {
        // The Report caption is the caller's, when it gave one.
        if (i != PB_CAPTION_REPORT || m_szCaptions[i][0] == '\0')
            CopyTextBounded(m_szCaptions[i], CaptionTable[i].defaultCaption);
        m_szCaptions[i][PB_CAPTION_CHARS - 1] = '\0';
    }
}

void CPromptDialog::ApplyCaptionOverrides(const char (*customCaptions)[PB_TEXT_CHARS])
{
    if (customCaptions == nullptr)
        return;
    for (int i = 0; i < PB_CAPTION_COUNT; ++i)
        if (i != PB_CAPTION_REPORT && customCaptions[i][0] != '\0')
            CopyTextBounded(m_szCaptions[i], customCaptions[i]);
}

void CPromptDialog::LoadCaptions(LayoutMetrics& metrics, PbModule module)
{
    for (int i = 0; i < PB_CAPTION_COUNT; ++i) {
        if (i == PB_CAPTION_REPORT)
            continue;
        if (metrics.LoadText(module, CaptionTable[i].stringId, m_szCaptions[i], PB_CAPTION_CHARS) <= 0)
            CopyTextBounded(m_szCaptions[i], CaptionTable[i].defaultCaption);
        m_szCaptions[i][PB_CAPTION_CHARS - 1] = '\0';
    }
}

int32_t CPromptDialog::WithTimeoutWidth(int32_t width) const
{
    // Room for the countdown (" = 10") that the time-out shows in a caption.
    return m_nTimeoutSecs != 0 ? width + m_nTimeoutExtraWidth : width;
}

void CPromptDialog::MeasureCaptionWidths(LayoutMetrics& metrics)
{
    for (int i = 0; i < PB_CAPTION_COUNT; ++i) {
        const int32_t width = std::max(TextWidth(metrics, m_szCaptions[i]) + kCaptionPadding, m_nButtonWidth);
        m_nCaptionWidths[i] = WithTimeoutWidth(width);
    }
}

PbOwnedHandle CPromptDialog::LoadDialogIcon(LayoutMetrics& metrics, const PromptBoxParams& params) const
{
    const PbModule module = m_hIconModule != nullptr ? m_hIconModule : metrics.GetMainModule();
    if (params.iconId != 0) {
        const uint16_t id = static_cast<uint16_t>(params.iconId & 0xFFFF);
        return id != 0 ? metrics.LoadModuleIcon(module, id) : PbOwnedHandle();
    }
    char iconName[PB_TEXT_CHARS];
    CopyTextBounded(iconName, params.iconName);
    if (iconName[0] != '\0')
        return metrics.LoadModuleIcon(module, iconName);
    switch (m_nStyle & MB_ICONMASK) {
    case 0: return PbOwnedHandle();
    case MB_ICONHAND: return metrics.LoadSystemIcon(kIconHand);
    case MB_ICONQUESTION: return metrics.LoadSystemIcon(kIconQuestion);
    case MB_ICONASTERISK: return metrics.LoadSystemIcon(kIconAsterisk);
    default: return metrics.LoadSystemIcon(kIconExclamation);
    }
}

bool CPromptDialog::CollectCustomButtons(LayoutMetrics& metrics, ButtonRow& row)
{
    CopyTextBounded(row.customList, m_szCustomButtons);
    int tokens = 0;
    char* cursor = row.customList;
    while (*cursor != '\0' && tokens < PB_MAX_CUSTOM_BUTTONS) {
        // A run of separators counts as one; no token is empty.
        while (*cursor == '\n')
            ++cursor;
        if (*cursor == '\0')
            break;
        char* token = cursor;
        while (*cursor != '\0' && *cursor != '\n')
            ++cursor;
        if (*cursor == '\n')
            *cursor++ = '\0';
        const int32_t width = WithTimeoutWidth(std::max(TextWidth(metrics, token) + kCaptionPadding, m_nButtonWidth));
        row.buttons[row.count++] = {-1, token, width, static_cast<uint16_t>(PB_ID_CUSTOM1 + tokens)};
        ++tokens;
    }
    return tokens > 0;
}

void CPromptDialog::CollectButtons(LayoutMetrics& metrics, ButtonRow& row)
{
    // A custom list replaces the standard set.  A list of separators only
    // names no button; the standard set stays then, so that the box can
    // always be ended.
    if (m_szCustomButtons[0] == '\0' || !CollectCustomButtons(metrics, row)) {
        const bool yesToAll = (m_nStyle & PB_ADD_YES_TO_ALL) != 0;
        const bool noToAll = (m_nStyle & PB_ADD_NO_TO_ALL) != 0;
        switch (m_nStyle & MB_TYPEMASK) {
        case MB_OK:
            row.AddCaption(*this, PB_CAPTION_OK, IDOK);
            m_nInternalFlags |= PB_FLAG_OK_ONLY;
            break;
        case MB_OKCANCEL:
            row.AddCaption(*this, PB_CAPTION_OK, IDOK);
            row.AddCaption(*this, PB_CAPTION_CANCEL, IDCANCEL);
            m_nInternalFlags |= PB_FLAG_HAS_CANCEL;
            break;
        case MB_ABORTRETRYIGNORE:
            row.AddCaption(*this, PB_CAPTION_ABORT, IDABORT);
            row.AddCaption(*this, PB_CAPTION_RETRY, IDRETRY);
            row.AddCaption(*this, PB_CAPTION_IGNORE, IDIGNORE);
            break;
        case MB_YESNOCANCEL:
        case MB_YESNO:
            row.AddCaption(*this, PB_CAPTION_YES, IDYES);
            if (yesToAll)
                row.AddCaption(*this, PB_CAPTION_YES_TO_ALL, PB_ID_YES_TO_ALL);
            row.AddCaption(*this, PB_CAPTION_NO, IDNO);
            if (noToAll)
                row.AddCaption(*this, PB_CAPTION_NO_TO_ALL, PB_ID_NO_TO_ALL);
            if ((m_nStyle & MB_TYPEMASK) == MB_YESNOCANCEL) {
                row.AddCaption(*this, PB_CAPTION_CANCEL, IDCANCEL);
                m_nInternalFlags |= PB_FLAG_HAS_CANCEL;
            }
            break;
        case MB_RETRYCANCEL:
            row.AddCaption(*this, PB_CAPTION_RETRY, IDRETRY);
            row.AddCaption(*this, PB_CAPTION_CANCEL, IDCANCEL);
            m_nInternalFlags |= PB_FLAG_HAS_CANCEL;
            break;
        case MB_CANCELTRYCONTINUE:
            row.AddCaption(*this, PB_CAPTION_CANCEL, IDCANCEL);
            row.AddCaption(*this, PB_CAPTION_TRY_AGAIN, IDTRYAGAIN);
            row.AddCaption(*this, PB_CAPTION_CONTINUE, IDCONTINUE);
            m_nInternalFlags |= PB_FLAG_HAS_CANCEL;
            break;
        case PB_BTN_CONTINUE_ABORT:
            row.AddCaption(*this, PB_CAPTION_CONTINUE, IDCONTINUE);
            row.AddCaption(*this, PB_CAPTION_ABORT, IDABORT);
            break;
        case PB_BTN_SKIP_SKIPALL_CANCEL:
            row.AddCaption(*this, PB_CAPTION_SKIP, PB_ID_SKIP);
            row.AddCaption(*this, PB_CAPTION_SKIP_ALL, PB_ID_SKIP_ALL);
            row.AddCaption(*this, PB_CAPTION_CANCEL, IDCANCEL);
            m_nInternalFlags |= PB_FLAG_HAS_CANCEL;
            break;
        case PB_BTN_IGNORE_IGNOREALL_CANCEL:
            row.AddCaption(*this, PB_CAPTION_IGNORE, IDIGNORE);
            row.AddCaption(*this, PB_CAPTION_IGNORE_ALL, PB_ID_IGNORE_ALL);
            row.AddCaption(*this, PB_CAPTION_CANCEL, IDCANCEL);
            m_nInternalFlags |= PB_FLAG_HAS_CANCEL;
            break;
        default:  // 10 to 15
            row.AddCaption(*this, PB_CAPTION_OK, IDOK);
            break;
        }
    }
    if (m_nStyle & MB_HELP)
        row.AddCaption(*this, PB_CAPTION_HELP, PB_ID_HELP);
    if (m_pfnReportCallback != nullptr)
        row.AddCaption(*this, PB_CAPTION_REPORT, PB_ID_REPORT);
}

PbDialogUnitRect CPromptDialog::ToDialogUnits(const PbRect& pixels) const
{
    // Truncating divisions as the template expects; sizes that do not fit
    // 16 bits (a text of tens of thousands of lines) stop at the largest.
    return {SaturateToInt16(pixels.left * 4 / m_nBaseUnitX), SaturateToInt16(pixels.top * 8 / m_nBaseUnitY),
            SaturateToInt16((pixels.right - pixels.left) * 4 / m_nBaseUnitX),
            SaturateToInt16((pixels.bottom - pixels.top) * 8 / m_nBaseUnitY)};
}

bool CPromptDialog::AddItem(uint32_t kind, uint16_t id, const PbRect* pixelRect, const char* text)
{
    const int slot = m_dlgTemplate.cdit;
    if (slot >= PB_MAX_ITEMS)
        return false;
    std::unique_ptr<CPromptItem> item(new (std::nothrow) CPromptItem(kind));
    if (!item || !item->SetText(text)) {
        m_bLayoutComplete = false;
        return false;
    }
    if (pixelRect != nullptr)
        item->m_rcDlgUnits = ToDialogUnits(*pixelRect);
    item->m_nId = id;
    item->m_dwExStyle = 0;
    if (kind == PB_KIND_BUTTON) {
        ++m_nButtonsAdded;
        if (m_nButtonsAdded == m_nDefaultButton) {
            item->m_dwStyle |= PB_BS_DEFPUSHBUTTON;
            m_nDefaultId = id;
        }
    }
    m_pItems[slot] = std::move(item);
    ++m_dlgTemplate.cdit;
    return true;
}

int32_t CPromptDialog::AddButton(int captionIndex, uint16_t id, int32_t x, int32_t y)
{
    const int32_t width = m_nCaptionWidths[captionIndex];
    const PbRect rect = {x, y, x + width, y + m_nButtonHeight};
    AddItem(PB_KIND_BUTTON, id, &rect, m_szCaptions[captionIndex]);
    return width + kButtonGap;
}
