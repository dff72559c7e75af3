#pragma once
#include <cstddef>
#include <memory>

namespace platform {

// Memory for a large buffer that is filled once, as a file received whole
// is. Filling fresh memory costs a page fault for each page first written,
// which for a file of tens of megabytes takes longer than copying its bytes:
// a block of 2 MiB or more asks the system for huge pages (one fault every
// 2 MiB), and is plain memory where the system gives none.
struct LargeBlockFree {
    void operator()(char* block) const;
};
using LargeBlock = std::unique_ptr<char[], LargeBlockFree>;

// n bytes, not cleared; null when there is no memory for them.
LargeBlock allocateLarge(size_t n);

} // namespace platform
