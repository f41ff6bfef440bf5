// Module start-up and shut-down: the log and the configuration file beside
// the module, and the two configuration switches.
#pragma once

#include <cstddef>

// Builds "<module path without its last four characters><extension>" into
// out (kPathCapacity bytes). Returns false, leaving out empty, when the
// module path is shorter than four characters or the result would not fit.
bool DeriveSiblingPath(char* out, const char* modulePath, const char* extension);

// Process attach with the module's full path. Returns false when the log
// cannot be opened (or its path cannot be formed): the load must fail.
bool PluginAttach(const char* modulePath);

// Process detach: from now on every export returns at once; writes the last
// line and closes the log.
void PluginDetach();
