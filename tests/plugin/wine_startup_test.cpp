// The real DLL loaded and unloaded under Windows: the log's exact bytes, the
// configuration file beside it, and binding the host's functions by name from
// this executable, which exports them like the host does.
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>

#include "plugin/source_descriptor.h"
#include "sim/host_exports.h"
#include "sim/vt1165_model.h"
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

TEST(WineStartup, ConfigurationSwitchesAndAppendingAcrossLoads)
{
    test::PluginFolder folder;
    folder.WriteFile(folder.CfgPath(), "[VT1165]\r\nLogging=TRUE\r\n[Trevask]\r\nDebug=TRUE\r\n");
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
    }
    std::string first = folder.ReadFile(folder.LogPath());
    EXPECT_TRUE(std::regex_match(first, std::regex(Attach(true, true) + kDetach))) << first;

    folder.WriteFile(folder.CfgPath(), "[VT1165]\r\nLogging=True\r\n[Trevask]\r\nDebug=TRUE1\r\n");
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
    }
    std::string both = folder.ReadFile(folder.LogPath());
    ASSERT_EQ(both.compare(0, first.size(), first), 0) << "the first load's lines are kept";
    std::string second = both.substr(first.size());
    EXPECT_TRUE(std::regex_match(second, std::regex(Attach(false, false) + kDetach))) << second;
}

TEST(WineStartup, LogThatCannotBeCreatedFailsTheLoad)
{
    test::PluginFolder folder;
    ASSERT_TRUE(CreateDirectoryA(folder.LogPath().c_str(), nullptr));  // a folder where the log would go
    test::LoadedPlugin plugin(folder.DllPath());
    EXPECT_FALSE(plugin.Loaded());
}

TEST(WineStartup, BindsTheHostFunctionsOfTheMainExecutableAndDetects)
{
    sim::Vt1165Model model;
    model.AddGpu(3);
    model.AddOtherDevice(0, 0, 0x70, 0x0B);
    model.AddVt1165(0, 2);
    sim::SetHostModel(&model);

    test::PluginFolder folder;
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
        auto getSourceDesc = plugin.Export<int32_t (*)(uint32_t, SourceDescriptor*)>("GetSourceDesc");
        ASSERT_NE(getSourceDesc, nullptr);
        SourceDescriptor desc = {};
        EXPECT_EQ(getSourceDesc(0x00000001u, &desc), 0);  // source 1 never exists
    }
    sim::SetHostModel(nullptr);

    std::string log = folder.ReadFile(folder.LogPath());
    std::string expected =
        Attach(false, false) + Line("GetSourceDesc: dwIndex=0x00000001 dwGpu=0 dwSource=1") +
        Line("InitContext: dwGpu=0") +
        Line("GetSourceDesc: GPU 0: found I2C device on Bus: 2 DevAddr: 0x70 Reg: 0x1A DevID: 0x0A") + kDetach;
    EXPECT_TRUE(std::regex_match(log, std::regex(expected))) << log;
}

}  // namespace
