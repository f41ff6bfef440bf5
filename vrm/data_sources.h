// The eleven data sources of every GPU, in one table: for each source its
// offer rule, the texts and ranges of its description, its reading under
// the device's lock and its stored value without it. Source numbers are
// bits 0..15 of a source index; source 1 never exists.
#pragma once

#include <cstdint>

#include "plugin/source_descriptor.h"

class ChipAccess;
struct LastGood;

constexpr uint32_t kSourcesPerGpu = 11;

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

// What a description takes from the chip that the request detected (or
// from the last detection).
struct ChipFacts {
    uint8_t devID = 0;
    uint8_t phaseCount = 0xFF;  // needed by phase sources only; 0xFF (unreadable) offers all six
};

// Name of a chip for the descriptions: "VT1165" for the VT1165's device
// identifier, otherwise "VTxxxx".
const char* ChipName(uint8_t devID);

// Fills the descriptor of a source of a GPU whose chip was detected.
// Returns false, writing nothing, for a source that this GPU does not offer.
bool FillSourceDescriptor(uint32_t dwGpu, uint32_t dwSource, const ChipFacts& chip, SourceDescriptor* pDesc);

// The source's reading, called with the lock held: the value read, or the
// last good one when an access fails (kNoValue for a source without a
// reading).
float ReadSourceValue(ChipAccess& chip, uint32_t dwSource);

// The source's stored value in a snapshot: as a reading whose every access
// failed, but that the voltage keeps its value while the VID mode is unknown
// and a status is always 1.0 or 0.0 (0.0 before the first good read).
float StoredSourceValue(const LastGood& last, uint32_t dwSource);
