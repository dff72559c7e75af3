#include "net/NetworkPeer.h"

#include "net/NetMessage.h"
#include "net/XSocket.h"
#include "platform/RealTime.h"

#include <algorithm>
#include <chrono>

namespace {

// The peers the application's frame ticks.
std::mutex registryLock;
std::vector<CNetworkPeer*>& framePeers()
{
    static std::vector<CNetworkPeer*> peers;
    return peers;
}

bool isFramePeer(CNetworkPeer* peer)
{
    std::lock_guard<std::mutex> lock(registryLock);
    const std::vector<CNetworkPeer*>& peers = framePeers();
    return std::find(peers.begin(), peers.end(), peer) != peers.end();
}

} // namespace

CNetworkPeer::CNetworkPeer(CWindow* w, bool immediate, int networkPassMs)
    : window(w), handle(nullptr), notifiers(new CXArray(101, 0.75f)), dispatchOnReceipt(immediate),
      loop(networkPassMs), queued(0), dispatching(0)
{
}

CNetworkPeer::~CNetworkPeer()
{
    setFrameDispatch(false);
    flushRetired();
    for (auto& inbox : inboxes)
        for (const Queued& q : inbox.second)
            delete q.message;
    delete notifiers;
}

void CNetworkPeer::addNotifier(CNetListener* listener)
{
    if (listener)
        notifiers->add(listener);
}

void CNetworkPeer::removeNotifier(CNetListener* listener) { notifiers->remove(listener); }

bool CNetworkPeer::send(CNetMessage* message)
{
    if (!handle) {
        delete message;
        return false;
    }
    return handle->send(message);
}

void CNetworkPeer::addMessage(CNetMessage* message)
{
    if (message)
        queueAll(&message, 1);
}

void CNetworkPeer::addMessages(std::vector<CNetMessage*>* messages)
{
    if (messages->empty())
        return;
    queueAll(messages->data(), messages->size());
    messages->clear();
}

// Each is counted as unhandled before a tick can take it: the count never
// drops below what is queued.
void CNetworkPeer::queueAll(CNetMessage* const* messages, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (CXSocket* from = messages[i]->getHandle())
            from->addUnhandled(messages[i]->getFootprint());
    {
        std::lock_guard<std::mutex> lock(queueLock);
        for (size_t i = 0; i < n; ++i) {
            CXSocket* from = messages[i]->getHandle();
            std::deque<Queued>& inbox = inboxes[from];
            if (inbox.empty())
                turns.push_back(from);
            inbox.push_back(Queued{messages[i], messages[i]->getFootprint()});
            ++queued;
        }
    }
    platform::wakeFrame();
}

int CNetworkPeer::getQueuedCount() { return queued; }

bool CNetworkPeer::takeNext(Queued* next)
{
    while (!turns.empty()) {
        CXSocket* from = turns.front();
        turns.pop_front();
        auto inbox = inboxes.find(from);
        if (inbox == inboxes.end() || inbox->second.empty())
            continue;
        *next = inbox->second.front();
        inbox->second.pop_front();
        --queued;
        if (inbox->second.empty())
            inboxes.erase(inbox);
        else
            turns.push_back(from);
        return true;
    }
    return false;
}

void CNetworkPeer::tick()
{
    if (queued == 0)
        return;
    int budget;
    {
        std::lock_guard<std::mutex> lock(queueLock);
        budget = queued;
        if (budget == 0)
            return;
        if (!dispatchOnReceipt)
            ++dispatching;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TICK_BUDGET_MS);
    for (; budget > 0; --budget) {
        Queued next;
        {
            std::lock_guard<std::mutex> lock(queueLock);
            if (!takeNext(&next))
                break;
        }
        CXSocket* from = next.message->getHandle();
        if (next.message->isConnectionLost())
            onConnectionLost(from);
        else
            CNetMessageProcessor::process(next.message, notifiers);
        delete next.message;
        // A connection retired by this dispatch lives until the tick ends.
        if (from)
            from->handled(next.footprint);
        if (std::chrono::steady_clock::now() >= deadline)
            break;
    }
    if (dispatchOnReceipt)
        return;
    bool last;
    {
        std::lock_guard<std::mutex> lock(queueLock);
        last = --dispatching == 0;
    }
    if (last)
        flushRetired();
}

