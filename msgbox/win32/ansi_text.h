// 8-bit text of the system's ANSI code page to UTF-16, for the in-memory
// dialog template (a PbWidenText).
#pragma once

#include <cstdint>

int32_t WidenAnsiText(const char* text, uint16_t* units, int32_t capacity);
