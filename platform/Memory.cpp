#include "platform/Memory.h"

#include <cstdlib>
#include <sys/mman.h>

namespace platform {

namespace {
const size_t HUGE_PAGE = size_t(2) << 20;
} // namespace

void LargeBlockFree::operator()(char* block) const { std::free(block); }

LargeBlock allocateLarge(size_t n)
{
    if (n < HUGE_PAGE)
        return LargeBlock(static_cast<char*>(std::malloc(n > 0 ? n : 1)));
    void* block = nullptr;
    if (posix_memalign(&block, HUGE_PAGE, n) != 0)
        return LargeBlock();
    // Only advice: without huge pages the block is filled page by page.
    madvise(block, n, MADV_HUGEPAGE);
    return LargeBlock(static_cast<char*>(block));
}

} // namespace platform
