// A value of the plug-in state that the host's threads read without a lock:
// the flags that a descriptor request, a prompt's answer or a SetupSource set
// while another thread's window or reading reads them, and the last good
// readings of a GPU, which any caller may copy whether or not it holds the
// GPU's bus lock (a call from inside a bus sequence, a wait that ran out).
// Every load and store is whole; writers that read, modify and write (the
// protection state) hold the GPU's lock, so no change is lost. Reads as and
// assigns from a plain value.
#pragma once

#include <atomic>
#include <cstdint>

template <typename T>
class Shared {
public:
    Shared(T value = T()) : value_(value) {}
    // Copied only when the whole plug-in state is put back to its load-time
    // values.
    Shared(const Shared& other) : value_(other.value_.load()) {}
    Shared& operator=(const Shared& other)
    {
        value_.store(other.value_.load());
        return *this;
    }
    Shared& operator=(T value)
    {
        value_.store(value);
        return *this;
    }
    operator T() const { return value_.load(); }

private:
    std::atomic<T> value_;
};

using SharedByte = Shared<uint8_t>;
using SharedFloat = Shared<float>;
