// The voltage control window's writes to the chip: a press of UP or DOWN,
// EXIT, and the same write repeated on an old host's second GPU. Each is one
// guarded write of its GPU's device (Vt1165Device::WriteVid) with the
// writer's own rule: the value is decided from what the register holds at
// the write (never from what the window showed, which may be stale by then:
// a power-state switch, another tool), and the write moves that register at
// most one code, in the direction pressed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "chip/vid_codes.h"
#include "vrm/vt1165_device.h"

// GPU whose setting an old host's second GPU also receives.
constexpr uint32_t kMirrorGpu = 2;

// One line of the window's text that says why something was not written.
constexpr std::size_t kVidNoteCapacity = 80;
using VidNote = char[kVidNoteCapacity];

struct VidWriteOutcome {
    bool written = false;      // the window's GPU was written
    uint8_t vid_register = 0;  // the register written
    uint8_t vid_value = 0;     // the value written
    VidNote note = {};         // empty, or why nothing was written
    VidNote mirrorNote = {};   // empty, or why GPU 2 was not written
};

// UP or DOWN on GPU g's window, which showed the chip at `shown`: steps the
// chip's present value by one code (never above the configured voltage
// limit) and writes it, then offers the same write to GPU 2 when an old
// host's user asked for both GPUs.
VidWriteOutcome PressVid(uint32_t g, const ShownChip& shown, VidMove move);

// EXIT: writes shownValue back to shownRegister only when the window's chip
// is still where it was, its 0x1C still names that register and the
// register still holds exactly that value.
VidWriteOutcome WriteBackOnExit(uint32_t g, const ShownChip& shown, uint8_t shownRegister, uint8_t shownValue);
