// The diagnostic log: one time-stamped line per event, each ending in a lone
// carriage return, written the moment it is formed.
#pragma once

#include <cstddef>

#include "plugin/platform.h"

constexpr std::size_t kLogLineCapacity = 256;                                   // terminator included
constexpr std::size_t kLogStampLength = 20;                                     // "YYYY-MM-DD hh:mm:ss "
constexpr std::size_t kLogMessageMax = kLogLineCapacity - kLogStampLength - 2;  // 234

// Forms the line for a message at a given time into out (kLogLineCapacity
// bytes) and returns its length without the terminator. A message longer
// than kLogMessageMax is cut so that the line still ends in its CR.
std::size_t FormatLogLine(char* out, const LocalTime& time, const char* message);

// Appends one line to the open log; does nothing while the log is closed.
void WriteLogLine(const char* message);

// Formats a message into a bounded buffer and writes it as one line.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void LogPrintf(const char* format, ...);
