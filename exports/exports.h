// The plug-in's exported functions: plain cdecl, undecorated names (the
// .def file of the Windows build names them).
#pragma once

#include <cstdint>

#include "plugin/source_descriptor.h"

extern "C" {
uint32_t GetSourcesNum(void);
int32_t GetSourceDesc(uint32_t dwIndex, SourceDescriptor* pDesc);
int32_t GetSourceCaps(uint32_t dwIndex, uint32_t dwCap, uint32_t* pResult);
float GetSourceData(uint32_t dwIndex);
int32_t SetupSource(uint32_t dwIndex, void* hWnd);
}
