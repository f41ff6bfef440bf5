// Multiply and divide with a 64-bit intermediate, rounded to nearest like the
// system's MulDiv: halves round away from zero, negative values included.
// Returns -1 when the divisor is 0 or the result does not fit 32 bits.
#pragma once

#include <cstdint>

int32_t PbMulDiv(int32_t number, int32_t numerator, int32_t denominator);
