// A flag that one caller at a time takes: the voltage window that is open,
// the detection box that is up, a box that was shown once in this load. The
// host calls in from several threads, so testing a plain byte and then
// setting it would let two callers through; TryClaim tests and sets in one
// step, and only the caller that claimed the flag releases it.
#pragma once

#include <atomic>

class ClaimFlag {
public:
    ClaimFlag() = default;
    // Copied only when the whole plug-in state is put back to its load-time
    // values; the value goes along.
    ClaimFlag(const ClaimFlag& other) : set_(other.IsSet()) {}
    ClaimFlag& operator=(const ClaimFlag& other)
    {
        set_.store(other.IsSet());
        return *this;
    }

    // Sets the flag; true only for the caller that found it clear.
    bool TryClaim()
    {
        bool expected = false;
        return set_.compare_exchange_strong(expected, true);
    }
    void Release() { set_.store(false); }
    bool IsSet() const { return set_.load(); }

private:
    std::atomic<bool> set_{false};
};

// Holds a claim for one scope; releases it only when this scope took it.
class FlagClaim {
public:
    explicit FlagClaim(ClaimFlag& flag) : flag_(flag), taken_(flag.TryClaim()) {}
    ~FlagClaim()
    {
        if (taken_)
            flag_.Release();
    }
    FlagClaim(const FlagClaim&) = delete;
    FlagClaim& operator=(const FlagClaim&) = delete;

    bool Taken() const { return taken_; }

private:
    ClaimFlag& flag_;
    bool taken_;
};
