#include "plugin/voltage_limit.h"

#include <cstring>

#include "plugin/log.h"
#include "plugin/platform.h"
#include "plugin/plugin_state.h"

namespace {

constexpr unsigned kLimitTextCapacity = 32;
constexpr int kMaxFractionDigits = 4;
constexpr int kMaxWholeDigits = 1;
constexpr double kSmallestLimit = 0.01;
constexpr double kVidBaseVolts = 0.45;     // code 0 of a VID register
constexpr double kVidStepVolts = 0.0125;   // one code
constexpr int kHighestVidCode = 0x7F;

}  // namespace

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
    double value = static_cast<double>(tenThousandths) / 10000.0;
    if (value < kSmallestLimit)
        return false;
    *volts = static_cast<float>(value);
    return true;
}

int HighestCodeWithin(float limitVolts)
{
    // A small tolerance keeps a limit written as a code's exact voltage
    // (1.4500 for code 0x50) from losing that code to rounding.
    double codes = (static_cast<double>(limitVolts) - kVidBaseVolts) / kVidStepVolts + 1e-6;
    if (codes < 0.0)
        return -1;
    int code = static_cast<int>(codes);
    return code > kHighestVidCode ? kHighestVidCode : code;
}

void LoadVoltageLimit()
{
    g_state.g_bVoltageLimit = 0;
    g_state.g_voltageLimit = 0.0f;
    if (!g_platform.readProfileString)
        return;
    char text[kLimitTextCapacity] = {};
    unsigned copied = g_platform.readProfileString("VT1165", "VoltageLimit", "", text, kLimitTextCapacity,
                                                   g_state.g_cfgPath);
    text[kLimitTextCapacity - 1] = '\0';
    if (copied == 0)
        return;

    float volts = 0.0f;
    if (!ParseVoltageLimit(text, &volts)) {
        LogPrintf("VoltageLimit=%s is not a voltage such as 1.4500: no limit is set", text);
        return;
    }
    g_state.g_bVoltageLimit = 1;
    g_state.g_voltageLimit = volts;
    LogPrintf("VoltageLimit is %6.4f V: UP never sets a higher voltage", static_cast<double>(volts));
}
