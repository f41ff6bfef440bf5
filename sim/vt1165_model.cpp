#include "sim/vt1165_model.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace sim {

Vt1165Model::Vt1165Model() : random_(1) {}

Gpu& Vt1165Model::AddGpu(uint32_t busCount)
{
    gpus_.emplace_back();
    gpus_.back().busCount = busCount;
    return gpus_.back();
}

Device& Vt1165Model::AddDevice(uint32_t gpu, uint8_t bus, uint8_t address)
{
    Gpu& g = gpus_.at(gpu);
    if (Occupied(gpu, bus, address)) {
        char what[96];
        std::snprintf(what, sizeof what, "GPU %u bus %u already has a device at 0x%02X", static_cast<unsigned>(gpu),
                      static_cast<unsigned>(bus), static_cast<unsigned>(address));
        throw std::logic_error(what);
    }
    Device& device = g.devices.emplace_back();
    device.bus = bus;
    device.address = address;
    return device;
}

Device& Vt1165Model::AddVt1165(uint32_t gpu, uint8_t bus)
{
    Device& chip = AddDevice(gpu, bus, kVt1165Address);
    chip.isVt1165 = true;
    SetTypicalRegisters(chip);
    return chip;
}

Device& Vt1165Model::AddOtherDevice(uint32_t gpu, uint8_t bus, uint8_t address, uint8_t id)
{
    Device& device = AddDevice(gpu, bus, address);
    device.isVt1165 = false;
    device.regs[reg::kDeviceId] = id;
    return device;
}

bool Vt1165Model::Occupied(uint32_t gpu, uint8_t bus, uint8_t address) const
{
    if (gpu >= gpus_.size())
        return false;
    for (const Device& d : gpus_[gpu].devices)
        if (d.bus == bus && d.address == address)
            return true;
    return false;
}

Gpu* Vt1165Model::GpuAt(uint32_t gpu)
{
    return gpu < gpus_.size() ? &gpus_[gpu] : nullptr;
}

Device* Vt1165Model::Vt1165Of(uint32_t gpu)
{
    Gpu* g = GpuAt(gpu);
    if (!g)
        return nullptr;
    for (Device& d : g->devices)
        if (d.isVt1165)
            return &d;
    return nullptr;
}

uint32_t Vt1165Model::BusCount(uint32_t gpu) const
{
    return gpu < gpus_.size() ? gpus_[gpu].busCount : 0;
}

Device* Vt1165Model::DeviceAt(uint32_t gpu, uint8_t bus, uint8_t address)
{
    Gpu* g = GpuAt(gpu);
    if (!g || bus >= g->busCount)
        return nullptr;
    // At most one device matches: AddDevice refuses a second.
    for (Device& d : g->devices)
        if (d.bus == bus && d.address == address)
            return &d;
    return nullptr;
}

bool Vt1165Model::InjectFailure(uint32_t gpu, uint8_t bus, uint8_t reg)
{
    if (faults.failNext > 0) {
        --faults.failNext;
        return true;
    }
    if (faults.failingRegisters.count({gpu, reg}) || faults.failingBuses.count({gpu, bus}))
        return true;
    if (faults.failProbability > 0.0) {
        std::uniform_real_distribution<double> chance(0.0, 1.0);
        if (chance(random_) < faults.failProbability)
            return true;
    }
    return false;
}

void Vt1165Model::Record(const Device* device, uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, bool write,
                         uint8_t value, bool ok)
{
    if (!tracing)
        return;
    BusAccess access;
    access.gpu = gpu;
    access.bus = bus;
    access.dev = dev;
    access.reg = reg;
    access.write = write;
    access.value = value;
    access.ok = ok;
    if (device) {
        access.device = true;
        access.vt1165 = device->isVt1165;
        access.before = device->regs[reg];
        access.vidControl = device->regs[reg::kVidControl];
    }
    trace.push_back(access);
}

int32_t Vt1165Model::Read(uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data)
{
    std::unique_lock<std::mutex> transaction;
    if (transactionLock)
        transaction = std::unique_lock<std::mutex>(*transactionLock);
    Device* device = DeviceAt(gpu, bus, dev);
    if (!device || !data || InjectFailure(gpu, bus, reg)) {
        Record(device, gpu, bus, dev, reg, false, 0, false);
        return 0;
    }
    uint8_t value = device->regs[reg];
    if (device->isVt1165 && reg == reg::kPhaseTemp && device->selectedPhase >= 1)
        value = device->phaseTemps[device->selectedPhase - 1];
    *data = value;
    Record(device, gpu, bus, dev, reg, false, value, true);
    return 1;
}

