// Fixed layout metrics for the native tests: base units 8 x 16, 6 pixels per
// character, 13-pixel lines, a 1024-pixel screen and 32-pixel icons; text
// wraps per character.  Every handle is a heap cell, so one that the dialog
// fails to release shows up in LiveHandles() and as a leak.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "msgbox/layout_metrics.h"

class FakeLayoutMetrics : public LayoutMetrics {
public:
    static int& LiveHandles()
    {
        static int live = 0;
        return live;
    }

    uint32_t windowColor = 0x00FFFFFF;
    bool measuringAvailable = true;
    bool moduleIconsAvailable = true;
    // What the layout asked for.
    std::vector<uint32_t> textIds;
    std::vector<std::string> iconRequests;  // "module:<id or name>", "system:<id>"
    std::vector<uint32_t> brushColors;
    int32_t lastWrapWidth = 0;
    bool measuringOpen = false;

    void AddString(PbModule module, uint32_t id, std::string text) { m_strings[{module, id}] = std::move(text); }
    PbModule MainModule() { return &m_mainModule; }

    uint32_t GetDialogBaseUnits() override { return 8 | (16u << 16); }
    int32_t GetScreenWidth() override { return 1024; }
    PbSize GetIconSize() override { return {32, 32}; }
    uint32_t GetWindowColor() override { return windowColor; }
    PbModule GetMainModule() override { return MainModule(); }

    int32_t LoadText(PbModule module, uint32_t id, char* buffer, int32_t capacity) override
    {
        textIds.push_back(id);
        const auto found = m_strings.find({module, id});
        if (found == m_strings.end())
            return 0;
        const size_t length = std::min(found->second.size(), static_cast<size_t>(capacity - 1));
        std::memcpy(buffer, found->second.data(), length);
        buffer[length] = '\0';
        return static_cast<int32_t>(length);
    }

    PbOwnedHandle CreateMessageFont() override { return MakeHandle(); }
    PbOwnedHandle LoadModuleIcon(PbModule, uint16_t id) override { return ModuleIcon(std::to_string(id)); }
    PbOwnedHandle LoadModuleIcon(PbModule, const char* name) override { return ModuleIcon(name); }
    PbOwnedHandle LoadSystemIcon(uint16_t id) override
    {
        iconRequests.push_back("system:" + std::to_string(id));
        return MakeHandle();
    }
    PbOwnedHandle CreateSolidBrush(uint32_t color) override
    {
        brushColors.push_back(color);
        return MakeHandle();
    }

    bool BeginMeasuring(void*) override { return measuringOpen = measuringAvailable; }
    void EndMeasuring() override { measuringOpen = false; }
    PbSize MeasureText(const char*, int32_t length) override
    {
        return measuringOpen && length > 0 ? PbSize{length * 6, 13} : PbSize{0, 0};
    }
    PbRect MeasureWrappedText(const char* text, int32_t length, PbRect bounds) override
    {
        lastWrapWidth = bounds.right - bounds.left;
        if (!measuringOpen || length <= 0)
            return {bounds.left, bounds.top, bounds.left, bounds.top};
        const int32_t perLine = std::max(1, lastWrapWidth / 6);
        int32_t lines = 0, widest = 0, run = 0;
        for (int32_t i = 0; i <= length; ++i, ++run) {
            if (i == length || text[i] == '\n') {
                lines += std::max(1, (run + perLine - 1) / perLine);
                widest = std::max(widest, std::min(run, perLine));
                run = -1;
            }
        }
        return {bounds.left, bounds.top, bounds.left + widest * 6, bounds.top + lines * 13};
    }

private:
    static void ReleaseHandle(void* handle)
    {
        delete static_cast<char*>(handle);
        --LiveHandles();
    }
    static PbOwnedHandle MakeHandle()
    {
        ++LiveHandles();
        return PbOwnedHandle(new char('h'), ReleaseHandle);
    }
    PbOwnedHandle ModuleIcon(const std::string& name)
    {
        iconRequests.push_back("module:" + name);
        return moduleIconsAvailable ? MakeHandle() : PbOwnedHandle();
    }

    char m_mainModule = 'm';
    std::map<std::pair<PbModule, uint32_t>, std::string> m_strings;
};
