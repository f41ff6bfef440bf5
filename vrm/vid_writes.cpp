#include "vrm/vid_writes.h"

#include <cstdarg>
#include <cstdio>

#include "plugin/gpu_bus_lock.h"
#include "plugin/log.h"
#include "plugin/plugin_state.h"
#include "plugin/voltage_limit.h"
#include "vrm/chip_access.h"
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

// Writes value to GPU 2's vid_register when GPU 2's own chip sits where GPU
// g's does and the write is a step of at most one code, in the direction
// pressed, from what GPU 2's register holds. Otherwise says why not.
void MirrorToSecondGpu(uint32_t g, uint8_t vid_register, uint8_t value, VidMove move,
                       char (&note)[kVidNoteCapacity])
{
    const GpuContext& own = ContextOf(g);
    const GpuContext& second = ContextOf(kMirrorGpu);
    if (second.m_dev == 0) {
        SetNote(note, "Mirror to GPU 2 skipped: no VT1165 detected on GPU 2.");
        return;
    }
    if (second.m_bus != own.m_bus || second.m_dev != own.m_dev) {
        SetNote(note, "Mirror to GPU 2 skipped: its VT1165 is on bus %u at 0x%02X.",
                static_cast<unsigned>(second.m_bus), static_cast<unsigned>(second.m_dev));
        return;
    }

    GpuBusLock lock(kMirrorGpu);
    uint8_t secondRegister = 0;
    uint8_t secondValue = 0;
    if (!ReadActiveVid(kMirrorGpu, &secondRegister, &secondValue)) {
        SetNote(note, "Mirror to GPU 2 skipped: its VID could not be read.");
        return;
    }
    if (secondRegister != vid_register) {
        SetNote(note, "Mirror to GPU 2 skipped: it uses VID register 0x%02X.", secondRegister);
        return;
    }
    if (!IsStepWithin(secondValue, value, move)) {
        SetNote(note, "Mirror to GPU 2 skipped: it holds VID 0x%02X.", secondValue);
        return;
    }
    if (CodeOf(value) > CodeOf(secondValue) && AboveLimit(value)) {
        SetNote(note, "Mirror to GPU 2 skipped: 0x%02X is above the voltage limit.", value);
        return;
    }
    WriteChipRegister(kMirrorGpu, vid_register, value);
}

}  // namespace

bool ReadActiveVid(uint32_t g, uint8_t* vid_register, uint8_t* vid_value)
{
    uint8_t control = 0;
    if (!ReadChipRegister(g, kRegVidControl, &control))
        return false;
    *vid_register = VidRegisterOf(control);
    return ReadChipRegister(g, *vid_register, vid_value);
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

VidWriteOutcome PressVid(uint32_t g, VidMove move)
{
    VidWriteOutcome outcome;
    if (ContextOf(g).m_dev == 0) {
        SetNote(outcome.note, "Nothing written: the VT1165 is not answering.");
        return outcome;
    }
    {
        GpuBusLock lock(g);
        uint8_t present = 0;
        if (!ReadActiveVid(g, &outcome.vid_register, &present)) {
            SetNote(outcome.note, "Nothing written: the VID could not be read at the press.");
            return outcome;
        }
        uint8_t stepped = StepVidValue(present, move == VidMove::Up ? +1 : move == VidMove::Down ? -1 : 0);
        if (stepped == present)
            return outcome;  // at the end of the range: nothing to change
        if (move == VidMove::Up && AboveLimit(stepped)) {
            SetNote(outcome.note, "Nothing written: the voltage limit is reached.");
            return outcome;
        }
        outcome.vid_value = stepped;
        outcome.written = WriteChipRegister(g, outcome.vid_register, stepped);
    }
    if (outcome.written && MirrorWanted(g))
        MirrorToSecondGpu(g, outcome.vid_register, outcome.vid_value, move, outcome.mirrorNote);
    return outcome;
}

VidWriteOutcome WriteBackOnExit(uint32_t g, uint8_t shownRegister, uint8_t shownValue)
{
    VidWriteOutcome outcome;
    if (ContextOf(g).m_dev == 0)
        return outcome;
    {
        GpuBusLock lock(g);
        uint8_t present = 0;
        if (!ReadActiveVid(g, &outcome.vid_register, &present) || outcome.vid_register != shownRegister ||
            present != shownValue) {
            SetNote(outcome.note, "EXIT wrote nothing: the chip no longer holds the VID shown.");
            return outcome;
        }
        outcome.vid_value = shownValue;
        outcome.written = WriteChipRegister(g, shownRegister, shownValue);
    }
    if (outcome.written && MirrorWanted(g))
        MirrorToSecondGpu(g, shownRegister, shownValue, VidMove::Keep, outcome.mirrorNote);
    return outcome;
}
