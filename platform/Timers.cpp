#include "platform/Timers.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace platform {

PeriodicTimers::PeriodicTimers(ManualClock& clock) : manual(&clock) { clock.addListener(this); }

PeriodicTimers::PeriodicTimers() : manual(nullptr) {}

PeriodicTimers::~PeriodicTimers()
{
    if (manual)
        manual->removeListener(this);
    {
        std::unique_lock<std::mutex> l(lock);
        timers.clear();
        stopping = true;
        wake.notify_all();
    }
    if (thread.joinable())
        thread.join();
}

Clock& PeriodicTimers::clockNow() { return manual ? *static_cast<Clock*>(manual) : *currentClock(); }

uint32_t PeriodicTimers::start(uint32_t periodMs, uint32_t, Callback callback, void* user)
{
    if (periodMs < 1 || periodMs > 1000000 || !callback)
        return 0;
    std::unique_lock<std::mutex> l(lock);
    if (stopping)
        return 0;
    auto inUse = [this](uint32_t id) {
        for (const Timer& t : timers)
            if (t.id == id)
                return true;
        return false;
    };
    while (nextId == 0 || inUse(nextId))
        ++nextId;
    Timer t{nextId++, periodMs, clockNow().tickCount() + periodMs, callback, user};
    timers.push_back(t);
    changed = true;
    if (!thread.joinable()) {
        thread = std::thread([this] { run(); });
        threadId = thread.get_id();
    }
    wake.notify_all();
    return t.id;
}

bool PeriodicTimers::kill(uint32_t id)
{
    std::unique_lock<std::mutex> l(lock);
    auto it = std::find_if(timers.begin(), timers.end(), [id](const Timer& t) { return t.id == id; });
    if (it == timers.end())
        return false;
    timers.erase(it);
    changed = true;
    if (std::this_thread::get_id() != threadId)
        settled.wait(l, [this, id] { return running != id; });
    return true;
}

int PeriodicTimers::count()
{
    std::lock_guard<std::mutex> l(lock);
    return int(timers.size());
}

// The thread that moved the clock waits until the timer thread has looked
// at the new time (and run what fell due), unless it is the timer thread.
void PeriodicTimers::clockAdvanced(uint32_t, uint32_t)
{
    std::unique_lock<std::mutex> l(lock);
    if (!thread.joinable() || stopping)
        return;
    uint64_t ticket = ++asked;
    wake.notify_all();
    if (std::this_thread::get_id() == threadId)
        return;
    settled.wait(l, [this, ticket] { return answered >= ticket || stopping; });
}

void PeriodicTimers::run()
{
    std::unique_lock<std::mutex> l(lock);
    while (!stopping) {
        uint64_t ticket = asked;
        changed = false;
        fireDue(l, clockNow().tickCount());
        answered = std::max(answered, ticket);
        settled.notify_all();
        auto woken = [this, ticket] { return stopping || asked != ticket || changed; };
        if (manual) {
            wake.wait(l, woken);
            continue;
        }
        uint32_t now = clockNow().tickCount();
        int32_t wait = -1;
        for (const Timer& t : timers) {
            int32_t left = std::max(int32_t(t.due - now), 0);
            wait = wait < 0 ? left : std::min(wait, left);
        }
        if (wait < 0)
            wake.wait(l, woken);
        else if (wait > 0)
            wake.wait_for(l, std::chrono::milliseconds(wait), woken);
    }
    answered = asked;
    settled.notify_all();
}

void PeriodicTimers::fireDue(std::unique_lock<std::mutex>& held, uint32_t now)
{
    std::vector<std::pair<uint32_t, int>> fired;
    while (!stopping) {
        Timer* best = nullptr;
        for (Timer& t : timers) {
            if (int32_t(now - t.due) < 0)
                continue;
            if (!best || int32_t(t.due - best->due) < 0 || (t.due == best->due && t.id < best->id))
                best = &t;
        }
        if (!best)
            return;
        int n = 1;
        for (auto& f : fired)
            if (f.first == best->id)
                n = ++f.second;
        if (n == 1)
            fired.push_back({best->id, 1});
        best->due = n >= MAX_CATCH_UP ? now + best->period : best->due + best->period;
        Timer call = *best;
        running = call.id;
        held.unlock();
        call.callback(call.id, call.user);
        held.lock();
        running = 0;
        settled.notify_all();
    }
}

std::unique_ptr<ThreadPacer> PeriodicTimers::makePacer(uint32_t periodMs)
{
    return std::unique_ptr<ThreadPacer>(manual ? new ThreadPacer(*manual, periodMs) : new ThreadPacer(periodMs));
}

ThreadPacer::ThreadPacer(ManualClock& clock, uint32_t periodMs) : manual(&clock), period(periodMs ? periodMs : 1)
{
    clock.addListener(this);
}

ThreadPacer::ThreadPacer(uint32_t periodMs) : manual(nullptr), period(periodMs ? periodMs : 1) {}

ThreadPacer::~ThreadPacer()
{
    stop();
    if (manual)
        manual->removeListener(this);
}

bool ThreadPacer::wait()
{
    std::unique_lock<std::mutex> l(lock);
    inPass = false;
    wake.notify_all();
    if (manual)
        wake.wait(l, [this] { return stopped || granted; });
    else
        wake.wait_for(l, std::chrono::milliseconds(period), [this] { return stopped; });
    if (stopped)
        return false;
    granted = false;
    inPass = true;
    return true;
}

void ThreadPacer::stop()
{
    std::lock_guard<std::mutex> l(lock);
    stopped = true;
    wake.notify_all();
}

// The mover waits until the worker took the pass and came back to wait, so
// that what the pass did (a frame decoded, sound written) is there when
// advance returns.
void ThreadPacer::clockAdvanced(uint32_t, uint32_t elapsed)
{
    std::unique_lock<std::mutex> l(lock);
    carried += elapsed;
    if (carried < period || stopped)
        return;
    carried %= period;
    granted = true;
    wake.notify_all();
    wake.wait(l, [this] { return stopped || (!granted && !inPass); });
}

} // namespace platform
