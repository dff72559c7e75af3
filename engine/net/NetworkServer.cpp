#include "net/NetworkServer.h"

#include "net/NetMessage.h"

#include <vector>

namespace {
std::atomic<CNetworkServer*> instance{nullptr};
const int BACKLOG = 5;
} // namespace

CNetPlayerInfo::CNetPlayerInfo(CNetworkServer* s, CXSocket* socket, const CXString& address)
    : server(s), handle(socket), name(address), ip(address), stopping(false)
{
    receiver = std::thread(&CNetPlayerInfo::receiveLoop, this);
}

CNetPlayerInfo::~CNetPlayerInfo()
{
    stopReceiving();
    if (receiver.joinable())
        receiver.join();
    delete handle;
}

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

void CNetPlayerInfo::stopReceiving()
{
    stopping = true;
    handle->close();
    if (receiver.joinable() && receiver.get_id() != std::this_thread::get_id())
        receiver.join();
}

// Blocks in the socket's receive: no pause between reads.
void CNetPlayerInfo::receiveLoop()
{
    while (!stopping) {
        CXArray* list = handle->receive();
        CXString sender = getName();
        for (int i = 0; i < list->getSize(); ++i) {
            CNetMessage* message = static_cast<CNetMessage*>((*list)[i]);
            message->setSender(sender);
            server->addMessage(message);
        }
        bool ended = !handle->isOpen();
        if (ended && !stopping)
            server->addMessage(CNetMessage::connectionLost(handle));
        if (!server->isQueneActive() && (list->getSize() > 0 || ended))
            server->tick();
        if (ended)
            return;
    }
}

CNetworkServer::CNetworkServer(CWindow* w, bool immediate)
    : CNetworkPeer(w, immediate), players(new CXVector(101, 0.75f)), started(false)
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
    if (!listener->start(port, BACKLOG, this, bindAddress)) {
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
    for (CNetPlayerInfo* player : dropped) {
        if (notify)
            player->getHandle()->send(new CNetMessage(player->getHandle(), CNetMessage::DISCONNECT));
        player->stopReceiving();
        retire(player, player->getHandle());
    }
    CXSocket* listener = handle;
    handle = nullptr;
    delete listener;
    if (dispatchOnReceipt)
        flushRetired();
}

void CNetworkServer::onConnected(CXSocket* socket, const CXString& ip)
{
    std::lock_guard<std::mutex> lock(playersLock);
    if (!started) {
        delete socket;
        return;
    }
    players->add(new CNetPlayerInfo(this, socket, ip));
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

void CNetworkServer::onConnectionLost(CXSocket* socket) { removePlayer(findByHandle(socket)); }
