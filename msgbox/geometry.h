// Plain pixel geometry shared by the portable parts: sizes, rectangles and
// points, laid out like the system's SIZE, RECT and POINT but without
// platform headers.
#pragma once

#include <cstdint>

struct PbSize {
    int32_t cx;
    int32_t cy;
};

struct PbRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct PbPoint {
    int32_t x;
    int32_t y;
};
