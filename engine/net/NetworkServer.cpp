#include "net/NetworkServer.h"

#include "net/NetMessage.h"
#include "platform/Debug.h"

#include <vector>

namespace {
std::atomic<CNetworkServer*> instance{nullptr};
} // namespace

CNetPlayerInfo::CNetPlayerInfo(CNetworkServer* s, CXSocket* socket, const CXString& address)
    : server(s), handle(socket), name(address), ip(address), greeted(false), dismissed(false),
      accepted(CSocketLoop::Clock::now())
{
}

CNetPlayerInfo::~CNetPlayerInfo() { delete handle; }

CXString CNetPlayerInfo::getName() const
{
    std::lock_guard<std::mutex> lock(nameLock);
    return name;
}

void CNetPlayerInfo::setName(const CXString& n)
{
    std::lock_guard<std::mutex> lock(nameLock);
    name = n;
}

void CNetPlayerInfo::stopReceiving() { handle->close(); }

bool CNetPlayerInfo::admit(CNetMessage* message)
{
    if (greeted)
        return true;
    if (message->getType() != CNetMessage::HELLO || !server->greet(this)) {
        delete message;
        return false;
    }
    return true;
}

void CNetPlayerInfo::dismiss(const char* why)
{
    dismissed = true;
    platform::OutputDebugString((CXString("Network: a connection from ") + ip + " " + why + "; it is closed").c_str());
    handle->close();
}

// On receipt each message is dispatched (its hello may rename the player)
// before the next is stamped.
void CNetPlayerInfo::onFrames(CXSocket*, std::vector<CNetMessage*>* frames)
{
    if (!server->isQueneActive()) {
        for (CNetMessage* m : *frames)
            if (admit(m)) {
                m->setSender(getName());
                server->addMessage(m);
                server->tick();
            }
        frames->clear();
        return;
    }
    const CXString name = getName();
    size_t kept = 0;
    for (CNetMessage* m : *frames)
        if (admit(m)) {
            m->setSender(name);
            (*frames)[kept++] = m;
        }
    frames->resize(kept);
    server->addMessages(frames);
}

void CNetPlayerInfo::onEnded(CXSocket*)
{
    server->addMessage(CNetMessage::connectionLost(handle));
    if (!server->isQueneActive())
        server->tick();
}

bool CNetPlayerInfo::isOverdue(CSocketLoop::Clock::time_point now)
{
    if (greeted || now - accepted < std::chrono::milliseconds(server->getHelloTimeout()))
        return false;
    platform::OutputDebugString(
        (CXString("Network: a connection from ") + ip + " sent no hello in time; it is closed").c_str());
    return true;
}

CNetworkServer::CNetworkServer(CWindow* w, bool immediate, int networkPassMs)
    : CNetworkPeer(w, immediate, networkPassMs), players(new CXVector(101, 0.75f)), started(false),
      helloTimeoutMs(HELLO_TIMEOUT_MS)
{
    instance = this;
}

CNetworkServer::~CNetworkServer()
{
    stop(true);
    flushRetired();
    delete players;
    CNetworkServer* self = this;
    instance.compare_exchange_strong(self, nullptr);
}

CNetworkServer* CNetworkServer::getInstance() { return instance; }

bool CNetworkServer::start(int port, const CXString& bindAddress)
{
    if (started)
        return true;
    CXSocket* listener = new CXSocket(window);
    handle = listener;
    started = true;
    startProblem = CXString();
    if (!listener->start(port, platform::maxBacklog(), this, bindAddress)) {
        startProblem = listener->getStartProblem();
        started = false;
        handle = nullptr;
        delete listener;
        return false;
    }
    return true;
}

// The accept thread ends before the player list is touched, so that no
// player joins a server that is going.
void CNetworkServer::stop(bool notify)
{
    if (!started)
        return;
    handle->stop();
    started = false;
    std::vector<CNetPlayerInfo*> dropped;
    {
        std::lock_guard<std::mutex> lock(playersLock);
        for (int i = 0; i < players->getSize(); ++i)
            dropped.push_back(static_cast<CNetPlayerInfo*>(players->at(i)));
        players->removeAll();
    }
    if (notify) {
        for (CNetPlayerInfo* player : dropped)
            player->getHandle()->send(new CNetMessage(player->getHandle(), CNetMessage::DISCONNECT));
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(NOTICE_WAIT_MS);
        for (CNetPlayerInfo* player : dropped)
            player->getHandle()->waitSent(deadline);
    }
    for (CNetPlayerInfo* player : dropped) {
        player->stopReceiving();
        retire(player, player->getHandle());
    }
    loop.stop();
    CXSocket* listener = handle;
    handle = nullptr;
    delete listener;
    if (dispatchOnReceipt)
        flushRetired();
}

