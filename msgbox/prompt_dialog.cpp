#include "msgbox/prompt_dialog.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "msgbox/bounded_text.h"
#include "msgbox/mul_div.h"

namespace {

// ---- Sizes given in dialog units, turned into pixels with the base units ----
// A base unit is 4 dialog units wide and 8 dialog units high.
constexpr int32_t kDialogUnitsPerBaseUnitX = 4;
constexpr int32_t kDialogUnitsPerBaseUnitY = 8;
// The narrowest push button, and the height of every push button.
constexpr int32_t kButtonWidthDlu = 38;
constexpr int32_t kButtonHeightDlu = 12;
// What the modern look adds to both.
constexpr int32_t kModernExtraButtonWidthDlu = 6;
constexpr int32_t kModernExtraButtonHeightDlu = 1;
// Room for the countdown (" = 10") that a time-out shows in a caption.
constexpr int32_t kTimeoutCountdownWidthDlu = 13;
// The check box's height, which is also the width of its box and gap.
constexpr int32_t kCheckBoxHeightDlu = 10;

// ---- The text area that the message wraps in, in pixels ----
// Half the screen, plus a little in the classic look and minus a little in
// the modern one; a third of the screen in the narrow layout.
constexpr int32_t kTextAreaScreenDivisor = 2;
constexpr int32_t kClassicTextAreaBeyondHalfScreen = 80;
constexpr int32_t kModernTextAreaShortOfHalfScreen = 10;
constexpr int32_t kNarrowTextAreaScreenDivisor = 3;
// An icon field in the type word takes the icon's width and this much more
// off the text area, whether the icon then loads or not.
constexpr int32_t kTextAreaIconAllowance = 16;

// ---- The message rectangle, in pixels ----
constexpr int32_t kMessageLeft = 16;
constexpr int32_t kClassicMessageTop = 16;
constexpr int32_t kModernMessageTop = 32;
// What the rectangle adds to the measured text in width and height, and the
// further height of the modern look.
constexpr int32_t kMessageExtraWidth = 12;
constexpr int32_t kMessageExtraHeight = 13;
constexpr int32_t kModernMessageExtraHeight = 16;
// The modern look's margin right of the message (the classic dialog ends
// where the message rectangle does).
constexpr int32_t kModernMessageRightMargin = 16;
// Measured to know the height of one line of the message font.
constexpr char kLineHeightSample[] = "My";

// ---- The icon, in pixels ----
// Its distance from the dialog's left and top edges.  The message moves right
// by the icon's width and this margin, and the dialog ends this far right of
// the message.
constexpr int32_t kClassicIconMargin = 8;
constexpr int32_t kModernIconMargin = 24;
// The icon's control is this much larger than the icon.
constexpr int32_t kIconControlGrowth = 2;

// ---- The button row, in pixels ----
constexpr int32_t kButtonGap = 6;
// A caption's width plus this is its button's width (never below the
// narrowest button).
constexpr int32_t kCaptionPadding = 20;
constexpr int32_t kRowGapAboveButtons = 5;
// The further gap above the row under an icon or a coloured message area.
constexpr int32_t kRowGapBelowIconOrColour = 9;
// The least room left and right of the row; a right-aligned row keeps
// exactly this much from the dialog's right edge.
constexpr int32_t kRowSideMargin = 16;
constexpr int32_t kDialogBottomMarginBelowRow = 12;

// ---- The check box under the row, in pixels ----
constexpr int32_t kCheckBoxLeft = 17;
constexpr int32_t kCheckBoxGapBelowRow = 12;
constexpr int32_t kDialogBottomMarginBelowCheckBox = 8;
// A check box wider than the dialog widens it to the check box's width plus
// this before the row is centred; the check box's own place then adds the
// rest.
constexpr int32_t kCheckBoxCentringMargin = 16;

// A colour of the parameter record that the caller did not set.
constexpr uint32_t kColourNotSet = 0xFFFFFFFFu;

// The system's standard icons.
constexpr uint16_t kIconHand = 32513;
constexpr uint16_t kIconQuestion = 32514;
constexpr uint16_t kIconExclamation = 32515;
constexpr uint16_t kIconAsterisk = 32516;

// One standard button of a button set: its caption entry and its id.
struct StandardButton {
    PbCaptionIndex caption;
    int32_t id;  // 0 ends the set
};

// The buttons of one value of the type word's button-set field, and the
// internal flags the set brings (Escape and Close end only a box with
// Cancel or a box of MB_OK's single OK).
struct ButtonSet {
    uint32_t set;
    StandardButton buttons[3];
    uint32_t flags;
};

constexpr ButtonSet kButtonSets[] = {
    {MB_OK, {{PB_CAPTION_OK, IDOK}}, PB_FLAG_OK_ONLY},
    {MB_OKCANCEL, {{PB_CAPTION_OK, IDOK}, {PB_CAPTION_CANCEL, IDCANCEL}}, PB_FLAG_HAS_CANCEL},
    {MB_ABORTRETRYIGNORE, {{PB_CAPTION_ABORT, IDABORT}, {PB_CAPTION_RETRY, IDRETRY}, {PB_CAPTION_IGNORE, IDIGNORE}}, 0},
    {MB_YESNOCANCEL,
     {{PB_CAPTION_YES, IDYES}, {PB_CAPTION_NO, IDNO}, {PB_CAPTION_CANCEL, IDCANCEL}},
     PB_FLAG_HAS_CANCEL},
    {MB_YESNO, {{PB_CAPTION_YES, IDYES}, {PB_CAPTION_NO, IDNO}}, 0},
    {MB_RETRYCANCEL, {{PB_CAPTION_RETRY, IDRETRY}, {PB_CAPTION_CANCEL, IDCANCEL}}, PB_FLAG_HAS_CANCEL},
    {MB_CANCELTRYCONTINUE,
     {{PB_CAPTION_CANCEL, IDCANCEL}, {PB_CAPTION_TRY_AGAIN, IDTRYAGAIN}, {PB_CAPTION_CONTINUE, IDCONTINUE}},
     PB_FLAG_HAS_CANCEL},
    {PB_BTN_CONTINUE_ABORT, {{PB_CAPTION_CONTINUE, IDCONTINUE}, {PB_CAPTION_ABORT, IDABORT}}, 0},
    {PB_BTN_SKIP_SKIPALL_CANCEL,
     {{PB_CAPTION_SKIP, PB_ID_SKIP}, {PB_CAPTION_SKIP_ALL, PB_ID_SKIP_ALL}, {PB_CAPTION_CANCEL, IDCANCEL}},
     PB_FLAG_HAS_CANCEL},
    {PB_BTN_IGNORE_IGNOREALL_CANCEL,
     {{PB_CAPTION_IGNORE, IDIGNORE}, {PB_CAPTION_IGNORE_ALL, PB_ID_IGNORE_ALL}, {PB_CAPTION_CANCEL, IDCANCEL}},
     PB_FLAG_HAS_CANCEL},
};
// The field's values 10 to 15 name no set: a single OK, without MB_OK's flag.
constexpr ButtonSet kUndefinedButtonSet = {0, {{PB_CAPTION_OK, IDOK}}, 0};

// Yes to All follows Yes, and No to All follows No, when the type word asks
// for them; only the Yes/No sets have those buttons to follow.
struct ToAllButton {
    int32_t after;
    uint32_t typeBit;
    PbCaptionIndex caption;
    int32_t id;
};

constexpr ToAllButton kToAllButtons[] = {
    {IDYES, PB_ADD_YES_TO_ALL, PB_CAPTION_YES_TO_ALL, PB_ID_YES_TO_ALL},
    {IDNO, PB_ADD_NO_TO_ALL, PB_CAPTION_NO_TO_ALL, PB_ID_NO_TO_ALL},
};

// The don't-ask-again check box, in order of precedence: the first of its
// bits present in the type word wins.
struct CheckBoxKind {
    uint32_t typeBit;
    PbCaptionIndex caption;
    uint32_t flag;
};

constexpr CheckBoxKind kCheckBoxKinds[] = {
    {PB_CHECK_DONT_ASK, PB_CAPTION_DONT_ASK, PB_FLAG_DONT_ASK},
    {PB_CHECK_DONT_TELL, PB_CAPTION_DONT_TELL, PB_FLAG_DONT_TELL},
    {PB_CHECK_DONT_SHOW, PB_CAPTION_DONT_SHOW, PB_FLAG_DONT_SHOW},
};

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

int32_t LineHeight(LayoutMetrics& metrics)
{
    return metrics.MeasureText(kLineHeightSample, static_cast<int32_t>(sizeof(kLineHeightSample) - 1)).cy;
}

int32_t TextAreaWidth(int32_t screenWidth, bool modern, bool narrow)
{
    if (narrow)
        return screenWidth / kNarrowTextAreaScreenDivisor;
    const int32_t halfScreen = screenWidth / kTextAreaScreenDivisor;
    return modern ? halfScreen - kModernTextAreaShortOfHalfScreen : halfScreen + kClassicTextAreaBeyondHalfScreen;
}

}  // namespace

