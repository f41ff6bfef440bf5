#include "vrm/data_sources.h"

#include <cstddef>
#include <cstdio>

#include "chip/vt1165_registers.h"
#include "plugin/plugin_state.h"
#include "vrm/readings.h"
#include "vrm/vt1165_device.h"

namespace {

// Each source's reading and stored value, by source number.
float ReadVoltage(ChipAccess& chip, uint32_t)
{
    return ReadOutputVoltage(chip);
}
float ReadCurrent(ChipAccess& chip, uint32_t)
{
    return ReadOutputCurrent(chip);
}
float ReadPhase(ChipAccess& chip, uint32_t dwSource)
{
    return ReadPhaseTemperature(chip, static_cast<uint8_t>(dwSource - kSourceFirstPhase));
}
float ReadStatus(ChipAccess& chip, uint32_t dwSource)
{
    return ReadProtectionStatus(chip, dwSource == kSourceOvpStatus ? kProtOvp : kProtOcp);
}

float StoredVoltage(const LastGood& last, uint32_t)
{
    return last.voltage;
}
float StoredCurrent(const LastGood& last, uint32_t)
{
    return last.current;
}
float StoredPhase(const LastGood& last, uint32_t dwSource)
{
    // A phase beyond a known phase count has no reading.
    const uint32_t k = dwSource - kSourceFirstPhase;
    if (last.phaseCount != kNotCached && k >= last.phaseCount)
        return kNoValue;
    return last.phaseTemp[k];
}
float StoredStatus(const LastGood& last, uint32_t dwSource)
{
    const uint8_t bit = dwSource == kSourceOvpStatus ? kStateOverVoltage : kStateOverCurrent;
    return (last.protection & bit) ? 1.0f : 0.0f;
}

// What a text's format takes: nothing, one number (the phase, or the GPU
// number less one for groups), the chip name, or the phase then the chip name.
enum class TextArgs : uint8_t { None, Number, Chip, NumberChip };

struct SourceText {
    const char* format;
    TextArgs args;
};

struct SourceRow {
    SourceOffer offered;
    SourceText name;
    const char* unit;
    SourceText group;
    float rangeTop;
    float rangeBottom;
    float aux;
    const char* valueFormat;
    SourceText description;
    float (*read)(ChipAccess& chip, uint32_t dwSource);  // null: no reading
    float (*stored)(const LastGood& last, uint32_t dwSource);
};

constexpr const char* kProtectionUnit = "Active = 1 / Normal = 0";
constexpr const char* kCelsiusUnit = "\xB0"
                                     "C";  // degree sign and C in code page 1252

// clang-format off
// Sources 3..8, phases 1..6.
constexpr SourceRow kPhaseRow = {
    SourceOffer::IfPhaseActive, {"VRM Phase %d Temperature", TextArgs::Number}, kCelsiusUnit,
    {"VRM%d", TextArgs::Number}, 90.0f, 50.0f, 1.0f, "%6.0f",
    {"Temperature reported by phase %d of %s voltage regulator", TextArgs::NumberChip}, ReadPhase, StoredPhase};

// One row per source number 0..10.
constexpr SourceRow kSourceTable[kSourcesPerGpu] = {
    {SourceOffer::Always, {"VRM Output Voltage", TextArgs::None}, "V", {"VRM", TextArgs::None}, 1.3f, 1.0f, 1.0f,
     "%6.4f", {"Output voltage reported by %s voltage regulator", TextArgs::Chip}, ReadVoltage, StoredVoltage},
    {SourceOffer::Never, {"", TextArgs::None}, "", {"", TextArgs::None}, 0.0f, 0.0f, 0.0f, "", {"", TextArgs::None},
     nullptr, nullptr},
    {SourceOffer::Always, {"VRM Output Current", TextArgs::None}, "A", {"VRM%d", TextArgs::Number}, 50.0f, 0.0f, 1.0f,
     "%6.2f", {"Average current reported by %s voltage regulator", TextArgs::Chip}, ReadCurrent, StoredCurrent},
    kPhaseRow, kPhaseRow, kPhaseRow, kPhaseRow, kPhaseRow, kPhaseRow,
    {SourceOffer::Always, {"OVP Status", TextArgs::None}, kProtectionUnit, {"OVP%d", TextArgs::Number}, 1.0f, 0.0f,
     0.0f, "%6.0f", {"Over Voltage Protection Status reported by %s VT1165", TextArgs::Chip}, ReadStatus, StoredStatus},
    {SourceOffer::Always, {"OCP Status", TextArgs::None}, kProtectionUnit, {"OCP%d", TextArgs::Number}, 1.0f, 0.0f,
     0.0f, "%6.0f", {"Over Current Protection Status reported by %s VT1165", TextArgs::Chip}, ReadStatus, StoredStatus},
};
// clang-format on

// The row of a source number, null for numbers without one.
const SourceRow* RowOf(uint32_t dwSource)
{
    return dwSource < kSourcesPerGpu ? &kSourceTable[dwSource] : nullptr;
}

// Formats a text into a field of the given capacity, cutting what does not fit.
void FormatText(char* field, std::size_t capacity, const SourceText& text, int number, const char* chip)
{
    switch (text.args) {
    case TextArgs::None: std::snprintf(field, capacity, "%s", text.format); break;
    case TextArgs::Number: std::snprintf(field, capacity, text.format, number); break;
    case TextArgs::Chip: std::snprintf(field, capacity, text.format, chip); break;
    case TextArgs::NumberChip: std::snprintf(field, capacity, text.format, number, chip); break;
    }
}

template <std::size_t N>
void FormatText(char (&field)[N], const SourceText& text, int number, const char* chip)
{
    FormatText(field, N, text, number, chip);
}

template <std::size_t N>
void CopyText(char (&field)[N], const char* text)
{
    std::snprintf(field, N, "%s", text);
}

}  // namespace

