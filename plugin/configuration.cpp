#include "plugin/configuration.h"

#include <cstring>

#include "chip/vid_codes.h"
#include "plugin/log.h"
#include "plugin/platform.h"
#include "plugin/plugin_state.h"

namespace {

// Room for a value with a comment after it, so that the comment can be
// named in the log; only "TRUE" itself switches on.
constexpr unsigned kValueCapacity = 64;
constexpr int kMaxFractionDigits = 4;
constexpr int kMaxWholeDigits = 1;
constexpr double kSmallestLimit = 0.01;

// Reads a value; the reader answers an absent key with the default.
void ReadValue(const char* section, const char* key, const char* defaultValue, char (&value)[kValueCapacity])
{
    value[0] = '\0';
    if (g_platform.readProfileString)
        g_platform.readProfileString(section, key, defaultValue, value, kValueCapacity, g_state.g_cfgPath);
    value[kValueCapacity - 1] = '\0';
}

// A comment written after a value ("Logging=TRUE ; note") is read as part
// of the value, so the setting is refused or stays off: the log names that
// as the likely cause.
void LogTrailingComment(const char* key, const char* value)
{
    if (std::strchr(value, ';'))
        LogPrintf("%s: the value holds a ';', likely a comment after it, which is read as part of the value; "
                  "put comments on lines of their own",
                  key);
}

// True only for the exact value "TRUE" (with case).
bool ReadSwitch(const char* section, const char* key)
{
    char value[kValueCapacity];
    ReadValue(section, key, "", value);
    const bool on = std::strcmp(value, "TRUE") == 0;
    if (!on)
        LogTrailingComment(key, value);
    return on;
}

void LoadVoltageLimit()
{
    g_state.g_bVoltageLimit = 0;
    g_state.g_voltageLimit = 0.0f;
    // An absent key and an empty value read alike; a default that no one
    // writes tells them apart, so "VoltageLimit=" is reported.
    static const char kAbsent[] = "<absent>";
    char text[kValueCapacity];
    ReadValue("VT1165", "VoltageLimit", kAbsent, text);
    if (!g_platform.readProfileString || std::strcmp(text, kAbsent) == 0)
        return;

    float volts = 0.0f;
    if (!ParseVoltageLimit(text, &volts)) {
        LogPrintf("VoltageLimit=%s is not a voltage such as 1.4500: no limit is set", text);
        LogTrailingComment("VoltageLimit", text);
        return;
    }
    g_state.g_bVoltageLimit = 1;
    g_state.g_voltageLimit = volts;
    LogPrintf("VoltageLimit is %6.4f V: UP never sets a higher voltage", static_cast<double>(volts));
}

}  // namespace

void LoadConfiguration()
{
    if (ReadSwitch("VT1165", "Logging"))
        g_state.g_bLogging = 1;
    WriteLogLine(g_state.g_bLogging == 1 ? "Logging is Enabled" : "Logging is Disabled");

    if (ReadSwitch("Trevask", "Debug"))
        g_state.g_bDebug = 1;
    WriteLogLine(g_state.g_bDebug == 1 ? "EnableDebugLogging is Enabled" : "EnableDebugLogging is Disabled");

    LoadVoltageLimit();
}

bool ParseVoltageLimit(const char* text, float* volts)
{
    if (!text || !volts)
        return false;
    // Whole volts and ten-thousandths, counted in integers so that the result
    // does not depend on the decimal separator of the host's locale.
    long tenThousandths = 0;
    int wholeDigits = 0;
    int fractionDigits = 0;
    bool point = false;
    for (const char* p = text; *p; ++p) {
        if (*p == '.') {
            if (point)
                return false;
            point = true;
        } else if (*p >= '0' && *p <= '9') {
            if (point) {
                if (++fractionDigits > kMaxFractionDigits)
                    return false;
            } else if (++wholeDigits > kMaxWholeDigits) {
                return false;
            }
            tenThousandths = tenThousandths * 10 + (*p - '0');
        } else {
            return false;
        }
    }
    if (wholeDigits + fractionDigits == 0)
        return false;
    for (int i = fractionDigits; i < kMaxFractionDigits; ++i)
        tenThousandths *= 10;
    double value = static_cast<double>(tenThousandths) / kTenThousandthsPerVolt;
    if (value < kSmallestLimit)
        return false;
    *volts = static_cast<float>(value);
    return true;
}

bool AboveVoltageLimit(uint8_t vidValue)
{
    return g_state.g_bVoltageLimit && VidCodeOf(vidValue) > HighestCodeWithin(g_state.g_voltageLimit);
}
