#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fake_layout_metrics.h"
#include "msgbox/prompt_dialog.h"

namespace {

using Ids = std::vector<uint16_t>;
using Texts = std::vector<std::string>;

void NoReport(const char*, uint32_t) {}

class PromptDialogLayout : public ::testing::Test {
protected:
    void TearDown() override
    {
        dialog.reset();
        EXPECT_EQ(FakeLayoutMetrics::LiveHandles(), 0) << "a font, icon or brush was not released";
        EXPECT_FALSE(metrics.measuringOpen) << "the measuring context was left open";
    }

    CPromptDialog& Build(uint32_t type, const char* message = "Hello", const char* caption = "Title")
    {
        dialog.reset();
        dialog = std::make_unique<CPromptDialog>(metrics, nullptr, message, caption, type, params);
        return *dialog;
    }

    // Push buttons in creation order (the check box is a button too).
    std::vector<const CPromptItem*> Buttons() const
    {
        std::vector<const CPromptItem*> buttons;
        for (int i = 0; i < dialog->m_dlgTemplate.cdit; ++i) {
            const CPromptItem* item = dialog->m_pItems[i].get();
            if (item->m_nKind == PB_KIND_BUTTON && item->m_nId != PB_ID_CHECKBOX)
                buttons.push_back(item);
        }
        return buttons;
    }
    Ids ButtonIds() const
    {
        Ids ids;
        for (const CPromptItem* button : Buttons())
            ids.push_back(button->m_nId);
        return ids;
    }
    Texts ButtonTexts() const
    {
        Texts texts;
        for (const CPromptItem* button : Buttons())
            texts.push_back(button->Text());
        return texts;
    }
    const CPromptItem* Item(uint16_t id) const
    {
        for (int i = 0; i < dialog->m_dlgTemplate.cdit; ++i)
            if (dialog->m_pItems[i]->m_nId == id)
                return dialog->m_pItems[i].get();
        return nullptr;
    }
    static bool IsDefault(const CPromptItem* button) { return (button->m_dwStyle & PB_BS_DEFPUSHBUTTON) != 0; }

