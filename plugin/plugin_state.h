// The plug-in's one process-wide record and the per-GPU contexts in it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/claim_flag.h"
#include "plugin/host_services.h"
#include "plugin/shared_value.h"

constexpr uint32_t kMaxGpus = 16;
constexpr std::size_t kPathCapacity = 260;  // platform path limit, terminator included
constexpr int kLogClosed = -1;

// 0xFF in a cached byte: not read from the chip yet.
constexpr uint8_t kNotCached = 0xFF;
// Largest finite float: no good reading since the last reset.
constexpr float kNoValue = 3.4028235e38f;
// Amperes that a current-register code of 124 stands for.
constexpr float kResetCurrentScale = 50.0f;
constexpr int kPhaseSlots = 6;
constexpr int kConfigFields = 8;
// Bits of m_OVP_OCP_State.
constexpr uint8_t kStateOverVoltage = 0x02;
constexpr uint8_t kStateOverCurrent = 0x01;

// One GPU's context: its chip's location, caches and last good readings.
// Read and written only under the GPU's lock, by the GPU's device
// (vrm/vt1165_device.h), which also keeps a snapshot of the last good values
// for callers that cannot take the lock.
struct GpuContext {
    uint8_t m_bus;
    uint8_t m_dev;  // 0: no chip on this GPU; the chip's address once found
    uint8_t m_devID;
    uint8_t m_config[kConfigFields];
    uint8_t m_vidMode;
    uint8_t m_phaseCount;
    uint8_t m_OVP_OCP_State;  // bit 1 over-voltage, bit 0 over-current
    float m_voltage;
    float m_phaseTemp[kPhaseSlots];
    float m_current;
    float m_currentScale;
};

struct PluginState {
    SharedByte g_bSupportsMultiGPU = 1;
    Shared<int> g_logFile = kLogClosed;
    char g_logPath[kPathCapacity] = {};
    SharedByte g_bApplyToBoth = 0;
    char g_cfgPath[kPathCapacity] = {};
    GpuContext g_context[kMaxGpus] = {};
    uint8_t g_bLogging = 0;
    uint8_t g_bDebug = 0;
    SharedByte g_bSetupOpened = 0;
    // Each box at most once per load: claimed by the call that shows it.
    ClaimFlag g_bMultiGpuPromptShown;
    ClaimFlag g_bDetectFailShown;
    HostServices g_hostServices = {};
    // Claimed while a voltage control window is up: a second one is refused,
    // so that two windows never step the same register from stale values.
    ClaimFlag g_bVoltageWindowOpen;
    // Claimed while the multi-GPU prompt or the detection-failure warning is
    // up: the other one is not opened inside it, and stays due.
    ClaimFlag g_bDetectionBoxOpen;
    // Set when the module is being unloaded: every export entered from then
    // on returns at once.
    SharedByte g_bDetaching = 0;
    // [VT1165] VoltageLimit: UP never writes a code whose voltage is above
    // it. Unset (0) means no limit.
    uint8_t g_bVoltageLimit = 0;
    float g_voltageLimit = 0.0f;
};

extern PluginState g_state;

// The per-reading log lines are formed only when the configuration asks for
// them ([VT1165] Logging = TRUE sets the flag to exactly 1).
inline bool ReadingLogEnabled()
{
    return g_state.g_bLogging == 1;
}

// Puts the context of one GPU back to its reset values: no chip, empty
// caches, no readings, the reset current scale. Does not check dwGpu.
// Called with the GPU's lock held (a detection being published).
void InitContext(uint32_t dwGpu);
