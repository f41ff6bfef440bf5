// The fixed catalogue of the eleven source numbers of every GPU.
#pragma once

#include <cstdint>

#include "plugin/source_descriptor.h"

constexpr uint32_t kSourcesPerGpu = 11;

// Source numbers (bits 0..15 of a source index). Source 1 never exists.
constexpr uint32_t kSourceOutputVoltage = 0;
constexpr uint32_t kSourceOutputCurrent = 2;
constexpr uint32_t kSourceFirstPhase = 3;   // phase 1 temperature
constexpr uint32_t kSourceLastPhase = 8;    // phase 6 temperature
constexpr uint32_t kSourceOvpStatus = 9;
constexpr uint32_t kSourceOcpStatus = 10;

// Name of the GPU's chip for the descriptions: "VT1165" when its device
// identifier is the VT1165's, otherwise "VTxxxx".
const char* ChipName(uint32_t dwGpu);

// Fills the descriptor of a source of a GPU whose chip was just detected.
// Returns false, writing nothing, for a source that this GPU does not offer.
bool FillSourceDescriptor(uint32_t dwGpu, uint32_t dwSource, SourceDescriptor* pDesc);
