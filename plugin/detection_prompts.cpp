#include "plugin/detection_prompts.h"

// The prompts are shown through the plug-in's own message box, which is not
// part of the plug-in yet: until then both steps do nothing and detection
// refuses silently.

void RunMultiGpuPromptStep()
{
}

void RunDetectionFailureStep(uint32_t dwGpu)
{
    (void)dwGpu;
}
