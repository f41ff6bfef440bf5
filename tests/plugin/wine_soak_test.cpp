// Soak: the real DLL polls every source of 16 GPUs for many rounds while the
// bus fails at random. Nothing crashes, every value the host receives is a
// fresh reading, the last good one, or the no-value marker, and reading never
// writes a VID register of any chip.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>

#include "plugin/source_descriptor.h"
#include "sim/host_exports.h"
#include "sim/vt1165_model.h"
#include "tests/wine/plugin_folder.h"

namespace {

typedef int32_t (*PFN_GetSourceDesc)(uint32_t, SourceDescriptor*);
typedef float (*PFN_GetSourceData)(uint32_t);

constexpr float kNoValue = 3.4028235e38f;
constexpr uint32_t kGpus = 16;
constexpr int kRounds = 3000;

// The value a reading must return when all of its bus accesses succeeded,
// computed from the chip model (VID mode 3, voltage from the VID register).
float FreshValue(const sim::Device& chip, uint32_t source)
{
    const uint8_t* r = chip.regs;
    switch (source) {
    case 0: return static_cast<float>(0.45 + 0.0125 * (r[0x15 + ((r[0x1C] >> 4) & 3)] & 0x7F));
    case 2: return static_cast<float>(50.0 * (r[0x1E] & 0x7F) / 124.0);
    case 9: return (r[0x0D] & 2) ? 1.0f : 0.0f;
    case 10: return (r[0x0D] & 1) ? 1.0f : 0.0f;
    default: return static_cast<float>(chip.phaseTemps[source - 3]);
    }
}

bool IsVidRegister(uint8_t reg)
{
    return reg >= 0x15 && reg <= 0x18;
}

// Counts the VID register writes in the trace, noting the first one.
void CountVidWrites(const sim::Vt1165Model& model, int& count, std::string& first)
{
    for (const sim::BusAccess& a : model.trace)
        if (a.write && IsVidRegister(a.reg) && count++ == 0) {
            std::ostringstream where;
            where << "GPU " << a.gpu << " bus " << int(a.bus) << " device 0x" << std::hex << int(a.dev)
                  << " register 0x" << int(a.reg) << " value 0x" << int(a.value);
            first = where.str();
        }
}

bool CarriesValue(uint32_t source, uint8_t reg)
{
    switch (source) {
    case 0: return IsVidRegister(reg);
    case 2: return reg == 0x1E;
    case 9:
    case 10: return reg == 0x0D;
    default: return reg == 0x0A;
    }
}

class WineSoak : public ::testing::TestWithParam<double> {};

TEST_P(WineSoak, EveryValueIsFreshLastGoodOrNoValue)
{
    sim::Vt1165Model model;
    for (uint32_t gpu = 0; gpu < kGpus; ++gpu) {
        model.AddGpu(1 + gpu % 3);
        sim::Device& chip = model.AddVt1165(gpu, static_cast<uint8_t>(gpu % 3));
        chip.regs[0x0E] = static_cast<uint8_t>(gpu % 7);  // 0 to 6 phases
    }
    sim::SetHostModel(&model);
    test::PluginFolder folder;
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
        auto getSourceDesc = plugin.Export<PFN_GetSourceDesc>("GetSourceDesc");
        auto getSourceData = plugin.Export<PFN_GetSourceData>("GetSourceData");

        // The host describes first, on a quiet bus, and keeps the sources offered.
        std::vector<uint32_t> offered;
        for (uint32_t gpu = 0; gpu < kGpus; ++gpu)
            for (uint32_t source = 0; source < 11; ++source) {
                SourceDescriptor desc = {};
                desc.dwDescVersion = 0x00010003;
                if (getSourceDesc(gpu << 16 | source, &desc))
                    offered.push_back(gpu << 16 | source);
            }
        ASSERT_EQ(offered.size(), kGpus * 4 + (0 + 1 + 2 + 3 + 4 + 5 + 6 + 0 + 1 + 2 + 3 + 4 + 5 + 6 + 0 + 1));
        int vidWrites = 0;
        std::string firstVidWrite;
        CountVidWrites(model, vidWrites, firstVidWrite);

        model.faults.failProbability = GetParam();
        model.Seed(2026);
        std::map<uint32_t, float> lastGood;
        std::map<uint32_t, float> lastStatus;
        int fresh = 0, kept = 0;
        for (int round = 0; round < kRounds; ++round) {
            model.Advance(97);
            if (round % 50 == 25)  // protection trips now and then
                for (uint32_t gpu = 0; gpu < kGpus; ++gpu)
                    model.Vt1165Of(gpu)->regs[0x0D] = static_cast<uint8_t>((round / 50 + gpu) % 4);
            for (uint32_t index : offered) {
                uint32_t source = index & 0xFFFF;
                const sim::Device& chip = *model.Vt1165Of(index >> 16);
                model.ClearTrace();
                float value = getSourceData(index);
                CountVidWrites(model, vidWrites, firstVidWrite);
                // Fresh when the register that carries the value was read;
                // a failed cache read before it may still let it through.
                bool allOk = false;
                for (const sim::BusAccess& access : model.trace)
                    allOk = allOk || (access.ok && !access.write && CarriesValue(source, access.reg));

                if (source >= 9) {
                    float expected = allOk ? FreshValue(chip, source) : lastStatus[index];
                    ASSERT_EQ(value, expected) << "status 0x" << std::hex << index;
                    lastStatus[index] = value;
                    continue;
                }
                if (allOk) {
                    ASSERT_NEAR(value, FreshValue(chip, source), 1e-5) << std::hex << index;
                    lastGood[index] = value;
                    ++fresh;
                } else {
                    auto found = lastGood.find(index);
                    ASSERT_EQ(value, found == lastGood.end() ? kNoValue : found->second) << std::hex << index;
                    ++kept;
                }
            }
        }
        EXPECT_EQ(vidWrites, 0) << "first: " << firstVidWrite;
        if (GetParam() == 0.0) {
            EXPECT_EQ(kept, 0);
        }
        if (GetParam() == 1.0) {
            EXPECT_EQ(fresh, 0);
        }
        if (GetParam() > 0.0 && GetParam() < 1.0) {
            EXPECT_GT(fresh, 0);
            EXPECT_GT(kept, 0);
        }
    }
    sim::SetHostModel(nullptr);
}

INSTANTIATE_TEST_SUITE_P(FailureRates, WineSoak, ::testing::Values(0.0, 0.1, 0.5, 1.0));

}  // namespace
