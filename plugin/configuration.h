// The configuration file beside the module, read once at load: [VT1165]
// Logging (a log line for every reading), [Trevask] Debug (reported only) and
// [VT1165] VoltageLimit (the highest voltage UP may set). Every setting is
// read here and nowhere else, and each says in the log what was found.
#pragma once

#include <cstdint>

// Reads every setting into the plug-in state, with its log lines. The log is
// open and g_cfgPath formed.
void LoadConfiguration();

// Reads a voltage written as plain decimal digits with at most one point and
// at most four digits after it ("1.45", "1.4500", "2"). Returns false for
// anything else, an empty text included, and for values below 0.01 V or
// above 9.9999 V. Independent of the process's locale.
bool ParseVoltageLimit(const char* text, float* volts);

// True when a voltage limit is configured and the VID register value's code
// is above the highest code within it.
bool AboveVoltageLimit(uint8_t vidValue);
