// The host's description record of one data source and the source index that
// addresses a source of a GPU. Both cross the DLL boundary.
#pragma once

#include <cstddef>
#include <cstdint>

struct SourceDescriptor {
    uint32_t dwDescVersion;  // set by the host; decides the last two fields
    char szSourceName[32];
    char szUnitText[32];
    float fltRangeTop;
    float fltRangeBottom;
    float fltAux;
    char szDescription[64];
    char szGroupName[16];    // written from version 0x00010002 on
    char szValueFormat[16];  // written from version 0x00010003 on
};

static_assert(sizeof(SourceDescriptor) == 176, "SourceDescriptor is 176 bytes");
static_assert(offsetof(SourceDescriptor, dwDescVersion) == 0, "dwDescVersion offset");
static_assert(offsetof(SourceDescriptor, szSourceName) == 4, "szSourceName offset");
static_assert(offsetof(SourceDescriptor, szUnitText) == 36, "szUnitText offset");
static_assert(offsetof(SourceDescriptor, fltRangeTop) == 68, "fltRangeTop offset");
static_assert(offsetof(SourceDescriptor, fltRangeBottom) == 72, "fltRangeBottom offset");
static_assert(offsetof(SourceDescriptor, fltAux) == 76, "fltAux offset");
static_assert(offsetof(SourceDescriptor, szDescription) == 80, "szDescription offset");
static_assert(offsetof(SourceDescriptor, szGroupName) == 144, "szGroupName offset");
static_assert(offsetof(SourceDescriptor, szValueFormat) == 160, "szValueFormat offset");

constexpr uint32_t kDescVersionWithGroup = 0x00010002u;
constexpr uint32_t kDescVersionWithFormat = 0x00010003u;

// Source index: GPU number in bits 16..31, source number in bits 0..15.
constexpr uint32_t kFirstInvalidIndex = 0x00100000u;  // GPU 16
inline uint32_t GpuOfIndex(uint32_t dwIndex)
{
    return dwIndex >> 16;
}
inline uint32_t SourceOfIndex(uint32_t dwIndex)
{
    return dwIndex & 0xFFFFu;
}
