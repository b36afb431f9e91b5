#include "memory_use.h"

#include <cstdlib>   // defines __GLIBC__ on the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kav {

void keepLargeBlocksApart()
{
#if defined(__GLIBC__)
    // A fixed threshold also turns the library's own adjustment of it off.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

} // namespace kav
