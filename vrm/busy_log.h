// What the log says of a GPU's busy spells. A spell runs from the start of
// the first wait for the GPU's lock that ran out to the next time a
// sequence of the GPU gets its lock; meanwhile readings do not wait again
// (vrm/vt1165_device.h). The log sums the spells up in one line when a spell
// ends, at most once a minute, and at unload, so that a host that keeps the
// bus busy does not fill the disk. The counts stay whole under any number
// of threads.
#pragma once

#include <atomic>
#include <cstdint>

class BusyLog {
public:
    // A call that began to wait at waitStart (a millisecond tick) went on
    // without the lock.
    void NoteWentOnWithout(uint32_t waitStart);
    // A sequence of the GPU got its lock: an open spell ends, and the log
    // says so unless it did within the last minute.
    void NoteLockTaken(uint32_t dwGpu);
    // True from the first wait that ran out until a sequence gets the lock.
    bool InSpell() const { return open_.load(); }
    // Writes what the log has not said yet (at unload).
    void Flush(uint32_t dwGpu);
    // Forgets everything (the end of a test, an unload).
    void Reset();

private:
    // One line's worth of spells.
    struct Summary {
        uint32_t calls = 0;
        uint32_t spells = 0;
        uint32_t longestMs = 0;
    };
    class Guard;

    void EndSpell(uint32_t now);
    Summary TakeSummary(uint32_t now);
    static void Write(uint32_t dwGpu, const Summary& summary);

    std::atomic<bool> open_{false};  // read without the guard: a reading's wait
    std::atomic_flag guard_ = ATOMIC_FLAG_INIT;
    // Under the guard:
    uint32_t spellStart_ = 0;
    uint32_t calls_ = 0;      // calls that went on without the lock since the last line
    uint32_t spells_ = 0;     // spells ended since the last line
    uint32_t longestMs_ = 0;  // the longest of them
    uint32_t lastLineAt_ = 0;
    bool lineWritten_ = false;
};
