// Laying out a message box and writing its in-memory template, with fixed
// text metrics: the part of showing a box that is the component's own work.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "msgbox/dialog_template.h"
#include "msgbox/prompt_dialog.h"
#include "tests/msgbox/fake_layout_metrics.h"
#include "tests/msgbox/widen_latin1.h"

namespace {

struct Box {
    const char* caption;
    const char* text;
    uint32_t type;
    uint32_t background;
    const char* buttons;
};

const Box kBoxes[] = {
    {"VRM Voltage Control", "GPU=0 VID=0x3C Voltage=1.2000\n\nParameters: /sd0 /wi2,70,17,3c\n\nOVP/OCP=0", 0x30,
     0xC0C0C0, "UP\nDOWN\nEXIT"},
    {"Limited MultiGPU support",
     "Orvane V2.22 detected.\n\nThis plugin requires Orvane V2.23 or higher for MultiGPU support!\n\nMultiGPU "
     "support limited to TWO GPUs of same type:\n\ne.g. 2 x GTX260 or 2 x GTX280 or 1 x GTX295 or 2 x HD4870",
     0x20, 0xC0C0C0, "Apply settings to first GPU only\nApply settings to both GPUs"},
    {"VT1165 Detection Failed",
     "Unable to detect a VT1165 Voltage Regulator on GPU 2!\n\nGPU 2 does not support the usage of this plugin!",
     0x10, 200, ""},
};

void BM_LayoutAndTemplate(benchmark::State& state)
{
    const Box& box = kBoxes[state.range(0)];
    PromptBoxParams params;
    params.backgroundColor = box.background;
    std::snprintf(params.buttonsText, sizeof params.buttonsText, "%s", box.buttons);
    FakeLayoutMetrics metrics;
    std::vector<uint8_t> block;
    for (auto _ : state) {
        CPromptDialog dialog(metrics, nullptr, box.text, box.caption, box.type, params);
        block.resize(MeasureDialogTemplate(dialog, WidenLatin1));
        benchmark::DoNotOptimize(WriteDialogTemplate(dialog, WidenLatin1, block.data(), block.size()));
    }
    state.SetLabel(box.caption);
    state.counters["template_bytes"] = static_cast<double>(block.size());
}

BENCHMARK(BM_LayoutAndTemplate)->DenseRange(0, 2);

}  // namespace

BENCHMARK_MAIN();
