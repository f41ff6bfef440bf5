// The chip of one GPU, pinned for one bus sequence: the only way to reach a
// GPU's context inside a sequence. The bus and device address that detection
// published, and the host's I2C functions, are copied once when the sequence
// starts, and every read and write of the sequence goes through this object,
// so the sequence never addresses another device. Writes go only to the
// registers the plug-in ever writes: the phase selection and the four VID
// registers.
#pragma once

#include <cstdint>

#include "plugin/bus_sequence.h"
#include "plugin/chip_detection.h"
#include "plugin/host_services.h"
#include "plugin/plugin_state.h"

class PinnedChip {
public:
    // Enters the GPU's bus sequence, waiting at most waitMs for its lock
    // (kReadingWaitMs, kActionWaitMs), and pins the chip that the context
    // names.
    PinnedChip(uint32_t dwGpu, uint32_t waitMs);
    PinnedChip(const PinnedChip&) = delete;
    PinnedChip& operator=(const PinnedChip&) = delete;

    // The sequence was entered and the context had a chip when pinned (a
    // device address of 0 would reach every device on the bus through the
    // general call).
    bool Present() const { return present_; }
    // The sequence was entered: the GPU's context may be read and written.
    bool Entered() const { return sequence_.Entered(); }
    // Not entered because another sequence held the GPU's lock all along.
    bool Busy() const { return sequence_.Busy(); }

    uint32_t Gpu() const { return sequence_.Gpu(); }
    uint8_t Bus() const { return bus_; }
    uint8_t Dev() const { return dev_; }
    // The GPU's context; only while Entered().
    GpuContext& Context() const { return g_state.g_context[sequence_.Gpu()]; }

    // Publishes a new detection in one step: the context is reset and takes
    // the chip found (or none), and this object pins it from now on. Until
    // then every reading, window and press went on with the last detection.
    void Publish(const Detection& found);

    // One-byte accesses at the pinned bus and address. Reads leave *value
    // alone unless the host reports success; both return false when the
    // chip is not present or the host's access fails. A write to any
    // register but 0x07, 0x08 and 0x15..0x18 is refused without a bus access.
    bool Read(uint8_t reg, uint8_t* value) const;
    bool Write(uint8_t reg, uint8_t value) const;

private:
    void Pin();

    BusSequence sequence_;
    bool present_ = false;
    uint8_t bus_ = 0;
    uint8_t dev_ = 0;
    PFN_ReadI2CEx read_ = nullptr;
    PFN_WriteI2CEx write_ = nullptr;
};
