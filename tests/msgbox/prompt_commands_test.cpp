// What each command does to the box: results, check-box bits, the stored
// answer; and the countdown and help texts.
#include <gtest/gtest.h>

#include <string>

#include "msgbox/prompt_commands.h"
#include "msgbox/prompt_dialog.h"

namespace {

PbCommandOutcome Resolve(uint32_t command, uint32_t flags, bool ticked = false, const char* key = nullptr,
                         bool disabled = false)
{
    return ResolveCommand(command, PbCommandContext{flags, ticked, key, disabled});
}

TEST(PromptCommands, CancelEscapeAndClose)
{
    // With Cancel: 2, even with the check box ticked, and nothing stored.
    PbCommandOutcome cancel = Resolve(IDCANCEL, PB_FLAG_HAS_CANCEL | PB_FLAG_DONT_ASK, true, "question");
    EXPECT_TRUE(cancel.endsBox);
    EXPECT_EQ(cancel.result, IDCANCEL);
    EXPECT_FALSE(cancel.storesAnswer);
    EXPECT_FALSE(cancel.handled);

    // A lone OK: Escape and Close give OK.
    const PbCommandOutcome okOnly = Resolve(IDCANCEL, PB_FLAG_OK_ONLY);
    EXPECT_TRUE(okOnly.endsBox);
    EXPECT_EQ(okOnly.result, IDOK);

    // Neither: nothing happens.
    EXPECT_FALSE(Resolve(IDCANCEL, 0).endsBox);
    EXPECT_FALSE(Resolve(IDCANCEL, PB_FLAG_DONT_ASK, true, "question").endsBox);

    // Not while the disabled period keeps the buttons off.
    EXPECT_FALSE(Resolve(IDCANCEL, PB_FLAG_HAS_CANCEL, false, nullptr, true).endsBox);
    EXPECT_FALSE(Resolve(IDCANCEL, PB_FLAG_OK_ONLY, false, nullptr, true).endsBox);

    const PbCommandOutcome close = Resolve(IDCLOSE, PB_FLAG_HAS_CANCEL);
    EXPECT_EQ(close.kind, PbCommandKind::Close);
    EXPECT_FALSE(close.endsBox);
    EXPECT_TRUE(close.handled);
}

TEST(PromptCommands, HelpReportAndCheckBoxKeepTheBoxOpen)
{
    const struct {
        uint32_t command;
        PbCommandKind kind;
    } cases[] = {{PB_ID_HELP, PbCommandKind::Help},
                 {PB_ID_REPORT, PbCommandKind::Report},
                 {PB_ID_CHECKBOX, PbCommandKind::CheckBox}};
    for (const auto& c : cases) {
        const PbCommandOutcome outcome = Resolve(c.command, PB_FLAG_DONT_ASK, true, "question");
        EXPECT_EQ(outcome.kind, c.kind) << c.command;
        EXPECT_FALSE(outcome.endsBox) << c.command;
        EXPECT_FALSE(outcome.storesAnswer) << c.command;
    }
}

TEST(PromptCommands, ButtonsEndWithTheirIdAndTheCheckBoxBit)
{
    const PbCommandOutcome plain = Resolve(IDNO, PB_FLAG_DONT_ASK, false, "question");
    EXPECT_EQ(plain.kind, PbCommandKind::Button);
    EXPECT_TRUE(plain.endsBox);
    EXPECT_EQ(plain.result, IDNO);
    EXPECT_FALSE(plain.storesAnswer);

    const struct {
        uint32_t flags;
        int32_t result;
    } ticked[] = {{PB_FLAG_DONT_ASK, 0x01000007},
                  {PB_FLAG_DONT_TELL, 0x02000007},
                  {PB_FLAG_DONT_SHOW, 0x04000007},
                  {0, 7}};
    for (const auto& c : ticked) {
        const PbCommandOutcome outcome = Resolve(IDNO, c.flags, true, "question");
        EXPECT_EQ(outcome.result, c.result) << c.flags;
        EXPECT_TRUE(outcome.storesAnswer) << c.flags;
    }

    // Stored only with a key text.
    EXPECT_FALSE(Resolve(IDYES, PB_FLAG_DONT_ASK, true, nullptr).storesAnswer);
    EXPECT_FALSE(Resolve(IDYES, PB_FLAG_DONT_ASK, true, "").storesAnswer);
    // Custom buttons are plain ids; the disabled period does not hold back
    // the time-out.
    EXPECT_EQ(Resolve(PB_ID_CUSTOM1 + 1, 0).result, 24);
}

TEST(PromptCommands, TimeOutPressesTheDefaultButtonWhicheverItIs)
{
    const PbCommandOutcome ok = Resolve(IDOK | PB_TIMED_OUT, PB_FLAG_OK_ONLY, false, nullptr, true);
    EXPECT_TRUE(ok.endsBox);
    EXPECT_EQ(static_cast<uint32_t>(ok.result), 0x80000001u);

    const PbCommandOutcome cancel = Resolve(IDCANCEL | PB_TIMED_OUT, PB_FLAG_HAS_CANCEL | PB_FLAG_DONT_ASK, true, "q");
    EXPECT_EQ(static_cast<uint32_t>(cancel.result), 0x81000002u);
    EXPECT_TRUE(cancel.storesAnswer);

    EXPECT_EQ(static_cast<uint32_t>(Resolve(PB_ID_HELP | PB_TIMED_OUT, 0).result), 0x8000012Cu);
}

TEST(PromptCommands, CountdownTexts)
{
    char text[64];
    FormatTimeoutCaption("OK", 5, text, sizeof(text));
    EXPECT_STREQ(text, "OK = 5");
    FormatDisabledTitle("Voltage", 2, text, sizeof(text));
    EXPECT_STREQ(text, "Voltage 2");
    // Bounded by the output buffer.
    FormatTimeoutCaption(std::string(200, 'c').c_str(), 10, text, sizeof(text));
    EXPECT_EQ(std::string(text), std::string(63, 'c'));
}

TEST(PromptCommands, HelpFileBesideTheExecutable)
{
    char path[32];
    EXPECT_TRUE(MakeHelpFilePath("C:\\Orvane\\Orvane.exe", path, sizeof(path)));
    EXPECT_STREQ(path, "C:\\Orvane\\Orvane.hlp");
    EXPECT_TRUE(MakeHelpFilePath("C:\\a.b\\host.v2.exe", path, sizeof(path)));
    EXPECT_STREQ(path, "C:\\a.b\\host.v2.hlp");

    // No extension in the file name, an empty path, or no room: nothing.
    EXPECT_FALSE(MakeHelpFilePath("C:\\a.b\\host", path, sizeof(path)));
    EXPECT_STREQ(path, "");
    EXPECT_FALSE(MakeHelpFilePath("", path, sizeof(path)));
    EXPECT_FALSE(MakeHelpFilePath(nullptr, path, sizeof(path)));
    EXPECT_FALSE(MakeHelpFilePath("C:\\Orvane\\Orvane.", path, 20)); // needs 21 with ".hlp"
    EXPECT_TRUE(MakeHelpFilePath("C:\\Orvane\\Orvane.", path, 21));
}

} // namespace
