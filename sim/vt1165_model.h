// A model of the host's I2C access to the GPUs: buses, the VT1165 and other
// devices, fault injection and a trace of every access. Portable, so that the
// native tests and the Windows host simulator share it.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace sim {

constexpr uint8_t kVt1165Address = 0x70;
constexpr uint8_t kVt1165Id = 0x0A;
constexpr uint32_t kMaxSimGpus = 16;

// Registers of the VT1165 that the model gives meaning to.
namespace reg {
constexpr uint8_t kConfigFirst = 0x02;  // 0x02..0x06: 40-bit configuration word
constexpr uint8_t kPhaseKey = 0x07;     // 0xA7 between the two phase selects
constexpr uint8_t kPhaseSelect = 0x08;  // 0x00, then 0x80 + phase
constexpr uint8_t kPhaseTemp = 0x0A;
constexpr uint8_t kStatus = 0x0D;  // bit 1 OVP, bit 0 OCP
constexpr uint8_t kPhaseCount = 0x0E;
constexpr uint8_t kVidFirst = 0x15;  // 0x15..0x18
constexpr uint8_t kVid18 = 0x18;
constexpr uint8_t kVoltageMode = 0x19;
constexpr uint8_t kDeviceId = 0x1A;
constexpr uint8_t kVidControl = 0x1C;  // bits 4..5 select the VID register in use
constexpr uint8_t kCurrent = 0x1E;
}  // namespace reg

struct BusAccess {
    uint32_t gpu;
    uint8_t bus;
    uint8_t dev;
    uint8_t reg;
    bool write;
    uint8_t value;  // written, or read (0 when the read failed)
    bool ok;
    // The addressed device as it was just before the access, so that a
    // checker can judge each write against the chip's state at that moment,
    // outside changes included. All are 0 when no device sits there.
    bool device = false;     // a device answers at this GPU, bus and address
    bool vt1165 = false;     // ... and it is a VT1165
    uint8_t before = 0;      // the register's value just before the access
    uint8_t vidControl = 0;  // the device's register 0x1C just before the access
};

// A device on a bus: 256 byte registers; a VT1165 also answers the phase
// selection sequence and reports per-phase temperatures.
struct Device {
    uint8_t bus = 0;
    uint8_t address = kVt1165Address;
    bool isVt1165 = true;
    uint8_t regs[256] = {};
    uint8_t phaseTemps[6] = {};
    int phaseSelectStep = 0;  // progress through 0x08=0x00, 0x07=0xA7, 0x08=0x80+n
    int selectedPhase = 0;    // 1..6 once selected
};

struct Gpu {
    uint32_t busCount = 0;       // what GetI2CBusNumEx reports (may exceed 255)
    std::deque<Device> devices;  // deque: references stay valid as devices are added
};

struct Faults {
    // Registers whose every access fails, per GPU (gpu, register).
    std::set<std::pair<uint32_t, uint8_t>> failingRegisters;
    // Buses whose every access fails, per GPU (gpu, bus).
    std::set<std::pair<uint32_t, uint8_t>> failingBuses;
    uint32_t failNext = 0;         // the next N accesses fail
    double failProbability = 0.0;  // each access fails with this probability
};

class Vt1165Model {
public:
    Vt1165Model();

    // Topology. No bus holds two devices at one address: adding a device
    // where one already sits (whatever the GPU's bus count) throws
    // std::logic_error, so that a test can never build a topology whose
    // accesses reach one device while a checker looks at the other.
    Gpu& AddGpu(uint32_t busCount);
    Device& AddVt1165(uint32_t gpu, uint8_t bus);
    Device& AddOtherDevice(uint32_t gpu, uint8_t bus, uint8_t address, uint8_t id);
    Gpu* GpuAt(uint32_t gpu);
    Device* Vt1165Of(uint32_t gpu);
    std::size_t GpuCount() const { return gpus_.size(); }
    // Whether a device sits at this GPU, bus and address, reachable or not.
    bool Occupied(uint32_t gpu, uint8_t bus, uint8_t address) const;
    // The device that answers at this GPU, bus and address: null when none
    // sits there or the bus is not below the GPU's bus count. Every Read and
    // Write is routed by this lookup, and a checker that judges accesses
    // finds devices through it too, so both always mean the same device.
    Device* DeviceAt(uint32_t gpu, uint8_t bus, uint8_t address);

    // Host identity.
    uint32_t hostVersion = 0x02170000u;

    // What the host's exports do.
    uint32_t BusCount(uint32_t gpu) const;
    int32_t Read(uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data);
    int32_t Write(uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, const uint8_t* data);
    // An access that the host reports as failed without carrying it out
    // (a test's hook decided so): recorded as a failed access; returns 0.
    int32_t Refuse(uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, bool write, const uint8_t* data);

    // Faults.
    Faults faults;
    // For hosts that call from several threads: when set, every Read and
    // Write holds this lock for its whole transaction (fault injection, the
    // device's registers, the trace entry), as a real bus carries one
    // transaction at a time. Whoever changes the faults, registers or trace
    // while such threads run holds it too. Null (the default): no locking.
    std::mutex* transactionLock = nullptr;
    void Seed(uint32_t seed) { random_.seed(seed); }

    // Load curve: moves current and temperatures of every VT1165 a step.
    void Advance(uint32_t milliseconds);

    // Trace of every access, in order.
    bool tracing = true;
    std::vector<BusAccess> trace;
    void ClearTrace() { trace.clear(); }

    // Output voltage that the chip reports in its present configuration
    // (volts; negative when its configuration has no voltage to report).
    static double ReportedVoltage(const Device& device);

private:
    Device& AddDevice(uint32_t gpu, uint8_t bus, uint8_t address);
    bool InjectFailure(uint32_t gpu, uint8_t bus, uint8_t reg);
    void Record(const Device* device, uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, bool write, uint8_t value,
                bool ok);

    std::deque<Gpu> gpus_;
    std::mt19937 random_;
    uint64_t elapsedMs_ = 0;
};

// A VT1165 in a plausible running state: four phases, VID mode 3 with the
// voltage read from the VID register in use (0x17 = 1.2 V), 36 A, 60..63 C.
void SetTypicalRegisters(Device& chip);

}  // namespace sim
