// VID code to volts for the VID modes that decode register 0x1C through a
// table (modes 0, 1 and 2).
#pragma once

#include <cstdint>

struct VidTable {
    const float* volts;  // entry per index, volts (0 for the unused codes)
    uint8_t codeMask;    // index = code AND codeMask
};

// The table of a VID mode, or null for a mode without one (3..7, kNotCached).
const VidTable* VidTableOf(uint8_t vidMode);

// Volts of a VID code in a VID mode, or kNoValue for a mode without a table
// (kNotCached included).
float VidToVolts(uint8_t vidMode, uint8_t code);
