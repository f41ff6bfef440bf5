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

// The thread inside each GPU's sequence, kNoThread when none is: side by
// side, so that every call's look at all sixteen stays cheap. A thread is
// in at most one sequence at a time.
std::atomic<uint32_t> g_sequenceThreads[kMaxGpus];

uint32_t CallingThread()
{
    return g_platform.currentThreadId ? g_platform.currentThreadId() : kOnlyThread;
}

uint32_t Now()
{
    return g_platform.tickCountMs ? g_platform.tickCountMs() : 0;
}

bool SameValues(const LastGood& a, const LastGood& b)
{
    for (int k = 0; k < kPhaseSlots; ++k)
        if (a.phaseTemp[k] != b.phaseTemp[k])
            return false;
    return a.voltage == b.voltage && a.current == b.current && a.protection == b.protection &&
           a.phaseCount == b.phaseCount && a.detected == b.detected && a.found == b.found && a.devID == b.devID;
}

bool WritableRegister(uint8_t reg)
{
    return reg == kRegPhaseKey || reg == kRegPhaseSelect || IsVidRegister(reg);
}

}  // namespace

bool InsideDeviceAccess()
{
    const uint32_t self = CallingThread();
    for (const std::atomic<uint32_t>& thread : g_sequenceThreads)
        if (thread.load() == self)
            return true;
    return false;
}

ChipAccess::ChipAccess(Vt1165Device& device, uint32_t waitMs) : device_(device)
{
    if (InsideDeviceAccess())
        return;
    // The clock is read only when the lock is not free at once.
    if (!device.lock_.Lock(0)) {
        const uint32_t waitStart = Now();
        if (!device.lock_.Lock(waitMs)) {
            busy_ = true;
            device.busy_.NoteWentOnWithout(waitStart);
            return;
        }
    }
    g_sequenceThreads[device.dwGpu_].store(CallingThread());
    entered_ = true;
    device.busy_.NoteLockTaken(device.dwGpu_);
    Pin();
}

ChipAccess::~ChipAccess()
{
    if (!entered_)
        return;
    device_.PublishSnapshot();
    g_sequenceThreads[device_.dwGpu_].store(kNoThread);
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
    const GpuContext& ctx = g_state.g_context[dwGpu_];
    LastGood now;
    now.voltage = ctx.m_voltage;
    now.current = ctx.m_current;
    for (int k = 0; k < kPhaseSlots; ++k)
        now.phaseTemp[k] = ctx.m_phaseTemp[k];
    now.protection = ctx.m_OVP_OCP_State;
    now.phaseCount = ctx.m_phaseCount;
    now.detected = published_;
    now.found = published_ && ctx.m_dev != 0;
    now.devID = now.found ? ctx.m_devID : 0;
    // Most sequences leave the values as they were: nothing to publish then.
    if (!SameValues(now, publishedValues_))
        StoreSnapshot(now);
}

void Vt1165Device::StoreSnapshot(const LastGood& values)
{
    // Each value is stored with release after the count turned odd, the
    // count turns even after them: a reader that saw a value of this write
    // sees the count changed.
    publishedValues_ = values;
    const uint32_t count = snapshotCount_.load(std::memory_order_relaxed);
    snapshotCount_.store(count + 1, std::memory_order_relaxed);
    lastVoltage_.store(values.voltage, std::memory_order_release);
    lastCurrent_.store(values.current, std::memory_order_release);
    for (int k = 0; k < kPhaseSlots; ++k)
        lastPhaseTemp_[k].store(values.phaseTemp[k], std::memory_order_release);
    lastProtection_.store(values.protection, std::memory_order_release);
    lastPhaseCount_.store(values.phaseCount, std::memory_order_release);
    const uint8_t detection =
        static_cast<uint8_t>((values.detected ? kDetectedBit : 0) | (values.found ? kFoundBit : 0));
    lastDetection_.store(detection, std::memory_order_release);
    lastDevID_.store(values.devID, std::memory_order_release);
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
    StoreSnapshot(LastGood());
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
        g_sequenceThreads[device.dwGpu_].store(kNoThread);
        device.busy_.Reset();
        device.Reset();
    }
}
