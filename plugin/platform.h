// The few operating-system services the plug-in core needs, as plain function
// pointers. The Windows build installs the real ones when the module is
// attached; the native tests install fakes. A null entry means "not there":
// the core treats it like the service failing.
#pragma once

#include <cstdint>

// How a wait for a lock's wake-up event ended.
enum class WakeWait : uint8_t {
    Signalled,  // the event was signalled
    Woken,      // messages sent to the waiting thread were delivered: look again
    TimedOut,   // the time given passed
    Failed,     // the wait itself failed (a closed event): waiting longer cannot help
};

struct LocalTime {
    uint16_t year, month, day, hour, minute, second;
};

// Same argument order as the system message box, plus the parameter record.
struct PromptBoxParams;
typedef int (*PFN_ShowPromptBox)(void* hWndOwner, const char* text, const char* caption, uint32_t type,
                                 const PromptBoxParams* params);

struct PlatformServices {
    // Diagnostic log: opened for appending (created when missing), written
    // one line per call, closed at unload. openLog returns -1 on failure.
    int (*openLog)(const char* path);
    void (*writeLog)(int fd, const char* data, unsigned length);
    void (*closeLog)(int fd);
    void (*getLocalTime)(LocalTime* out);

    // Initialisation-file value reader; returns the number of characters
    // copied, the value is always terminated within capacity.
    unsigned (*readProfileString)(const char* section, const char* key, const char* defaultValue, char* out,
                                  unsigned capacity, const char* path);

    // The host's main executable: whether there is one, and its exports.
    bool (*hostModulePresent)();
    void* (*findHostExport)(const char* name);

    // The plug-in's message box.
    PFN_ShowPromptBox showPromptBox;

    // Wake-up events for the bus locks (vrm/timed_lock.h): auto-reset,
    // created unsignalled. waitEvent returns when the event is signalled,
    // when the wait has lasted `milliseconds`, or early (Woken) when messages
    // that other threads sent to the calling thread were delivered: a thread
    // with a message queue keeps serving them while it waits, as the host's
    // own threads may wait for it (SendMessage). Posted messages are never
    // taken, and a thread without a queue is never given one. Null: the host
    // calls from one thread only, and a lock that is held is never waited for.
    void* (*createEvent)();
    WakeWait (*waitEvent)(void* event, uint32_t milliseconds);
    void (*signalEvent)(void* event);
    void (*closeEvent)(void* event);

    // A millisecond clock that wraps around; only differences are used.
    // Null: a wait for a lock is one wait for its event.
    uint32_t (*tickCountMs)();

    // A number of the calling thread, never 0. Null: one thread only.
    uint32_t (*currentThreadId)();
};

extern PlatformServices g_platform;
