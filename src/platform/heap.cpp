#include "heap.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kav {

void keepLargeBlocksOutOfTheHeap()
{
#if defined(__GLIBC__)
    // Setting the limit at all turns off its raising; 128 KiB is the library's own start value.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

} // namespace kav
