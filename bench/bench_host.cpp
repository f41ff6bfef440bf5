#include "bench/bench_host.h"

#include <cstring>

#include "exports/exports.h"
#include "plugin/platform.h"
#include "plugin/plugin_state.h"
#include "sim/host_exports.h"
#include "tests/support/gpu_lock_fake.h"
#include "vrm/data_sources.h"

namespace bench {

namespace {

char g_logSink[4096];
std::size_t g_logBytes = 0;

void WriteLog(int, const char* data, unsigned length)
{
    // Copy as a file write would, wrapping within the sink.
    std::size_t at = g_logBytes % sizeof g_logSink;
    std::size_t n = length < sizeof g_logSink - at ? length : sizeof g_logSink - at;
    std::memcpy(g_logSink + at, data, n);
    g_logBytes += length;
}

void GetTime(LocalTime* out)
{
    *out = LocalTime{2009, 3, 5, 7, 4, 9};
}
bool HostPresent()
{
    return true;
}
void* FindExport(const char* name)
{
    return sim::FindHostFunction(name);
}
int AnswerPrompt(void*, const char*, const char*, uint32_t, const PromptBoxParams*)
{
    return 1;
}

}  // namespace

void InstallPlugin(sim::Vt1165Model* model, bool verboseLog)
{
    g_state = PluginState();
    g_platform = PlatformServices();
    g_platform.writeLog = &WriteLog;
    g_platform.getLocalTime = &GetTime;
    g_platform.hostModulePresent = &HostPresent;
    test::InstallGpuLockFake(g_platform);
    g_platform.findHostExport = &FindExport;
    g_platform.showPromptBox = &AnswerPrompt;
    g_state.g_logFile = 3;
    g_state.g_bLogging = verboseLog ? 1 : 0;
    g_logBytes = 0;
    sim::SetHostModel(model);
}

std::size_t LogBytesWritten()
{
    return g_logBytes;
}

void DescribeAllSources(uint32_t dwGpu)
{
    for (uint32_t source = 0; source < kSourcesPerGpu; ++source) {
        SourceDescriptor desc = {};
        desc.dwDescVersion = kDescVersionWithFormat;
        GetSourceDesc((dwGpu << 16) | source, &desc);
    }
}

void SetUpDescribedChip(sim::Vt1165Model* model, bool verboseLog)
{
    model->AddGpu(1);
    model->AddVt1165(0, 0);
    model->tracing = false;
    InstallPlugin(model, verboseLog);
    DescribeAllSources(0);
}

}  // namespace bench
