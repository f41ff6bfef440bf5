// The voltage control window's writes to the chip. A press, EXIT and the
// write to an old host's second GPU are all one guarded write: within one
// bus sequence on the pinned chip, register 0x1C and the VID register it
// names are read, the value to write is decided from what that register
// holds (never from what the window showed, which may be stale by then: a
// power state switch, another tool), 0x1C is read once more just before
// the write, and the write goes ahead only when it still names the same
// register. The write moves that register at most one code, in the
// direction pressed.
#pragma once

#include <cstddef>
#include <cstdint>

class PinnedChip;

// GPU whose setting an old host's second GPU also receives.
constexpr uint32_t kMirrorGpu = 2;

// One line of the window's text that says why something was not written.
constexpr std::size_t kVidNoteCapacity = 80;

// Which way a write may move the VID: a press of UP or DOWN, or EXIT, which
// writes the shown value back only where the chip still holds it.
enum class VidMove { Up, Down, Keep };

// Where the window's values were read: the chip's bus and address. A press
// or EXIT acts only on the chip the window showed.
struct ShownChip {
    uint8_t bus = 0;
    uint8_t dev = 0;
};

struct VidWriteOutcome {
    bool written = false;                    // the window's GPU was written
    uint8_t vid_register = 0;                // the register written
    uint8_t vid_value = 0;                   // the value written
    char note[kVidNoteCapacity] = {};        // empty, or why nothing was written
    char mirrorNote[kVidNoteCapacity] = {};  // empty, or why GPU 2 was not written
};

// Register 0x1C of a pinned chip and the VID register it names, read in
// that order within one sequence.
struct ActiveVid {
    uint8_t control = 0;
    uint8_t vid_register = 0;
    uint8_t vid_value = 0;
};

// Reads 0x1C and then the VID register it names. False when either read
// fails; out->control and out->vid_register are set once 0x1C was read.
bool ReadActiveVid(const PinnedChip& chip, ActiveVid* out);

// One step of a VID register value: the 7-bit code moves by one within
// 0..0x7F and bit 7 stays as it was; a step beyond either end leaves the
// value unchanged, so a press never moves the voltage the wrong way.
uint8_t StepVidValue(uint8_t value, int direction);

// UP or DOWN on GPU g's window, which showed the chip at `shown`: steps the
// chip's present value by one code (never above the configured voltage
// limit) and writes it, then offers the same write to GPU 2 when an old
// host's user asked for both GPUs.
VidWriteOutcome PressVid(uint32_t g, const ShownChip& shown, VidMove move);

// EXIT: writes shownValue back to shownRegister only when the window's chip
// is still where it was, its 0x1C still names that register and the
// register still holds exactly that value.
VidWriteOutcome WriteBackOnExit(uint32_t g, const ShownChip& shown, uint8_t shownRegister, uint8_t shownValue);
