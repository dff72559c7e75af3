#pragma once
#include "net/NetworkPeer.h"

#include <atomic>
#include <mutex>

// One connection to a server: it announces the player's name once
// connected; the peer's loop stamps every message it receives with the
// host's name and queues it (in immediate mode it also dispatches it).
//
// A connection the server closes, or that fails, is noticed: on the
// dispatching thread the client is then no longer connected and tells its
// listeners onConnectionClosed. A disconnect the owner asks for tells them
// nothing.
class CNetworkClient : public CNetworkPeer, public CSocketLoop::Sink {
public:
    // With makeInstance it becomes the process's instance (getInstance).
    CNetworkClient(CWindow* window, bool makeInstance, bool dispatchOnReceipt);
    // Disconnects with the notice; forgets the instance when it is this one.
    ~CNetworkClient() override;

    // Connected already: true, nothing else. Otherwise connects (waiting a
    // few seconds at most), hands the connection to its network thread,
    // sends the hello with getPlayerName and tells the listeners onConnected
    // with the host; false, with nothing kept, when no connection was made.
    bool connect(const CXString& host, int port);
    // When connected: sends the disconnect notice when notify is set
    // (waiting at most NOTICE_WAIT_MS for it to be written), stops
    // receiving and drops the connection.
    void disconnect(bool notify);

    bool isConnected() const { return connected; }
    // The host text of the connection; empty while not connected.
    CXString getHostName() const { return hostName; }

    // "NAME" of section "PLAYER" in the title's settings file; the
    // machine's host name when there is none.
    static CXString getPlayerName(CWindow* window);
    static CNetworkClient* getInstance();

    void onFrames(CXSocket* socket, std::vector<CNetMessage*>* frames) override;
    void onEnded(CXSocket* socket) override;
    int nameLength() override;

protected:
    virtual void start_receiver();
    virtual void stop_receiver();
    void onConnectionLost(CXSocket* socket) override;

private:
    // Drops the connection's socket once nothing refers to it.
    void dropConnection();

    CXString hostName;
    std::atomic<bool> connected;
    // The host name the loop stamps on messages.
    std::mutex senderLock;
    CXString sender;
};
