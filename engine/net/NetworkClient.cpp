#include "net/NetworkClient.h"

#include "base/Config.h"
#include "net/NetMessage.h"
#include "net/XSocket.h"
#include "script/Application.h"

#include <chrono>

namespace {
std::atomic<CNetworkClient*> instance{nullptr};
}

CNetworkClient::CNetworkClient(CWindow* w, bool makeInstance, bool immediate)
    : CNetworkPeer(w, immediate), connected(false)
{
    if (makeInstance)
        instance = this;
}

CNetworkClient::~CNetworkClient()
{
    disconnect(true);
    loop.stop();
    flushRetired();
    CNetworkClient* self = this;
    instance.compare_exchange_strong(self, nullptr);
}

CNetworkClient* CNetworkClient::getInstance() { return instance; }

CXString CNetworkClient::getPlayerName(CWindow* w)
{
    CApplicationWindow* link = w ? CApplicationWindow::of(w) : nullptr;
    CApplication* application = link ? link->GetApplicationInterface() : nullptr;
    CConfig* settings = application ? application->GetConfigInterface() : nullptr;
    CXString name = settings ? settings->GetString(CXString("PLAYER"), CXString("NAME")) : CXString();
    return name.IsString() ? name : CXSocket::getHostName();
}

bool CNetworkClient::connect(const CXString& host, int port)
{
    if (connected)
        return true;
    CXSocket* socket = new CXSocket(window);
    if (!socket->connect(host, port)) {
        delete socket;
        return false;
    }
    handle = socket;
    hostName = host;
    connected = true;
    start_receiver();
    send(new CNetHelloMessage(handle, getPlayerName(window)));
    tellListeners([&host](CNetListener* l) { l->onConnected(host); });
    return true;
}

void CNetworkClient::disconnect(bool notify)
{
    if (!connected)
        return;
    // The notice goes first: to stop receiving shuts the socket.
    if (notify && send(new CNetMessage(handle, CNetMessage::DISCONNECT)))
        handle->waitSent(std::chrono::steady_clock::now() + std::chrono::milliseconds(NOTICE_WAIT_MS));
    stop_receiver();
    dropConnection();
}

void CNetworkClient::dropConnection()
{
    CXSocket* socket = handle;
    handle = nullptr;
    hostName = CXString();
    connected = false;
    retire(socket, socket);
}

void CNetworkClient::start_receiver()
{
    {
        std::lock_guard<std::mutex> lock(senderLock);
        sender = hostName;
    }
    loop.add(handle, this);
}

// From the loop's thread itself (a dispatch on receipt that saw the
// connection end) the loop is only told to stop; the next start, the
// destructor or a later stop waits for it.
void CNetworkClient::stop_receiver()
{
    if (handle)
        handle->close();
    loop.stop();
}

// On receipt each message is dispatched before the next is queued.
void CNetworkClient::onFrames(CXSocket*, std::vector<CNetMessage*>* frames)
{
    CXString name;
    {
        std::lock_guard<std::mutex> lock(senderLock);
        name = sender;
    }
    for (CNetMessage* m : *frames)
        m->setSender(name);
    if (!dispatchOnReceipt) {
        addMessages(frames);
        return;
    }
    for (CNetMessage* m : *frames) {
        addMessage(m);
        tick();
    }
    frames->clear();
}

int CNetworkClient::nameLength()
{
    std::lock_guard<std::mutex> lock(senderLock);
    return sender.getLength();
}

// Also when the owner closed the connection: the note then names a socket
// that is no longer the client's, and is dropped.
void CNetworkClient::onEnded(CXSocket* socket)
{
    addMessage(CNetMessage::connectionLost(socket));
    if (dispatchOnReceipt)
        tick();
}

void CNetworkClient::onConnectionLost(CXSocket* socket)
{
    if (!connected || socket != handle)
        return;
    stop_receiver();
    dropConnection();
    tellListeners([](CNetListener* l) { l->onConnectionClosed(); });
}
