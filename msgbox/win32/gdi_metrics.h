// LayoutMetrics backed by the system: GDI measuring with the message font in
// a display context, the system's dialog base units, screen and icon sizes,
// string and icon resources.  Construct one on the calling thread and hand
// it to CPromptDialog's constructor:
//
//     GdiLayoutMetrics metrics;
//     CPromptDialog dialog(metrics, owner, text, caption, type, params);
//
// The handles the dialog keeps (font, icon, brush) release themselves, so
// the metrics object may go away once the dialog is constructed.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

#include "msgbox/layout_metrics.h"

class GdiLayoutMetrics final : public LayoutMetrics {
public:
    GdiLayoutMetrics() = default;
    ~GdiLayoutMetrics() override;

    GdiLayoutMetrics(const GdiLayoutMetrics&) = delete;
    GdiLayoutMetrics& operator=(const GdiLayoutMetrics&) = delete;

    uint32_t GetDialogBaseUnits() override;
    int32_t GetScreenWidth() override;
    PbSize GetIconSize() override;
    uint32_t GetWindowColor() override;

    PbModule GetMainModule() override;
    int32_t LoadText(PbModule module, uint32_t id, char* buffer, int32_t capacity) override;

    PbOwnedHandle CreateMessageFont() override;
    PbOwnedHandle LoadModuleIcon(PbModule module, uint16_t id) override;
    PbOwnedHandle LoadModuleIcon(PbModule module, const char* name) override;
    PbOwnedHandle LoadSystemIcon(uint16_t id) override;
    PbOwnedHandle CreateSolidBrush(uint32_t color) override;

    bool BeginMeasuring(void* font) override;
    void EndMeasuring() override;
    PbSize MeasureText(const char* text, int32_t length) override;
    PbRect MeasureWrappedText(const char* text, int32_t length, PbRect bounds) override;

private:
    struct DcDeleter {
        void operator()(HDC dc) const { DeleteDC(dc); }
    };
    using OwnedDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

    // Puts the context's previous font back when it ends.
    class FontSelection {
    public:
        FontSelection() = default;
        FontSelection(HDC dc, HGDIOBJ font) : m_hDc(dc), m_hPrevious(SelectObject(dc, font)) {}
        ~FontSelection() { reset(); }
        FontSelection(const FontSelection&) = delete;
        FontSelection& operator=(const FontSelection&) = delete;
        FontSelection& operator=(FontSelection&& other) noexcept;
        void reset();

    private:
        HDC m_hDc = nullptr;
        HGDIOBJ m_hPrevious = nullptr;
    };

    // Declared in this order so that the font is deselected before the
    // context is deleted.
    OwnedDc m_measuringDc;
    FontSelection m_fontSelection;
};
