#include "msgbox/win32/gdi_metrics.h"

#include <cstddef>

namespace {

// The non-client metrics record as systems before Windows 6 know it: without
// the trailing padded-border field.  Older systems refuse the larger size.
constexpr UINT kNonClientMetricsSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
static_assert(kNonClientMetricsSize == 340, "NONCLIENTMETRICSA without iPaddedBorderWidth is 340 bytes");

// DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX
constexpr UINT kWrappedTextFormat = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;
static_assert(kWrappedTextFormat == 0xC50, "wrapped-text measuring flags");

void ReleaseGdiObject(void* handle)
{
    DeleteObject(static_cast<HGDIOBJ>(handle));
}

void ReleaseIcon(void* handle)
{
    DestroyIcon(static_cast<HICON>(handle));
}

HINSTANCE AsInstance(PbModule module)
{
    return static_cast<HINSTANCE>(module);
}

}  // namespace

GdiLayoutMetrics::~GdiLayoutMetrics()
{
    EndMeasuring();
}

uint32_t GdiLayoutMetrics::GetDialogBaseUnits()
{
    return static_cast<uint32_t>(::GetDialogBaseUnits());
}

int32_t GdiLayoutMetrics::GetScreenWidth()
{
    return GetSystemMetrics(SM_CXSCREEN);
}

PbSize GdiLayoutMetrics::GetIconSize()
{
    return {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
}

uint32_t GdiLayoutMetrics::GetWindowColor()
{
    return GetSysColor(COLOR_WINDOW);
}

PbModule GdiLayoutMetrics::GetMainModule()
{
    return GetModuleHandleA(nullptr);
}

int32_t GdiLayoutMetrics::LoadText(PbModule module, uint32_t id, char* buffer, int32_t capacity)
{
    // A capacity of 0 would ask for a pointer to the resource instead.
    if (buffer == nullptr || capacity <= 0)
        return 0;
    buffer[0] = '\0';
    // String ids are 16 bits wide, as the system reads them.
    const int loaded = LoadStringA(AsInstance(module), id & 0xFFFF, buffer, capacity);
    buffer[capacity - 1] = '\0';
    return loaded > 0 ? loaded : 0;
}

PbOwnedHandle GdiLayoutMetrics::CreateMessageFont()
{
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = kNonClientMetricsSize;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0)) {
        // Without the metrics the controls keep the dialog's default font.
        return PbOwnedHandle();
    }
    return PbOwnedHandle(CreateFontIndirectA(&metrics.lfMessageFont), ReleaseGdiObject);
}

PbOwnedHandle GdiLayoutMetrics::LoadModuleIcon(PbModule module, uint16_t id)
{
    return PbOwnedHandle(LoadIconA(AsInstance(module), MAKEINTRESOURCEA(id)), ReleaseIcon);
}

PbOwnedHandle GdiLayoutMetrics::LoadModuleIcon(PbModule module, const char* name)
{
    if (name == nullptr || name[0] == '\0')
        return PbOwnedHandle();
    return PbOwnedHandle(LoadIconA(AsInstance(module), name), ReleaseIcon);
}

PbOwnedHandle GdiLayoutMetrics::LoadSystemIcon(uint16_t id)
{
    return PbOwnedHandle(LoadIconA(nullptr, MAKEINTRESOURCEA(id)), ReleaseIcon);
}

PbOwnedHandle GdiLayoutMetrics::CreateSolidBrush(uint32_t color)
{
    return PbOwnedHandle(::CreateSolidBrush(static_cast<COLORREF>(color)), ReleaseGdiObject);
}

GdiLayoutMetrics::FontSelection& GdiLayoutMetrics::FontSelection::operator=(FontSelection&& other) noexcept
{
    if (this != &other) {
        reset();
        m_hDc = other.m_hDc;
        m_hPrevious = other.m_hPrevious;
        other.m_hDc = nullptr;
        other.m_hPrevious = nullptr;
    }
    return *this;
}

void GdiLayoutMetrics::FontSelection::reset()
{
    if (m_hDc != nullptr && m_hPrevious != nullptr)
        SelectObject(m_hDc, m_hPrevious);
    m_hDc = nullptr;
    m_hPrevious = nullptr;
}

bool GdiLayoutMetrics::BeginMeasuring(void* font)
{
    EndMeasuring();
    m_measuringDc.reset(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
    if (!m_measuringDc)
        return false;
    if (font != nullptr)
        m_fontSelection = FontSelection(m_measuringDc.get(), static_cast<HGDIOBJ>(font));
    return true;
}

void GdiLayoutMetrics::EndMeasuring()
{
    // The dialog's font leaves the context before the context goes away.
    m_fontSelection.reset();
    m_measuringDc.reset();
}

PbSize GdiLayoutMetrics::MeasureText(const char* text, int32_t length)
{
    SIZE size = {0, 0};
    if (m_measuringDc && text != nullptr && length > 0)
        GetTextExtentPoint32A(m_measuringDc.get(), text, length, &size);
    return {size.cx, size.cy};
}

PbRect GdiLayoutMetrics::MeasureWrappedText(const char* text, int32_t length, PbRect bounds)
{
    if (!m_measuringDc || text == nullptr)
        return {bounds.left, bounds.top, bounds.left, bounds.top};
    RECT rect = {bounds.left, bounds.top, bounds.right, bounds.bottom};
    DrawTextA(m_measuringDc.get(), text, length, &rect, kWrappedTextFormat);
    return {rect.left, rect.top, rect.right, rect.bottom};
}
