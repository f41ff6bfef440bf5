// Start-up, configuration switches and the log's line format.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

TEST(LogLineTest, StampMessageAndLoneCarriageReturnEvenWhenCut)
{
    char line[kLogLineCapacity];
    std::size_t n = FormatLogLine(line, LocalTime{2009, 3, 5, 7, 4, 9}, "GetSourcesNum: Number of Data Sources: 11");
    EXPECT_EQ(std::string(line, n), "2009-03-05 07:04:09 GetSourcesNum: Number of Data Sources: 11\r");

    // An overlong message is cut and still ends the line.
    std::string message(1000, 'x');
    n = FormatLogLine(line, LocalTime{2026, 12, 7, 23, 59, 1}, message.c_str());
    EXPECT_EQ(n, kLogLineCapacity - 1);
    EXPECT_EQ(std::string(line + 20, n - 21), std::string(kLogMessageMax, 'x'));
    EXPECT_EQ(line[n - 1], '\r');
    EXPECT_EQ(line[n], '\0');

    // A message of exactly the room left is kept whole.
    message.assign(kLogMessageMax, 'y');
    n = FormatLogLine(line, LocalTime{2026, 1, 1, 0, 0, 0}, message.c_str());
    EXPECT_EQ(std::string(line + 20, kLogMessageMax), message);
}

// What each setting of the configuration file switches, and what the log
// says of it: only the exact value TRUE counts; a VoltageLimit is a plain
// decimal voltage; a comment after a value is part of the value to the
// profile reader, so the setting is refused or stays off, and the log names
// the comment as the likely cause, once per setting.
TEST(StartupConfigurationTest, TheSettingsAndTheirLogLines)
{
    const char* kHint = ": the value holds a ';', likely a comment after it, which is read as part of the value; "
                        "put comments on lines of their own";
    const std::string kOff = "Logging is Disabled", kDebugOff = "EnableDebugLogging is Disabled";
    const std::string kLimitSet = "VoltageLimit is 1.4500 V: UP never sets a higher voltage";
    auto notAVoltage = [](const std::string& value) {
        return "VoltageLimit=" + value + " is not a voltage such as 1.4500: no limit is set";
    };
    struct Case {
        const char *logging, *debug, *limit;  // null: no such line
        uint8_t logged, debugged, limited;
        Messages log;  // after "DllMain: DLL_PROCESS_ATTACH"
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, 0, 0, 0, {kOff, kDebugOff}},
        {"TRUE", "TRUE", nullptr, 1, 1, 0, {"Logging is Enabled", "EnableDebugLogging is Enabled"}},
        {"true", nullptr, nullptr, 0, 0, 0, {kOff, kDebugOff}},
        {"True", nullptr, nullptr, 0, 0, 0, {kOff, kDebugOff}},
        {"1", nullptr, nullptr, 0, 0, 0, {kOff, kDebugOff}},
        {"TRUE1", nullptr, nullptr, 0, 0, 0, {kOff, kDebugOff}},
        {"TRUE ", nullptr, nullptr, 0, 0, 0, {kOff, kDebugOff}},
        {"", nullptr, nullptr, 0, 0, 0, {kOff, kDebugOff}},
        {"TRUE          ; adds a log line for every reading",
         "TRUE",
         "1.4500   ; in volts",
         0,
         1,
         0,
         {std::string("Logging") + kHint, kOff, "EnableDebugLogging is Enabled", notAVoltage("1.4500   ; in volts"),
          std::string("VoltageLimit") + kHint}},
        {nullptr, nullptr, "1.4500", 0, 0, 1, {kOff, kDebugOff, kLimitSet}},
        {nullptr, nullptr, "1,45", 0, 0, 0, {kOff, kDebugOff, notAVoltage("1,45")}},
        // An empty value is a mistake to report too, not an absent setting.
        {nullptr, nullptr, "", 0, 0, 0, {kOff, kDebugOff, notAVoltage("")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.logging ? c.logging : "-") + " / " + (c.limit ? c.limit : "-"));
        test::PluginHarness h;
        h.logBytes.clear();
        g_state.g_logFile = kLogClosed;
        if (c.logging)
            h.config["VT1165/Logging"] = c.logging;
        if (c.debug)
            h.config["Trevask/Debug"] = c.debug;
        if (c.limit)
            h.config["VT1165/VoltageLimit"] = c.limit;
        ASSERT_TRUE(PluginAttach("C:\\Orvane\\Plugins\\VT1165.dll"));
        EXPECT_STREQ(g_state.g_logPath, "C:\\Orvane\\Plugins\\VT1165.log");
        EXPECT_STREQ(g_state.g_cfgPath, "C:\\Orvane\\Plugins\\VT1165.cfg");
        Messages log = {"DllMain: DLL_PROCESS_ATTACH"};
        log.insert(log.end(), c.log.begin(), c.log.end());
        EXPECT_EQ(h.LogMessages(), log);
        EXPECT_EQ(g_state.g_bLogging, c.logged);
        EXPECT_EQ(g_state.g_bDebug, c.debugged);
        EXPECT_EQ(g_state.g_bVoltageLimit, c.limited);
        EXPECT_FLOAT_EQ(g_state.g_voltageLimit, c.limited ? 1.45f : 0.0f);
    }
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
    uint32_t capability = 0;
    EXPECT_EQ(GetSourcesNum(), 11u);
    EXPECT_EQ(test::Describe(0), 0);
    EXPECT_EQ(GetSourceCaps(0, 0, &capability), 0);
    EXPECT_EQ(GetSourceData(0), kNoValue);
    EXPECT_EQ(SetupSource(0, test::kHostWindow), 0);
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
    // Every code's exact voltage, as a person writes it, is the float nearest
    // to it (which code it allows: tests/chip/vid_codes_test.cpp).
    for (int code = 0; code <= 0x7F; ++code) {
        char text[16];
        std::snprintf(text, sizeof text, "%.4f", 0.45 + 0.0125 * code);
        ASSERT_TRUE(ParseVoltageLimit(text, &volts)) << text;
        EXPECT_EQ(volts, std::strtof(text, nullptr)) << text;
    }
}

}  // namespace