// The push buttons of the row, in creation order: the button set (standard
// or custom), then Help, then Report.
struct CPromptDialog::ButtonRow {
    struct Button {
        const char* text;  // a caption entry, or a token of customList
        int32_t width;
        uint16_t id;
    };

    Button buttons[kMaxRowButtons] = {};
    int count = 0;
    // Working copy of the custom list; the tokens point into it.
    char customList[PB_TEXT_CHARS] = {};

    void Add(const char* text, int32_t width, int32_t id)
    {
        if (count < kMaxRowButtons)
            buttons[count++] = {text, width, static_cast<uint16_t>(id)};
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
    const PbSize iconSize = metrics.GetIconSize();
    int32_t areaWidth = TextAreaWidth(metrics.GetScreenWidth(), modern, m_bNarrow != 0);
    if ((type & MB_ICONMASK) != 0)
        areaWidth -= iconSize.cx + kTextAreaIconAllowance;
    const char* messageText = MessageText();
    const PbRect wrapped = metrics.MeasureWrappedText(messageText, static_cast<int32_t>(std::strlen(messageText)),
                                                      PbRect{0, 0, areaWidth, areaWidth});
    const int32_t textWidth = wrapped.right;
    const int32_t textHeight = wrapped.bottom;
    const int32_t lineHeight = LineHeight(metrics);
    const int32_t messageTop = modern ? kModernMessageTop : kClassicMessageTop;
    m_rcMessage = {kMessageLeft, messageTop, kMessageLeft + textWidth + kMessageExtraWidth,
                   messageTop + textHeight + kMessageExtraHeight + (modern ? kModernMessageExtraHeight : 0)};
    PbRect dialogRect = {0, 0, m_rcMessage.right + (modern ? kModernMessageRightMargin : 0), 0};

    m_dlgTemplate = {PB_DIALOG_STYLE, 0, 0, 0, 0, 0, 0};
    if (type & MB_SYSTEMMODAL)
        m_dlgTemplate.style |= PB_DS_SYSMODAL;

    // Icon left of the text; the text moves right to make room.
    PbRect iconRect = {0, 0, 0, 0};
    m_hIcon = LoadDialogIcon(metrics, params);
    if (m_hIcon) {
        const int32_t margin = modern ? kModernIconMargin : kClassicIconMargin;
        m_rcMessage.left += margin + iconSize.cx;
        m_rcMessage.right += margin + iconSize.cx;
        dialogRect.right = m_rcMessage.right + margin;
        iconRect = {margin, margin, margin + iconSize.cx + kIconControlGrowth,
                    margin + iconSize.cy + kIconControlGrowth};
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

    const CheckBoxKind* checkBox = nullptr;
    for (const CheckBoxKind& kind : kCheckBoxKinds) {
        if (type & kind.typeBit) {
            checkBox = &kind;
            m_nInternalFlags |= kind.flag;
            break;
        }
    }
    const int32_t checkBoxWidth = checkBox != nullptr ? m_nCaptionWidths[checkBox->caption] + m_nCheckBoxHeight : 0;

    // Button row under the text (and the icon), centred or right-aligned.
    int32_t rowTop = std::max(m_rcMessage.bottom, iconRect.bottom) + kRowGapAboveButtons;
    if (m_hIcon || m_hBackgroundBrush)
        rowTop += kRowGapBelowIconOrColour;
    const PbRect rowRect = {0, rowTop, rowWidth, rowTop + m_nButtonHeight};
    if (m_nDefaultButton > row.count)
        m_nDefaultButton = 1;
    dialogRect.bottom = rowRect.bottom + kDialogBottomMarginBelowRow;
    dialogRect.right = std::max(dialogRect.right, rowWidth + 2 * kRowSideMargin);
    if (dialogRect.right < checkBoxWidth)
        dialogRect.right = checkBoxWidth + kCheckBoxCentringMargin;
    int32_t x = (dialogRect.right - rowWidth) / 2;
    if (m_bButtonsRight)
        x = dialogRect.right - rowWidth - kRowSideMargin;

    for (int i = 0; i < row.count; ++i) {
        const ButtonRow::Button& button = row.buttons[i];
        const PbRect buttonRect = {x, rowRect.top, x + button.width, rowRect.bottom};
        AddItem(PB_KIND_BUTTON, button.id, &buttonRect, button.text);
        x += button.width + kButtonGap;
    }

    if (checkBox != nullptr) {
        const int32_t top = rowRect.bottom + kCheckBoxGapBelowRow;
        const PbRect checkBoxRect = {kCheckBoxLeft, top, kCheckBoxLeft + checkBoxWidth, top + m_nCheckBoxHeight};
        AddItem(PB_KIND_CHECKBOX, static_cast<uint16_t>(PB_ID_CHECKBOX), &checkBoxRect,
                m_szCaptions[checkBox->caption]);
        dialogRect.bottom = checkBoxRect.bottom + kDialogBottomMarginBelowCheckBox;
        dialogRect.right = std::max(dialogRect.right, checkBoxRect.right);
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
        if (m_crBackgroundColor == kColourNotSet)
            m_crBackgroundColor = metrics.GetWindowColor();
    }
    if (m_crBackgroundColor != kColourNotSet)
        m_hBackgroundBrush = metrics.CreateSolidBrush(m_crBackgroundColor);
}

void CPromptDialog::ComputeButtonMetrics(LayoutMetrics& metrics)
{
    const uint32_t baseUnits = metrics.GetDialogBaseUnits();
    // Zero base units cannot come from a working system; they would make
    // every conversion to dialog units a division by zero.
    m_nBaseUnitX = std::max<int32_t>(1, static_cast<int32_t>(baseUnits & 0xFFFF));
    m_nBaseUnitY = std::max<int32_t>(1, static_cast<int32_t>(baseUnits >> 16));
    const auto pixelsAcross = [this](int32_t dialogUnits) {
        return PbMulDiv(dialogUnits, m_nBaseUnitX, kDialogUnitsPerBaseUnitX);
    };
    const auto pixelsDown = [this](int32_t dialogUnits) {
        return PbMulDiv(dialogUnits, m_nBaseUnitY, kDialogUnitsPerBaseUnitY);
    };

    m_nButtonWidth = pixelsAcross(kButtonWidthDlu);
    m_nButtonHeight = pixelsDown(kButtonHeightDlu);
    m_nTimeoutExtraWidth = pixelsAcross(kTimeoutCountdownWidthDlu);
    if (m_bModernLook) {
        m_nButtonWidth += pixelsAcross(kModernExtraButtonWidthDlu);
        m_nButtonHeight += pixelsDown(kModernExtraButtonHeightDlu);
    }
    m_nCheckBoxHeight = pixelsDown(kCheckBoxHeightDlu);
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

int32_t CPromptDialog::ButtonWidth(LayoutMetrics& metrics, const char* caption) const
{
    const int32_t width = std::max(TextWidth(metrics, caption) + kCaptionPadding, m_nButtonWidth);
    // A time-out shows its countdown (" = 10") in the default button's
    // caption; every button leaves room for it.
    return m_nTimeoutSecs != 0 ? width + m_nTimeoutExtraWidth : width;
}

void CPromptDialog::MeasureCaptionWidths(LayoutMetrics& metrics)
{
    for (int i = 0; i < PB_CAPTION_COUNT; ++i)
        m_nCaptionWidths[i] = ButtonWidth(metrics, m_szCaptions[i]);
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

void CPromptDialog::AddCaptionButton(ButtonRow& row, int captionIndex, int32_t id) const
{
    row.Add(m_szCaptions[captionIndex], m_nCaptionWidths[captionIndex], id);
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
        row.Add(token, ButtonWidth(metrics, token), PB_ID_CUSTOM1 + tokens);
        ++tokens;
    }
    return tokens > 0;
}

void CPromptDialog::CollectStandardButtons(ButtonRow& row)
{
    const ButtonSet* chosen = &kUndefinedButtonSet;
    for (const ButtonSet& set : kButtonSets)
        if (set.set == (m_nStyle & MB_TYPEMASK))
            chosen = &set;
    m_nInternalFlags |= chosen->flags;
    for (const StandardButton& button : chosen->buttons) {
        if (button.id == 0)
            break;
        AddCaptionButton(row, button.caption, button.id);
        for (const ToAllButton& toAll : kToAllButtons)
            if (toAll.after == button.id && (m_nStyle & toAll.typeBit) != 0)
                AddCaptionButton(row, toAll.caption, toAll.id);
    }
}

void CPromptDialog::CollectButtons(LayoutMetrics& metrics, ButtonRow& row)
{
    // A custom list replaces the standard set.  A list of separators only
    // names no button; the standard set stays then, so that the box can
    // always be ended.
    if (m_szCustomButtons[0] == '\0' || !CollectCustomButtons(metrics, row))
        CollectStandardButtons(row);
    if (m_nStyle & MB_HELP)
        AddCaptionButton(row, PB_CAPTION_HELP, PB_ID_HELP);
    if (m_pfnReportCallback != nullptr)
        AddCaptionButton(row, PB_CAPTION_REPORT, PB_ID_REPORT);
}

PbDialogUnitRect CPromptDialog::ToDialogUnits(const PbRect& pixels) const
{
    // Truncating divisions as the template expects; sizes that do not fit
    // 16 bits (a text of tens of thousands of lines) stop at the largest.
    const auto across = [this](int32_t pixelCount) {
        return SaturateToInt16(pixelCount * kDialogUnitsPerBaseUnitX / m_nBaseUnitX);
    };
    const auto down = [this](int32_t pixelCount) {
        return SaturateToInt16(pixelCount * kDialogUnitsPerBaseUnitY / m_nBaseUnitY);
    };
    return {across(pixels.left), down(pixels.top), across(pixels.right - pixels.left),
            down(pixels.bottom - pixels.top)};
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