    FakeLayoutMetrics metrics;
    PromptBoxParams params;
    std::unique_ptr<CPromptDialog> dialog;
};

TEST_F(PromptDialogLayout, ButtonMetricsFollowTheBaseUnits)
{
    CPromptDialog& classic = Build(MB_OK);
    EXPECT_EQ(classic.m_nButtonWidth, 76);
    EXPECT_EQ(classic.m_nButtonHeight, 24);
    EXPECT_EQ(classic.m_nTimeoutExtraWidth, 26);
    EXPECT_EQ(classic.m_nCheckBoxHeight, 20);
    const PbDialogUnitRect units = classic.ToDialogUnits({100, 50, 176, 74});
    EXPECT_EQ((std::vector<int>{units.x, units.y, units.cx, units.cy}), (std::vector<int>{50, 25, 38, 12}));

    params.layoutFlags = PB_LAYOUT_MODERN;
    CPromptDialog& modern = Build(MB_OK);
    EXPECT_EQ(modern.m_nButtonWidth, 88);
    EXPECT_EQ(modern.m_nButtonHeight, 26);
}

TEST_F(PromptDialogLayout, SingleOkIsCentredUnderTheText)
{
    CPromptDialog& box = Build(MB_OK | MB_SYSTEMMODAL, "Hello");
    EXPECT_TRUE(box.LayoutComplete());
    EXPECT_EQ(box.m_nInternalFlags, PB_FLAG_OK_ONLY);
    EXPECT_EQ(box.m_dlgTemplate.style, 0x90C80882u);
    ASSERT_EQ(box.m_dlgTemplate.cdit, 2);
    EXPECT_EQ(box.m_nNextControlId, 1002);

    // "Hello" is 30 x 13 pixels: text at (16, 16, 58, 42), dialog 108 x 83.
    const CPromptItem& text = *box.m_pItems[0];
    EXPECT_EQ(text.m_nKind, PB_KIND_STATIC);
    EXPECT_EQ(text.m_dwStyle, 0x50000080u) << "SS_NOPREFIX: an '&' in the message is shown, not a mnemonic";
    EXPECT_EQ(text.m_nId, PB_ID_TEXT);
    EXPECT_STREQ(text.Text(), "Hello");
    EXPECT_EQ(text.m_rcDlgUnits.cx, 42 * 4 / 8);

    // OK: 76 x 24 pixels at (16, 47), the default button.
    const CPromptItem& ok = *box.m_pItems[1];
    EXPECT_EQ(ok.m_dwStyle, 0x50010001u);
    EXPECT_EQ(box.m_nDefaultId, IDOK);
    EXPECT_EQ((std::vector<int>{ok.m_rcDlgUnits.x, ok.m_rcDlgUnits.y, ok.m_rcDlgUnits.cx, ok.m_rcDlgUnits.cy}),
              (std::vector<int>{8, 23, 38, 12}));
    EXPECT_EQ(box.m_dlgTemplate.cx, 54);
    EXPECT_EQ(box.m_dlgTemplate.cy, 41);
}

TEST_F(PromptDialogLayout, EveryButtonSetHasItsButtonsAndFlags)
{
    const struct {
        uint32_t set;
        Ids ids;
        uint32_t flags;
    } cases[] = {
        {MB_OK, {1}, PB_FLAG_OK_ONLY},
        {MB_OKCANCEL, {1, 2}, PB_FLAG_HAS_CANCEL},
        {MB_ABORTRETRYIGNORE, {3, 4, 5}, 0},
        {MB_YESNOCANCEL, {6, 7, 2}, PB_FLAG_HAS_CANCEL},
        {MB_YESNO, {6, 7}, 0},
        {MB_RETRYCANCEL, {4, 2}, PB_FLAG_HAS_CANCEL},
        {MB_CANCELTRYCONTINUE, {2, 10, 11}, PB_FLAG_HAS_CANCEL},
        {PB_BTN_CONTINUE_ABORT, {11, 3}, 0},
        {PB_BTN_SKIP_SKIPALL_CANCEL, {14, 15, 2}, PB_FLAG_HAS_CANCEL},
        {PB_BTN_IGNORE_IGNOREALL_CANCEL, {5, 16, 2}, PB_FLAG_HAS_CANCEL},
        {10, {1}, 0},
        {12, {1}, 0},
        {15, {1}, 0},
    };
    for (const auto& c : cases) {
        Build(c.set);
        EXPECT_EQ(ButtonIds(), c.ids) << "set " << c.set;
        EXPECT_EQ(dialog->m_nInternalFlags, c.flags) << "set " << c.set;
    }
    Build(PB_BTN_SKIP_SKIPALL_CANCEL);
    EXPECT_EQ(ButtonTexts(), (Texts{"&Skip", "S&kip All", "Cancel"}));
}

TEST_F(PromptDialogLayout, YesToAllAndNoToAllOnlyJoinYesNoSets)
{
    Build(MB_YESNOCANCEL | PB_ADD_YES_TO_ALL | PB_ADD_NO_TO_ALL);
    EXPECT_EQ(ButtonIds(), (Ids{6, 19, 7, 20, 2}));
    EXPECT_EQ(ButtonTexts(), (Texts{"&Yes", "Y&es to All", "&No", "N&o to All", "Cancel"}));
    Build(MB_YESNO | PB_ADD_NO_TO_ALL);
    EXPECT_EQ(ButtonIds(), (Ids{6, 7, 20}));

    const int16_t plainWidth = Build(MB_OKCANCEL).m_dlgTemplate.cx;
    Build(MB_OKCANCEL | PB_ADD_YES_TO_ALL | PB_ADD_NO_TO_ALL);
    EXPECT_EQ(ButtonIds(), (Ids{1, 2}));
    EXPECT_EQ(dialog->m_dlgTemplate.cx, plainWidth);
}

TEST_F(PromptDialogLayout, CustomListReplacesTheStandardSet)
{
    std::strcpy(params.buttonsText, "UP\nDOWN\nEXIT");
    Build(MB_OKCANCEL | MB_DEFBUTTON2 | PB_ADD_YES_TO_ALL);
    EXPECT_EQ(ButtonIds(), (Ids{23, 24, 25}));
    EXPECT_TRUE(IsDefault(Buttons()[1]));
    EXPECT_EQ(dialog->m_nDefaultId, 24);
    EXPECT_EQ(dialog->m_nInternalFlags, 0u);

    std::strcpy(params.buttonsText, "\n\nONLY");
    Build(MB_OK);
    EXPECT_EQ(ButtonTexts(), Texts{"ONLY"});
    EXPECT_EQ(ButtonIds(), Ids{23});

    std::strcpy(params.buttonsText, "a\nb\n\nc\nd\ne\nf");
    Build(MB_OK);
    EXPECT_EQ(ButtonIds(), (Ids{23, 24, 25, 26}));

    // 40 characters: 240 + 20 pixels; a short token keeps the minimum.
    std::strcpy(params.buttonsText, "Apply settings to first GPU only, please\nNo");
    Build(MB_OK);
    EXPECT_EQ(Buttons()[0]->m_rcDlgUnits.cx, 260 * 4 / 8);
    EXPECT_EQ(Buttons()[1]->m_rcDlgUnits.cx, 38);

    // The string table's list comes first; a missing id falls back to the text.
    metrics.AddString(metrics.MainModule(), 77, "One\nTwo");
    params.buttonsStringId = 77;
    Build(MB_OK);
    EXPECT_EQ(ButtonTexts(), (Texts{"One", "Two"}));
    params.buttonsStringId = 78;
    Build(MB_OK);
    EXPECT_EQ(ButtonTexts()[0], "Apply settings to first GPU only, please");
}

TEST_F(PromptDialogLayout, CustomListOfSeparatorsOnlyKeepsTheStandardSet)
{
    // Such a list names no button; without the standard set the box could
    // not be ended at all.
    std::strcpy(params.buttonsText, "\n\n\n");
    Build(MB_YESNO);
    EXPECT_EQ(ButtonIds(), (Ids{6, 7}));
}

TEST_F(PromptDialogLayout, DefaultButtonCountsEveryPushButtonInOrder)
{
    Build(MB_OKCANCEL | MB_DEFBUTTON4);
    EXPECT_TRUE(IsDefault(Buttons()[0]));
    EXPECT_EQ(dialog->m_nDefaultId, IDOK);
    Build(MB_OKCANCEL | 0xF00);
    EXPECT_EQ(dialog->m_nDefaultId, IDOK);

    params.reportCallback = NoReport;
    Build(MB_YESNOCANCEL | MB_HELP | PB_DEFAULT_BUTTON5);
    EXPECT_EQ(ButtonIds(), (Ids{6, 7, 2, 300, 301}));
    EXPECT_EQ(ButtonTexts()[3], "&Help");
    EXPECT_EQ(dialog->m_nDefaultId, PB_ID_REPORT);

    std::strcpy(params.buttonsText, "A\nB\nC\nD");
    Build(MB_OK | MB_HELP | PB_DEFAULT_BUTTON6);
    EXPECT_EQ(ButtonIds(), (Ids{23, 24, 25, 26, 300, 301}));
    EXPECT_EQ(dialog->m_nDefaultId, PB_ID_REPORT);
    int defaults = 0;
    for (const CPromptItem* button : Buttons())
        defaults += IsDefault(button) ? 1 : 0;
    EXPECT_EQ(defaults, 1);
}

TEST_F(PromptDialogLayout, FirstCheckBoxBitWins)
{
    CPromptDialog& box = Build(MB_OKCANCEL | PB_CHECK_DONT_ASK | PB_CHECK_DONT_TELL | PB_CHECK_DONT_SHOW);
    EXPECT_EQ(box.m_nInternalFlags, PB_FLAG_HAS_CANCEL | PB_FLAG_DONT_ASK);
    const CPromptItem* check = Item(PB_ID_CHECKBOX);
    ASSERT_EQ(box.m_pItems[box.m_dlgTemplate.cdit - 1].get(), check);
    EXPECT_STREQ(check->Text(), "Don't ask me again");
    EXPECT_EQ(check->m_nKind, PB_KIND_BUTTON);
    EXPECT_EQ(check->m_dwStyle, 0x50010003u);
    EXPECT_EQ(box.m_nButtonsAdded, 2);
    // Under the row (y 47): at (17, 83), 18 characters -> 128 + 20 wide.
    EXPECT_EQ(check->m_rcDlgUnits.y, 83 * 8 / 16);
    EXPECT_EQ(check->m_rcDlgUnits.cx, 148 * 4 / 8);
    EXPECT_EQ(check->m_rcDlgUnits.cy, 10);
    EXPECT_EQ(box.m_dlgTemplate.cy, (103 + 8) * 8 / 16);

    Build(MB_OK | PB_CHECK_DONT_TELL | PB_CHECK_DONT_SHOW);
    EXPECT_EQ(dialog->m_nInternalFlags, PB_FLAG_OK_ONLY | PB_FLAG_DONT_TELL);
    EXPECT_STREQ(Item(PB_ID_CHECKBOX)->Text(), "Don't tell me again");
    Build(MB_OK | PB_CHECK_DONT_SHOW);
    EXPECT_EQ(dialog->m_nInternalFlags, PB_FLAG_OK_ONLY | PB_FLAG_DONT_SHOW);
    EXPECT_STREQ(Item(PB_ID_CHECKBOX)->Text(), "Don't show again");
    // A check box wider than the rest widens the dialog to hold it.
    EXPECT_GE(dialog->m_dlgTemplate.cx, (16 * 6 + 20 + 20 + 17) * 4 / 8);
}

TEST_F(PromptDialogLayout, TimeOutWidensEveryButtonAndTheCheckBox)
{
    std::strcpy(params.buttonsText, "Go");
    Build(MB_OK | MB_HELP | PB_CHECK_DONT_ASK);
    const int16_t customBefore = Buttons()[0]->m_rcDlgUnits.cx;
    const int16_t helpBefore = Buttons()[1]->m_rcDlgUnits.cx;
    const int16_t checkBefore = Item(PB_ID_CHECKBOX)->m_rcDlgUnits.cx;

    params.timeoutSecs = 5;
    Build(MB_OK | MB_HELP | PB_CHECK_DONT_ASK);
    EXPECT_EQ(Buttons()[0]->m_rcDlgUnits.cx, customBefore + 26 * 4 / 8);
    EXPECT_EQ(Buttons()[1]->m_rcDlgUnits.cx, helpBefore + 26 * 4 / 8);
    EXPECT_EQ(Item(PB_ID_CHECKBOX)->m_rcDlgUnits.cx, checkBefore + 26 * 4 / 8);
}

TEST_F(PromptDialogLayout, IconSitsLeftOfTheTextAndNarrowsTheTextArea)
{
    Build(MB_OK);
    EXPECT_EQ(metrics.lastWrapWidth, 1024 / 2 + 80);

    CPromptDialog& box = Build(MB_OK | MB_ICONQUESTION, "Hello");
    EXPECT_EQ(metrics.lastWrapWidth, 1024 / 2 + 80 - 48);
    EXPECT_EQ(metrics.iconRequests, Texts{"system:32514"});
    const CPromptItem* icon = Item(PB_ID_ICON);
    ASSERT_EQ(box.m_pItems[0].get(), icon);
    EXPECT_EQ(icon->m_dwStyle, 0x50000000u);
    EXPECT_EQ(icon->m_rcDlgUnits.x, 4);
    EXPECT_EQ(icon->m_rcDlgUnits.cx, 17);
    EXPECT_EQ(box.m_rcMessage.left, 16 + 40);
    // The row is 9 pixels further down with an icon.
    EXPECT_EQ(Buttons()[0]->m_rcDlgUnits.y, (42 + 5 + 9) * 8 / 16);

    metrics.iconRequests.clear();
    Build(MB_OK | 0x50);
    EXPECT_EQ(metrics.iconRequests, Texts{"system:32515"});

    params.layoutFlags = PB_LAYOUT_NARROW;
    Build(MB_OK | MB_ICONHAND);
    EXPECT_EQ(metrics.lastWrapWidth, 1024 / 3 - 48);
}

TEST_F(PromptDialogLayout, CustomIconTakesPrecedenceAndMayBeMissing)
{
    params.iconId = 0x10065;
    std::strcpy(params.iconName, "APPICON");
    Build(MB_OK | MB_ICONHAND);
    params.iconId = 0;
    Build(MB_OK | MB_ICONHAND);
    EXPECT_EQ(metrics.iconRequests, (Texts{"module:101", "module:APPICON"}));

    // No icon control then, but the type's icon field still narrows the text.
    metrics.moduleIconsAvailable = false;
    Build(MB_OK | MB_ICONHAND);
    EXPECT_EQ(Item(PB_ID_ICON), nullptr);
    EXPECT_EQ(metrics.lastWrapWidth, 1024 / 2 + 80 - 48);
    EXPECT_EQ(dialog->m_rcMessage.left, 16);
}

TEST_F(PromptDialogLayout, ModernLookMovesTextAndButtons)
{
    params.layoutFlags = PB_LAYOUT_MODERN;
    CPromptDialog& box = Build(MB_OKCANCEL, "One line");
    EXPECT_EQ(box.m_rcMessage.top, 32);
    EXPECT_EQ(metrics.lastWrapWidth, 1024 / 2 - 10);
    EXPECT_EQ(metrics.brushColors, std::vector<uint32_t>{metrics.windowColor});
    // Buttons right-aligned, ending 16 pixels before the edge.
    const PbDialogUnitRect cancel = Buttons().back()->m_rcDlgUnits;
    EXPECT_EQ((cancel.x + cancel.cx) * 8 / 4, box.m_dlgTemplate.cx * 8 / 4 - 16);

    Build(MB_OK | MB_ICONASTERISK, "First line\nSecond line");
    EXPECT_EQ(dialog->m_rcMessage.top, 24);
    EXPECT_EQ(dialog->m_rcMessage.bottom - dialog->m_rcMessage.top, 26 + 61 - 32);

    params.backgroundColor = 0xC0C0C0;
    metrics.brushColors.clear();
    Build(MB_OK);
    EXPECT_EQ(metrics.brushColors, std::vector<uint32_t>{0xC0C0C0});
}

TEST_F(PromptDialogLayout, TextsFromTheStringTableOrCut)
{
    metrics.AddString(metrics.MainModule(), 100, "From resources");
    Build(MB_OK, reinterpret_cast<const char*>(100), reinterpret_cast<const char*>(101));
    EXPECT_STREQ(dialog->MessageText(), "From resources");
    EXPECT_STREQ(dialog->CaptionText(), "");
    Build(MB_OK, reinterpret_cast<const char*>(65535), nullptr);
    EXPECT_STREQ(dialog->MessageText(), "");
    EXPECT_EQ(ButtonIds(), Ids{1});

    const std::string message(70000, 'm');
    const std::string caption(2000, 'c');
    Build(MB_OK, message.c_str(), caption.c_str());
    EXPECT_EQ(std::strlen(dialog->MessageText()), 65535u);
    EXPECT_EQ(dialog->CaptionText(), caption);

    // Record texts filled to their last byte, without a terminator.
    std::memset(params.buttonsText, 'b', sizeof(params.buttonsText));
    std::memset(params.reportCaption, 'r', sizeof(params.reportCaption));
    std::memset(params.registryCompany, 'k', sizeof(params.registryCompany));
    std::memset(params.iconName, 'i', sizeof(params.iconName));
    params.reportCallback = NoReport;
    Build(MB_OK);
    EXPECT_EQ(std::strlen(dialog->m_szCustomButtons), 259u);
    EXPECT_EQ(std::strlen(dialog->m_szCaptions[PB_CAPTION_REPORT]), 99u);
    EXPECT_EQ(std::strlen(dialog->m_szRegistryCompany), 259u);
    EXPECT_EQ(metrics.iconRequests.back(), "module:" + std::string(259, 'i'));
}

TEST_F(PromptDialogLayout, HugeTextKeepsA16BitDialogHeight)
{
    const std::string lines(20000, '\n');
    Build(MB_OK, lines.c_str());
    EXPECT_EQ(dialog->m_dlgTemplate.cy, INT16_MAX);
    EXPECT_EQ(Item(PB_ID_TEXT)->m_rcDlgUnits.cy, INT16_MAX);
    EXPECT_GT(Buttons()[0]->m_rcDlgUnits.y, 0);
}

TEST_F(PromptDialogLayout, CaptionsComeFromOverridesOrTheStringTable)
{
    params.useCustomCaptions = 1;
    std::memset(params.customCaptions[PB_CAPTION_OK], 'o', 150);
    std::strcpy(params.customCaptions[PB_CAPTION_REPORT], "Not this");
    std::strcpy(params.reportCaption, "Send &log");
    params.reportCallback = NoReport;
    Build(MB_OK);
    EXPECT_EQ(ButtonTexts(), (Texts{std::string(99, 'o'), "Send &log"}));
    EXPECT_TRUE(metrics.textIds.empty());

    // Without overrides the strings 9001 to 9019 replace them, except Report.
    params = PromptBoxParams();
    params.reportCallback = NoReport;
    metrics.AddString(metrics.MainModule(), 9001, "Fine");
    metrics.AddString(metrics.MainModule(), 9016, "Not the report caption");
    Build(MB_OK);
    EXPECT_EQ(ButtonTexts(), (Texts{"Fine", "Re&port"}));
    EXPECT_STREQ(dialog->m_szCaptions[PB_CAPTION_YES], "&Yes");
    // "Y&es to All": the '&' counts in the width, 11 x 6 + 20 pixels.
    EXPECT_EQ(dialog->m_nCaptionWidths[PB_CAPTION_YES_TO_ALL], 86);

    Build(MB_OK | PB_NO_CAPTION_RESOURCES);
    EXPECT_EQ(ButtonTexts()[0], "OK");
}

TEST_F(PromptDialogLayout, ItemSlotsAreLimited)
{
    CPromptDialog& box = Build(MB_OK);
    while (box.m_dlgTemplate.cdit < PB_MAX_ITEMS)
        ASSERT_TRUE(box.AddItem(PB_KIND_STATIC, 2000, nullptr, nullptr));
    EXPECT_FALSE(box.AddItem(PB_KIND_STATIC, 2001, nullptr, "one too many"));
    EXPECT_EQ(box.m_dlgTemplate.cdit, PB_MAX_ITEMS);
    EXPECT_STREQ(box.m_pItems[PB_MAX_ITEMS - 1]->Text(), "");
    EXPECT_EQ(box.m_pItems[PB_MAX_ITEMS - 1]->m_rcDlgUnits.cx, 10);
}

TEST_F(PromptDialogLayout, NoMeasuringContextStillGivesAUsableBox)
{
    metrics.measuringAvailable = false;
    Build(MB_YESNO, "Hello");
    EXPECT_FALSE(dialog->LayoutComplete());
    EXPECT_EQ(ButtonIds(), (Ids{6, 7}));
    EXPECT_EQ(Buttons()[0]->m_rcDlgUnits.cx, 38);
}

}  // namespace
