// VT1165 register map: the registers, bits and values the plug-in relies on.
// Every access moves one byte through the host's ReadI2CEx or WriteI2CEx.
// The arithmetic of the codes these registers hold is in chip/vid_codes.h.
#pragma once

#include <cstdint>

// Where detection looks on each I2C bus of a GPU, and what the chip answers.
constexpr uint8_t kChipAddress = 0x70;     // the only address tried on each bus
constexpr uint8_t kRegDeviceId = 0x1A;     // identification register
constexpr uint8_t kVt1165DeviceId = 0x0A;  // what the VT1165 answers there

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

// The four VID registers 0x15..0x18; each holds a VID code in bits 0..6
// (chip/vid_codes.h). The last, 0x18, is also where the output voltage is
// read directly (bit 0 of 0x19 set, VID mode other than 3).
constexpr uint8_t kRegVidFirst = 0x15;
constexpr uint8_t kRegVidLast = 0x18;

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

// Output current code in bits 0..6 (chip/vid_codes.h).
constexpr uint8_t kRegCurrent = 0x1E;

// VID modes: 0..2 have a table, 3 selects fixed voltages or a VID register.
constexpr uint8_t kVidModeRegisters = 3;

// The VID register in use as selected by a value of register 0x1C.
inline uint8_t VidRegisterOf(uint8_t vidControl)
{
    return static_cast<uint8_t>(kRegVidFirst + ((vidControl >> kVidSelectShift) & kVidSelectMask));
}
