#include <gtest/gtest.h>

#include <string>

#include "msgbox/clipboard_text.h"

namespace {

const std::string kSep = "---------------------------\r\n";

TEST(ClipboardText, WholeBoxInOrder)
{
    ClipboardTextBuilder text;
    text.AddTitle("Voltage");
    text.AddMessage("Apply to both GPUs?");
    text.AddButton("OK");
    text.AddButton("Cancel");
    text.AddButton("Don't ask me again");
    const std::string copied = text.Finish();
    EXPECT_EQ(copied, kSep + "Voltage\r\n" + kSep + "Apply to both GPUs?\r\n" + kSep +
                          "OK   Cancel   Don't ask me again   \r\n" + kSep);
    EXPECT_EQ(text.Length(), copied.size());
}

TEST(ClipboardText, WithoutMessageControlAndWithAmpersands)
{
    ClipboardTextBuilder text;
    text.AddTitle("");
    text.AddButton("&Retry");
    text.AddButton("R&&D &");
    EXPECT_EQ(std::string(text.Finish()), kSep + "\r\n" + kSep + "Retry   RD    \r\n" + kSep);
}

TEST(ClipboardText, PiecesAreCutAndTheWholeStaysInItsBuffer)
{
    ClipboardTextBuilder cut;
    cut.AddTitle(std::string(1500, 't').c_str());
    cut.AddMessage(std::string(5000, 'm').c_str());
    cut.AddButton(std::string(300, 'b').c_str());
    EXPECT_EQ(std::string(cut.Finish()), kSep + std::string(999, 't') + "\r\n" + kSep + std::string(3999, 'm') +
                                             "\r\n" + kSep + std::string(198, 'b') + "   \r\n" + kSep);

    // More buttons than any box has: the text ends at the buffer's end.
    ClipboardTextBuilder many;
    many.AddTitle("t");
    for (int i = 0; i < 100; ++i) {
        many.AddButton(std::string(198, 'b').c_str());
    }
    EXPECT_EQ(std::string(many.Finish()).size(), PB_CLIPBOARD_TEXT_CHARS - 1);
}

} // namespace
