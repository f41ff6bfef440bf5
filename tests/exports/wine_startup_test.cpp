// The real DLL loaded and unloaded under Windows: the log's exact bytes, and
// the configuration file beside it read at load.
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>

#include "tests/wine/plugin_folder.h"

namespace {

const char* const kStamp = "\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} ";

std::string Line(const std::string& message)
{
    return std::string(kStamp) + message + "\\r";
}

std::string Attach(bool logging, bool debug)
{
    return Line("DllMain: DLL_PROCESS_ATTACH") + Line(logging ? "Logging is Enabled" : "Logging is Disabled") +
           Line(debug ? "EnableDebugLogging is Enabled" : "EnableDebugLogging is Disabled");
}

const std::string kDetach = std::string(kStamp) + "DllMain: DLL_PROCESS_DETACH\\r\\n\\r";

TEST(WineStartup, LoadAndUnloadWithoutConfiguration)
{
    test::PluginFolder folder;
    SYSTEMTIME before;
    GetLocalTime(&before);
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
    }
    std::string log = folder.ReadFile(folder.LogPath());
    EXPECT_TRUE(std::regex_match(log, std::regex(Attach(false, false) + kDetach))) << log;

    char today[16];
    snprintf(today, sizeof today, "%4u-%02u-%02u", before.wYear, before.wMonth, before.wDay);
    EXPECT_EQ(log.substr(0, 10), today);
}

// Every setting of the file, as a person writes it, and a second load that
// appends to the first one's log.
TEST(WineStartup, ConfigurationSwitchesAndAppendingAcrossLoads)
{
    test::PluginFolder folder;
    folder.WriteFile(folder.CfgPath(),
                     "[VT1165]\r\nLogging=TRUE\r\nVoltageLimit=1.3625\r\n[Trevask]\r\nDebug=TRUE\r\n");
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
    }
    std::string first = folder.ReadFile(folder.LogPath());
    EXPECT_TRUE(std::regex_match(
        first,
        std::regex(Attach(true, true) + Line("VoltageLimit is 1.3625 V: UP never sets a higher voltage") + kDetach)))
        << first;

    folder.WriteFile(folder.CfgPath(),
                     "[VT1165]\r\nLogging=True\r\nVoltageLimit=1,3625\r\n[Trevask]\r\nDebug=TRUE1\r\n");
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
    }
    std::string both = folder.ReadFile(folder.LogPath());
    ASSERT_EQ(both.compare(0, first.size(), first), 0) << "the first load's lines are kept";
    std::string second = both.substr(first.size());
    EXPECT_TRUE(std::regex_match(
        second, std::regex(Attach(false, false) +
                           Line("VoltageLimit=1,3625 is not a voltage such as 1.4500: no limit is set") + kDetach)))
        << second;
}

TEST(WineStartup, LogThatCannotBeCreatedFailsTheLoad)
{
    test::PluginFolder folder;
    ASSERT_TRUE(CreateDirectoryA(folder.LogPath().c_str(), nullptr));  // a folder where the log would go
    test::LoadedPlugin plugin(folder.DllPath());
    EXPECT_FALSE(plugin.Loaded());
}

}  // namespace
