// The host simulator's live table: one row per offered source, its value
// printed with the source's own format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/source_descriptor.h"

namespace sim {

struct MonitorRow {
    uint32_t index;
    SourceDescriptor desc;
    float value;
};

// The value printed with the descriptor's format when that is a single
// floating-point conversion (anything else is not trusted as a format);
// "no value" for the no-value marker.
std::string FormatReading(const char* valueFormat, float value);

// The whole table with a heading line.
std::string FormatTable(const std::vector<MonitorRow>& rows, uint32_t poll);

}  // namespace sim
