// The two message boxes that detection can raise, each at most once per load:
// the multi-GPU prompt for hosts older than 2.23 and the warning for a GPU
// without the chip (plugin/plugin_boxes.h). Both are called outside every
// bus sequence (the descriptor request's door refuses a call from inside
// one), so a box never stands under a GPU's lock.
#pragma once

#include <cstdint>

// Runs after CheckHostVersion has found an old host; decides by itself
// whether the prompt is due.
void RunMultiGpuPromptStep();

// Runs when no bus of dwGpu holds the chip; the request is refused after it.
void RunDetectionFailureStep(uint32_t dwGpu);
