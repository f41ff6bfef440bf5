#include "vrm/vid_write_notes.h"

#include <cstdarg>
#include <cstdio>

#include "plugin/log.h"

namespace {

// One writer's words. Each reason may name where the chip it found sits
// (bus, then address); a failed write of the host is told only where the
// writer says so.
struct Wording {
    const char* prefix;
    const char* busy;
    const char* noChip;
    const char* moved;
    const char* unreadable;
    const char* stoppedAnswering;
    const char* controlChanged;
    const char* vidChanged;
    bool saysFailedWrite;
};

// clang-format off
constexpr Wording kWordings[] = {
    // VidWriter::Press
    {"Nothing written:", "the VT1165 was busy.", "the VT1165 is not answering.",
     "the VT1165 was detected again since this was shown.", "the VID could not be read at the press.",
     "the VT1165 stopped answering during the press.", "register 0x1C changed during the press.",
     "the VID changed during the press.", true},
    // VidWriter::Exit
    {"EXIT wrote nothing:", "the VT1165 was busy.", "the VT1165 is not answering.",
     "the VT1165 was detected again since this was shown.", "the VID could not be read.",
     "the VT1165 stopped answering.", "register 0x1C changed.", "the VID changed.", false},
    // VidWriter::Mirror
    {"Mirror to GPU 2 skipped:", "GPU 2 was busy.", "no VT1165 detected on GPU 2.",
     "its VT1165 is on bus %u at 0x%02X.", "its VID could not be read.", "its VT1165 stopped answering.",
     "its register 0x1C changed.", "its VID changed.", false},
};
// clang-format on

const Wording& WordingOf(VidWriter writer)
{
    return kWordings[static_cast<int>(writer)];
}

}  // namespace

void SetVidNote(VidNote& note, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(note, sizeof note, format, args);
    va_end(args);
    LogPrintf("SetupSource: %s", note);
}

const char* VidNotePrefix(VidWriter writer)
{
    return WordingOf(writer).prefix;
}

void SayWhyNotWritten(VidNote& note, VidWriter writer, const VidWriteResult& result)
{
    const Wording& words = WordingOf(writer);
    const char* reason = nullptr;
    switch (result.stop) {
    case VidWriteStop::None:
    case VidWriteStop::Declined: return;
    case VidWriteStop::WriteFailed:
        if (words.saysFailedWrite)
            SetVidNote(note, "The write of VID 0x%02X to register 0x%02X failed.", result.value,
                       result.held.vid_register);
        return;
    case VidWriteStop::Busy: reason = words.busy; break;
    case VidWriteStop::NoChip: reason = words.noChip; break;
    case VidWriteStop::Moved: reason = words.moved; break;
    case VidWriteStop::Unreadable: reason = words.unreadable; break;
    case VidWriteStop::StoppedAnswering: reason = words.stoppedAnswering; break;
    case VidWriteStop::ControlChanged: reason = words.controlChanged; break;
    case VidWriteStop::VidChanged: reason = words.vidChanged; break;
    }
    char said[kVidNoteCapacity];
    std::snprintf(said, sizeof said, reason, static_cast<unsigned>(result.at.bus),
                  static_cast<unsigned>(result.at.dev));
    SetVidNote(note, "%s %s", words.prefix, said);
}
