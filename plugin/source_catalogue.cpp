#include "plugin/source_catalogue.h"

// Placeholder until the catalogue lands: no source is offered yet.
bool FillSourceDescriptor(uint32_t dwGpu, uint32_t dwSource, SourceDescriptor* pDesc)
{
    (void)dwGpu;
    (void)dwSource;
    (void)pDesc;
    return false;
}
