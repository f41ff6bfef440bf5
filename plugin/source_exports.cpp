// GetSourcesNum and GetSourceCaps: how many sources a GPU has and the
// capability query. GetSourceDesc is in source_desc.cpp, GetSourceData with
// the readings.
#include "plugin/exports.h"
#include "plugin/log.h"
#include "plugin/source_catalogue.h"

extern "C" uint32_t GetSourcesNum(void)
{
    LogPrintf("GetSourcesNum: Number of Data Sources: %u", kSourcesPerGpu);
    return kSourcesPerGpu;
}

extern "C" int32_t GetSourceCaps(uint32_t dwIndex, uint32_t dwCap, uint32_t* pResult)
{
    // Every source answers capability 0 alike, so the index is not examined.
    (void)dwIndex;
    if (dwCap != 0 || !pResult)
        return 0;
    *pResult = 1;
    return 1;
}
