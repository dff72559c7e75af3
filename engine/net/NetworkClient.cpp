#include "net/NetworkClient.h"

#include "base/Config.h"
#include "net/NetMessage.h"
#include "net/XSocket.h"
#include "script/Application.h"

namespace {
std::atomic<CNetworkClient*> instance{nullptr};
}

CNetworkClient::CNetworkClient(CWindow* w, bool makeInstance, bool immediate)
    : CNetworkPeer(w, immediate), connected(false), stopping(false)
{
    if (makeInstance)
        instance = this;
}

CNetworkClient::~CNetworkClient()
{
    disconnect(true);
    if (receiver.joinable())
        receiver.join();
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
    // The notice goes first: stopping the receive thread shuts the socket.
    if (notify)
        send(new CNetMessage(handle, CNetMessage::DISCONNECT));
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
    if (receiver.joinable())
        receiver.join();
    stopping = false;
    receiver = std::thread(&CNetworkClient::receiveLoop, this, handle, hostName);
}

// From the receive thread itself (a dispatch on receipt that saw the
// connection end) the thread is only told to stop; the next start, the
// destructor or a later stop waits for it.
void CNetworkClient::stop_receiver()
{
    stopping = true;
    if (handle)
        handle->close();
    if (receiver.joinable() && receiver.get_id() != std::this_thread::get_id())
        receiver.join();
}

// Blocks in the socket's receive: no pause between reads.
void CNetworkClient::receiveLoop(CXSocket* socket, CXString sender)
{
    while (!stopping) {
        CXArray* list = socket->receive();
        for (int i = 0; i < list->getSize(); ++i) {
            CNetMessage* message = static_cast<CNetMessage*>((*list)[i]);
            message->setSender(sender);
            addMessage(message);
            if (dispatchOnReceipt)
                tick();
        }
        if (!socket->isOpen()) {
            if (!stopping) {
                addMessage(CNetMessage::connectionLost(socket));
                if (dispatchOnReceipt)
                    tick();
            }
            return;
        }
    }
}

void CNetworkClient::onConnectionLost(CXSocket* socket)
{
    if (!connected || socket != handle)
        return;
    stop_receiver();
    dropConnection();
    tellListeners([](CNetListener* l) { l->onConnectionClosed(); });
}
