#pragma once
// What one input may make a target allocate while its corpus is replayed
// (CTest, and CI under the sanitizers): one block larger than oneBlock
// bytes, or more than live bytes held at once beyond what was held before
// the input, ends the replay at once, naming the input, so that an input
// that makes the engine allocate past its bounds fails there too, not only
// under libFuzzer's -malloc_limit_mb and -rss_limit_mb. Only the replay
// main counts (the C++ allocations); a libFuzzer build ignores the call.
#include <cstddef>

extern "C" void quarnelReplayLimits(size_t oneBlock, size_t live) __attribute__((weak));

namespace fuzzlimits {
inline void limit(size_t oneBlock, size_t live)
{
    if (quarnelReplayLimits)
        quarnelReplayLimits(oneBlock, live);
}
} // namespace fuzzlimits
