// Instructions per GetSourceData call, counted by valgrind's callgrind (the
// same count for the same binary and input, however busy the machine is).
// Only the timed loop is instrumented; bench/instructions.sh runs one case
// per valgrind start and divides by the number of calls.
//   reading_instructions <source> <log 0|1> <calls>
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>

#include "bench/bench_host.h"
#include "exports/exports.h"
#include "plugin/log.h"
#include "sim/host_exports.h"
#include "sim/vt1165_model.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: reading_instructions <source> <log 0|1> <calls>\n");
        return 2;
    }
    uint32_t source = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 0));
    bool logging = std::atoi(argv[2]) != 0;
    long calls = std::atol(argv[3]);

    sim::Vt1165Model model;
    bench::SetUpDescribedChip(&model, logging);
    GetSourceData(source);  // caches filled, as in a running host

    volatile float sink = 0.0f;
    CALLGRIND_START_INSTRUMENTATION;
    if (source == 0xFFFF) {
        // The cost of one log line: stamp, format and write.
        for (long i = 0; i < calls; ++i)
            WriteLogLine("GetSourceData: dwIndex=0x00000002 dwGpu=0 dwSource=2");
    } else {
        for (long i = 0; i < calls; ++i)
            sink = GetSourceData(source);
    }
    CALLGRIND_STOP_INSTRUMENTATION;
    (void)sink;
    sim::SetHostModel(nullptr);
    return 0;
}
