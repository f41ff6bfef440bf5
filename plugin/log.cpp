#include "plugin/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "plugin/plugin_state.h"

std::size_t FormatLogLine(char* out, const LocalTime& time, const char* message)
{
    int stamp = std::snprintf(out, kLogLineCapacity, "%4u-%02u-%02u %02u:%02u:%02u ", static_cast<unsigned>(time.year),
                              static_cast<unsigned>(time.month), static_cast<unsigned>(time.day),
                              static_cast<unsigned>(time.hour), static_cast<unsigned>(time.minute),
                              static_cast<unsigned>(time.second));
    // A stamp field out of its usual width (a year above 9999) only shortens
    // the room left for the message.
    std::size_t used = stamp < 0 ? 0 : static_cast<std::size_t>(stamp);
    if (used > kLogLineCapacity - 2)
        used = kLogLineCapacity - 2;

    std::size_t room = kLogLineCapacity - 2 - used;  // keep space for CR and terminator
    std::size_t length = 0;
    if (message) {
        const void* end = std::memchr(message, '\0', room);
        length = end ? static_cast<std::size_t>(static_cast<const char*>(end) - message) : room;
    }
    if (length)
        std::memcpy(out + used, message, length);
    used += length;
    out[used++] = '\r';
    out[used] = '\0';
    return used;
}

void WriteLogLine(const char* message)
{
    // Read once: the log may be closed on another thread meanwhile, and a
    // closed log is never written to afterwards.
    const int fd = g_state.g_logFile;
    if (fd == kLogClosed || !g_platform.writeLog)
        return;
    LocalTime now = {};
    if (g_platform.getLocalTime)
        g_platform.getLocalTime(&now);
    char line[kLogLineCapacity];
    std::size_t length = FormatLogLine(line, now, message);
    g_platform.writeLog(fd, line, static_cast<unsigned>(length));
}

void LogPrintf(const char* format, ...)
{
    char message[kLogLineCapacity];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    WriteLogLine(message);
}
