// Helpers shared by the readings.
#pragma once

#include "plugin/plugin_state.h"

// Keeps a good result in the source's field and returns the field, so that
// a failed reading (result kNoValue) reports the last good value.
inline float StoreAndReturn(SharedFloat& field, float result)
{
    if (result != kNoValue)
        field = result;
    return field;
}
