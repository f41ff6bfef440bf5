// Start-up, configuration switches and the log's line format.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "chip/vid_codes.h"
#include "exports/exports.h"
#include "plugin/configuration.h"
#include "plugin/log.h"
#include "plugin/plugin_state.h"
#include "plugin/startup.h"
#include "tests/support/plugin_harness.h"

namespace {

using Messages = std::vector<std::string>;

class StartupTest : public ::testing::Test {
protected:
    StartupTest() { h.logBytes.clear(), g_state.g_logFile = kLogClosed; }
    test::PluginHarness h;
};

TEST(LogLineTest, StampMessageAndLoneCarriageReturn)
{
    char line[kLogLineCapacity];
    std::size_t n = FormatLogLine(line, LocalTime{2009, 3, 5, 7, 4, 9}, "GetSourcesNum: Number of Data Sources: 11");
    EXPECT_EQ(std::string(line, n), "2009-03-05 07:04:09 GetSourcesNum: Number of Data Sources: 11\r");
}

TEST(LogLineTest, OverlongMessageIsCutAndStillEndsTheLine)
{
    char line[kLogLineCapacity];
    std::string message(1000, 'x');
    std::size_t n = FormatLogLine(line, LocalTime{2026, 12, 7, 23, 59, 1}, message.c_str());
    EXPECT_EQ(n, kLogLineCapacity - 1);
    EXPECT_EQ(std::string(line + 20, n - 21), std::string(kLogMessageMax, 'x'));
    EXPECT_EQ(line[n - 1], '\r');
    EXPECT_EQ(line[n], '\0');

    // A message of exactly the room left is kept whole.
    message.assign(kLogMessageMax, 'y');
    n = FormatLogLine(line, LocalTime{2026, 1, 1, 0, 0, 0}, message.c_str());
    EXPECT_EQ(std::string(line + 20, kLogMessageMax), message);
}

TEST_F(StartupTest, WithoutConfigurationBothSwitchesAreOff)
{
    ASSERT_TRUE(PluginAttach("C:\\Orvane\\Plugins\\VT1165.dll"));
    EXPECT_STREQ(g_state.g_logPath, "C:\\Orvane\\Plugins\\VT1165.log");
    EXPECT_STREQ(g_state.g_cfgPath, "C:\\Orvane\\Plugins\\VT1165.cfg");
    EXPECT_EQ(h.LogMessages(),
              (Messages{"DllMain: DLL_PROCESS_ATTACH", "Logging is Disabled", "EnableDebugLogging is Disabled"}));
    EXPECT_EQ(g_state.g_bLogging, 0);
    EXPECT_EQ(g_state.g_bDebug, 0);
}

TEST_F(StartupTest, ExactTrueSwitchesBothOn)
{
    h.config["VT1165/Logging"] = "TRUE";
    h.config["Trevask/Debug"] = "TRUE";
    ASSERT_TRUE(PluginAttach("C:\\p\\VT1165.dll"));
    EXPECT_EQ(h.LogMessages(),
              (Messages{"DllMain: DLL_PROCESS_ATTACH", "Logging is Enabled", "EnableDebugLogging is Enabled"}));
    EXPECT_EQ(g_state.g_bLogging, 1);
    EXPECT_EQ(g_state.g_bDebug, 1);
}

TEST_F(StartupTest, OnlyTheExactValueCounts)
{
    for (const char* value : {"true", "True", "1", "TRUE1", "TRUE ", ""}) {
        test::PluginHarness fresh;
        g_state.g_logFile = kLogClosed;
        fresh.config["VT1165/Logging"] = value;
        ASSERT_TRUE(PluginAttach("C:\\p\\VT1165.dll"));
        EXPECT_EQ(g_state.g_bLogging, 0) << "value '" << value << "'";
    }
}

// A comment after a value is part of the value to the profile reader: the
// setting is refused or stays off, and the log names the comment as the
// likely cause, once per setting.
TEST_F(StartupTest, ATrailingCommentIsNamedAsTheLikelyCause)
{
    h.config["VT1165/Logging"] = "TRUE          ; adds a log line for every reading";
    h.config["VT1165/VoltageLimit"] = "1.4500   ; in volts";
    h.config["Trevask/Debug"] = "TRUE";
    ASSERT_TRUE(PluginAttach("C:\\p\\VT1165.dll"));
    EXPECT_EQ(g_state.g_bLogging, 0);
    EXPECT_EQ(g_state.g_bDebug, 1);
    EXPECT_EQ(g_state.g_bVoltageLimit, 0);
    const char* kHint = ": the value holds a ';', likely a comment after it, which is read as part of the value; "
                        "put comments on lines of their own";
    EXPECT_EQ(h.LogMessages(),
              (Messages{"DllMain: DLL_PROCESS_ATTACH", std::string("Logging") + kHint, "Logging is Disabled",
                        "EnableDebugLogging is Enabled",
                        "VoltageLimit=1.4500   ; in volts is not a voltage such as 1.4500: no limit is set",
                        std::string("VoltageLimit") + kHint}));
}

TEST_F(StartupTest, UnopenableLogFailsTheLoadBeforeReadingConfiguration)
{
    h.logOpenFails = true;
    h.config["VT1165/Logging"] = "TRUE";
    EXPECT_FALSE(PluginAttach("C:\\p\\VT1165.dll"));
    EXPECT_TRUE(h.logBytes.empty());
    EXPECT_EQ(g_state.g_bLogging, 0);
    EXPECT_EQ(g_state.g_cfgPath[0], '\0');
}

// Whether the log was still marked open when it was closed: another thread
// could then still write to the closed (or reused) descriptor.
bool g_closedWhileMarkedOpen = false;
void CloseAndCheckMark(int)
{
    g_closedWhileMarkedOpen = g_state.g_logFile != kLogClosed;
}

TEST_F(StartupTest, DetachWritesItsLineClosesTheLogAndEndsEveryExport)
{
    h.AddGpuWithChip();
    ASSERT_TRUE(PluginAttach("C:\\p\\VT1165.dll"));
    g_platform.closeLog = &CloseAndCheckMark;
    h.logBytes.clear();
    PluginDetach();
    EXPECT_EQ(h.logBytes, "2009-03-05 07:04:09 DllMain: DLL_PROCESS_DETACH\n\r");
    EXPECT_EQ(g_state.g_logFile, kLogClosed);
    EXPECT_FALSE(g_closedWhileMarkedOpen);

    // Calls that still arrive (another of the host's threads) do nothing.
    h.logBytes.clear();
    SourceDescriptor desc = {};
    uint32_t capability = 0;
    EXPECT_EQ(GetSourcesNum(), 11u);
    EXPECT_EQ(GetSourceDesc(0, &desc), 0);
    EXPECT_EQ(GetSourceCaps(0, 0, &capability), 0);
    EXPECT_EQ(GetSourceData(0), kNoValue);
    EXPECT_EQ(SetupSource(0, reinterpret_cast<void*>(0x1234)), 0);
    EXPECT_TRUE(h.prompts.empty());
    EXPECT_TRUE(h.model.trace.empty());
    PluginDetach();  // a second detach finds the log closed
    EXPECT_TRUE(h.logBytes.empty());
}

TEST(SiblingPathTest, CutsFourCharactersWhateverTheyAre)
{
    char out[kPathCapacity];
    ASSERT_TRUE(DeriveSiblingPath(out, "D:\\x\\plugin.dll", ".log"));
    EXPECT_STREQ(out, "D:\\x\\plugin.log");
    ASSERT_TRUE(DeriveSiblingPath(out, "D:\\x\\VT1165", ".cfg"));
    EXPECT_STREQ(out, "D:\\x\\VT.cfg");
    EXPECT_FALSE(DeriveSiblingPath(out, "abc", ".log"));
    EXPECT_STREQ(out, "");
}

TEST(SiblingPathTest, PathsAtAndBeyondTheLimitAreRefusedNotOverrun)
{
    char out[kPathCapacity];
    std::string longest(kPathCapacity - 1, 'a');  // 259 characters: fits
    ASSERT_TRUE(DeriveSiblingPath(out, longest.c_str(), ".log"));
    EXPECT_EQ(std::string(out).size(), kPathCapacity - 1);

    std::string tooLong(kPathCapacity + 40, 'a');
    EXPECT_FALSE(DeriveSiblingPath(out, tooLong.c_str(), ".log"));
    EXPECT_FALSE(DeriveSiblingPath(out, longest.c_str(), ".longer"));
}

TEST_F(StartupTest, OverlongModulePathRefusesTheLoad)
{
    std::string path = "C:\\" + std::string(300, 'd') + "\\VT1165.dll";
    EXPECT_FALSE(PluginAttach(path.c_str()));
    EXPECT_TRUE(h.logBytes.empty());
}

TEST(VoltageLimitTest, OnlyPlainDecimalVoltsAreAccepted)
{
    float volts = 0.0f;
    ASSERT_TRUE(ParseVoltageLimit("1.4500", &volts));
    EXPECT_FLOAT_EQ(volts, 1.45f);
    ASSERT_TRUE(ParseVoltageLimit("2", &volts));
    EXPECT_FLOAT_EQ(volts, 2.0f);
    ASSERT_TRUE(ParseVoltageLimit(".9", &volts));
    EXPECT_FLOAT_EQ(volts, 0.9f);
    // A comma (another locale's decimal point), units, signs, spaces,
    // exponents, too many digits and nothing at all are refused, not guessed.
    for (const char* bad :
         {"", ".", "1,45", "1.45V", "-1.2", "+1.2", " 1.2", "1e0", "1.2.3", "1.23456", "12.5", "0", "0.0000", "abc"})
        EXPECT_FALSE(ParseVoltageLimit(bad, &volts)) << '"' << bad << '"';
    EXPECT_FALSE(ParseVoltageLimit(nullptr, &volts));
}

TEST(VoltageLimitTest, HighestCodeWithinTheLimit)
{
    EXPECT_EQ(HighestCodeWithin(1.45f), 0x50);  // exactly code 0x50's voltage
    EXPECT_EQ(HighestCodeWithin(1.4499f), 0x4F);
    EXPECT_EQ(HighestCodeWithin(0.45f), 0);
    EXPECT_EQ(HighestCodeWithin(0.44f), -1);  // no code at all
    EXPECT_EQ(HighestCodeWithin(9.0f), 0x7F);
    // Every code's exact voltage, written as a person would, allows that
    // code and no more (the float of 1.3625 lies just below the decimal).
    for (int code = 0; code <= 0x7F; ++code) {
        char text[16];
        std::snprintf(text, sizeof text, "%.4f", 0.45 + 0.0125 * code);
        float volts = 0.0f;
        ASSERT_TRUE(ParseVoltageLimit(text, &volts)) << text;
        EXPECT_EQ(HighestCodeWithin(volts), code) << text;
    }
}

TEST(VoltageLimitStartupTest, TheSettingIsLoggedOrRefused)
{
    struct Case {
        const char* value;  // null: no such line
        uint8_t limited;
        const char* lastLine;
    };
    const Case cases[] = {
        {"1.4500", 1, "VoltageLimit is 1.4500 V: UP never sets a higher voltage"},
        {"1,45", 0, "VoltageLimit=1,45 is not a voltage such as 1.4500: no limit is set"},
        // An empty value is a mistake to report too, not an absent setting.
        {"", 0, "VoltageLimit= is not a voltage such as 1.4500: no limit is set"},
        {nullptr, 0, "EnableDebugLogging is Disabled"},
    };
    for (const Case& c : cases) {
        test::PluginHarness h;
        h.logBytes.clear();
        g_state.g_logFile = kLogClosed;
        if (c.value)
            h.config["VT1165/VoltageLimit"] = c.value;
        ASSERT_TRUE(PluginAttach("C:\\p\\VT1165.dll"));
        EXPECT_EQ(g_state.g_bVoltageLimit, c.limited) << (c.value ? c.value : "absent");
        EXPECT_EQ(h.LogMessages().back(), c.lastLine);
        if (c.limited) {
            EXPECT_FLOAT_EQ(g_state.g_voltageLimit, 1.45f);
        }
    }
}

}  // namespace
