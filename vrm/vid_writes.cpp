#include "vrm/vid_writes.h"

#include <cstdarg>
#include <cstdio>

#include "plugin/log.h"
#include "plugin/plugin_state.h"
#include "plugin/voltage_limit.h"
#include "vrm/pinned_chip.h"
#include "vrm/vt1165_regs.h"

namespace {

constexpr uint8_t kVidBit7 = 0x80;

int CodeOf(uint8_t value) { return value & kVidCodeMask; }

// The signed change in code that writing `to` over `from` makes; bit 7 must
// match for the write to be a step of the same register's code at all.
bool IsStepWithin(uint8_t from, uint8_t to, VidMove move)
{
    if ((from & kVidBit7) != (to & kVidBit7))
        return false;
    int delta = CodeOf(to) - CodeOf(from);
    switch (move) {
    case VidMove::Up: return delta == 0 || delta == 1;
    case VidMove::Down: return delta == 0 || delta == -1;
    case VidMove::Keep: return delta == 0;
    }
    return false;
}

bool AboveLimit(uint8_t value)
{
    return g_state.g_bVoltageLimit && CodeOf(value) > HighestCodeWithin(g_state.g_voltageLimit);
}

#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void SetNote(char (&note)[kVidNoteCapacity], const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(note, sizeof note, format, args);
    va_end(args);
    LogPrintf("SetupSource: %s", note);
}

bool MirrorWanted(uint32_t g)
{
    return g_state.g_bSupportsMultiGPU == 0 && g_state.g_bApplyToBoth && g != kMirrorGpu;
}

// Reads 0x1C once more just before a write: true when it still reads as it
// did when the VID register was chosen, so that the write goes to the
// register 0x1C names at that moment.
bool ControlUnchanged(const PinnedChip& chip, const ActiveVid& read)
{
    uint8_t control = 0;
    return chip.Read(kRegVidControl, &control) && control == read.control;
}

bool SameChip(const PinnedChip& chip, const ShownChip& shown)
{
    return chip.Bus() == shown.bus && chip.Dev() == shown.dev;
}

// What every write of the window begins with, on its pinned chip: a chip is
// there, it is the one the window showed, and its active VID reads. False,
// with the note ("<nothingWritten> ...<when>."), when one of them fails.
bool ReadBeforeWrite(const PinnedChip& chip, const ShownChip& shown, const char* nothingWritten, const char* when,
                     ActiveVid* present, char (&note)[kVidNoteCapacity])
{
    if (!chip.Present()) {
        SetNote(note, "%s the VT1165 is not answering.", nothingWritten);
        return false;
    }
    if (!SameChip(chip, shown)) {
        SetNote(note, "%s the VT1165 was detected again since this was shown.", nothingWritten);
        return false;
    }
    if (!ReadActiveVid(chip, present)) {
        SetNote(note, "%s the VID could not be read%s.", nothingWritten, when);
        return false;
    }
    return true;
}

// Writes value to GPU 2's vid_register when GPU 2's own chip sits where the
// window GPU's chip was written, and the write is a step of at most one
// code, in the direction pressed, from what GPU 2's register holds. GPU 2's
// checks and its write are one bus sequence of GPU 2, on its pinned chip;
// the window GPU's sequence has ended by then, so no thread ever holds two
// GPUs' locks. Otherwise says why not.
void MirrorToSecondGpu(const ShownChip& writtenAt, uint8_t vid_register, uint8_t value, VidMove move,
                       char (&note)[kVidNoteCapacity])
{
    PinnedChip second(kMirrorGpu);
    if (!second.Present()) {
        SetNote(note, "Mirror to GPU 2 skipped: no VT1165 detected on GPU 2.");
        return;
    }
    if (!SameChip(second, writtenAt)) {
        SetNote(note, "Mirror to GPU 2 skipped: its VT1165 is on bus %u at 0x%02X.",
                static_cast<unsigned>(second.Bus()), static_cast<unsigned>(second.Dev()));
        return;
    }
    ActiveVid present;
    if (!ReadActiveVid(second, &present)) {
        SetNote(note, "Mirror to GPU 2 skipped: its VID could not be read.");
        return;
    }
    if (present.vid_register != vid_register) {
        SetNote(note, "Mirror to GPU 2 skipped: it uses VID register 0x%02X.", present.vid_register);
        return;
    }
    if (!IsStepWithin(present.vid_value, value, move)) {
        SetNote(note, "Mirror to GPU 2 skipped: it holds VID 0x%02X.", present.vid_value);
        return;
    }
    if (CodeOf(value) > CodeOf(present.vid_value) && AboveLimit(value)) {
        SetNote(note, "Mirror to GPU 2 skipped: 0x%02X is above the voltage limit.", value);
        return;
    }
    if (!ControlUnchanged(second, present)) {
        SetNote(note, "Mirror to GPU 2 skipped: its register 0x1C changed.");
        return;
    }
    second.Write(vid_register, value);
}

}  // namespace

