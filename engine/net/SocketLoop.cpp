#include "net/SocketLoop.h"

#include "net/XSocket.h"

#include <algorithm>

namespace {
// The loop whose thread this is, if any.
thread_local const CSocketLoop* currentLoop = nullptr;
} // namespace

CSocketLoop::CSocketLoop(int pass)
    : serving(0), generations(0), threadGeneration(0), passes(0), nextSerial(0), passMs(pass)
{
    wakeup = platform::openWakeup();
}

CSocketLoop::~CSocketLoop()
{
    stop();
    if (thread.joinable())
        thread.join();
    for (const Entry& e : entries)
        e.socket->servedBy(nullptr);
    platform::closeSocket(wakeup);
}

void CSocketLoop::add(CXSocket* socket, Sink* sink)
{
    if (!socket || !sink)
        return;
    std::thread ended;
    {
        std::lock_guard<std::mutex> l(lock);
        entries.push_back(Entry{socket, sink, ++nextSerial, false});
        socket->servedBy(this);
        if (currentLoop == this) {
            // Told to end by what it delivers, and given work again.
            serving = threadGeneration;
            return;
        }
        if (thread.joinable() && serving == threadGeneration) {
            platform::signalWakeup(wakeup);
            return;
        }
        if (thread.joinable())
            ended = std::move(thread);
    }
    if (ended.joinable())
        ended.join();
    std::lock_guard<std::mutex> l(lock);
    if (thread.joinable())
        return;
    serving = threadGeneration = ++generations;
    thread = std::thread(&CSocketLoop::run, this, threadGeneration);
}

void CSocketLoop::remove(CXSocket* socket)
{
    std::unique_lock<std::mutex> l(lock);
    entries.erase(std::remove_if(entries.begin(), entries.end(), [socket](const Entry& e) { return e.socket == socket; }),
                  entries.end());
    socket->servedBy(nullptr);
    if (currentLoop != this)
        passDone.wait(l, [this] { return passes == 0; });
}

void CSocketLoop::stop()
{
    std::thread ending;
    {
        std::lock_guard<std::mutex> l(lock);
        serving = 0;
        platform::signalWakeup(wakeup);
        if (currentLoop == this || !thread.joinable())
            return;
        ending = std::move(thread);
    }
    ending.join();
}

void CSocketLoop::wake() { platform::signalWakeup(wakeup); }

void CSocketLoop::run(unsigned generation)
{
    currentLoop = this;
    std::vector<platform::PollItem> items;
    std::vector<uint64_t> polled;
    std::vector<Delivery> deliveries;
    for (;;) {
        items.clear();
        polled.clear();
        {
            std::lock_guard<std::mutex> l(lock);
            if (serving != generation)
                return;
            for (const Entry& e : entries) {
                if (e.ended)
                    continue;
                platform::PollItem item = {e.socket->getHandle(), e.socket->readWanted(), e.socket->hasQueued(),
                                           false, false, false};
                items.push_back(item);
                polled.push_back(e.serial);
            }
        }
        platform::PollItem wake = {wakeup, true, false, false, false, false};
        items.push_back(wake);
        platform::pollSockets(items.data(), int(items.size()), passMs);
        if (items.back().readable)
            platform::clearWakeup(wakeup);
        items.pop_back();

        deliveries.clear();
        {
            std::lock_guard<std::mutex> l(lock);
            if (serving != generation)
                return;
            ++passes;
            serve(items, polled, &deliveries);
        }
        for (Delivery& d : deliveries) {
            if (!d.frames.empty())
                d.sink->onFrames(d.socket, &d.frames);
            if (d.ended)
                d.sink->onEnded(d.socket);
        }
        {
            std::lock_guard<std::mutex> l(lock);
            --passes;
        }
        passDone.notify_all();
    }
}

// Entries added while poll waited were not polled: they are served from the
// next pass, but their time limits are looked at now. Entries keep the
// order they were added in, so their serials rise, as the polled ones do.
void CSocketLoop::serve(const std::vector<platform::PollItem>& items, const std::vector<uint64_t>& polled,
                        std::vector<Delivery>* deliveries)
{
    const Clock::time_point now = Clock::now();
    size_t next = 0;
    for (Entry& e : entries) {
        while (next < polled.size() && polled[next] < e.serial)
            ++next;
        if (e.ended)
            continue;
        CXSocket* s = e.socket;
        Delivery d = {e.sink, s, {}, false};
        if (next < polled.size() && polled[next] == e.serial) {
            const platform::PollItem& item = items[next];
            if (item.writable || (item.write && item.failed))
                s->writeQueued();
            if (item.read && (item.readable || item.failed))
                s->readAvailable(&d.frames, e.sink->nameLength());
            else if (item.failed)
                // Hung up while not read: nothing more can come.
                s->close();
        }
        if (s->isOpen() && s->isStalled(now))
            s->fail("a peer has taken nothing sent to it for too long");
        if (s->isOpen() && e.sink->isOverdue(now))
            s->close();
        d.ended = e.ended = !s->isOpen();
        if (d.ended || !d.frames.empty())
            deliveries->push_back(std::move(d));
    }
}
