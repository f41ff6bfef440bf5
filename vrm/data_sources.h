// The fixed catalogue of the eleven source numbers of every GPU.
#pragma once

#include <cstdint>

#include "plugin/source_descriptor.h"

constexpr uint32_t kSourcesPerGpu = 11;

// Source numbers (bits 0..15 of a source index). Source 1 never exists.
constexpr uint32_t kSourceOutputVoltage = 0;
constexpr uint32_t kSourceOutputCurrent = 2;
constexpr uint32_t kSourceFirstPhase = 3;  // phase 1 temperature
constexpr uint32_t kSourceLastPhase = 8;   // phase 6 temperature
constexpr uint32_t kSourceOvpStatus = 9;
constexpr uint32_t kSourceOcpStatus = 10;

// When a GPU whose chip was found offers a source.
enum class SourceOffer : uint8_t {
    Never,  // source 1, and numbers above 10
    Always,
    IfPhaseActive,  // phase dwSource - 2 is within the chip's phase count
};
SourceOffer OfferOf(uint32_t dwSource);

// What a description takes from the chip that the request detected.
struct ChipFacts {
    uint8_t devID = 0;
    uint8_t phaseCount = 0xFF;  // needed by phase sources only; 0xFF (unreadable) offers all six
};

// Name of a chip for the descriptions: "VT1165" for the VT1165's device
// identifier, otherwise "VTxxxx".
const char* ChipName(uint8_t devID);

// Fills the descriptor of a source of a GPU whose chip was just detected.
// Returns false, writing nothing, for a source that this GPU does not offer.
bool FillSourceDescriptor(uint32_t dwGpu, uint32_t dwSource, const ChipFacts& chip, SourceDescriptor* pDesc);
