// The laid-out message box written as a Win32 in-memory dialog template: a
// DLGTEMPLATE header (no font, no menu, the predefined dialog class, the
// title) followed by one DLGITEMTEMPLATE per item, each starting on a 4-byte
// boundary, with the class given as an atom and every text in UTF-16.  All
// fields are little-endian.
//
// Pure byte work: the ANSI-to-UTF-16 conversion is handed in, so Windows
// uses the system's code page and the native tests a fixed one.
#pragma once

#include <cstddef>
#include <cstdint>

class CPromptDialog;

// The title is cut to its first 1,023 bytes.
constexpr int PB_TITLE_CHARS = 1024;

// Converts the zero-terminated 8-bit text, terminator included, into at
// most capacity UTF-16 units.  With units null it only counts.  Returns the
// number of units (terminator included), 0 on failure; like
// MultiByteToWideChar with a length of -1.
using PbWidenText = int32_t (*)(const char* text, uint16_t* units, int32_t capacity);

// Size in bytes of the template of dialog; 0 when a text cannot be
// converted.
size_t MeasureDialogTemplate(const CPromptDialog& dialog, PbWidenText widen);

// Writes the template into block (capacity bytes; the padding bytes are
// written as 0).  Returns the number of bytes written, or 0 when the block
// is too small or a text cannot be converted.
size_t WriteDialogTemplate(const CPromptDialog& dialog, PbWidenText widen, uint8_t* block, size_t capacity);
