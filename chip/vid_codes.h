// The arithmetic of the codes the VT1165's registers hold: a VID register's
// 7-bit code and its voltage, one step of a code, the highest code within a
// voltage limit, the direct output-voltage and current codes. Pure
// functions: the plug-in's core (the configured limit), the chip access
// (readings, writes) and the tests all use these, and nothing else does
// this arithmetic.
#pragma once

#include <cstdint>

#include "chip/vt1165_registers.h"

// A VID register's code in bits 0..6; bit 7 is kept as it is by every write.
constexpr uint8_t kVidCodeMask = 0x7F;
constexpr uint8_t kVidTopBit = 0x80;
constexpr int kHighestVidCode = 0x7F;

// Volts of VID code c: 0.45 V + 12.5 mV x c. Kept in ten-thousandths of a
// volt, the resolution of a configured limit, so that comparisons with a
// limit are exact.
constexpr long kVidBaseTenThousandths = 4500;
constexpr long kVidStepTenThousandths = 125;
constexpr double kTenThousandthsPerVolt = 10000.0;
constexpr double kVidBaseVolts = kVidBaseTenThousandths / kTenThousandthsPerVolt;
constexpr double kVidStepVolts = kVidStepTenThousandths / kTenThousandthsPerVolt;

// The direct output-voltage reading of register 0x18: the code in 12.5 mV
// steps, and bit 7 adds 0.45 V.
constexpr uint8_t kVoltageSenseOffsetBit = 7;

// The current register's code in bits 0..6; code 124 stands for the
// context's current scale in amperes.
constexpr uint8_t kCurrentCodeMask = 0x7F;
constexpr double kCurrentFullScaleCode = 124.0;

inline bool IsVidRegister(uint8_t reg)
{
    return reg >= kRegVidFirst && reg <= kRegVidLast;
}

inline int VidCodeOf(uint8_t value)
{
    return value & kVidCodeMask;
}

// Volts of a VID register's value (VID mode 3, the voltage control window).
inline float VidRegisterToVolts(uint8_t vid)
{
    return static_cast<float>(kVidBaseVolts + kVidStepVolts * VidCodeOf(vid));
}

// Volts of the direct output-voltage register 0x18.
inline float VoltageSenseToVolts(uint8_t value)
{
    return static_cast<float>(kVidStepVolts * (value & kVidCodeMask) +
                              kVidBaseVolts * (value >> kVoltageSenseOffsetBit));
}

// Amperes of a current-register code at the given scale.
inline float CurrentCodeToAmps(uint8_t code, float scale)
{
    return static_cast<float>(static_cast<double>(scale) * (code & kCurrentCodeMask) / kCurrentFullScaleCode);
}

// Which way a write may move a VID: a press of UP or DOWN, or EXIT, which
// writes the shown value back only where the chip still holds it.
enum class VidMove { Up, Down, Keep };

// One step of a VID register value: the 7-bit code moves by one within
// 0..0x7F and bit 7 stays as it was; a step beyond either end leaves the
// value unchanged, so a press never moves the voltage the wrong way.
uint8_t StepVidValue(uint8_t value, VidMove move);

// Whether writing `to` over `from` moves the same register's code by at
// most one, in the direction of `move` (Keep: not at all), bit 7 unchanged.
bool IsStepWithin(uint8_t from, uint8_t to, VidMove move);

// The highest VID code (0..0x7F) whose voltage is at or below the limit;
// -1 when even code 0 is above it.
int HighestCodeWithin(float limitVolts);
