// One VT1165 per GPU, as the plug-in reaches it: where detection found it,
// the caches and last good values of the GPU's context (GpuContext of
// PluginState), and the lock that keeps the host's threads apart. Every
// chip operation is a method of Vt1165Device: read a source, scan and
// publish a detection, read for a showing of the voltage window, the
// guarded VID write.
//
// How the host's threads are kept apart, all in one place:
//
// 1. The lock is taken at the device's surface. Each operation is one bus
//    sequence: it takes the GPU's lock, pins the chip's bus and address and
//    the host's I2C functions (a ChipAccess), and lets go when it returns,
//    so that another thread can neither publish a new detection nor switch
//    the phase selection between two of its accesses. No wait is without a
//    bound: the host's I2C functions, called under the lock, may wait for
//    the host's own locks or threads, and a caller that waited without a
//    limit could be the very thread the host waits for. A call that does
//    not get the lock in time goes on without it (kReadingWaitMs,
//    kActionWaitMs); from then until some sequence of the GPU gets its lock
//    again (a busy spell) readings take the lock only when it is free
//    (vrm/busy_log.h). A waiting thread with a message queue keeps serving
//    the messages that other threads send it (vrm/timed_lock.h).
// 2. Helpers that take a ChipAccess are called with the lock held and say
//    so; they never check it again. Within a sequence the context stays as
//    it was when the sequence began, but for what the sequence itself does.
// 3. Readers without the lock (a call from inside a sequence, a wait that
//    ran out, a description from the last detection) read one snapshot of
//    the last good values (LastGood), published as each sequence ends.
// 4. The host may call back into the plug-in from inside its own I2C
//    function, on the thread that holds a lock. InsideDeviceAccess() tells
//    such a call: it never waits (its own thread holds a lock), never
//    publishes a detection and never opens a box; a reading gets the stored
//    value. The exports' doors (exports/exports.cpp) decide what each call
//    gets then.
// 5. A thread holds at most one GPU's lock: the write to an old host's GPU 2
//    runs after the window GPU's sequence has ended.
// 6. A press or EXIT writes only to the chip that its window showed (its
//    bus and address, ShownChip), to the register 0x1C names just before
//    the write, at most one code from what that register holds then.
// 7. No message box is shown under a lock; one voltage window at a time and
//    detection boxes never inside each other are claim flags
//    (plugin/claim_flag.h).
#pragma once

#include <atomic>
#include <cstdint>

#include "chip/vid_codes.h"
#include "plugin/chip_detection.h"
#include "plugin/host_functions.h"
#include "plugin/plugin_state.h"
#include "vrm/busy_log.h"
#include "vrm/timed_lock.h"

// How long a call waits for its GPU's lock before it goes on without it.
// A reading returns the GPU's stored value instead: the host polls often
// and must not stall. A press, EXIT, the write to GPU 2, a window's read for
// its showing and a descriptor request write nothing or describe from the
// last detection: worth a somewhat longer wait, never one the person at
// the card would feel.
constexpr uint32_t kReadingWaitMs = 30;
constexpr uint32_t kActionWaitMs = 200;

// True while the calling thread is inside one of the devices' sequences.
bool InsideDeviceAccess();

// A GPU's last good values and its last published detection, all of one
// moment: what a caller without the lock gets.
struct LastGood {
    float voltage = kNoValue;
    float current = kNoValue;
    float phaseTemp[kPhaseSlots] = {kNoValue, kNoValue, kNoValue, kNoValue, kNoValue, kNoValue};
    uint8_t protection = 0;  // m_OVP_OCP_State
    uint8_t phaseCount = kNotCached;
    bool detected = false;  // a detection was ever published
    bool found = false;     // ... and it found the chip
    uint8_t devID = 0;      // the chip's identifier, when found
};

// Where a voltage window read the chip: a press or EXIT acts only there.
struct ShownChip {
    uint8_t bus = 0;
    uint8_t dev = 0;
};

class Vt1165Device;

// The chip of one GPU under its device's lock, for one bus sequence: the bus
// and address that detection published, and the host's I2C functions,
// pinned when the lock was taken, so that the sequence never addresses
// another device. Made by the device's operations (and by the tests of the
// helpers that take one). As it ends, the context's last good values go
// into the device's snapshot.
class ChipAccess {
public:
    // Waits at most waitMs for the device's lock. Not entered (nothing
    // locked) when the calling thread is inside a sequence already, or the
    // lock stayed busy (Busy()).
    ChipAccess(Vt1165Device& device, uint32_t waitMs);
    ~ChipAccess();
    ChipAccess(const ChipAccess&) = delete;
    ChipAccess& operator=(const ChipAccess&) = delete;

    bool Entered() const { return entered_; }
    // Not entered because another sequence held the lock all along.
    bool Busy() const { return busy_; }
    // Entered, and the context had a chip when pinned (a device address of
    // 0 would reach every device on the bus through the general call).
    bool Present() const { return present_; }

    uint32_t Gpu() const;
    uint8_t Bus() const { return bus_; }
    uint8_t Dev() const { return dev_; }
    GpuContext& Context();
    const GpuContext& Context() const;

    // Publishes a detection in one step: the context is reset and takes the
    // chip found (or none), and this access pins it from now on. Until then
    // every reading, window and press went on with the last detection.
    void Publish(const Detection& found);

    // One-byte accesses at the pinned bus and address. Reads leave *value
    // alone unless the host reports success; both return false when no chip
    // is present or the host's access fails. A write to any register but
    // 0x07, 0x08 and 0x15..0x18 is refused without a bus access: a last belt
    // under every writer's own checks.
    bool Read(uint8_t reg, uint8_t* value) const;
    bool Write(uint8_t reg, uint8_t value) const;

private:
    void Pin();

