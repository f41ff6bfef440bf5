// The simulator's host exports, serving a model for the re-entry and thread
// tests: each I2C transaction on the model runs under the host's own lock
// (the model's transaction lock), as a real host serialises its bus access
// and the model is not thread-safe. Before each one, outside that lock and
// on the plug-in's calling thread, the test sees which access is about to
// run. That is where a host's I2C function calls back into the plug-in, or
// changes a chip, in the middle of one of the plug-in's bus sequences.
// Accesses made from inside that callback do not run it again.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>

#include "sim/vt1165_model.h"

namespace test {

struct I2CAccess {
    DWORD thread;  // the plug-in's calling thread
    uint32_t gpu;
    uint8_t bus;
    uint8_t dev;
    uint8_t reg;
    bool write;
    uint8_t value;  // the byte to be written (0 for a read)
};

class LockedHost {
public:
    // Serves model through the exports until destroyed; one at a time.
    explicit LockedHost(sim::Vt1165Model& model);
    ~LockedHost();
    LockedHost(const LockedHost&) = delete;
    LockedHost& operator=(const LockedHost&) = delete;

    // Runs before each outermost access; false makes the host report that
    // access as failed (the model records it so). Set it while no plug-in
    // call runs.
    std::function<bool(const I2CAccess&)> beforeAccess;

    // Runs change with the model to itself: for changes from outside (a chip
    // register, a fault) while other threads may be inside an access.
    void Locked(const std::function<void()>& change);
    // How many accesses the model has seen (its trace's length).
    std::size_t Accesses();

    sim::Vt1165Model& model;
};

}  // namespace test
