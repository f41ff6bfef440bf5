// The fixed catalogue of the eleven source numbers of every GPU.
#pragma once

#include <cstdint>

#include "plugin/source_descriptor.h"

constexpr uint32_t kSourcesPerGpu = 11;

// Fills the descriptor of a source of a GPU whose chip was just detected.
// Returns false, writing nothing, for a source that this GPU does not offer.
bool FillSourceDescriptor(uint32_t dwGpu, uint32_t dwSource, SourceDescriptor* pDesc);
