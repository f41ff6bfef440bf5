// The in-memory dialog template, decoded back and compared with the layout.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fake_layout_metrics.h"
#include "msgbox/dialog_template.h"
#include "msgbox/prompt_dialog.h"
#include "widen_latin1.h"

namespace {

int32_t WidenNothing(const char*, uint16_t*, int32_t)
{
    return 0;
}

// Reads the block as the dialog manager does, checking on the way that every
// item starts on a 4-byte boundary after zero padding.
struct Reader {
    const std::vector<uint8_t>& bytes;
    size_t at = 0;

    uint16_t Word()
    {
        at += 2;
        return static_cast<uint16_t>(bytes.at(at - 2) | (bytes.at(at - 1) << 8));
    }
    uint32_t DoubleWord() { return Word() | (static_cast<uint32_t>(Word()) << 16); }
    std::string Text()  // the test texts are ASCII
    {
        std::string text;
        for (uint16_t unit = Word(); unit != 0; unit = Word())
            text.push_back(static_cast<char>(unit));
        return text;
    }
    void AlignItem()
    {
        for (; at % 4 != 0; ++at)
            EXPECT_EQ(bytes.at(at), 0) << "padding at " << at;
    }
};

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
        const PbDialogHeader& h = dialog->m_dlgTemplate;
        Reader r{block};
        EXPECT_EQ(r.DoubleWord(), h.style);
        EXPECT_EQ(r.DoubleWord(), 0u);
        EXPECT_EQ(r.Word(), h.cdit);
        for (int16_t field : {h.x, h.y, h.cx, h.cy})
            EXPECT_EQ(static_cast<int16_t>(r.Word()), field);
        EXPECT_EQ(r.Word(), 0) << "menu";
        EXPECT_EQ(r.Word(), 0) << "class";
        EXPECT_EQ(r.Text(), title);
        std::vector<size_t> offsets;
        for (int i = 0; i < h.cdit; ++i) {
            const CPromptItem& item = *dialog->m_pItems[i];
            SCOPED_TRACE("item " + std::to_string(i));
            r.AlignItem();
            offsets.push_back(r.at);
            EXPECT_EQ(r.DoubleWord(), item.m_dwStyle);
            EXPECT_EQ(r.DoubleWord(), item.m_dwExStyle);
            const PbDialogUnitRect& u = item.m_rcDlgUnits;
            for (int16_t field : {u.x, u.y, u.cx, u.cy})
                EXPECT_EQ(static_cast<int16_t>(r.Word()), field);
            EXPECT_EQ(r.Word(), item.m_nId);
            EXPECT_EQ(r.Word(), 0xFFFF);
            EXPECT_EQ(r.Word(), item.m_nKind);
            EXPECT_EQ(r.Text(), item.Text());
            EXPECT_EQ(r.Word(), 0) << "creation data";
        }
        EXPECT_EQ(r.at, block.size()) << "the last item is not padded";
        return offsets;
    }

    FakeLayoutMetrics metrics;
    PromptBoxParams params;
    std::unique_ptr<CPromptDialog> dialog;
};

TEST_F(DialogTemplate, SingleOkBoxByteForByte)
{
    const std::vector<uint8_t> block = Write(MB_OK, "Hello", "Title");
    const uint8_t header[] = {0x80, 0x08, 0xC8, 0x90, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(std::begin(header), std::end(header), block.begin()));
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
