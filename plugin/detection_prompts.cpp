#include "plugin/detection_prompts.h"

#include <cstdio>

#include "msgbox/prompt_box_params.h"
#include "plugin/bus_sequence.h"
#include "plugin/host_services.h"
#include "plugin/log.h"
#include "plugin/platform.h"
#include "plugin/plugin_state.h"

namespace {

constexpr std::size_t kPromptTextCapacity = 256;
constexpr uint32_t kLightGrey = 0xC0C0C0u;
constexpr uint32_t kDarkRed = 0x0000C8u;  // COLORREF: red 200
constexpr uint32_t kMultiGpuPromptType = MB_ICONQUESTION;
constexpr uint32_t kDetectFailType = MB_ICONHAND;   // no button bits: a single OK
constexpr int kAnswerFirstGpuOnly = PB_ID_CUSTOM1;  // the first custom button
constexpr int kAnswerBothGpus = PB_ID_CUSTOM1 + 1;
constexpr int kBoxNotShown = -1;

// The caller holds the claim of g_bDetectionBoxOpen.
int ShowBox(const char* text, const char* caption, uint32_t type, const PromptBoxParams& params)
{
    if (!g_platform.showPromptBox)
        return kBoxNotShown;
    return g_platform.showPromptBox(nullptr, text, caption, type, &params);
}

// A detection box may open only outside every bus sequence of this thread
// (a box under a GPU's lock would hold back every other thread's reading of
// that GPU for as long as it is up) and while no other detection box is up,
// on this thread or another.
bool BoxMayOpen(const FlagClaim& boxClaim)
{
    return boxClaim.Taken() && !InsideBusSequence();
}

void LogNoChip(uint32_t dwGpu)
{
    LogPrintf("GetSourceDesc: GPU %i: No VT1165 Voltage Regulator detected!", static_cast<int>(dwGpu));
}

}  // namespace

void RunMultiGpuPromptStep()
{
    if (g_state.g_bMultiGpuPromptShown.IsSet() || g_state.g_bSetupOpened == 0)
        return;
    // Not inside the detection-failure warning, nor under a lock: the prompt
    // stays due for the next request after it.
    FlagClaim boxClaim(g_state.g_bDetectionBoxOpen);
    if (!BoxMayOpen(boxClaim))
        return;

    PFN_GetHostAppVersion version = g_state.g_hostServices.GetHostAppVersion;
    unsigned major = HostVersionMajor(version());
    unsigned minor = HostVersionMinor(version());

    char text[kPromptTextCapacity];
    std::snprintf(text, sizeof text,
                  "Orvane V%u.%u detected.\n\nThis plugin requires Orvane V2.23 or higher for MultiGPU support!\n\n"
                  "MultiGPU support limited to TWO GPUs of same type:\n\n"
                  "e.g. 2 x GTX260 or 2 x GTX280 or 1 x GTX295 or 2 x HD4870",
                  major, minor);
    PromptBoxParams params;
    params.backgroundColor = kLightGrey;
    std::snprintf(params.buttonsText, sizeof params.buttonsText, "%s",
                  "Apply settings to first GPU only\nApply settings to both GPUs");

    // Marked before the box is shown: the host's timers keep calling in from
    // the box's message loop, and a request that arrives meanwhile must not
    // open a second prompt inside the first. It goes on as it would after
    // the prompt, with the settings as they are. Claimed, so that of two
    // threads only one shows it.
    if (!g_state.g_bMultiGpuPromptShown.TryClaim())
        return;
    int answer = ShowBox(text, "Limited MultiGPU support", kMultiGpuPromptType, params);
    if (answer == kAnswerFirstGpuOnly) {
        g_state.g_bApplyToBoth = 0;
        LogPrintf("GetSourceDesc: Orvane V%u.%u detected. Settings will be applied to first GPU only!", major, minor);
    } else if (answer == kAnswerBothGpus) {
        g_state.g_bApplyToBoth = 1;
        LogPrintf("GetSourceDesc: Orvane V%u.%u detected. Settings will be applied to both GPUs!", major, minor);
    }
}

void RunDetectionFailureStep(uint32_t dwGpu)
{
    if (g_state.g_bDetectFailShown.IsSet())
        return;
    // Not inside the multi-GPU prompt, nor under a lock: the failure is
    // logged now, and the warning stays due for the next failed detection
    // after it.
    FlagClaim boxClaim(g_state.g_bDetectionBoxOpen);
    if (!BoxMayOpen(boxClaim)) {
        LogNoChip(dwGpu);
        return;
    }

    char text[kPromptTextCapacity];
    std::snprintf(text, sizeof text,
                  "Unable to detect a VT1165 Voltage Regulator on GPU %i!\n\nGPU %i does not support the usage of "
                  "this plugin!",
                  static_cast<int>(dwGpu), static_cast<int>(dwGpu));
    PromptBoxParams params;
    params.backgroundColor = kDarkRed;
    // Marked before the box is shown, for the same reason as the prompt: a
    // descriptor request from inside the warning's message loop is refused
    // as any later one would be, without a warning of its own.
    if (!g_state.g_bDetectFailShown.TryClaim())
        return;
    ShowBox(text, "VT1165 Detection Failed", kDetectFailType, params);
    LogNoChip(dwGpu);
}
