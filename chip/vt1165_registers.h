// VT1165 register map: the registers, bits and values the plug-in relies on.
// Every access moves one byte through the host's ReadI2CEx or WriteI2CEx.
#pragma once

#include <cstdint>

// Configuration word, 40 bits little-endian over 0x02..0x06: eight 5-bit
// fields, field n in bits 5n..5n+4.
constexpr uint8_t kRegConfig0 = 0x02;  // bits 0..7
constexpr uint8_t kRegConfig1 = 0x03;  // bits 8..15
constexpr uint8_t kRegConfig2 = 0x04;  // bits 16..23
constexpr uint8_t kRegConfig3 = 0x05;  // bits 24..31
constexpr uint8_t kRegConfig4 = 0x06;  // bits 32..39
constexpr uint8_t kConfigFieldMask = 0x1F;
constexpr uint8_t kConfigFieldVidMode = 3;  // top three bits carry the VID mode
constexpr uint8_t kVidModeShift = 2;        // VID mode = field 3 >> 2

// Phase temperature: 0x08 = 0x00, 0x07 = 0xA7, 0x08 = 0x80 | phase (1..6),
// then the selected phase's temperature reads from 0x0A.
constexpr uint8_t kRegPhaseKey = 0x07;
constexpr uint8_t kRegPhaseSelect = 0x08;
constexpr uint8_t kRegPhaseTemp = 0x0A;
constexpr uint8_t kPhaseSelectReset = 0x00;
constexpr uint8_t kPhaseKeyValue = 0xA7;
constexpr uint8_t kPhaseSelectEnable = 0x80;

// Protection status.
constexpr uint8_t kRegProtStatus = 0x0D;
constexpr uint8_t kProtOvp = 0x02;  // over-voltage protection active
constexpr uint8_t kProtOcp = 0x01;  // over-current protection active

// Number of active phases, whole byte.
constexpr uint8_t kRegPhaseCount = 0x0E;

// The four VID registers; bits 0..6 hold a VID code, volts = 0.45 + 0.0125 x code.
constexpr uint8_t kRegVidFirst = 0x15;
constexpr uint8_t kRegVidLast = 0x18;
constexpr uint8_t kVidCodeMask = 0x7F;
constexpr double kVidRegisterBaseVolts = 0.45;
constexpr double kVidStepVolts = 0.0125;

// Output voltage read directly (bit 0 of 0x19 set, VID mode other than 3):
// bits 0..6 in 12.5 mV steps, bit 7 adds 0.45 V.
constexpr uint8_t kRegVoltageSense = 0x18;
constexpr uint8_t kVoltageSenseOffsetBit = 7;

// Bit 0 chooses how the output voltage is obtained.
constexpr uint8_t kRegVoltageMode = 0x19;
constexpr uint8_t kVoltageModeDirect = 0x01;

// Bits 4..5 select the VID register in use (0x15 + value), bits 0..1 one of
// the four fixed voltages of VID mode 3, the whole byte is the VID code that
// the tables of modes 0..2 look up.
constexpr uint8_t kRegVidControl = 0x1C;
constexpr uint8_t kVidSelectShift = 4;
constexpr uint8_t kVidSelectMask = 0x03;
constexpr uint8_t kFixedVoltageMask = 0x03;

// Output current code in bits 0..6; the code 124 stands for m_currentScale amperes.
constexpr uint8_t kRegCurrent = 0x1E;
constexpr uint8_t kCurrentCodeMask = 0x7F;
constexpr double kCurrentFullScaleCode = 124.0;

// VID modes: 0..2 have a table, 3 selects fixed voltages or a VID register.
constexpr uint8_t kVidModeRegisters = 3;

// The VID register in use as selected by a value of register 0x1C.
inline uint8_t VidRegisterOf(uint8_t vidControl)
{
    return static_cast<uint8_t>(kRegVidFirst + ((vidControl >> kVidSelectShift) & kVidSelectMask));
}

// Volts of a VID register's code (VID mode 3, the voltage control window).
inline float VidRegisterToVolts(uint8_t vid)
{
    return static_cast<float>(kVidRegisterBaseVolts + kVidStepVolts * (vid & kVidCodeMask));
}

// Volts of the direct output-voltage register 0x18.
inline float VoltageSenseToVolts(uint8_t value)
{
    return static_cast<float>(kVidStepVolts * (value & kVidCodeMask) +
                              kVidRegisterBaseVolts * (value >> kVoltageSenseOffsetBit));
}

// Amperes of a current-register code at the given scale.
inline float CurrentCodeToAmps(uint8_t code, float scale)
{
    return static_cast<float>(static_cast<double>(scale) * (code & kCurrentCodeMask) / kCurrentFullScaleCode);
}
