// The layout driven by the real system: GDI metrics, the test program's own
// string table (win32_strings.rc), the version test and MulDiv.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "msgbox/mul_div.h"
#include "msgbox/prompt_dialog.h"
#include "msgbox/standard_codes.h"  // checks MB_ and ID values against <windows.h> as it compiles
#include "msgbox/win32/gdi_metrics.h"
#include "msgbox/win32/windows_version.h"

namespace {

TEST(Win32Layout, GdiMetricsGiveASaneDialog)
{
    GdiLayoutMetrics metrics;
    PromptBoxParams params;
    params.timeoutSecs = 3;
    CPromptDialog box(metrics, nullptr, "Apply the new voltage to the first GPU?\nThe value is written at once.",
                      "Voltage", MB_YESNOCANCEL | MB_ICONQUESTION | MB_HELP | PB_CHECK_DONT_ASK, params);

    EXPECT_TRUE(box.LayoutComplete());
    EXPECT_NE(box.m_hFont.get(), nullptr);
    EXPECT_NE(box.m_hIcon.get(), nullptr);
    EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(box.m_hFont.get())), static_cast<DWORD>(OBJ_FONT));
    ASSERT_EQ(box.m_dlgTemplate.cdit, 7);  // icon, text, Yes, No, Cancel, Help, check box

    const int16_t width = box.m_dlgTemplate.cx;
    const int16_t height = box.m_dlgTemplate.cy;
    EXPECT_GT(width, 100);
    EXPECT_LT(width, 2000);
    EXPECT_GT(height, 40);
    int previousRight = -1;
    for (int i = 0; i < box.m_dlgTemplate.cdit; ++i) {
        const PbDialogUnitRect& r = box.m_pItems[i]->m_rcDlgUnits;
        EXPECT_GE(r.x, 0) << "item " << i;
        EXPECT_GT(r.cx, 0) << "item " << i;
        EXPECT_GT(r.cy, 0) << "item " << i;
        EXPECT_LE(r.x + r.cx, width) << "item " << i;
        EXPECT_LE(r.y + r.cy, height) << "item " << i;
        if (box.m_pItems[i]->m_nKind == PB_KIND_BUTTON && box.m_pItems[i]->m_nId != PB_ID_CHECKBOX) {
            EXPECT_GT(r.x, previousRight) << "buttons overlap at item " << i;
            previousRight = r.x + r.cx;
        }
    }
    // The text rectangle holds both lines of the message font, plus its
    // 13-pixel allowance.
    ASSERT_TRUE(metrics.BeginMeasuring(box.m_hFont.get()));
    const int32_t lineHeight = metrics.MeasureText("My", 2).cy;
    metrics.EndMeasuring();
    EXPECT_GT(lineHeight, 0);
    EXPECT_GE(box.m_rcMessage.bottom - box.m_rcMessage.top, 2 * lineHeight + 13);
}

TEST(Win32Layout, TextsComeFromTheProgramsStringTable)
{
    GdiLayoutMetrics metrics;
    PromptBoxParams params;
    CPromptDialog box(metrics, nullptr, MAKEINTRESOURCEA(100), MAKEINTRESOURCEA(65535), MB_OKCANCEL, params);
    EXPECT_STREQ(box.MessageText(), "A message kept in the string table of the test program.");
    EXPECT_STREQ(box.CaptionText(), "");
    EXPECT_STREQ(box.m_szCaptions[PB_CAPTION_OK], "Fine");
    EXPECT_STREQ(box.m_szCaptions[PB_CAPTION_CANCEL], "Cancel");
}

TEST(Win32Layout, HandlesAreReleasedWithTheDialog)
{
    PromptBoxParams params;
    params.backgroundColor = RGB(0xC0, 0xC0, 0xC0);
    HGDIOBJ font = nullptr;
    HGDIOBJ brush = nullptr;
    {
        GdiLayoutMetrics metrics;
        CPromptDialog box(metrics, nullptr, "Text", "Title", MB_OK | MB_ICONEXCLAMATION, params);
        font = static_cast<HGDIOBJ>(box.m_hFont.get());
        brush = static_cast<HGDIOBJ>(box.m_hBackgroundBrush.get());
        EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
    }
    EXPECT_EQ(GetObjectType(font), 0u);
    EXPECT_EQ(GetObjectType(brush), 0u);
}

TEST(Win32Layout, PortableMulDivMatchesTheSystems)
{
    const int values[] = {0, 1, -1, 2, -2, 3, -3, 7, -7, 38, 13, 100, -100, 65535, INT32_MAX, INT32_MIN + 1};
    for (int a : values) {
        for (int b : values)
            for (int c : values)
                EXPECT_EQ(PbMulDiv(a, b, c), MulDiv(a, b, c)) << a << " * " << b << " / " << c;
    }
}

TEST(Win32Layout, ThisSystemIsWindows6OrLater)
{
    EXPECT_TRUE(IsWindows6OrLater());
}

}  // namespace
