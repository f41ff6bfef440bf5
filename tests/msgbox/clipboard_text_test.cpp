#include <gtest/gtest.h>

#include <string>

#include "msgbox/clipboard_text.h"

namespace {

const std::string kSep = "---------------------------\r\n";

TEST(ClipboardText, PiecesInOrderWithoutAmpersands)
{
    ClipboardTextBuilder text;
    text.AddTitle("Voltage");
    text.AddMessage("Apply?");
    text.AddButton("&Retry");
    text.AddButton("Don't ask me again");
    EXPECT_EQ(std::string(text.Finish()),
              kSep + "Voltage\r\n" + kSep + "Apply?\r\n" + kSep + "Retry   Don't ask me again   \r\n" + kSep);

    ClipboardTextBuilder noMessage;
    noMessage.AddTitle("");
    EXPECT_EQ(std::string(noMessage.Finish()), kSep + "\r\n" + kSep + "\r\n" + kSep);
}

TEST(ClipboardText, PiecesAreCutAndTheWholeStaysInItsBuffer)
{
    ClipboardTextBuilder cut;
    cut.AddTitle(std::string(1500, 't').c_str());
    cut.AddMessage(std::string(5000, 'm').c_str());
    cut.AddButton(std::string(300, 'b').c_str());
    EXPECT_EQ(std::string(cut.Finish()), kSep + std::string(999, 't') + "\r\n" + kSep + std::string(3999, 'm') +
                                             "\r\n" + kSep + std::string(198, 'b') + "   \r\n" + kSep);
    ClipboardTextBuilder many;
    for (int i = 0; i < 100; ++i)
        many.AddButton(std::string(198, 'b').c_str());
    EXPECT_EQ(std::string(many.Finish()).size(), PB_CLIPBOARD_TEXT_CHARS - 1);
}

}  // namespace