bool CNetworkPeer::downlnoad_file(const CXString& folder, const CXString& subfolder, const CXString& fileName)
{
    return send(new CNetFileRequestMessage(handle, 1, folder, subfolder, fileName));
}

void CNetworkPeer::setFrameDispatch(bool on)
{
    std::lock_guard<std::mutex> lock(registryLock);
    std::vector<CNetworkPeer*>& peers = framePeers();
    peers.erase(std::remove(peers.begin(), peers.end(), this), peers.end());
    if (on && !dispatchOnReceipt)
        peers.push_back(this);
}

void CNetworkPeer::dispatchQueued()
{
    std::vector<CNetworkPeer*> peers;
    {
        std::lock_guard<std::mutex> lock(registryLock);
        peers = framePeers();
    }
    // A peer deleted by what an earlier one dispatched is left out.
    for (CNetworkPeer* peer : peers)
        if (isFramePeer(peer))
            peer->tick();
}

void CNetworkPeer::dropQueued(CXSocket* h)
{
    auto inbox = inboxes.find(h);
    if (inbox == inboxes.end())
        return;
    long footprint = 0;
    for (const Queued& q : inbox->second) {
        footprint += q.footprint;
        delete q.message;
    }
    queued -= int(inbox->second.size());
    inboxes.erase(inbox);
    turns.erase(std::remove(turns.begin(), turns.end(), h), turns.end());
    if (h)
        h->handled(footprint);
}

void CNetworkPeer::retire(CXObject* object, CXSocket* h)
{
    bool now;
    {
        std::lock_guard<std::mutex> lock(queueLock);
        dropQueued(h);
        retired.emplace_back(object, h);
        now = !dispatchOnReceipt && dispatching == 0;
    }
    if (now)
        flushRetired();
}

// The loop lets go of each socket first: a pass of it may still be handing
// on frames of the socket, which must not be queued after those dropped.
void CNetworkPeer::flushRetired()
{
    std::vector<std::pair<CXObject*, CXSocket*>> gone;
    {
        std::lock_guard<std::mutex> lock(queueLock);
        gone.swap(retired);
    }
    for (const auto& r : gone)
        if (r.second)
            loop.remove(r.second);
    {
        std::lock_guard<std::mutex> lock(queueLock);
        for (const auto& r : gone)
            dropQueued(r.second);
    }
    for (const auto& r : gone)
        delete r.first;
}

void CNetMessageProcessor::process(CNetMessage* raw, CXArray* listeners)
{
    if (!raw)
        return;
    CXString sender = raw->getSenderName();
    CNetMessage* typed = nullptr;
    if (CNetMessage::isWellFormed(raw->getBuffer(), raw->getBufferLen())) {
        switch (raw->getType()) {
        case CNetMessage::CMD: typed = new CNetCmdMessage(sender, raw); break;
        case CNetMessage::VARIABLE: typed = new CNetVariableMessage(sender, raw); break;
        case CNetMessage::BEHAVIOUR: typed = new CNetBehaviourMessage(sender, raw); break;
        case CNetMessage::TEXT: typed = new CNetTextMessage(sender, raw); break;
        case CNetMessage::HELLO: typed = new CNetHelloMessage(sender, raw); break;
        case CNetMessage::FILE_REQUEST: typed = new CNetFileRequestMessage(sender, raw); break;
        case CNetMessage::FILE_RESPONSE: typed = new CNetFileResponseMessage(sender, raw); break;
        case CNetMessage::FILE_DATA: typed = new CNetFileDataMessage(sender, raw); break;
        case CNetMessage::PING: {
            CNetPingMessage* ping = new CNetPingMessage(sender, raw);
            if (!ping->isResponse() && raw->getHandle())
                raw->getHandle()->send(new CNetPingMessage(sender, raw, true));
            typed = ping;
            break;
        }
        default: break;
        }
    }
    CNetMessage* given = typed ? typed : raw;
    tellEach(listeners, [given](CNetListener* l) { l->onMessage(given); });
    delete typed;
}
