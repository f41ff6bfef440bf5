#include "plugin/platform.h"

// Empty until the Windows layer (or a test) installs its services.
PlatformServices g_platform = {};