    Vt1165Device& device_;
    bool entered_ = false;
    bool busy_ = false;
    bool present_ = false;
    uint8_t bus_ = 0;
    uint8_t dev_ = 0;
    PFN_ReadI2CEx read_ = nullptr;
    PFN_WriteI2CEx write_ = nullptr;
};

// What a descriptor request's detection came to.
struct Detected {
    enum Outcome { Busy, NoBus, NotFound, Found };
    Outcome outcome = Busy;
    uint8_t devID = 0;                // Found: the chip's identifier
    uint8_t phaseCount = kNotCached;  // Found and asked for: the phase count (kNotCached: unreadable)
};

// What the voltage window's read for a showing found.
struct ShowingRead {
    enum Outcome { Answering, NotAnswering, Busy };
    Outcome outcome = NotAnswering;
    ShownChip chip;  // where it was read
    uint8_t vid_register = 0;
    uint8_t vid_value = 0;
    float voltage = kNoValue;  // volts of vid_value
    uint8_t protection = 0;    // the GPU's OVP/OCP state at the read
};

// Register 0x1C of the chip and the VID register it names, read in that
// order.
struct ActiveVid {
    uint8_t control = 0;
    uint8_t vid_register = 0;
    uint8_t vid_value = 0;
};

// A writer's own rule: the value to write, chosen from what the VID register
// holds; false when there is nothing to write.
class VidDecision {
public:
    virtual bool Decide(const ActiveVid& held, uint8_t* value) const = 0;

protected:
    ~VidDecision() = default;
};

// Where a guarded VID write stopped, if it did.
enum class VidWriteStop {
    None,              // written
    Busy,              // another sequence held the GPU's lock all along
    NoChip,            // no chip detected (or no longer)
    Moved,             // the chip is not where the window showed it
    Unreadable,        // 0x1C or the VID register it names could not be read
    Declined,          // the writer's own rule said no
    StoppedAnswering,  // 0x1C or the VID register could not be read again just before the write
    ControlChanged,    // 0x1C names another register by then
    VidChanged,        // the register holds a value the write would move more than one code
    WriteFailed,       // the host reported the write as failed
};

struct VidWriteResult {
    VidWriteStop stop = VidWriteStop::Busy;
    ActiveVid held;     // what the chip held at the write's first read
    uint8_t value = 0;  // what was written (or was to be)
    ShownChip at;       // where the device's chip is (when entered)
};

class Vt1165Device {
public:
    // The device of GPU dwGpu (below kMaxGpus).
    static Vt1165Device& OfGpu(uint32_t dwGpu);

    uint32_t Gpu() const { return dwGpu_; }

    // The reading of a source (0..10): one sequence, waiting kReadingWaitMs
    // for the lock (during a busy spell, only a free lock). The stored value
    // when the lock stays busy or the caller is inside a sequence.
    float ReadSource(uint32_t dwSource);
    // The stored value of a source: the last good reading, no bus access.
    float StoredReading(uint32_t dwSource) const;

    // A descriptor request's detection: scans the GPU's buses (when the
    // host's functions are bound) and publishes what it found in one
    // sequence, reading the phase count too when asked. Busy, with nothing
    // scanned or published, when the lock stayed busy (no wait at all during
    // a busy spell of a GPU that has a detection to describe from).
    Detected Detect(bool hostBound, bool phaseCountWanted);

    // The voltage window's read for a showing: 0x1C and the VID register it
    // names, as one sequence.
    ShowingRead ReadForShowing();

    // The guarded VID write, one sequence: the chip is there and where it was
    // shown, its active VID reads, `decide` picks the value from what the
    // register holds, and just before the write 0x1C still names the same
    // register, which holds a value that the write moves by at most one code
    // in the direction of `move`.
    VidWriteResult WriteVid(const ShownChip& shown, VidMove move, const VidDecision& decide);

    // The last good values and the last detection, all of one moment.
    LastGood Snapshot() const;
    bool InBusySpell() const { return busy_.InSpell(); }

    // At unload: what the log has not yet said of busy spells. Then (also at
    // the end of a test, when no sequence runs) every device back to its
    // load-time state, the locks' events closed.
    static void LogBusySpellsAtUnload();
    static void ReleaseAll();

    // Devices are made once, one per GPU.
    Vt1165Device(uint32_t dwGpu);
    Vt1165Device(const Vt1165Device&) = delete;
    Vt1165Device& operator=(const Vt1165Device&) = delete;

private:
    friend class ChipAccess;

    // Called with the lock held: the context's values as the snapshot.
    void PublishSnapshot();
    void StoreSnapshot(const LastGood& values);
    void Reset();
    uint32_t ReadingWaitMs() const;

    const uint32_t dwGpu_;
    TimedLock lock_;
    BusyLog busy_;
    bool published_ = false;  // under the lock: a detection was ever published

    // The snapshot, written under the lock and read by anyone: a sequence
    // count (odd while a write is under way) and the values, each whole;
    // and, under the lock, what was last published.
    LastGood publishedValues_;
    std::atomic<uint32_t> snapshotCount_{0};
    std::atomic<float> lastVoltage_{kNoValue};
    std::atomic<float> lastCurrent_{kNoValue};
    std::atomic<float> lastPhaseTemp_[kPhaseSlots];
    std::atomic<uint8_t> lastProtection_{0};
    std::atomic<uint8_t> lastPhaseCount_{kNotCached};
    std::atomic<uint8_t> lastDetection_{0};  // bit 0 detected, bit 1 found
    std::atomic<uint8_t> lastDevID_{0};
};
