#include "plugin/voltage_limit.h"

#include <cmath>
#include <cstring>

#include "plugin/config_comment.h"
#include "plugin/log.h"
#include "plugin/platform.h"
#include "plugin/plugin_state.h"

namespace {

constexpr unsigned kLimitTextCapacity = 64;
constexpr int kMaxFractionDigits = 4;
constexpr int kMaxWholeDigits = 1;
constexpr double kSmallestLimit = 0.01;
constexpr double kTenThousandthsPerVolt = 10000.0;
constexpr long kVidBaseTenThousandths = 4500;  // code 0 of a VID register: 0.45 V
constexpr long kVidStepTenThousandths = 125;   // one code: 12.5 mV
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
    // Counted in ten-thousandths of a volt, the limit's own resolution: a
    // limit written as a code's exact voltage (1.3625 for code 0x49) must
    // allow that code, though its float may lie just below the decimal.
    long limit = std::lround(static_cast<double>(limitVolts) * kTenThousandthsPerVolt);
    if (limit < kVidBaseTenThousandths)
        return -1;
    long code = (limit - kVidBaseTenThousandths) / kVidStepTenThousandths;
    return code > kHighestVidCode ? kHighestVidCode : static_cast<int>(code);
}

void LoadVoltageLimit()
{
    g_state.g_bVoltageLimit = 0;
    g_state.g_voltageLimit = 0.0f;
    if (!g_platform.readProfileString)
        return;
    // The reader answers an absent key and an empty value alike; a default
    // that no one writes tells them apart, so "VoltageLimit=" is reported.
    static const char kAbsent[] = "<absent>";
    char text[kLimitTextCapacity] = {};
    g_platform.readProfileString("VT1165", "VoltageLimit", kAbsent, text, kLimitTextCapacity, g_state.g_cfgPath);
    text[kLimitTextCapacity - 1] = '\0';
    if (std::strcmp(text, kAbsent) == 0)
        return;

    float volts = 0.0f;
    if (!ParseVoltageLimit(text, &volts)) {
        LogPrintf("VoltageLimit=%s is not a voltage such as 1.4500: no limit is set", text);
        if (HasTrailingComment(text))
            LogTrailingComment("VoltageLimit");
        return;
    }
    g_state.g_bVoltageLimit = 1;
    g_state.g_voltageLimit = volts;
    LogPrintf("VoltageLimit is %6.4f V: UP never sets a higher voltage", static_cast<double>(volts));
}
