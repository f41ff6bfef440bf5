// Laying out a message box and writing its in-memory template, with fixed
// text metrics: the part of showing a box that is the component's own work.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "msgbox/dialog_template.h"
#include "msgbox/prompt_dialog.h"
#include "tests/msgbox/fake_layout_metrics.h"
#include "tests/msgbox/sample_boxes.h"
#include "tests/msgbox/widen_latin1.h"

namespace {

void BM_LayoutAndTemplate(benchmark::State& state)
{
    const SampleBox sample = SampleBoxes()[static_cast<std::size_t>(state.range(0))];
    const PluginBox& box = *sample.box;
    PromptBoxParams params;
    params.backgroundColor = box.backgroundColor;
    std::snprintf(params.buttonsText, sizeof params.buttonsText, "%s", box.buttons);
    FakeLayoutMetrics metrics;
    std::vector<uint8_t> block;
    for (auto _ : state) {
        CPromptDialog dialog(metrics, nullptr, sample.text.c_str(), box.caption, box.type, params);
        block.resize(MeasureDialogTemplate(dialog, WidenLatin1));
        benchmark::DoNotOptimize(WriteDialogTemplate(dialog, WidenLatin1, block.data(), block.size()));
    }
    state.SetLabel(box.caption);
    state.counters["template_bytes"] = static_cast<double>(block.size());
}

BENCHMARK(BM_LayoutAndTemplate)->DenseRange(0, 2);

}  // namespace

BENCHMARK_MAIN();
