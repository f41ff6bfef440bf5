// The voltage control window's writes to the chip. Every write is decided on
// what the chip holds just before it: register 0x1C and the VID register it
// names are read again, under the GPU's bus lock, and the write moves that
// register at most one code, in the direction pressed. The value shown in the
// window may be stale by then (another window, a timer of the host, a power
// state switch), so it is never what a press steps from.
#pragma once

#include <cstddef>
#include <cstdint>

// GPU whose setting an old host's second GPU also receives.
constexpr uint32_t kMirrorGpu = 2;

// One line of the window's text that says why something was not written.
constexpr std::size_t kVidNoteCapacity = 80;

// Which way a write may move the VID: a press of UP or DOWN, or EXIT, which
// writes the shown value back only where the chip still holds it.
enum class VidMove { Up, Down, Keep };

struct VidWriteOutcome {
    bool written = false;       // the window's GPU was written
    uint8_t vid_register = 0;   // the register read before the write
    uint8_t vid_value = 0;      // the value written
    char note[kVidNoteCapacity] = {};        // empty, or why nothing was written
    char mirrorNote[kVidNoteCapacity] = {};  // empty, or why GPU 2 was not written
};

// Reads register 0x1C of GPU g's chip and then the VID register it names.
// False when either read fails; *vid_register is set once 0x1C was read.
bool ReadActiveVid(uint32_t g, uint8_t* vid_register, uint8_t* vid_value);

// One step of a VID register value: the 7-bit code moves by one within
// 0..0x7F and bit 7 stays as it was; a step beyond either end leaves the
// value unchanged, so a press never moves the voltage the wrong way.
uint8_t StepVidValue(uint8_t value, int direction);

// UP or DOWN on GPU g's window: steps the chip's present value by one code
// (never above the configured voltage limit) and writes it, then offers the
// same write to GPU 2 when an old host's user asked for both GPUs.
VidWriteOutcome PressVid(uint32_t g, VidMove move);

// EXIT: writes shownValue back to shownRegister only when the chip's 0x1C
// still names that register and the register still holds exactly that value.
VidWriteOutcome WriteBackOnExit(uint32_t g, uint8_t shownRegister, uint8_t shownValue);
