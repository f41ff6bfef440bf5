// Owners of the Win32 resources the message box takes for a moment: memory
// blocks, their locks, the clipboard, a paint session and a brush.  Each one
// gives its resource back on every path out of the scope that took it.
#pragma once

#include <windows.h>

#include <cstddef>

// A movable local memory block, allocated and locked at once.
class LockedLocalBlock {
public:
    LockedLocalBlock(UINT flags, size_t bytes)
    {
        m_hBlock = LocalAlloc(flags, bytes);
        if (m_hBlock != nullptr)
            m_pData = LocalLock(m_hBlock);
    }
    ~LockedLocalBlock()
    {
        if (m_pData != nullptr)
            LocalUnlock(m_hBlock);
        if (m_hBlock != nullptr)
            LocalFree(m_hBlock);
    }
    LockedLocalBlock(const LockedLocalBlock&) = delete;
    LockedLocalBlock& operator=(const LockedLocalBlock&) = delete;

    // Null when the block could not be allocated or locked.
    void* Data() const { return m_pData; }

private:
    HLOCAL m_hBlock = nullptr;
    void* m_pData = nullptr;
};

// A global memory block, freed unless its ownership was handed on (to the
// clipboard).
class GlobalBlock {
public:
    GlobalBlock(UINT flags, size_t bytes) : m_hBlock(GlobalAlloc(flags, bytes)) {}
    ~GlobalBlock()
    {
        if (m_hBlock != nullptr)
            GlobalFree(m_hBlock);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;

    HGLOBAL Get() const { return m_hBlock; }
    void Release() { m_hBlock = nullptr; }

private:
    HGLOBAL m_hBlock;
};

// A lock on a global memory block.
class GlobalBlockLock {
public:
    explicit GlobalBlockLock(HGLOBAL block) : m_hBlock(block), m_pData(block != nullptr ? GlobalLock(block) : nullptr)
    {
    }
    ~GlobalBlockLock()
    {
        if (m_pData != nullptr)
            GlobalUnlock(m_hBlock);
    }
    GlobalBlockLock(const GlobalBlockLock&) = delete;
    GlobalBlockLock& operator=(const GlobalBlockLock&) = delete;

    void* Data() const { return m_pData; }
    // Unlocks before the block changes hands.
    void Unlock()
    {
        if (m_pData != nullptr) {
            GlobalUnlock(m_hBlock);
            m_pData = nullptr;
        }
    }

private:
    HGLOBAL m_hBlock;
    void* m_pData;
};

// The clipboard, opened for this task.
class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner) : m_bOpen(OpenClipboard(owner) != FALSE) {}
    ~ClipboardSession()
    {
        if (m_bOpen)
            CloseClipboard();
    }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;

    bool IsOpen() const { return m_bOpen; }

private:
    bool m_bOpen;
};

// BeginPaint and EndPaint.
class PaintSession {
public:
    explicit PaintSession(HWND window) : m_hWnd(window) { m_hDc = BeginPaint(window, &m_paint); }
    ~PaintSession() { EndPaint(m_hWnd, &m_paint); }
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;

    HDC Dc() const { return m_hDc; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_paint = {};
    HDC m_hDc = nullptr;
};

// A solid brush made for one fill.
class SolidBrush {
public:
    explicit SolidBrush(COLORREF color) : m_hBrush(CreateSolidBrush(color)) {}
    ~SolidBrush()
    {
        if (m_hBrush != nullptr)
            DeleteObject(m_hBrush);
    }
    SolidBrush(const SolidBrush&) = delete;
    SolidBrush& operator=(const SolidBrush&) = delete;

    HBRUSH Get() const { return m_hBrush; }

private:
    HBRUSH m_hBrush;
};
