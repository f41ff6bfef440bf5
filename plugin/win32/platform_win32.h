// The Windows implementations of the plug-in core's platform services.
#pragma once

#include "plugin/platform.h"

PlatformServices Win32PlatformServices();
