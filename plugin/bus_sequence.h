// A bus sequence: the accesses to one GPU's chip that belong together (a
// reading, the voltage window's read-before-write, EXIT's write-back, the
// write to an old host's second GPU, a descriptor request's reset and
// scan). Each holds its GPU's lock from start to end, so that another thread
// cannot reset the context, move the chip or switch the phase selection
// between two of its accesses.
//
// The host may call back into the plug-in from inside its own I2C functions,
// that is from inside a sequence, on the same thread. Such a call must
// neither wait for the lock its own thread holds nor open a message box
// under it; InsideBusSequence() tells it where it is. A thread runs at most
// one sequence at a time, so it never holds two GPUs' locks.
#pragma once

#include <cstdint>

// True while the calling thread is inside a bus sequence.
bool InsideBusSequence();

// True while the calling thread is inside a bus sequence of this GPU.
bool InsideBusSequenceOf(uint32_t dwGpu);

class BusSequence {
public:
    // Waits for the GPU's lock. Not entered (and nothing locked) when the
    // GPU number is out of range or the calling thread is inside a sequence
    // already.
    explicit BusSequence(uint32_t dwGpu);
    ~BusSequence();
    BusSequence(const BusSequence&) = delete;
    BusSequence& operator=(const BusSequence&) = delete;

    bool Entered() const { return entered_; }
    uint32_t Gpu() const { return dwGpu_; }

private:
    uint32_t dwGpu_;
    bool entered_ = false;
};

// Holds another GPU's lock for one scope, for a call that comes from inside
// a sequence of a different GPU and only copies stored values: the lock is
// taken only when it is free at once, never waited for, since two threads
// each inside a sequence and each waiting for the other's GPU would never go
// on. Nothing is locked, and Taken() is false, when it is busy.
class StoredValuesLock {
public:
    explicit StoredValuesLock(uint32_t dwGpu);
    ~StoredValuesLock();
    StoredValuesLock(const StoredValuesLock&) = delete;
    StoredValuesLock& operator=(const StoredValuesLock&) = delete;

    bool Taken() const { return taken_; }

private:
    uint32_t dwGpu_;
    bool taken_ = false;
    bool locked_ = false;
};
