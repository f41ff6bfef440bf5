// The device's lock, its chip access and its snapshot: how one bus sequence
// begins and ends (the rule: vrm/vt1165_device.h).
#include "vrm/vt1165_device.h"

#include "plugin/platform.h"

namespace {

constexpr uint32_t kNoThread = 0;
constexpr uint32_t kOnlyThread = 1;  // a platform without thread numbers

// How often a reader tries for a snapshot that no write cut into before it
// takes what it read: a write takes a few instructions, and each value is
// whole whatever happens.
constexpr int kSnapshotAttempts = 16;

constexpr uint8_t kDetectedBit = 0x01;
constexpr uint8_t kFoundBit = 0x02;

Vt1165Device g_devices[kMaxGpus] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

uint32_t CallingThread()
{
    return g_platform.currentThreadId ? g_platform.currentThreadId() : kOnlyThread;
}

uint32_t Now()
{
    return g_platform.tickCountMs ? g_platform.tickCountMs() : 0;
}

bool WritableRegister(uint8_t reg)
{
    return reg == kRegPhaseKey || reg == kRegPhaseSelect || IsVidRegister(reg);
}

}  // namespace

bool InsideDeviceAccess()
{
    const uint32_t self = CallingThread();
    for (const Vt1165Device& device : g_devices)
        if (device.sequenceThread_.load() == self)
            return true;
    return false;
}

ChipAccess::ChipAccess(Vt1165Device& device, uint32_t waitMs) : device_(device)
{
    if (InsideDeviceAccess())
        return;
    const uint32_t waitStart = Now();
    if (!device.lock_.Lock(waitMs)) {
        busy_ = true;
        device.busy_.NoteWentOnWithout(waitStart);
        return;
    }
    device.sequenceThread_.store(CallingThread());
    entered_ = true;
    device.busy_.NoteLockTaken(device.dwGpu_);
    Pin();
}

ChipAccess::~ChipAccess()
{
    if (!entered_)
        return;
    device_.PublishSnapshot();
    device_.sequenceThread_.store(kNoThread);
    device_.lock_.Unlock();
}

uint32_t ChipAccess::Gpu() const
{
    return device_.dwGpu_;
}

GpuContext& ChipAccess::Context()
{
    return g_state.g_context[device_.dwGpu_];
}

const GpuContext& ChipAccess::Context() const
{
    return g_state.g_context[device_.dwGpu_];
}

void ChipAccess::Pin()
{
    const GpuContext& ctx = Context();
    bus_ = ctx.m_bus;
    dev_ = ctx.m_dev;
    read_ = g_state.g_hostServices.ReadI2CEx;
    write_ = g_state.g_hostServices.WriteI2CEx;
    present_ = dev_ != 0 && read_ && write_;
}

void ChipAccess::Publish(const Detection& found)
{
    if (!entered_)
        return;
    InitContext(device_.dwGpu_);
    GpuContext& ctx = Context();
    ctx.m_devID = found.devID;
    if (found.result == ScanResult::Found) {
        ctx.m_bus = found.bus;
        ctx.m_dev = kChipAddress;
    }
    device_.published_ = true;
    Pin();
}

bool ChipAccess::Read(uint8_t reg, uint8_t* value) const
{
    if (!present_ || !value)
        return false;
    // The host writes into a buffer of our own; the caller's byte is only
    // touched once the host has reported success.
    uint8_t buffer = 0;
    if (!read_(device_.dwGpu_, bus_, dev_, reg, &buffer))
        return false;
    *value = buffer;
    return true;
}

bool ChipAccess::Write(uint8_t reg, uint8_t value) const
{
    if (!present_ || !WritableRegister(reg))
        return false;
    uint8_t buffer = value;
    return write_(device_.dwGpu_, bus_, dev_, reg, &buffer) != 0;
}

Vt1165Device::Vt1165Device(uint32_t dwGpu) : dwGpu_(dwGpu)
{
    Reset();
}

Vt1165Device& Vt1165Device::OfGpu(uint32_t dwGpu)
{
    return g_devices[dwGpu];
}

void Vt1165Device::PublishSnapshot()
{
    // Each value is stored with release after the count turned odd, the
    // count turns even after them: a reader that saw a value of this write
    // sees the count changed.
    const GpuContext& ctx = g_state.g_context[dwGpu_];
    const uint32_t count = snapshotCount_.load(std::memory_order_relaxed);
    snapshotCount_.store(count + 1, std::memory_order_relaxed);
    lastVoltage_.store(ctx.m_voltage, std::memory_order_release);
    lastCurrent_.store(ctx.m_current, std::memory_order_release);
    for (int k = 0; k < kPhaseSlots; ++k)
        lastPhaseTemp_[k].store(ctx.m_phaseTemp[k], std::memory_order_release);
    lastProtection_.store(ctx.m_OVP_OCP_State, std::memory_order_release);
    lastPhaseCount_.store(ctx.m_phaseCount, std::memory_order_release);
    const uint8_t detection =
        static_cast<uint8_t>((published_ ? kDetectedBit : 0) | (published_ && ctx.m_dev ? kFoundBit : 0));
    lastDetection_.store(detection, std::memory_order_release);
    lastDevID_.store(ctx.m_dev ? ctx.m_devID : 0, std::memory_order_release);
    snapshotCount_.store(count + 2, std::memory_order_release);
}

LastGood Vt1165Device::Snapshot() const
{
    LastGood last;
    for (int attempt = 0; attempt < kSnapshotAttempts; ++attempt) {
        const uint32_t before = snapshotCount_.load(std::memory_order_acquire);
        last.voltage = lastVoltage_.load(std::memory_order_acquire);
        last.current = lastCurrent_.load(std::memory_order_acquire);
        for (int k = 0; k < kPhaseSlots; ++k)
            last.phaseTemp[k] = lastPhaseTemp_[k].load(std::memory_order_acquire);
        last.protection = lastProtection_.load(std::memory_order_acquire);
        last.phaseCount = lastPhaseCount_.load(std::memory_order_acquire);
        const uint8_t detection = lastDetection_.load(std::memory_order_acquire);
        last.devID = lastDevID_.load(std::memory_order_acquire);
        last.detected = (detection & kDetectedBit) != 0;
        last.found = (detection & kFoundBit) != 0;
        if ((before & 1) == 0 && snapshotCount_.load(std::memory_order_acquire) == before)
            break;
    }
    return last;
}

void Vt1165Device::Reset()
{
    published_ = false;
    snapshotCount_.store(0);
    lastVoltage_.store(kNoValue);
    lastCurrent_.store(kNoValue);
    for (std::atomic<float>& t : lastPhaseTemp_)
        t.store(kNoValue);
    lastProtection_.store(0);
    lastPhaseCount_.store(kNotCached);
    lastDetection_.store(0);
    lastDevID_.store(0);
}

void Vt1165Device::LogBusySpellsAtUnload()
{
    for (Vt1165Device& device : g_devices)
        device.busy_.Flush(device.dwGpu_);
}

void Vt1165Device::ReleaseAll()
{
    for (Vt1165Device& device : g_devices) {
        device.lock_.Release();
        device.sequenceThread_.store(kNoThread);
        device.busy_.Reset();
        device.Reset();
    }
}
