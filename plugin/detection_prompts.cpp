#include "plugin/detection_prompts.h"

#include <cstdio>

#include "plugin/host_services.h"
#include "plugin/log.h"
#include "plugin/plugin_boxes.h"
#include "plugin/plugin_state.h"

namespace {

constexpr std::size_t kPromptTextCapacity = 256;

void LogNoChip(uint32_t dwGpu)
{
    LogPrintf("GetSourceDesc: GPU %i: No VT1165 Voltage Regulator detected!", static_cast<int>(dwGpu));
}

}  // namespace

void RunMultiGpuPromptStep()
{
    if (g_state.g_bMultiGpuPromptShown.IsSet() || g_state.g_bSetupOpened == 0)
        return;
    // Not inside the detection-failure warning: the prompt stays due for the
    // next request after it.
    FlagClaim boxClaim(g_state.g_bDetectionBoxOpen);
    if (!boxClaim.Taken())
        return;

    const PFN_GetHostAppVersion version = g_state.g_hostServices.GetHostAppVersion;
    unsigned major = HostVersionMajor(version());
    unsigned minor = HostVersionMinor(version());
    char text[kPromptTextCapacity];
    std::snprintf(text, sizeof text, kMultiGpuPromptText, major, minor);

    // Marked before the box is shown: the host's timers keep calling in from
    // the box's message loop, and a request that arrives meanwhile must not
    // open a second prompt inside the first. It goes on as it would after
    // the prompt, with the settings as they are. Claimed, so that of two
    // threads only one shows it.
    if (!g_state.g_bMultiGpuPromptShown.TryClaim())
        return;
    int answer = ShowPluginBox(kMultiGpuPromptBox, nullptr, text);
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
    // Not inside the multi-GPU prompt: the failure is logged now, and the
    // warning stays due for the next failed detection after it.
    FlagClaim boxClaim(g_state.g_bDetectionBoxOpen);
    if (!boxClaim.Taken()) {
        LogNoChip(dwGpu);
        return;
    }

    char text[kPromptTextCapacity];
    std::snprintf(text, sizeof text, kDetectionFailedText, static_cast<int>(dwGpu), static_cast<int>(dwGpu));
    // Marked before the box is shown, for the same reason as the prompt: a
    // descriptor request from inside the warning's message loop is refused
    // as any later one would be, without a warning of its own.
    if (!g_state.g_bDetectFailShown.TryClaim())
        return;
    ShowPluginBox(kDetectionFailedBox, nullptr, text);
    LogNoChip(dwGpu);
}
