// A byte of the plug-in state that the host's threads read and write
// without a lock: the flags that a descriptor request, a prompt's answer or
// a SetupSource set while another thread's window or reading reads them.
// Reads as and assigns from a plain byte.
#pragma once

#include <atomic>
#include <cstdint>

class SharedByte {
public:
    SharedByte(uint8_t value = 0) : value_(value) {}
    // Copied only when the whole plug-in state is put back to its load-time
    // values.
    SharedByte(const SharedByte& other) : value_(other.value_.load()) {}
    SharedByte& operator=(const SharedByte& other)
    {
        value_.store(other.value_.load());
        return *this;
    }
    SharedByte& operator=(uint8_t value)
    {
        value_.store(value);
        return *this;
    }
    operator uint8_t() const { return value_.load(); }

private:
    std::atomic<uint8_t> value_;
};
