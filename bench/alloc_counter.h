// Counts heap allocations made through malloc, calloc and realloc (glibc
// only; elsewhere the count stays 0 and Available() is false).
#pragma once

#include <cstddef>

namespace bench {
bool AllocationCountAvailable();
std::size_t AllocationCount();
}  // namespace bench
