#include "vrm/vid_writes.h"

#include "plugin/configuration.h"
#include "plugin/plugin_state.h"
#include "vrm/vid_write_notes.h"

namespace {

bool MirrorWanted(uint32_t g)
{
    return g_state.g_bSupportsMultiGPU == 0 && g_state.g_bApplyToBoth && g != kMirrorGpu;
}

// A press: the present value stepped by one code, never past either end,
// nor above the configured voltage limit.
class PressRule : public VidDecision {
public:
    PressRule(VidMove move, VidNote& note) : move_(move), note_(note) {}
    bool Decide(const ActiveVid& held, uint8_t* value) const override
    {
        *value = StepVidValue(held.vid_value, move_);
        if (*value == held.vid_value)
            return false;  // at the end of the range: nothing to change
        if (move_ == VidMove::Up && AboveVoltageLimit(*value)) {
            SetVidNote(note_, "Nothing written: the voltage limit is reached.");
            return false;
        }
        return true;
    }

private:
    VidMove move_;
    VidNote& note_;
};

// EXIT: the value shown, only where the chip still holds it.
class ExitRule : public VidDecision {
public:
    ExitRule(uint8_t shownRegister, uint8_t shownValue, VidNote& note)
        : register_(shownRegister), value_(shownValue), note_(note)
    {
    }
    bool Decide(const ActiveVid& held, uint8_t* value) const override
    {
        if (held.vid_register != register_ || held.vid_value != value_) {
            SetVidNote(note_, "EXIT wrote nothing: the chip no longer holds the VID shown.");
            return false;
        }
        *value = value_;
        return true;
    }

private:
    uint8_t register_;
    uint8_t value_;
    VidNote& note_;
};

// GPU 2: the value written on the window's GPU, where GPU 2's own chip uses
// the same register and the write is a step of at most one code, in the
// direction pressed, from what GPU 2's register holds.
class MirrorRule : public VidDecision {
public:
    MirrorRule(uint8_t vid_register, uint8_t value, VidMove move, VidNote& note)
        : register_(vid_register), value_(value), move_(move), note_(note)
    {
    }
    bool Decide(const ActiveVid& held, uint8_t* value) const override
    {
        const char* prefix = VidNotePrefix(VidWriter::Mirror);
        if (held.vid_register != register_) {
            SetVidNote(note_, "%s it uses VID register 0x%02X.", prefix, held.vid_register);
            return false;
        }
        if (!IsStepWithin(held.vid_value, value_, move_)) {
            SetVidNote(note_, "%s it holds VID 0x%02X.", prefix, held.vid_value);
            return false;
        }
        if (VidCodeOf(value_) > VidCodeOf(held.vid_value) && AboveVoltageLimit(value_)) {
            SetVidNote(note_, "%s 0x%02X is above the voltage limit.", prefix, value_);
            return false;
        }
        *value = value_;
        return true;
    }

private:
    uint8_t register_;
    uint8_t value_;
    VidMove move_;
    VidNote& note_;
};

// A write of the window on GPU g into outcome (the rule's own note already
// there), then the same write offered to GPU 2 when
// an old host's user asked for both GPUs. GPU 2's write is a sequence of
// GPU 2 on its own chip, which must sit where the window GPU's chip was
// written; the window GPU's sequence has ended by then, so no thread ever
// holds two GPUs' locks.
void WindowWrite(uint32_t g, const ShownChip& shown, VidMove move, VidWriter writer, const VidDecision& rule,
                 VidWriteOutcome& outcome)
{
    const VidWriteResult result = Vt1165Device::OfGpu(g).WriteVid(shown, move, rule);
    if (result.stop == VidWriteStop::None || result.stop == VidWriteStop::WriteFailed) {
        outcome.vid_register = result.held.vid_register;
        outcome.vid_value = result.value;
    }
    if (result.stop != VidWriteStop::None) {
        SayWhyNotWritten(outcome.note, writer, result);
        return;
    }
    outcome.written = true;
    if (MirrorWanted(g)) {
        MirrorRule mirror(outcome.vid_register, outcome.vid_value, move, outcome.mirrorNote);
        const VidWriteResult second = Vt1165Device::OfGpu(kMirrorGpu).WriteVid(result.at, move, mirror);
        SayWhyNotWritten(outcome.mirrorNote, VidWriter::Mirror, second);
    }
}

}  // namespace

VidWriteOutcome PressVid(uint32_t g, const ShownChip& shown, VidMove move)
{
    VidWriteOutcome outcome;
    PressRule rule(move, outcome.note);
    WindowWrite(g, shown, move, VidWriter::Press, rule, outcome);
    return outcome;
}

VidWriteOutcome WriteBackOnExit(uint32_t g, const ShownChip& shown, uint8_t shownRegister, uint8_t shownValue)
{
    VidWriteOutcome outcome;
    ExitRule rule(shownRegister, shownValue, outcome.note);
    WindowWrite(g, shown, VidMove::Keep, VidWriter::Exit, rule, outcome);
    return outcome;
}
