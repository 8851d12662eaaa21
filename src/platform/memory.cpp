#include "platform/memory.h"

#include <cstdlib>  // defines __GLIBC__ on glibc systems

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace qel::platform {

void KeepHeapCompact(long largeBlock)
{
#if defined(__GLIBC__)
    // A fixed threshold also turns off glibc's habit of raising it after each large free.
    mallopt(M_MMAP_THRESHOLD, int(largeBlock));
    mallopt(M_ARENA_MAX, 1);
#else
    (void)largeBlock;
#endif
}

void ReleaseFreeMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace qel::platform
