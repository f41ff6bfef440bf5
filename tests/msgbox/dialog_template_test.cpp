// The in-memory dialog template, decoded back and compared with the layout.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fake_layout_metrics.h"
#include "msgbox/dialog_template.h"
#include "msgbox/prompt_dialog.h"
#include "tests/support/dialog_template_reader.h"
#include "widen_latin1.h"

namespace {

int32_t WidenNothing(const char*, uint16_t*, int32_t)
{
    return 0;
}

class DialogTemplate : public ::testing::Test {
protected:
    std::vector<uint8_t> Write(uint32_t type, const char* message, const char* caption)
    {
        dialog = std::make_unique<CPromptDialog>(metrics, nullptr, message, caption, type, params);
        const size_t size = MeasureDialogTemplate(*dialog, WidenLatin1);
        std::vector<uint8_t> block(size, 0xCD);  // unwritten padding would show
        EXPECT_EQ(WriteDialogTemplate(*dialog, WidenLatin1, block.data(), block.size()), size);
        return block;
    }

    // Every field against the layout; returns the items' offsets.
    std::vector<size_t> ExpectLayout(const std::vector<uint8_t>& block, const std::string& title)
    {
        std::vector<size_t> offsets;
        EXPECT_EQ(DialogTemplateMismatch(block.data(), block.size(), *dialog, title, &offsets), "");
        return offsets;
    }

    FakeLayoutMetrics metrics;
    PromptBoxParams params;
    std::unique_ptr<CPromptDialog> dialog;
};

TEST_F(DialogTemplate, SingleOkBoxByteForByte)
{
    const std::vector<uint8_t> block = Write(MB_OK, "Hello", "Title");
    // Header 22 bytes + "Title" (12) + 2 of padding; the "Hello" item takes
    // 36 bytes, so OK follows at 72 and ends the block 30 bytes later.
    EXPECT_EQ(ExpectLayout(block, "Title"), (std::vector<size_t>{36, 72}));
    EXPECT_EQ(block.size(), 102u);
}

TEST_F(DialogTemplate, FullAndCustomBoxes)
{
    params.reportCallback = [](const char*, uint32_t) {};
    const std::vector<uint8_t> full =
        Write(MB_YESNOCANCEL | MB_ICONQUESTION | MB_HELP | PB_CHECK_DONT_ASK | MB_SYSTEMMODAL, "Apply?\nNow.", "Odd");
    EXPECT_EQ(dialog->m_dlgTemplate.cdit, 8);
    EXPECT_EQ(ExpectLayout(full, "Odd").front(), 32u);

    std::strcpy(params.buttonsText, "A\nBB\nCCC\nDDDD\nEEEEE");
    const std::vector<uint8_t> custom = Write(MB_OK | MB_ICONEXCLAMATION, "", "");
    EXPECT_EQ(dialog->m_dlgTemplate.cdit, 7);  // icon, text, four buttons, Report
    ExpectLayout(custom, "");
}

TEST_F(DialogTemplate, LongTitleIsCutTo1023Bytes)
{
    const std::string caption(2000, 'x');
    ExpectLayout(Write(MB_OK, "Hello", caption.c_str()), std::string(1023, 'x'));
}

TEST_F(DialogTemplate, FailuresWriteNothing)
{
    const size_t size = Write(MB_OKCANCEL, "Hello", "Title").size();
    EXPECT_EQ(MeasureDialogTemplate(*dialog, WidenNothing), 0u);
    EXPECT_EQ(MeasureDialogTemplate(*dialog, nullptr), 0u);
    std::vector<uint8_t> block(size, 0xCD);
    EXPECT_EQ(WriteDialogTemplate(*dialog, WidenLatin1, block.data(), size - 1), 0u);
    EXPECT_EQ(block[size - 1], 0xCD) << "written beyond the block";
    EXPECT_EQ(WriteDialogTemplate(*dialog, WidenLatin1, nullptr, size), 0u);
}

}  // namespace
