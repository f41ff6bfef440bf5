// The optional ceiling on the core voltage that the voltage control window
// may set: [VT1165] VoltageLimit in the configuration file, in volts.
#pragma once

#include <cstdint>

// Reads a voltage written as plain decimal digits with at most one point and
// at most four digits after it ("1.45", "1.4500", "2"). Returns false for
// anything else, an empty text included, and for values below 0.01 V or
// above 9.9999 V. Independent of the process's locale.
bool ParseVoltageLimit(const char* text, float* volts);

// The highest VID register code (0..0x7F) whose voltage is at or below the
// limit; -1 when even code 0 is above it.
int HighestCodeWithin(float limitVolts);

// Reads the setting from the configuration file into the plug-in state and
// logs what it found; an absent setting leaves no limit and no log line.
void LoadVoltageLimit();
