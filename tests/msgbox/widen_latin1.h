// ANSI to UTF-16 for the portable template tests: one unit per byte, as code
// page 1252 maps ASCII; the same contract as MultiByteToWideChar with -1.
#pragma once

#include <cstdint>
#include <cstring>

inline int32_t WidenLatin1(const char* text, uint16_t* units, int32_t capacity)
{
    const int32_t needed = static_cast<int32_t>(std::strlen(text)) + 1;
    if (units != nullptr && capacity < needed)
        return 0;
    for (int32_t i = 0; units != nullptr && i < needed; ++i)
        units[i] = static_cast<unsigned char>(text[i]);
    return needed;
}
