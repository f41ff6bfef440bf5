// A bus sequence: the accesses to one GPU's chip that belong together (a
// reading, the voltage window's read for a showing, a press's or EXIT's
// read-before-write, the write to an old host's second GPU, a descriptor
// request's scan and publication). Each holds its GPU's lock from start to
// end, so that another thread can neither publish a new detection nor switch
// the phase selection between two of its accesses.
//
// What keeps each access on the right chip, and which guard does what:
//   - the GPU's lock: no other thread's sequence of that GPU runs meanwhile,
//     so within a sequence the context (detection, caches) stays as it was
//     when the sequence began;
//   - the thread that owns each GPU's sequence: the host may call back into
//     the plug-in from inside its own I2C functions, on the same thread, in
//     the middle of a sequence. Such a call is told by InsideBusSequence():
//     it never waits for a lock (its own thread holds one), never publishes
//     a detection and never opens a box; a reading gets the stored value;
//   - the chip a voltage window showed (its bus and address, vrm/vid_writes.h):
//     a press or EXIT in a later sequence acts only on that chip;
//   - claim flags (plugin/claim_flag.h): one voltage window at a time, and
//     detection boxes never inside each other.
//
// No wait for a lock is without a bound: a call that does not get the lock
// in time goes on without it (see kReadingWaitMs). From then until some
// sequence of that GPU gets its lock again (a busy spell) readings do not
// wait again: they take the lock only when it is free, so that a polling
// round pays one wait per spell, not one per reading. The log sums up the
// spells of a GPU in at most one line a minute.
#pragma once

#include <cstdint>

// How long a call waits for its GPU's lock before it goes on without it.
// A reading returns the GPU's stored value instead: the host polls often
// and must not stall. A press, EXIT, the write to GPU 2, a window's read for
// its showing and a descriptor request write nothing or are refused: worth
// a somewhat longer wait, never one the person at the card would feel.
constexpr uint32_t kReadingWaitMs = 30;
constexpr uint32_t kActionWaitMs = 200;

// True while the calling thread is inside a bus sequence.
bool InsideBusSequence();

// How long a reading of the GPU waits for its lock: kReadingWaitMs, or 0
// (only a free lock) during a busy spell.
uint32_t ReadingWaitMs(uint32_t dwGpu);

// True while a wait for the GPU's lock has run out and no sequence of the
// GPU has got its lock since.
bool InBusySpell(uint32_t dwGpu);

class BusSequence {
public:
    // Waits at most waitMs for the GPU's lock. Not entered (and nothing
    // locked) when the GPU number is out of range, the calling thread is
    // inside a sequence already, or the lock stayed busy (Busy()).
    BusSequence(uint32_t dwGpu, uint32_t waitMs);
    ~BusSequence();
    BusSequence(const BusSequence&) = delete;
    BusSequence& operator=(const BusSequence&) = delete;

    bool Entered() const { return entered_; }
    // The wait for the lock ran out: another sequence held it all along.
    bool Busy() const { return busy_; }
    uint32_t Gpu() const { return dwGpu_; }

private:
    uint32_t dwGpu_;
    bool entered_ = false;
    bool busy_ = false;
};

// Writes what the log has not yet said of the GPUs' busy spells (at unload).
void LogOpenBusySpells();

// Closes the locks' wake-up events: at unload, or at the end of a test,
// when no sequence runs.
void ReleaseBusLocks();