int32_t Vt1165Model::Refuse(uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, bool write, const uint8_t* data)
{
    std::unique_lock<std::mutex> transaction;
    if (transactionLock)
        transaction = std::unique_lock<std::mutex>(*transactionLock);
    Record(DeviceAt(gpu, bus, dev), gpu, bus, dev, reg, write, write && data ? *data : 0, false);
    return 0;
}

int32_t Vt1165Model::Write(uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, const uint8_t* data)
{
    std::unique_lock<std::mutex> transaction;
    if (transactionLock)
        transaction = std::unique_lock<std::mutex>(*transactionLock);
    Device* device = DeviceAt(gpu, bus, dev);
    if (!device || !data || InjectFailure(gpu, bus, reg)) {
        Record(device, gpu, bus, dev, reg, true, data ? *data : 0, false);
        return 0;
    }
    uint8_t value = *data;
    Record(device, gpu, bus, dev, reg, true, value, true);

    if (device->isVt1165 && (reg == reg::kPhaseSelect || reg == reg::kPhaseKey)) {
        // Phase selection is a three-write handshake; anything out of order
        // starts it again.
        if (reg == reg::kPhaseSelect && value == 0x00) {
            device->phaseSelectStep = 1;
        } else if (reg == reg::kPhaseKey && value == 0xA7 && device->phaseSelectStep == 1) {
            device->phaseSelectStep = 2;
        } else if (reg == reg::kPhaseSelect && device->phaseSelectStep == 2 && value >= 0x81 && value <= 0x86) {
            device->selectedPhase = value - 0x80;
            device->phaseSelectStep = 0;
        } else {
            device->phaseSelectStep = 0;
        }
        return 1;
    }
    device->regs[reg] = value;
    return 1;
}

double Vt1165Model::ReportedVoltage(const Device& device)
{
    const uint8_t* r = device.regs;
    int vidMode = (r[0x04] >> 1) & 7;
    bool fromRegister = r[reg::kVoltageMode] & 1;
    uint8_t control = r[reg::kVidControl];
    if (vidMode == 3) {
        if (fromRegister)
            return 0.45 + 0.0125 * (r[reg::kVidFirst + ((control >> 4) & 3)] & 0x7F);
        static const double kFixed[4] = {1.0, 1.05, 1.1, 1.15};
        return kFixed[control & 3];
    }
    if (fromRegister)
        return 0.0125 * (r[reg::kVid18] & 0x7F) + 0.45 * (r[reg::kVid18] >> 7);
    return -1.0;  // decoded by the plug-in's VID tables, not modelled here
}

void Vt1165Model::Advance(uint32_t milliseconds)
{
    elapsedMs_ += milliseconds;
    double t = static_cast<double>(elapsedMs_) / 1000.0;
    // A slow load cycle: current between about 18 and 42 A, the phases
    // warming with it, each a degree apart.
    double load = 0.5 + 0.5 * std::sin(t * 0.7);
    for (Gpu& gpu : gpus_) {
        for (Device& d : gpu.devices) {
            if (!d.isVt1165)
                continue;
            double amps = 18.0 + 24.0 * load;
            d.regs[reg::kCurrent] = static_cast<uint8_t>(std::lround(amps * 124.0 / 50.0) & 0x7F);
            for (int p = 0; p < 6; ++p)
                d.phaseTemps[p] = static_cast<uint8_t>(std::lround(55.0 + 12.0 * load + p));
        }
    }
}

void SetTypicalRegisters(Device& chip)
{
    uint8_t* r = chip.regs;
    r[reg::kDeviceId] = kVt1165Id;
    r[reg::kPhaseCount] = 4;
    // Configuration word: VID mode 3 in bits 17..19 (register 0x04 bits 1..3).
    r[0x02] = 0x00;
    r[0x03] = 0x00;
    r[0x04] = 3 << 1;
    r[0x05] = 0x00;
    r[0x06] = 0x00;
    r[reg::kVoltageMode] = 0x01;  // voltage from the VID register in use
    r[reg::kVidControl] = 0x20;   // VID register 0x17
    r[0x15] = 0x30;
    r[0x16] = 0x38;
    r[0x17] = 0x3C;  // 0.45 + 0.0125 x 60 = 1.2 V
    r[0x18] = 0x40;
    r[reg::kStatus] = 0x00;
    r[reg::kCurrent] = 0x4A;  // 74: about 29.8 A
    for (int p = 0; p < 6; ++p)
        chip.phaseTemps[p] = static_cast<uint8_t>(60 + p);
}

}  // namespace sim
