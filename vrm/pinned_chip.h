// The chip of one GPU, pinned for one bus sequence. The bus and device
// address that detection stored, and the host's I2C functions, are copied
// once when the sequence starts, and every read and write of the sequence
// goes through this object: whatever happens to the context meanwhile, the
// sequence never addresses another device. A write is refused outright when
// the context was reset or detected again since the pin (the generation
// count moved), which the GPU's lock should make impossible.
#pragma once

#include <cstdint>

#include "plugin/bus_sequence.h"
#include "plugin/host_services.h"
#include "plugin/plugin_state.h"

class PinnedChip {
public:
    // Enters the GPU's bus sequence (waiting for its lock) and pins the chip
    // that the context names.
    explicit PinnedChip(uint32_t dwGpu);
    PinnedChip(const PinnedChip&) = delete;
    PinnedChip& operator=(const PinnedChip&) = delete;

    // The sequence was entered and the context had a chip when pinned (a
    // device address of 0 would reach every device on the bus through the
    // general call).
    bool Present() const { return present_; }
    // The sequence was entered: the GPU's context may be read and written.
    bool Entered() const { return sequence_.Entered(); }
    // The context was neither reset nor detected again since the pin.
    bool Unchanged() const;

    uint32_t Gpu() const { return sequence_.Gpu(); }
    uint8_t Bus() const { return bus_; }
    uint8_t Dev() const { return dev_; }
    // The GPU's context; only while Entered().
    GpuContext& Context() const { return ContextOf(sequence_.Gpu()); }

    // One-byte accesses at the pinned bus and address. Reads leave *value
    // alone unless the host reports success; both return false when the
    // chip is not present, the context changed, or the host's access fails.
    bool Read(uint8_t reg, uint8_t* value) const;
    bool Write(uint8_t reg, uint8_t value) const;

private:
    BusSequence sequence_;
    bool present_ = false;
    uint8_t bus_ = 0;
    uint8_t dev_ = 0;
    uint32_t generation_ = 0;
    PFN_ReadI2CEx read_ = nullptr;
    PFN_WriteI2CEx write_ = nullptr;
};
