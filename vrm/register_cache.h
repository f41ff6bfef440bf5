// The VT1165 set-up that stays constant between two context resets: the
// phase count, the configuration fields and the VID mode derived from them.
// Each is read from the chip at most once per reset and cached in the GPU's
// context; kNotCached (0xFF) marks a value that has not been read yet.
#pragma once

#include <cstdint>

class ChipAccess;

// Each is called with the device's lock held.

// Number of active phases (register 0x0E), or kNotCached when it could not
// be read (a chip answering 0xFF is read again on the next call).
uint8_t GetPhaseCount(ChipAccess& chip);

// Configuration field n (0..7) of the 40-bit configuration word, 0..31, or
// kNotCached when it could not be read or n is out of range.
uint8_t GetConfigField(ChipAccess& chip, uint8_t n);

// VID mode 0..7 (the top three bits of field 3), or kNotCached.
uint8_t GetVidMode(ChipAccess& chip);
