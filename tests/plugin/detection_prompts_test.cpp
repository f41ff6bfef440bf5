// The multi-GPU prompt and the detection-failure warning: when they appear,
// what they say, and what their answers change.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exports/exports.h"
#include "msgbox/prompt_box_params.h"
#include "plugin/plugin_state.h"
#include "tests/support/plugin_harness.h"

namespace {

using test::kBothGpus;
using test::kFirstGpuOnly;

class PromptsTest : public ::testing::Test {
protected:
    int32_t Describe(uint32_t gpu, uint32_t source = 0) { return test::Describe(test::Index(gpu, source)); }
    test::PluginHarness h;
};

TEST_F(PromptsTest, DetectionFailureIsShownOnceForTheFirstGpuAskedAbout)
{
    h.model.AddGpu(2);
    h.model.AddGpu(1);
    h.onPrompt = [](const test::PromptCall& call) {
        EXPECT_EQ(call.params->backgroundColor, 0x0000C8u);
        EXPECT_EQ(call.params->textColor, 0xFFFFFFFFu);
        EXPECT_EQ(call.params->buttonsText[0], '\0');
        return 1;
    };
    EXPECT_EQ(Describe(1), 0);
    EXPECT_EQ(Describe(0), 0);
    EXPECT_EQ(Describe(1, 2), 0);

    ASSERT_EQ(h.prompts.size(), 1u);
    const test::PromptCall& box = h.prompts[0];
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.caption, "VT1165 Detection Failed");
    EXPECT_EQ(
        box.text,
        "Unable to detect a VT1165 Voltage Regulator on GPU 1!\n\nGPU 1 does not support the usage of this plugin!");
    EXPECT_EQ(box.type, 0x10u);
    EXPECT_TRUE(g_state.g_bDetectFailShown.IsSet());
    EXPECT_EQ(h.Logged("No VT1165 Voltage Regulator detected!"), 1);
    EXPECT_EQ(h.Logged("GetSourceDesc: GPU 1: No VT1165 Voltage Regulator detected!"), 1);
}

TEST_F(PromptsTest, NewHostNeverShowsTheMultiGpuPrompt)
{
    h.AddGpuWithChip();
    SetupSource(0, nullptr);
    Describe(0);
    EXPECT_TRUE(h.prompts.empty());
    EXPECT_EQ(g_state.g_bApplyToBoth, 0);
    EXPECT_EQ(g_state.g_bSupportsMultiGPU, 1);
}

TEST_F(PromptsTest, OldHostAsksOnlyAfterTheFirstSetupCallAndOnlyOnce)
{
    h.model.hostVersion = test::kOldHost;
    h.AddGpuWithChip();
    Describe(0);
    EXPECT_TRUE(h.prompts.empty()) << "no prompt before SetupSource";

    SetupSource(0x00000002u, nullptr);  // any setup call counts
    h.promptAnswers = {kBothGpus};
    Describe(0);
    ASSERT_EQ(h.prompts.size(), 1u);
    const test::PromptCall& box = h.prompts[0];
    EXPECT_EQ(box.caption, "Limited MultiGPU support");
    EXPECT_EQ(box.type, 0x20u);
    EXPECT_EQ(box.text,
              "Orvane V2.22 detected.\n\nThis plugin requires Orvane V2.23 or higher for MultiGPU support!\n\n"
              "MultiGPU support limited to TWO GPUs of same type:\n\n"
              "e.g. 2 x GTX260 or 2 x GTX280 or 1 x GTX295 or 2 x HD4870");
    EXPECT_EQ(g_state.g_bApplyToBoth, 1);
    EXPECT_EQ(h.Logged("GetSourceDesc: Orvane V2.22 detected. Settings will be applied to both GPUs!"), 1);

    SetupSource(0, nullptr);
    Describe(0);
    EXPECT_EQ(h.prompts.size(), 1u);
}

TEST_F(PromptsTest, AnswersSetTheChoiceAndOtherResultsLeaveIt)
{
    h.model.hostVersion = 0x02050000u;
    h.AddGpuWithChip();
    SetupSource(0, nullptr);
    g_state.g_bApplyToBoth = 1;
    h.onPrompt = [](const test::PromptCall& call) {
        EXPECT_STREQ(call.params->buttonsText, "Apply settings to first GPU only\nApply settings to both GPUs");
        EXPECT_EQ(call.params->backgroundColor, 0xC0C0C0u);
        return kFirstGpuOnly;
    };
    Describe(0);
    EXPECT_EQ(g_state.g_bApplyToBoth, 0);
    EXPECT_EQ(h.Logged("GetSourceDesc: Orvane V2.5 detected. Settings will be applied to first GPU only!"), 1);

    // A box that could not be shown changes nothing but still counts as shown.
    test::PluginHarness fresh;
    fresh.model.hostVersion = test::kOldHost;
    fresh.AddGpuWithChip();
    SetupSource(0, nullptr);
    g_state.g_bApplyToBoth = 1;
    fresh.promptAnswers = {-1};
    Describe(0);
    EXPECT_EQ(g_state.g_bApplyToBoth, 1);
    EXPECT_TRUE(g_state.g_bMultiGpuPromptShown.IsSet());
}

