#include "platform/telephony/WaitableEvent.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

// All events share one lock and one condition: a thread waits on several
// at once, and there are few events, set rarely.
namespace {
std::mutex& eventsLock()
{
    static std::mutex m;
    return m;
}
std::condition_variable& eventsChanged()
{
    static std::condition_variable c;
    return c;
}
} // namespace

WaitableEvent::WaitableEvent(bool manualReset, bool initiallySet) : manual(manualReset), signalled(initiallySet) {}

WaitableEvent::~WaitableEvent() {}

void WaitableEvent::set()
{
    std::lock_guard<std::mutex> g(eventsLock());
    signalled = true;
    eventsChanged().notify_all();
}

void WaitableEvent::reset()
{
    std::lock_guard<std::mutex> g(eventsLock());
    signalled = false;
}

bool WaitableEvent::isSet()
{
    std::lock_guard<std::mutex> g(eventsLock());
    return signalled;
}

int WaitableEvent::waitAny(WaitableEvent* const* events, int count, int timeoutMs)
{
    std::unique_lock<std::mutex> l(eventsLock());
    int found = -1;
    auto anySet = [&] {
        for (int i = 0; i < count; ++i)
            if (events[i] && events[i]->signalled) {
                found = i;
                return true;
            }
        return false;
    };
    if (timeoutMs < 0)
        eventsChanged().wait(l, anySet);
    else if (!eventsChanged().wait_for(l, std::chrono::milliseconds(timeoutMs), anySet))
        return -1;
    if (!events[found]->manual)
        events[found]->signalled = false;
    return found;
}

} // namespace platform
