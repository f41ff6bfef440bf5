// The smallest program of the build: scripts/test runs it under wine to learn
// whether this machine executes programs of this architecture at all.
#include <cstdio>

int main()
{
    std::printf("%u-bit Windows program running\n", static_cast<unsigned>(sizeof(void*) * 8));
    return 0;
}
