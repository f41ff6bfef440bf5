// A value of the plug-in state that the host's threads read and write
// without a lock: the flags that a descriptor request, a prompt's answer or
// a SetupSource set while another thread's window or reading reads them,
// the log's descriptor, and the host's function slots that every descriptor
// request binds again. Every load and store is whole. Reads as and assigns
// from a plain value. (A GPU's context is the device's, under its lock:
// vrm/vt1165_device.h.)
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
