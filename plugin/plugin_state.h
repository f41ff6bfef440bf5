// The plug-in's one process-wide record and the per-GPU contexts in it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/claim_flag.h"
#include "plugin/host_services.h"

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

struct GpuContext {
    uint8_t m_bus;
    uint8_t m_dev;      // 0: no chip on this GPU; the chip's address once found
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
    uint8_t g_bSupportsMultiGPU = 1;
    int g_logFile = kLogClosed;
    char g_logPath[kPathCapacity] = {};
    uint8_t g_bApplyToBoth = 0;
    char g_cfgPath[kPathCapacity] = {};
    GpuContext g_context[kMaxGpus] = {};
    uint8_t g_bLogging = 0;
    uint8_t g_bDebug = 0;
    uint8_t g_bSetupOpened = 0;
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
    // Per GPU: counts every reset and every detection of its context, so
    // that a bus sequence can tell that the chip it pinned is still the one
    // the context names. Changed only under the GPU's lock.
    uint32_t g_contextGeneration[kMaxGpus] = {};
    // [VT1165] VoltageLimit: UP never writes a code whose voltage is above
    // it. Unset (0) means no limit.
    uint8_t g_bVoltageLimit = 0;
    float g_voltageLimit = 0.0f;
};

extern PluginState g_state;

// Puts the context of one GPU back to its reset values: no chip, empty
// caches, no readings, the reset current scale. Does not check dwGpu.
void InitContext(uint32_t dwGpu);

inline GpuContext& ContextOf(uint32_t dwGpu) { return g_state.g_context[dwGpu]; }
