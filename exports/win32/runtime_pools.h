// Memory that the statically linked C++ runtime sets aside for the life of
// the module, given back when the module is freed.
#pragma once

// Frees the runtime's emergency exception pool (malloc'ed at every load so
// that an exception can still be thrown when memory runs out). Call it only
// when FreeLibrary unloads the module: no code of the module runs any more,
// yet the process and its heap go on, so the pool would otherwise be lost at
// every unload. Harmless when called twice; does nothing with a runtime that
// keeps no such pool.
void ReleaseRuntimePools();
