// Helpers shared by the readings.
#pragma once

#include "plugin/plugin_state.h"

// The per-reading log lines are formed only when the configuration asks for
// them ([VT1165] Logging = TRUE sets the flag to exactly 1).
inline bool ReadingLogEnabled() { return g_state.g_bLogging == 1; }

// Keeps a good result in the source's field and returns the field, so that
// a failed reading (result kNoValue) reports the last good value.
inline float StoreAndReturn(float& field, float result)
{
    if (result != kNoValue)
        field = result;
    return field;
}
