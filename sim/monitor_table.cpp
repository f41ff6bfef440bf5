#include "sim/monitor_table.h"

#include <cctype>
#include <cfloat>
#include <cstdio>
#include <cstring>

namespace sim {

namespace {

// Accepts "%[flags][width][.precision]f" and nothing else.
bool IsSingleFloatFormat(const char* format, std::size_t capacity)
{
    const void* end = std::memchr(format, '\0', capacity);
    if (!end || format[0] != '%')
        return false;
    const char* p = format + 1;
    while (*p == '-' || *p == '+' || *p == ' ' || *p == '0' || *p == '#')
        ++p;
    while (std::isdigit(static_cast<unsigned char>(*p)))
        ++p;
    if (*p == '.') {
        ++p;
        while (std::isdigit(static_cast<unsigned char>(*p)))
            ++p;
    }
    return (*p == 'f' || *p == 'g' || *p == 'e') && p[1] == '\0' && p - format < 10;
}

std::string Bounded(const char* text, std::size_t capacity)
{
    const void* end = std::memchr(text, '\0', capacity);
    return std::string(text, end ? static_cast<const char*>(end) - text : capacity);
}

}  // namespace

std::string FormatReading(const char* valueFormat, float value)
{
    if (value == FLT_MAX)
        return "no value";
    char text[64];
    if (IsSingleFloatFormat(valueFormat, 16))
        std::snprintf(text, sizeof text, valueFormat, static_cast<double>(value));
    else
        std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

std::string FormatTable(const std::vector<MonitorRow>& rows, uint32_t poll)
{
    std::string out;
    char line[256];
    std::snprintf(line, sizeof line, "poll %u\n%-10s %-26s %-8s %12s  %s\n", poll, "index", "source", "group", "value",
                  "unit");
    out += line;
    for (const MonitorRow& row : rows) {
        std::string unit = Bounded(row.desc.szUnitText, sizeof row.desc.szUnitText);
        if (unit == "\xB0\x43")
            unit = "\xC2\xB0\x43";  // the code-page 1252 degree sign, for a UTF-8 terminal
        std::snprintf(line, sizeof line, "0x%08X %-26s %-8s %12s  %s\n", row.index,
                      Bounded(row.desc.szSourceName, sizeof row.desc.szSourceName).c_str(),
                      Bounded(row.desc.szGroupName, sizeof row.desc.szGroupName).c_str(),
                      FormatReading(row.desc.szValueFormat, row.value).c_str(), unit.c_str());
        out += line;
    }
    return out;
}

}  // namespace sim