// The list is in the order of connection: the first waiting record is the
// one that has waited longest.
void CNetworkServer::onConnected(CXSocket* socket, const CXString& ip)
{
    std::lock_guard<std::mutex> lock(playersLock);
    if (!started || players->getSize() >= MAX_CONNECTIONS) {
        delete socket;
        return;
    }
    CNetPlayerInfo* oldest = nullptr;
    int waiting = 0;
    for (int i = 0; i < players->getSize(); ++i) {
        CNetPlayerInfo* player = static_cast<CNetPlayerInfo*>(players->at(i));
        if (player->isWaiting() && waiting++ == 0)
            oldest = player;
    }
    if (waiting >= MAX_WAITING)
        oldest->dismiss("made way for a newer one before it said hello");
    CNetPlayerInfo* player = new CNetPlayerInfo(this, socket, ip);
    players->add(player);
    loop.add(socket, player);
}

// Under the player lock, so that a connection is never let in and made way
// for at once.
bool CNetworkServer::greet(CNetPlayerInfo* player)
{
    std::lock_guard<std::mutex> lock(playersLock);
    if (player->dismissed || !players->contains(player))
        return false;
    int greeted = 0;
    for (int i = 0; i < players->getSize(); ++i)
        greeted += static_cast<CNetPlayerInfo*>(players->at(i))->greeted;
    if (greeted >= MAX_PLAYERS) {
        player->dismiss("said hello to a server with its most players");
        return false;
    }
    player->greeted = true;
    return true;
}

void CNetworkServer::newPlayer(CNetPlayerInfo* player)
{
    tellListeners([player](CNetListener* l) { l->onNewPlayer(player); });
}

void CNetworkServer::removePlayer(CNetPlayerInfo* player)
{
    {
        std::lock_guard<std::mutex> lock(playersLock);
        if (!player || !players->contains(player))
            return;
        players->remove(player);
    }
    tellListeners([player](CNetListener* l) { l->onDestroyPlayer(player); });
    player->stopReceiving();
    retire(player, player->getHandle());
}

CNetPlayerInfo* CNetworkServer::find(const CXString& name)
{
    std::lock_guard<std::mutex> lock(playersLock);
    for (int i = 0; i < players->getSize(); ++i) {
        CNetPlayerInfo* player = static_cast<CNetPlayerInfo*>(players->at(i));
        if (player->getName() == name)
            return player;
    }
    return nullptr;
}

CNetPlayerInfo* CNetworkServer::findByHandle(CXSocket* socket)
{
    std::lock_guard<std::mutex> lock(playersLock);
    for (int i = 0; socket && i < players->getSize(); ++i) {
        CNetPlayerInfo* player = static_cast<CNetPlayerInfo*>(players->at(i));
        if (player->getHandle() == socket)
            return player;
    }
    return nullptr;
}

bool CNetworkServer::send(const CXString& name, CNetMessage* message)
{
    CNetPlayerInfo* player = find(name);
    if (!player) {
        delete message;
        return false;
    }
    return player->getHandle()->send(message);
}

int CNetworkServer::getPlayersNo()
{
    std::lock_guard<std::mutex> lock(playersLock);
    return players->getSize();
}

CNetPlayerInfo* CNetworkServer::getPlayer(int index)
{
    std::lock_guard<std::mutex> lock(playersLock);
    return index >= 0 && index < players->getSize() ? static_cast<CNetPlayerInfo*>(players->at(index)) : nullptr;
}

CXVector* CNetworkServer::getClients()
{
    std::lock_guard<std::mutex> lock(playersLock);
    return static_cast<CXVector*>(players->clone());
}

int CNetworkServer::getPort() { return started && handle ? handle->getPort() : -1; }

// A connection that never said hello was never announced: it goes without
// a word to the listeners.
void CNetworkServer::onConnectionLost(CXSocket* socket)
{
    CNetPlayerInfo* player = findByHandle(socket);
    if (!player || player->hasGreeted()) {
        removePlayer(player);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(playersLock);
        players->remove(player);
    }
    retire(player, socket);
}