// The host's timers keep calling in from the box's message loop. A request
// made there must not open a box inside the box: left to nest, a 20 ms
// timer stacked warnings until the host's stack overflowed.
TEST_F(PromptsTest, ARequestWhileThePromptIsOpenGetsNoSecondPromptAndGoesOnScanning)
{
    h.model.hostVersion = test::kOldHost;
    h.AddGpuWithChip();
    h.AddGpuWithChip();
    SetupSource(0, nullptr);
    int32_t nested[3] = {-1, -1, -1};
    h.onPrompt = [&](const test::PromptCall&) {
        nested[0] = Describe(0);
        nested[1] = Describe(1, 2);
        nested[2] = Describe(0, 9);
        return kBothGpus;
    };
    EXPECT_EQ(Describe(0), 1);
    EXPECT_EQ(h.prompts.size(), 1u);
    // Answered as after the prompt: the chip is found and described.
    EXPECT_EQ(nested[0], 1);
    EXPECT_EQ(nested[1], 1);
    EXPECT_EQ(nested[2], 1);
    EXPECT_EQ(g_state.g_bApplyToBoth, 1);
    EXPECT_EQ(h.Logged("Settings will be applied"), 1);
    Describe(1);
    EXPECT_EQ(h.prompts.size(), 1u) << "still once per load";
}

// The prompt of a re-description comes before the new detection is
// published: while it is up, the chip found earlier is still the GPU's.
// Readings made from the prompt's message loop, and a window opened there,
// see that chip, not an empty context.
TEST_F(PromptsTest, WhileThePromptIsUpTheLastDetectionStands)
{
    h.model.hostVersion = test::kOldHost;
    h.AddGpuWithChip();
    ASSERT_EQ(Describe(0), 1);
    ASSERT_FLOAT_EQ(GetSourceData(0), 1.2f);
    SetupSource(0, nullptr);  // the prompt is due

    float voltage = 0.0f, phase = 0.0f, current = 0.0f;
    std::string window;
    h.onPrompt = [&](const test::PromptCall& call) {
        if (call.caption == "VRM Voltage Control") {
            window = call.text;
            return test::kExit;
        }
        voltage = GetSourceData(0);
        phase = GetSourceData(3);
        current = GetSourceData(2);
        SetupSource(0, test::kHostWindow);
        return kFirstGpuOnly;
    };
    EXPECT_EQ(Describe(0, 3), 1);
    EXPECT_FLOAT_EQ(voltage, 1.2f);
    EXPECT_EQ(phase, 60.0f);
    EXPECT_FLOAT_EQ(current, 50.0f * 0x4A / 124);
    EXPECT_EQ(window.find("GPU=-1 VID=0x3C Voltage=1.2000"), 0u) << window;
}

TEST_F(PromptsTest, ARequestWhileTheWarningIsOpenIsRefusedWithoutASecondWarning)
{
    h.model.AddGpu(1);
    h.model.AddGpu(1);
    h.AddGpuWithChip();
    int32_t nested[3] = {-1, -1, -1};
    h.onPrompt = [&](const test::PromptCall&) {
        nested[0] = Describe(0);     // the warning's own GPU
        nested[1] = Describe(1, 3);  // another GPU without the chip
        nested[2] = Describe(2);     // a GPU with the chip is served as ever
        return 1;
    };
    EXPECT_EQ(Describe(0), 0);
    ASSERT_EQ(h.prompts.size(), 1u);
    EXPECT_EQ(nested[0], 0);
    EXPECT_EQ(nested[1], 0);
    EXPECT_EQ(nested[2], 1);
    EXPECT_EQ(h.Logged("No VT1165 Voltage Regulator detected!"), 1);
    EXPECT_EQ(h.Logged("GetSourceDesc: GPU 0: No VT1165 Voltage Regulator detected!"), 1);
}

// Neither box opens inside the other; the one that was held back is shown
// at the next request that needs it, once the first box has gone.
TEST_F(PromptsTest, TheWarningAndThePromptNeverOpenInsideEachOther)
{
    h.model.hostVersion = test::kOldHost;
    h.AddGpuWithChip();
    h.model.AddGpu(1);  // GPU 1: no chip
    SetupSource(0, nullptr);
    int32_t nested = -1;
    h.onPrompt = [&](const test::PromptCall& call) {
        if (call.caption == "Limited MultiGPU support")
            nested = Describe(1);
        return kFirstGpuOnly;
    };
    EXPECT_EQ(Describe(0), 1);
    EXPECT_EQ(nested, 0);
    ASSERT_EQ(h.prompts.size(), 1u);
    EXPECT_FALSE(g_state.g_bDetectFailShown.IsSet()) << "the warning is still due";

    EXPECT_EQ(Describe(1), 0);
    ASSERT_EQ(h.prompts.size(), 2u);
    EXPECT_EQ(h.prompts[1].caption, "VT1165 Detection Failed");
    // Logged when it was held back inside the prompt, and with the warning.
    EXPECT_EQ(h.Logged("GetSourceDesc: GPU 1: No VT1165 Voltage Regulator detected!"), 2);
}

}  // namespace
