// What the window and the log say when one of the window's writes wrote
// nothing: each writer's own words for each place where a guarded write
// stops (vrm/vid_writes.h).
#pragma once

#include "vrm/vid_writes.h"

enum class VidWriter { Press, Exit, Mirror };

// Says in the note, and in the log, why the write of `result` wrote nothing;
// says nothing for a write that was made, nor for one that the writer's own
// rule declined (the rule says why itself, when there is something to tell).
void SayWhyNotWritten(VidNote& note, VidWriter writer, const VidWriteResult& result);

// Formats a note and writes it to the log as a line of SetupSource.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void SetVidNote(VidNote& note, const char* format, ...);

// How each writer's notes begin ("Nothing written:").
const char* VidNotePrefix(VidWriter writer);
