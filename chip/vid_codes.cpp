#include "chip/vid_codes.h"

#include <cmath>

uint8_t StepVidValue(uint8_t value, VidMove move)
{
    int code = VidCodeOf(value);
    if (move == VidMove::Up && code < kHighestVidCode)
        ++code;
    else if (move == VidMove::Down && code > 0)
        --code;
    return static_cast<uint8_t>((value & kVidTopBit) | code);
}

bool IsStepWithin(uint8_t from, uint8_t to, VidMove move)
{
    if ((from & kVidTopBit) != (to & kVidTopBit))
        return false;
    const int delta = VidCodeOf(to) - VidCodeOf(from);
    switch (move) {
    case VidMove::Up: return delta == 0 || delta == 1;
    case VidMove::Down: return delta == 0 || delta == -1;
    case VidMove::Keep: return delta == 0;
    }
    return false;
}

int HighestCodeWithin(float limitVolts)
{
    // Counted in ten-thousandths of a volt, the limit's own resolution: a
    // limit written as a code's exact voltage (1.3625 for code 0x49) must
    // allow that code, though its float may lie just below the decimal.
    const long limit = std::lround(static_cast<double>(limitVolts) * kTenThousandthsPerVolt);
    if (limit < kVidBaseTenThousandths)
        return -1;
    const long code = (limit - kVidBaseTenThousandths) / kVidStepTenThousandths;
    return code > kHighestVidCode ? kHighestVidCode : static_cast<int>(code);
}
