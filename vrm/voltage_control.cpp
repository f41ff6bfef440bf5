// SetupSource and the voltage control window.
#include "vrm/voltage_control.h"

#include <cstddef>
#include <cstdio>

#include "msgbox/prompt_box_params.h"
#include "plugin/exports.h"
#include "plugin/log.h"
#include "plugin/platform.h"
#include "plugin/plugin_state.h"
#include "vrm/chip_access.h"
#include "vrm/vt1165_regs.h"

namespace {

constexpr uint32_t kVoltageWindowType = MB_ICONEXCLAMATION;  // no default-button bits: UP is the default
constexpr uint32_t kLightGrey = 0xC0C0C0u;
constexpr int kBoxNotShown = -1;
constexpr std::size_t kWindowTextCapacity = 256;

// What the window knows of the chip's VID register in this call. A value is
// only ever written back to the register it was read from, and never more
// than one code away from what was read.
struct VidState {
    bool known = false;        // a VID register and its value were read in this call
    uint8_t vid_register = 0;
    uint8_t readValue = 0;     // as last read from vid_register
    uint8_t vid_value = 0;     // shown and written: readValue, or one step from it
};

int CodeDistance(uint8_t a, uint8_t b)
{
    int d = static_cast<int>(a & kVidCodeMask) - static_cast<int>(b & kVidCodeMask);
    return d < 0 ? -d : d;
}

// Reads register 0x1C and the VID register it selects from GPU g's chip.
void ReadVid(uint32_t g, VidState& vid, float& windowVoltage)
{
    uint8_t control = 0;
    if (!ReadChipRegister(g, kRegVidControl, &control))
        return;
    uint8_t vidRegister = VidRegisterOf(control);
    LogPrintf("SetupSource: data=0x%02X vid_register=0x%02X", control, vidRegister);

    uint8_t value = 0;
    if (ReadChipRegister(g, vidRegister, &value)) {
        vid.known = true;
        vid.vid_register = vidRegister;
        vid.readValue = value;
        vid.vid_value = value;
        windowVoltage = VidRegisterToVolts(value);
    }
    GpuContext& ctx = ContextOf(g);
    if (windowVoltage != kNoValue)
        ctx.m_voltage = windowVoltage;
    LogPrintf("SetupSource: vid_value=0x%02X Voltage=%6.4f", vid.vid_value, static_cast<double>(ctx.m_voltage));
}

void FormatWindowText(char* text, uint32_t g, const VidState& vid)
{
    const GpuContext& ctx = ContextOf(g);
    if (vid.known) {
        std::snprintf(text, kWindowTextCapacity,
                      "GPU=%i VID=0x%02X Voltage=%6.4f\n\nParameters: /sd%u /wi%u,%02x,%02x,%02x\n\nOVP/OCP=%u",
                      static_cast<int>(g) - 1, vid.vid_value, static_cast<double>(ctx.m_voltage), g - 1u,
                      static_cast<unsigned>(ctx.m_bus), static_cast<unsigned>(ctx.m_dev), vid.vid_register,
                      vid.vid_value, static_cast<unsigned>(ctx.m_OVP_OCP_State));
    } else {
        std::snprintf(text, kWindowTextCapacity,
                      "GPU=%i VID=unknown: the chip's VID register could not be read.\n\n"
                      "Nothing is written until it can be read.\n\nOVP/OCP=%u",
                      static_cast<int>(g) - 1, static_cast<unsigned>(ctx.m_OVP_OCP_State));
    }
}

int ShowVoltageWindow(void* hWnd, const char* text, const PromptBoxParams& params)
{
    if (!g_platform.showPromptBox)
        return kBoxNotShown;
    return g_platform.showPromptBox(hWnd, text, "VRM Voltage Control", kVoltageWindowType, &params);
}

void WriteBack(uint32_t g, const VidState& vid)
{
    WriteChipRegister(g, vid.vid_register, vid.vid_value);

    // An old host addresses only the first GPU; with the user's consent the
    // setting also goes to GPU 2, at the first GPU's bus and address (the
    // mirroring is limited to two cards of the same type).
    const GpuContext& ctx = ContextOf(g);
    if (g_state.g_bSupportsMultiGPU == 0 && g_state.g_bApplyToBoth && ContextOf(kMirrorGpu).m_dev != 0 &&
        ctx.m_dev != 0 && g_state.g_hostServices.WriteI2CEx) {
        uint8_t buffer = vid.vid_value;
        g_state.g_hostServices.WriteI2CEx(kMirrorGpu, ctx.m_bus, ctx.m_dev, vid.vid_register, &buffer);
    }
}

// Runs the window until EXIT. Returns 1 after EXIT, 0 when the box fails.
int32_t VoltageControlLoop(void* hWnd, uint32_t g)
{
    PromptBoxParams params;
    params.backgroundColor = kLightGrey;
    std::snprintf(params.buttonsText, sizeof params.buttonsText, "%s", "UP\nDOWN\nEXIT");

    VidState vid;
    float windowVoltage = kNoValue;
    for (;;) {
        ReadVid(g, vid, windowVoltage);

        char text[kWindowTextCapacity];
        FormatWindowText(text, g, vid);
        int result = ShowVoltageWindow(hWnd, text, params);

        if (result != kVoltageButtonUp && result != kVoltageButtonDown && result != kVoltageButtonExit) {
            // The box could not be shown (or answered with something it never
            // gives here): the same would happen on every pass, so stop now.
            return 0;
        }
        if (result != kVoltageButtonExit) {
            uint8_t stepped = StepVidValue(vid.vid_value, result == kVoltageButtonUp ? +1 : -1);
            // A press after a failed read must not walk further from the value read.
            if (CodeDistance(stepped, vid.readValue) <= 1)
                vid.vid_value = stepped;
        }
        if (vid.known)
            WriteBack(g, vid);
        if (result == kVoltageButtonExit)
            return 1;
    }
}

}  // namespace

uint8_t StepVidValue(uint8_t value, int direction)
{
    uint8_t code = value & kVidCodeMask;
    if (direction > 0 && code < kVidCodeMask)
        ++code;
    else if (direction < 0 && code > 0)
        --code;
    return static_cast<uint8_t>((value & ~kVidCodeMask) | code);
}

extern "C" int32_t SetupSource(uint32_t dwIndex, void* hWnd)
{
    g_state.g_bSetupOpened = 1;

    uint32_t dwGpu = GpuOfIndex(dwIndex);
    uint32_t dwSource = SourceOfIndex(dwIndex);
    if (dwGpu >= kMaxGpus)
        return 0;

    LogPrintf("SetupSource: dwIndex=0x%08X dwGpu=%u dwSource=%u g_bSupportsMultiGPU=%u hWnd=%X", dwIndex, dwGpu,
              dwSource, static_cast<unsigned>(g_state.g_bSupportsMultiGPU),
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(hWnd)));

    // An old host sets every GPU up through the first GPU's context.
    uint32_t g = dwGpu;
    if (g_state.g_bSupportsMultiGPU == 0) {
        if (dwGpu >= 1)
            g = 1;
        if (g_state.g_bApplyToBoth)
            WriteLogLine("SetupSource: Using the same settings on GPU 1 and GPU 2");
    }

    if (dwSource != 0)
        return 0;
    if (!hWnd)
        return 1;
    // Without a chip there is nothing to read or write: device address 0
    // would reach every device on the bus.
    if (ContextOf(g).m_dev == 0)
        return 0;
    return VoltageControlLoop(hWnd, g);
}
