// What each command does to the box; the countdown and help texts.
#include <gtest/gtest.h>

#include <string>

#include "msgbox/prompt_commands.h"
#include "msgbox/prompt_dialog.h"

namespace {

TEST(PromptCommands, ResultsCheckBoxBitsAndStoredAnswers)
{
    constexpr uint32_t kAsk = PB_FLAG_DONT_ASK, kCancel = PB_FLAG_HAS_CANCEL, kOk = PB_FLAG_OK_ONLY;
    const struct {
        uint32_t command, flags;
        bool ticked, disabled, ends;
        uint32_t result;
        bool stores;
    } cases[] = {
        {IDCANCEL, kCancel | kAsk, true, false, true, 2, false},  // Cancel never carries the bit
        {IDCANCEL, kOk, false, false, true, 1, false},            // a lone OK
        {IDCANCEL, kAsk, true, false, false, 0, false},           // neither: nothing
        {IDCANCEL, kCancel, false, true, false, 0, false},        // not while buttons are disabled
        {IDCLOSE, kCancel, false, false, false, 0, false},
        {PB_ID_HELP, kAsk, true, false, false, 0, false},
        {PB_ID_REPORT, kAsk, true, false, false, 0, false},
        {PB_ID_CHECKBOX, kAsk, true, false, false, 0, false},
        {IDNO, kAsk, false, false, true, 7, false},
        {IDNO, kAsk, true, false, true, 0x01000007, true},
        {IDNO, PB_FLAG_DONT_TELL, true, false, true, 0x02000007, true},
        {IDNO, PB_FLAG_DONT_SHOW, true, false, true, 0x04000007, true},
        {24, 0, false, false, true, 24, false},
        {IDOK | PB_TIMED_OUT, kOk, false, true, true, 0x80000001, false},
        {IDCANCEL | PB_TIMED_OUT, kCancel | kAsk, true, false, true, 0x81000002, true},
    };
    for (const auto& c : cases) {
        const PbCommandOutcome outcome = ResolveCommand(c.command, {c.flags, c.ticked, "question", c.disabled});
        EXPECT_EQ(outcome.endsBox, c.ends) << std::hex << c.command << " " << c.flags;
        if (c.ends) {
            EXPECT_EQ(static_cast<uint32_t>(outcome.result), c.result) << std::hex << c.command << " " << c.flags;
        }
        EXPECT_EQ(outcome.storesAnswer, c.stores) << std::hex << c.command << " " << c.flags;
        EXPECT_EQ(outcome.handled, c.command == IDCLOSE);
    }
    EXPECT_EQ(ResolveCommand(PB_ID_HELP, {}).kind, PbCommandKind::Help);
    EXPECT_EQ(ResolveCommand(PB_ID_REPORT, {}).kind, PbCommandKind::Report);
    // Stored only under a key text.
    EXPECT_FALSE(ResolveCommand(IDYES, {kAsk, true, nullptr, false}).storesAnswer);
    EXPECT_FALSE(ResolveCommand(IDYES, {kAsk, true, "", false}).storesAnswer);
}

TEST(PromptCommands, CountdownAndHelpTexts)
{
    char text[64];
    FormatTimeoutCaption("OK", 5, text, sizeof(text));
    EXPECT_STREQ(text, "OK = 5");
    FormatDisabledTitle("Voltage", 2, text, sizeof(text));
    EXPECT_STREQ(text, "Voltage 2");
    FormatTimeoutCaption(std::string(200, 'c').c_str(), 10, text, sizeof(text));
    EXPECT_EQ(std::string(text), std::string(63, 'c'));

    char path[21];
    EXPECT_TRUE(MakeHelpFilePath("C:\\a.b\\host.v2.exe", path, sizeof(path)));
    EXPECT_STREQ(path, "C:\\a.b\\host.v2.hlp");
    EXPECT_FALSE(MakeHelpFilePath("C:\\a.b\\host", path, sizeof(path)));  // the dot is the folder's
    EXPECT_STREQ(path, "");
    EXPECT_FALSE(MakeHelpFilePath("", path, sizeof(path)));
    EXPECT_FALSE(MakeHelpFilePath(nullptr, path, sizeof(path)));
    EXPECT_TRUE(MakeHelpFilePath("C:\\Orvane\\Orvane.", path, 21));    // needs exactly 21
    EXPECT_FALSE(MakeHelpFilePath("C:\\Orvane\\Orvane1.", path, 21));  // one more does not fit
}

}  // namespace