SourceOffer OfferOf(uint32_t dwSource)
{
    const SourceRow* row = RowOf(dwSource);
    return row ? row->offered : SourceOffer::Never;
}

const char* ChipName(uint8_t devID)
{
    return devID == kVt1165DeviceId ? "VT1165" : "VTxxxx";
}

bool FillSourceDescriptor(uint32_t dwGpu, uint32_t dwSource, const ChipFacts& facts, SourceDescriptor* pDesc)
{
    const SourceRow* found = RowOf(dwSource);
    if (!pDesc || dwGpu >= kMaxGpus || !found || found->offered == SourceOffer::Never)
        return false;
    const SourceRow& row = *found;
    if (row.offered == SourceOffer::IfPhaseActive && dwSource - kSourceFirstPhase >= facts.phaseCount)
        return false;

    // Phase sources print their phase number 1..6; groups the GPU number less
    // one (GPU 0 is in VRM-1, GPU 1 in VRM0).
    int phase = static_cast<int>(dwSource) - 2;
    int groupNumber = static_cast<int>(dwGpu) - 1;
    const char* chip = ChipName(facts.devID);

    FormatText(pDesc->szSourceName, row.name, phase, chip);
    CopyText(pDesc->szUnitText, row.unit);
    if (pDesc->dwDescVersion >= kDescVersionWithGroup)
        FormatText(pDesc->szGroupName, row.group, groupNumber, chip);
    pDesc->fltRangeTop = row.rangeTop;
    pDesc->fltRangeBottom = row.rangeBottom;
    pDesc->fltAux = row.aux;
    if (pDesc->dwDescVersion >= kDescVersionWithFormat)
        CopyText(pDesc->szValueFormat, row.valueFormat);
    FormatText(pDesc->szDescription, row.description, phase, chip);
    return true;
}

float ReadSourceValue(ChipAccess& chip, uint32_t dwSource)
{
    const SourceRow* row = RowOf(dwSource);
    return row && row->read ? row->read(chip, dwSource) : kNoValue;
}

float StoredSourceValue(const LastGood& last, uint32_t dwSource)
{
    const SourceRow* row = RowOf(dwSource);
    return row && row->stored ? row->stored(last, dwSource) : kNoValue;
}
