// The simulator's chip model and scenario files: what the plug-in's tests and
// the demo rely on.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "sim/host_exports.h"
#include "sim/monitor_table.h"
#include "sim/options.h"
#include "sim/scenario.h"
#include "sim/vt1165_model.h"

namespace {

TEST(ScenarioTest, DefaultScenarioHasTwoGpusWithChipsOnA223Host)
{
    sim::Vt1165Model model;
    std::string error;
    ASSERT_TRUE(sim::LoadScenario(sim::kDefaultScenario, &model, &error)) << error;
    EXPECT_EQ(model.hostVersion, 0x02170000u);
    ASSERT_EQ(model.GpuCount(), 2u);
    ASSERT_NE(model.Vt1165Of(0), nullptr);
    EXPECT_EQ(model.Vt1165Of(0)->bus, 2);
    EXPECT_EQ(model.Vt1165Of(1)->regs[0x17], 0x3E);
}

TEST(ScenarioTest, RegistersFaultsAndVersionForms)
{
    const char* text = "; comment\n[host]\nversion = 0x02160000\n"
                       "[gpu0]\nbuses = 2\nchip_bus = none\n"
                       "[gpu1]\nbuses = 4 ; four buses\nchip_bus = 3\nreg.0x0E = 6\nphase_temps = 70, 71\n"
                       "fail_registers = 0x1E, 0x0D\nfail_buses = 1\n"
                       "[faults]\nfail_next = 2\nfail_probability = 0.5\nseed = 9\n";
    sim::Vt1165Model model;
    std::string error;
    ASSERT_TRUE(sim::LoadScenario(text, &model, &error)) << error;
    EXPECT_EQ(model.hostVersion, 0x02160000u);
    EXPECT_EQ(model.Vt1165Of(0), nullptr);
    EXPECT_EQ(model.Vt1165Of(1)->regs[0x0E], 6);
    EXPECT_EQ(model.Vt1165Of(1)->phaseTemps[1], 71);
    EXPECT_TRUE(model.faults.failingRegisters.count({1, 0x1E}));
    EXPECT_TRUE(model.faults.failingBuses.count({1, 1}));
    EXPECT_EQ(model.faults.failNext, 2u);
    EXPECT_EQ(model.faults.failProbability, 0.5);

    uint32_t version = 0;
    ASSERT_TRUE(sim::ParseHostVersion("2.5", &version));
    EXPECT_EQ(version, 0x02050000u);
}

TEST(ScenarioTest, MistakesAreReportedNotGuessed)
{
    for (const char* text : {"[gpu0]\nchip_bus = 1\n", "[gpu0]\nbuses = 1\nreg.0x0E = 4\n",
                             "[gpu0]\nbuses = 1\nchip_bus = 0\nreg.0x100 = 1\n", "[gpu0\nbuses = 1\n", "buses = 1\n",
                             "[gpu0]\nbuses = 1\ncolour = blue\n", "[faults]\nfail_probability = 2\n",
                             // Two devices at one address: the chip on the other device's bus.
                             "[gpu0]\nbuses = 2\nother_bus = 1\nchip_bus = 1\n"}) {
        sim::Vt1165Model model;
        std::string error;
        EXPECT_FALSE(sim::LoadScenario(text, &model, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(ModelTest, PhaseTemperatureNeedsTheWholeHandshakeInOrder)
{
    sim::Vt1165Model model;
    model.AddGpu(1);
    sim::Device& chip = model.AddVt1165(0, 0);
    chip.phaseTemps[2] = 77;
    chip.regs[0x0A] = 0x11;
    auto write = [&](uint8_t reg, uint8_t value) { return model.Write(0, 0, 0x70, reg, &value); };
    uint8_t value = 0;

    write(0x07, 0xA7);  // key before the first select: ignored
    write(0x08, 0x83);
    ASSERT_TRUE(model.Read(0, 0, 0x70, 0x0A, &value));
    EXPECT_EQ(value, 0x11);

    write(0x08, 0x00);
    write(0x07, 0xA7);
    write(0x08, 0x83);
    ASSERT_TRUE(model.Read(0, 0, 0x70, 0x0A, &value));
    EXPECT_EQ(value, 77);
}

TEST(ModelTest, FaultsAndTrace)
{
    sim::Vt1165Model model;
    model.AddGpu(2);
    model.AddVt1165(0, 1);
    uint8_t value = 0;
    EXPECT_FALSE(model.Read(0, 0, 0x70, 0x1A, &value));  // nothing on bus 0
    EXPECT_FALSE(model.Read(0, 2, 0x70, 0x1A, &value));  // no bus 2
    model.faults.failNext = 1;
    EXPECT_FALSE(model.Read(0, 1, 0x70, 0x1A, &value));
    EXPECT_TRUE(model.Read(0, 1, 0x70, 0x1A, &value));
    EXPECT_EQ(value, 0x0A);
    model.faults.failingRegisters.insert({0, 0x1E});
    EXPECT_FALSE(model.Read(0, 1, 0x70, 0x1E, &value));
    ASSERT_EQ(model.trace.size(), 5u);
    EXPECT_TRUE(model.trace[3].ok);
    EXPECT_EQ(model.trace[3].value, 0x0A);
    EXPECT_FALSE(model.trace[4].ok);

    model.faults = sim::Faults();
    model.faults.failProbability = 1.0;
    EXPECT_FALSE(model.Read(0, 1, 0x70, 0x1A, &value));
}

// No bus holds two devices at one address: a topology that did would send
// every access to one device while a checker looked at the other.
TEST(ModelTest, OneDevicePerAddressAndEveryAccessReachesIt)
{
    sim::Vt1165Model model;
    model.AddGpu(2);
    model.AddGpu(2);
    sim::Device& other = model.AddOtherDevice(0, 0, 0x70, 0x0B);
    sim::Device& chip = model.AddVt1165(0, 1);
    EXPECT_THROW(model.AddVt1165(0, 0), std::logic_error);
    EXPECT_THROW(model.AddOtherDevice(0, 1, 0x70, 0x0C), std::logic_error);
    model.AddOtherDevice(0, 7, 0x70, 0x0B);  // beyond the GPU's two buses: unreachable, but taken
    EXPECT_THROW(model.AddVt1165(0, 7), std::logic_error);
    EXPECT_EQ(model.GpuAt(0)->devices.size(), 3u);
    // The same places on another GPU, and another address on the same bus, are free.
    EXPECT_NO_THROW(model.AddVt1165(1, 0));
    EXPECT_NO_THROW(model.AddOtherDevice(0, 1, 0x50, 0x0C));

    EXPECT_EQ(model.DeviceAt(0, 0, 0x70), &other);
    EXPECT_EQ(model.DeviceAt(0, 1, 0x70), &chip);
    EXPECT_EQ(model.DeviceAt(0, 7, 0x70), nullptr);  // bus 7 is beyond the GPU's two
    EXPECT_EQ(model.DeviceAt(0, 0, 0x50), nullptr);
    EXPECT_EQ(model.DeviceAt(5, 0, 0x70), nullptr);

    uint8_t value = 0x42;
    ASSERT_TRUE(model.Write(0, 1, 0x70, 0x17, &value));
    EXPECT_EQ(chip.regs[0x17], 0x42);
    ASSERT_TRUE(model.Read(0, 0, 0x70, 0x1A, &value));
    EXPECT_EQ(value, 0x0B);
    ASSERT_EQ(model.trace.size(), 2u);
    EXPECT_TRUE(model.trace[0].vt1165);
    EXPECT_EQ(model.trace[0].before, 0x3C);
    EXPECT_TRUE(model.trace[1].device);
    EXPECT_FALSE(model.trace[1].vt1165);
}

TEST(ModelTest, WritingTheVidRegisterInUseMovesTheReportedVoltage)
{
    sim::Vt1165Model model;
    model.AddGpu(1);
    sim::Device& chip = model.AddVt1165(0, 0);
    EXPECT_NEAR(sim::Vt1165Model::ReportedVoltage(chip), 1.2, 1e-9);
    uint8_t code = 0x48;
    model.Write(0, 0, 0x70, 0x17, &code);  // 0x1C = 0x20 selects 0x17
    EXPECT_NEAR(sim::Vt1165Model::ReportedVoltage(chip), 1.35, 1e-9);
}

TEST(HostExportsTest, ForwardToTheModelAndFailWithoutOne)
{
    sim::Vt1165Model model;
    model.hostVersion = 0x02160000u;
    model.AddGpu(3);
    sim::SetHostModel(&model);
    EXPECT_EQ(GetHostAppVersion(), 0x02160000u);
    EXPECT_EQ(GetI2CBusNumEx(0), 3u);
    EXPECT_EQ(GetI2CBusNumEx(5), 0u);
    EXPECT_NE(sim::FindHostFunction("ReadI2CEx"), nullptr);
    EXPECT_EQ(sim::FindHostFunction("GetSourceDesc"), nullptr);
    sim::SetHostModel(nullptr);
    uint8_t value;
    EXPECT_EQ(ReadI2CEx(0, 0, 0x70, 0x1A, &value), 0);
}

TEST(SimOptionsTest, ParsesTheHostsOptionsAndRefusesMistakes)
{
    const char* argv[] = {"orvane-sim", "--polls", "7",       "--interval", "250",
                          "--setup",    "1",       "--plain", "--scenario", "x.ini"};
    sim::Options options;
    std::string error;
    ASSERT_TRUE(sim::ParseOptions(10, argv, &options, &error)) << error;
    EXPECT_EQ(options.polls, 7u);
    EXPECT_EQ(options.intervalMs, 250u);
    EXPECT_EQ(options.setupGpu, 1);
    EXPECT_TRUE(options.plain);
    EXPECT_EQ(options.scenarioPath, "x.ini");

    const char* bad[][2] = {{"orvane-sim", "--polls"}, {"orvane-sim", "--what"}};
    for (auto& args : bad)
        EXPECT_FALSE(sim::ParseOptions(2, args, &options, &error)) << args[1];
    const char* gpu16[] = {"orvane-sim", "--setup", "16"};
    EXPECT_FALSE(sim::ParseOptions(3, gpu16, &options, &error));
}

TEST(MonitorTableTest, ValuesUseTheSourcesFormatButOnlyATrustworthyOne)
{
    EXPECT_EQ(sim::FormatReading("%6.4f", 1.2f), "1.2000");
    EXPECT_EQ(sim::FormatReading("%6.0f", 61.0f), "    61");
    EXPECT_EQ(sim::FormatReading("%6.2f", 3.4028235e38f), "no value");
    EXPECT_EQ(sim::FormatReading("%s%s%n", 1.5f), "1.5");
    char unterminated[16];
    std::memset(unterminated, 'f', sizeof unterminated);
    EXPECT_EQ(sim::FormatReading(unterminated, 2.0f), "2");
}

TEST(ScenarioFilesTest, EveryShippedScenarioLoads)
{
    for (const char* name : {"old-host.ini", "no-chip.ini", "failing-bus.ini", "modes.ini"}) {
        std::ifstream in(std::string(VT_SCENARIO_DIR) + "/" + name);
        ASSERT_TRUE(in) << name;
        std::stringstream text;
        text << in.rdbuf();
        sim::Vt1165Model model;
        std::string error;
        EXPECT_TRUE(sim::LoadScenario(text.str(), &model, &error)) << name << ": " << error;
        EXPECT_GE(model.GpuCount(), 1u) << name;
    }
}

}  // namespace
