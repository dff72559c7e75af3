#include "platform/Platform.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<Platform*> installed{nullptr};
} // namespace

Platform* currentPlatform() { return installed.load(std::memory_order_acquire); }

void setPlatform(Platform* platform) { installed.store(platform, std::memory_order_release); }

} // namespace platform
