#include "vrm/vid_writes.h"

#include <cstdarg>
#include <cstdio>

#include "plugin/bus_sequence.h"
#include "plugin/log.h"
#include "plugin/plugin_state.h"
#include "plugin/voltage_limit.h"
#include "vrm/pinned_chip.h"
#include "vrm/vt1165_regs.h"

namespace {

constexpr uint8_t kVidBit7 = 0x80;

// One line that says why something was not written.
using Note = char[kVidNoteCapacity];

int CodeOf(uint8_t value)
{
    return value & kVidCodeMask;
}

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
void SetNote(Note& note, const char* format, ...)
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

bool SameChip(const PinnedChip& chip, const ShownChip& shown)
{
    return chip.Bus() == shown.bus && chip.Dev() == shown.dev;
}

// Where a guarded write stopped, if it did.
enum class Stop {
    None,              // written
    Busy,              // another sequence held the GPU's lock all along
    NoChip,            // no chip detected (or no longer)
    Moved,             // the chip is not where the window showed it
    Unreadable,        // 0x1C or the VID register it names could not be read
    Declined,          // the writer's own rule said no (and said why, if at all)
    StoppedAnswering,  // 0x1C or the VID register could not be read again just before the write
    ControlChanged,    // 0x1C names another register by then
    VidChanged,        // the register holds a value the write would move more than one code
    WriteFailed,       // the host reported the write as failed
};

// The guarded write on the pinned chip: the chip is there and where it was
// shown, its active VID reads, `decide` picks the value from what the
// register holds (false: nothing to write, with the reason in the note when
// there is one to tell), and just before the write 0x1C still names the same
// register, which holds a value that the write moves by at most one code in
// the direction of `move` (another tool, a power-state switch may have
// written it meanwhile).
template <typename Decide>
Stop GuardedVidWrite(const PinnedChip& chip, const ShownChip& at, VidMove move, const Decide& decide,
                     ActiveVid* present, uint8_t* value, Note& note)
{
    if (chip.Busy())
        return Stop::Busy;
    if (!chip.Present())
        return Stop::NoChip;
    if (!SameChip(chip, at))
        return Stop::Moved;
    if (!ReadActiveVid(chip, present))
        return Stop::Unreadable;
    if (!decide(*present, value, note))
        return Stop::Declined;
    uint8_t control = 0;
    if (!chip.Read(kRegVidControl, &control))
        return Stop::StoppedAnswering;
    if (control != present->control)
        return Stop::ControlChanged;
    uint8_t held = 0;
    if (!chip.Read(present->vid_register, &held))
        return Stop::StoppedAnswering;
    if (!IsStepWithin(held, *value, move))
        return Stop::VidChanged;
    return chip.Write(present->vid_register, *value) ? Stop::None : Stop::WriteFailed;
}

// How one writer words a stop in the window and the log.
struct Wording {
    const char* prefix;
    const char* busy;
    const char* noChip;
    const char* moved;
    const char* unreadable;
    const char* stoppedAnswering;
    const char* controlChanged;
    const char* vidChanged;
    bool tellsFailedWrite;  // a write the host reported as failed is said too
};

constexpr Wording kPressWording = {"Nothing written:",
                                   "the VT1165 was busy.",
                                   "the VT1165 is not answering.",
                                   "the VT1165 was detected again since this was shown.",
                                   "the VID could not be read at the press.",
                                   "the VT1165 stopped answering during the press.",
                                   "register 0x1C changed during the press.",
                                   "the VID changed during the press.",
                                   true};

constexpr Wording kExitWording = {"EXIT wrote nothing:",
                                  "the VT1165 was busy.",
                                  "the VT1165 is not answering.",
                                  "the VT1165 was detected again since this was shown.",
                                  "the VID could not be read.",
                                  "the VT1165 stopped answering.",
                                  "register 0x1C changed.",
                                  "the VID changed.",
                                  false};

constexpr Wording kMirrorWording = {"Mirror to GPU 2 skipped:",
                                    "GPU 2 was busy.",
                                    "no VT1165 detected on GPU 2.",
                                    nullptr,
                                    "its VID could not be read.",
                                    "its VT1165 stopped answering.",
                                    "its register 0x1C changed.",
                                    "its VID changed.",
                                    false};

// Says why nothing was written, for the stops that every writer words alike.
void SayStop(Note& note, const Wording& words, Stop stop, const PinnedChip& chip)
{
    const char* reason = nullptr;
    switch (stop) {
    case Stop::Busy: reason = words.busy; break;
    case Stop::NoChip: reason = words.noChip; break;
    case Stop::Moved: reason = words.moved; break;
    case Stop::Unreadable: reason = words.unreadable; break;
    case Stop::StoppedAnswering: reason = words.stoppedAnswering; break;
    case Stop::ControlChanged: reason = words.controlChanged; break;
    case Stop::VidChanged: reason = words.vidChanged; break;
    case Stop::None:
    case Stop::Declined:
    case Stop::WriteFailed: return;
    }
    if (reason)
        SetNote(note, "%s %s", words.prefix, reason);
    else  // the mirror names where GPU 2's chip is instead
        SetNote(note, "%s its VT1165 is on bus %u at 0x%02X.", words.prefix, static_cast<unsigned>(chip.Bus()),
                static_cast<unsigned>(chip.Dev()));
}

// Writes value to GPU 2's vid_register when GPU 2's own chip sits where the
// window GPU's chip was written, and the write is a step of at most one
// code, in the direction pressed, from what GPU 2's register holds. GPU 2's
// checks and its write are one bus sequence of GPU 2, on its pinned chip;
// the window GPU's sequence has ended by then, so no thread ever holds two
// GPUs' locks. Otherwise says why not.
void MirrorToSecondGpu(const ShownChip& writtenAt, uint8_t vid_register, uint8_t value, VidMove move, Note& note)
{
    PinnedChip second(kMirrorGpu, kActionWaitMs);
    ActiveVid present;
    uint8_t mirrored = value;
    auto decide = [&](const ActiveVid& held, uint8_t* out, Note& why) {
        if (held.vid_register != vid_register) {
            SetNote(why, "%s it uses VID register 0x%02X.", kMirrorWording.prefix, held.vid_register);
            return false;
        }
        if (!IsStepWithin(held.vid_value, value, move)) {
            SetNote(why, "%s it holds VID 0x%02X.", kMirrorWording.prefix, held.vid_value);
            return false;
        }
        if (CodeOf(value) > CodeOf(held.vid_value) && AboveLimit(value)) {
            SetNote(why, "%s 0x%02X is above the voltage limit.", kMirrorWording.prefix, value);
            return false;
        }
        *out = value;
        return true;
    };
    Stop stop = GuardedVidWrite(second, writtenAt, move, decide, &present, &mirrored, note);
    SayStop(note, kMirrorWording, stop, second);
}

// A write of the window on GPU g: the guarded write with the writer's rule,
// then the same write offered to GPU 2 when an old host's user asked for
// both GPUs.
template <typename Decide>
VidWriteOutcome WindowWrite(uint32_t g, const ShownChip& shown, VidMove move, const Wording& words,
                            const Decide& decide)
{
    VidWriteOutcome outcome;
    ShownChip writtenAt;
    {
        PinnedChip chip(g, kActionWaitMs);
        ActiveVid present;
        uint8_t value = 0;
        Stop stop = GuardedVidWrite(chip, shown, move, decide, &present, &value, outcome.note);
        if (stop == Stop::WriteFailed || stop == Stop::None) {
            outcome.vid_register = present.vid_register;
            outcome.vid_value = value;
        }
        if (stop != Stop::None) {
            SayStop(outcome.note, words, stop, chip);
            if (stop == Stop::WriteFailed && words.tellsFailedWrite)
                SetNote(outcome.note, "The write of VID 0x%02X to register 0x%02X failed.", value,
                        present.vid_register);
            return outcome;
        }
        outcome.written = true;
        writtenAt.bus = chip.Bus();
        writtenAt.dev = chip.Dev();
    }
    if (MirrorWanted(g))
        MirrorToSecondGpu(writtenAt, outcome.vid_register, outcome.vid_value, move, outcome.mirrorNote);
    return outcome;
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
    auto decide = [move](const ActiveVid& held, uint8_t* value, Note& why) {
        *value = StepVidValue(held.vid_value, move == VidMove::Up ? +1 : move == VidMove::Down ? -1 : 0);
        if (*value == held.vid_value)
            return false;  // at the end of the range: nothing to change
        if (move == VidMove::Up && AboveLimit(*value)) {
            SetNote(why, "Nothing written: the voltage limit is reached.");
            return false;
        }
        return true;
    };
    return WindowWrite(g, shown, move, kPressWording, decide);
}

VidWriteOutcome WriteBackOnExit(uint32_t g, const ShownChip& shown, uint8_t shownRegister, uint8_t shownValue)
{
    auto decide = [shownRegister, shownValue](const ActiveVid& held, uint8_t* value, Note& why) {
        if (held.vid_register != shownRegister || held.vid_value != shownValue) {
            SetNote(why, "EXIT wrote nothing: the chip no longer holds the VID shown.");
            return false;
        }
        *value = shownValue;
        return true;
    };
    return WindowWrite(g, shown, VidMove::Keep, kExitWording, decide);
}
