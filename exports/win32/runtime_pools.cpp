#include "exports/win32/runtime_pools.h"

#include <cstddef>  // any standard header: it tells which C++ runtime this is

#if defined(__GLIBCXX__)
// libstdc++'s own clean-up of its emergency pool (used by memory checkers on
// glibc). No header declares it.
namespace __gnu_cxx {
void __freeres();
}
#endif

void ReleaseRuntimePools()
{
#if defined(__GLIBCXX__)
    __gnu_cxx::__freeres();
#endif
}
