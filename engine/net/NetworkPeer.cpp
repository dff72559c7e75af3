#include "net/NetworkPeer.h"

#include "net/NetMessage.h"
#include "net/XSocket.h"
#include "platform/RealTime.h"

#include <algorithm>

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

CNetworkPeer::CNetworkPeer(CWindow* w, bool immediate)
    : window(w), handle(nullptr), notifiers(new CXArray(101, 0.75f)), dispatchOnReceipt(immediate),
      queue(new CXArray(101, 0.75f)), dispatching(0)
{
}

CNetworkPeer::~CNetworkPeer()
{
    setFrameDispatch(false);
    flushRetired();
    for (int i = 0; i < queue->getSize(); ++i)
        delete static_cast<CNetMessage*>((*queue)[i]);
    delete queue;
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
    if (!message)
        return;
    {
        std::lock_guard<std::mutex> lock(queueLock);
        queue->add(message);
    }
    platform::wakeFrame();
}

void CNetworkPeer::tick()
{
    CXArray batch(101, 0.75f);
    {
        std::lock_guard<std::mutex> lock(queueLock);
        if (queue->getSize() == 0)
            return;
        batch.add(queue);
        queue->removeAll();
        if (!dispatchOnReceipt)
            ++dispatching;
    }
    for (int i = 0; i < batch.getSize(); ++i) {
        CNetMessage* message = static_cast<CNetMessage*>(batch[i]);
        if (message->isConnectionLost())
            onConnectionLost(message->getHandle());
        else
            CNetMessageProcessor::process(message, notifiers);
        delete message;
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
    int kept = 0;
    for (int i = 0; i < queue->getSize(); ++i) {
        CNetMessage* message = static_cast<CNetMessage*>((*queue)[i]);
        if (message->getHandle() == h)
            delete message;
        else
            queue->setAt(kept++, message);
    }
    while (queue->getSize() > kept)
        queue->removeAt(queue->getSize() - 1);
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

void CNetworkPeer::flushRetired()
{
    std::vector<std::pair<CXObject*, CXSocket*>> gone;
    {
        std::lock_guard<std::mutex> lock(queueLock);
        gone.swap(retired);
        // Notes queued since (a connection that ended as it was dropped).
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
