// Ownership of one platform handle (font, icon, brush) in portable code.
// The handle is an opaque pointer-sized value; whoever creates it supplies
// the function that releases it, so the owner needs no platform headers.
#pragma once

using PbHandleReleaser = void (*)(void* handle);

class PbOwnedHandle {
public:
    PbOwnedHandle() = default;
    PbOwnedHandle(void* handle, PbHandleReleaser releaser) : m_handle(handle), m_releaser(releaser) {}
    ~PbOwnedHandle() { reset(); }

    PbOwnedHandle(const PbOwnedHandle&) = delete;
    PbOwnedHandle& operator=(const PbOwnedHandle&) = delete;
    PbOwnedHandle(PbOwnedHandle&& other) noexcept : m_handle(other.m_handle), m_releaser(other.m_releaser)
    {
        other.m_handle = nullptr;
    }
    PbOwnedHandle& operator=(PbOwnedHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = other.m_handle;
            m_releaser = other.m_releaser;
            other.m_handle = nullptr;
        }
        return *this;
    }

    void* get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

    void reset()
    {
        if (m_handle != nullptr && m_releaser != nullptr)
            m_releaser(m_handle);
        m_handle = nullptr;
    }

private:
    void* m_handle = nullptr;
    PbHandleReleaser m_releaser = nullptr;
};