bool ReadActiveVid(const PinnedChip& chip, ActiveVid* out)
{
    if (!chip.Read(kRegVidControl, &out->control))
        return false;
    out->vid_register = VidRegisterOf(out->control);
    return chip.Read(out->vid_register, &out->vid_value);
}

uint8_t StepVidValue(uint8_t value, int direction)
{
    uint8_t code = value & kVidCodeMask;
    if (direction > 0 && code < kVidCodeMask)
        ++code;
    else if (direction < 0 && code > 0)
        --code;
    return static_cast<uint8_t>((value & ~kVidCodeMask) | code);
}

VidWriteOutcome PressVid(uint32_t g, const ShownChip& shown, VidMove move)
{
    VidWriteOutcome outcome;
    ShownChip writtenAt;
    {
        PinnedChip chip(g);
        ActiveVid present;
        if (!ReadBeforeWrite(chip, shown, "Nothing written:", " at the press", &present, outcome.note))
            return outcome;
        uint8_t stepped =
            StepVidValue(present.vid_value, move == VidMove::Up ? +1 : move == VidMove::Down ? -1 : 0);
        if (stepped == present.vid_value)
            return outcome;  // at the end of the range: nothing to change
        if (move == VidMove::Up && AboveLimit(stepped)) {
            SetNote(outcome.note, "Nothing written: the voltage limit is reached.");
            return outcome;
        }
        if (!ControlUnchanged(chip, present)) {
            SetNote(outcome.note, "Nothing written: register 0x1C changed during the press.");
            return outcome;
        }
        outcome.vid_register = present.vid_register;
        outcome.vid_value = stepped;
        outcome.written = chip.Write(present.vid_register, stepped);
        if (!outcome.written) {
            SetNote(outcome.note, "The write of VID 0x%02X to register 0x%02X failed.", stepped,
                    present.vid_register);
            return outcome;
        }
        writtenAt.bus = chip.Bus();
        writtenAt.dev = chip.Dev();
    }
    if (MirrorWanted(g))
        MirrorToSecondGpu(writtenAt, outcome.vid_register, outcome.vid_value, move, outcome.mirrorNote);
    return outcome;
}

VidWriteOutcome WriteBackOnExit(uint32_t g, const ShownChip& shown, uint8_t shownRegister, uint8_t shownValue)
{
    VidWriteOutcome outcome;
    ShownChip writtenAt;
    {
        PinnedChip chip(g);
        ActiveVid present;
        if (!ReadBeforeWrite(chip, shown, "EXIT wrote nothing:", "", &present, outcome.note))
            return outcome;
        if (present.vid_register != shownRegister || present.vid_value != shownValue) {
            SetNote(outcome.note, "EXIT wrote nothing: the chip no longer holds the VID shown.");
            return outcome;
        }
        if (!ControlUnchanged(chip, present)) {
            SetNote(outcome.note, "EXIT wrote nothing: register 0x1C changed.");
            return outcome;
        }
        outcome.vid_register = shownRegister;
        outcome.vid_value = shownValue;
        outcome.written = chip.Write(shownRegister, shownValue);
        if (!outcome.written)
            return outcome;
        writtenAt.bus = chip.Bus();
        writtenAt.dev = chip.Dev();
    }
    if (MirrorWanted(g))
        MirrorToSecondGpu(writtenAt, shownRegister, shownValue, VidMove::Keep, outcome.mirrorNote);
    return outcome;
}
