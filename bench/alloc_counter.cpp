#include "bench/alloc_counter.h"

#include <cstdlib>

#if defined(__GLIBC__)
// The program's own malloc family, forwarding to glibc's allocator; operator
// new and the C library's internal allocations come through here too.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
}

namespace {
std::size_t g_allocations = 0;
}

extern "C" void* malloc(std::size_t size)
{
    ++g_allocations;
    return __libc_malloc(size);
}

extern "C" void* calloc(std::size_t count, std::size_t size)
{
    ++g_allocations;
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* block, std::size_t size)
{
    ++g_allocations;
    return __libc_realloc(block, size);
}

namespace bench {
bool AllocationCountAvailable()
{
    return true;
}
std::size_t AllocationCount()
{
    return g_allocations;
}
}  // namespace bench
#else
namespace bench {
bool AllocationCountAvailable()
{
    return false;
}
std::size_t AllocationCount()
{
    return 0;
}
}  // namespace bench
#endif
