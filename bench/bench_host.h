// A plug-in in a benchmark process: fake platform services (a log sink that
// copies each line into a small buffer), the host's exports backed by an
// in-process VT1165 model, and the descriptor pass that detects the chips.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sim/vt1165_model.h"

namespace bench {

// Installs the fake platform and makes `model` the host's hardware. The log
// is open; the per-reading lines follow `verboseLog`.
void InstallPlugin(sim::Vt1165Model* model, bool verboseLog);

// Bytes the plug-in has written to its log since InstallPlugin.
std::size_t LogBytesWritten();

// GetSourceDesc of sources 0..10 of one GPU, as the host does after loading.
void DescribeAllSources(uint32_t dwGpu);

// One GPU with a typical VT1165 on bus 0, no trace, the plug-in installed on
// it and the GPU described: the state of a host that has started polling.
void SetUpDescribedChip(sim::Vt1165Model* model, bool verboseLog);

}  // namespace bench
