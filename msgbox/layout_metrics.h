// What the dialog layout needs from the platform: system numbers, text
// measured with the message font, string resources, and the few handles the
// dialog keeps (font, icon, brush).  Apart from these the layout is integer
// arithmetic, so tests drive it with fixed numbers and Windows backs it with
// GDI (msgbox/win32/gdi_metrics.h).
#pragma once

#include <cstdint>

#include "msgbox/geometry.h"
#include "msgbox/platform_handle.h"
#include "msgbox/prompt_box_params.h"

class LayoutMetrics {
public:
    virtual ~LayoutMetrics() = default;

    // ---- System numbers ----
    // Low word: horizontal base unit; high word: vertical base unit.
    virtual uint32_t GetDialogBaseUnits() = 0;
    virtual int32_t GetScreenWidth() = 0;
    virtual PbSize GetIconSize() = 0;
    // The system's window background colour (COLORREF).
    virtual uint32_t GetWindowColor() = 0;

    // ---- Strings ----
    // The process's main executable module.
    virtual PbModule GetMainModule() = 0;
    // Copies string resource id of module into buffer (at most capacity - 1
    // characters, always terminated when capacity > 0).  Returns the number
    // of characters copied; 0 when the module has no such string.
    virtual int32_t LoadText(PbModule module, uint32_t id, char* buffer, int32_t capacity) = 0;

    // ---- Handles the dialog keeps ----
    // The system's message font; an empty handle when it cannot be made.
    virtual PbOwnedHandle CreateMessageFont() = 0;
    virtual PbOwnedHandle LoadModuleIcon(PbModule module, uint16_t id) = 0;
    virtual PbOwnedHandle LoadModuleIcon(PbModule module, const char* name) = 0;
    // One of the system's standard icons (IDI_HAND, IDI_QUESTION, ...).
    virtual PbOwnedHandle LoadSystemIcon(uint16_t id) = 0;
    virtual PbOwnedHandle CreateSolidBrush(uint32_t color) = 0;

    // ---- Text measurement ----
    // Opens a measuring context with font selected (null: the system's
    // default font).  Returns false when no context could be made; the
    // measurements then report zero sizes.  EndMeasuring closes it.
    virtual bool BeginMeasuring(void* font) = 0;
    virtual void EndMeasuring() = 0;
    // Width and height of length bytes of text on one line.
    virtual PbSize MeasureText(const char* text, int32_t length) = 0;
    // The rectangle that length bytes of text need when word-wrapped within
    // bounds' width, with tabs expanded and '&' shown as is (DrawText's
    // DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX).
    virtual PbRect MeasureWrappedText(const char* text, int32_t length, PbRect bounds) = 0;
};
