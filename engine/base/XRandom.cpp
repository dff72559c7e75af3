#include "base/XRandom.h"

#include "platform/Clock.h"
#include "platform/Debug.h"

#include <ctime>
#include <unordered_set>

namespace {
uint32_t state = 1;
int area[CXRandom::MAX_VECTOR];
} // namespace

CXRandom::CXRandom() { seed(uint32_t(std::time(nullptr))); }

void CXRandom::seed(uint32_t value) { state = value; }

// The classic linear congruential generator of the C runtime titles were
// built with; its upper bits give 15-bit values.
int CXRandom::rand15()
{
    state = state * 214013u + 2531011u;
    return int((state >> 16) & 0x7FFF);
}

// The draw is computed in unsigned 32 bits, so it is never negative.
int CXRandom::random(int n)
{
    if (n <= 0)
        return 0;
    return int((uint32_t(rand15()) + platform::GetTickCount()) % uint32_t(n));
}

int CXRandom::random(int base, int n)
{
    if (n <= 0)
        return base;
    return int(uint32_t(base) + uint32_t(random(n))); // wraps instead of overflowing
}

int* CXRandom::random_vector(int base, int n, int count, bool unique)
{
    int64_t wanted = count == 0 ? int64_t(n) - base : count;
    if (wanted > MAX_VECTOR) {
        platform::OutputDebugString("Arguments error: Random::getPlenty( )\n");
        return area;
    }
    // Only n distinct values exist; asking for more would never end.
    if (unique && wanted > n)
        wanted = n;
    std::unordered_set<int> placed;
    for (int i = 0; i < wanted; ++i) {
        int value = random(base, n);
        if (unique) {
            while (!placed.insert(value).second)
                value = random(base, n);
        }
        area[i] = value;
    }
    return area;
}
