#pragma once
#include "net/NetworkPeer.h"
#include "net/XSocket.h"

#include <atomic>
#include <mutex>

class CNetworkServer;

// One connected player of a server: its connection (owned), its name (the
// address text until its hello names it) and the address. Its frames come
// from the server's loop: each is stamped with the player's current name and
// queued on the server. Until the connection's hello nothing it sends is
// handed on (peers always greet first), and a connection that sends no
// hello within the server's hello time is closed; so is one whose hello
// finds the server with its most players.
// Copying is not allowed: the record owns a socket.
class CNetPlayerInfo : public CXObject, public CSocketLoop::Sink {
public:
    CNetPlayerInfo(CNetworkServer* server, CXSocket* socket, const CXString& ip);
    // Closes the connection.
    ~CNetPlayerInfo() override;
    CNetPlayerInfo(const CNetPlayerInfo&) = delete;
    CNetPlayerInfo& operator=(const CNetPlayerInfo&) = delete;

    CXSocket* getHandle() const { return handle; }
    CXString getName() const;
    void setName(const CXString& name);
    CXString getIPAddress() const { return ip; }
    // Whether the connection's hello has come and was let in (it may not be
    // handled yet).
    bool hasGreeted() const { return greeted; }
    // Whether it still waits for its hello: not greeted, open, and not
    // closed by the server to make room.
    bool isWaiting() const { return !greeted && !dismissed && handle->isOpen(); }
    // Shuts the connection: nothing more is received.
    void stopReceiving();

    void onFrames(CXSocket* socket, std::vector<CNetMessage*>* frames) override;
    void onEnded(CXSocket* socket) override;
    bool isOverdue(CSocketLoop::Clock::time_point now) override;
    int nameLength() override { return getName().getLength(); }

private:
    friend class CNetworkServer;

    // Whether the frame is handed on: none is before the hello, nor a hello
    // the server does not let in (a frame left out is deleted).
    bool admit(CNetMessage* message);
    // Closes the connection for the server (under its player lock), saying why.
    void dismiss(const char* why);

    CNetworkServer* server;
    CXSocket* handle;
    mutable std::mutex nameLock;
    CXString name;
    CXString ip;
    // Both set under the server's player lock.
    std::atomic<bool> greeted;
    std::atomic<bool> dismissed;
    const CSocketLoop::Clock::time_point accepted;
};

// Listens for players: each accepted connection gets a CNetPlayerInfo,
// served by the server's one network thread. The owner renames players on
// their hello and announces them (newPlayer), and takes them off on their
// disconnect notice (removePlayer); a connection that ends without one is
// taken off by the server itself on the dispatching thread.
//
// The player list holds every connection, greeted or not, in the order
// they came (getPlayersNo counts them all), but connections that have not
// said hello never take a player's place: the players that said hello are
// held to MAX_PLAYERS, and the connections waiting for their hello to
// MAX_WAITING of their own, the one that waited longest being closed when
// another comes. So silent connections, however many, keep no one out.
//
// The player list is guarded by a lock of its own: the accept thread adds
// to it while the owner reads it. Players are deleted only by the owner's
// thread (after the dispatch that removed them, or when the server stops).
class CNetworkServer : public CNetworkPeer, public CXSocket::Acceptor {
public:
    // Players that said hello, at once: a hello over that closes its connection.
    enum { MAX_PLAYERS = 64 };
    // Connections waiting for their hello, at once.
    enum { MAX_WAITING = 64 };
    // Room for records whose connection has ended (closed to make way, over
    // the most players, or gone) and that stay on the list until the
    // owner's next tick takes them off.
    enum { DISMISSED_ROOM = MAX_WAITING };
    // Records a server keeps at once: a connection over that is closed as
    // it comes.
    enum { MAX_CONNECTIONS = MAX_PLAYERS + MAX_WAITING + DISMISSED_ROOM };
    // How long a new connection has to send its hello.
    enum { HELLO_TIMEOUT_MS = 10000 };

    // It becomes the process's instance (getInstance). networkPassMs: the
    // network thread's longest wait (CSocketLoop).
    CNetworkServer(CWindow* window, bool dispatchOnReceipt, int networkPassMs = CSocketLoop::PASS_MS);
    // Stops with the notice; forgets the instance when it is this one. A
    // derived class stops the server in its own destructor: the network
    // thread calls the server's operations until it is stopped.
    ~CNetworkServer() override;

    // Listens on the port (0: one the system chooses, see getPort) of the
    // address (empty: every address of the machine) with the longest
    // backlog the system allows. False, and not started, when it cannot
    // (getStartProblem says why); true at once when started.
    bool start(int port, const CXString& bindAddress = CXString());
    // Why the last start failed ("Address already in use"); empty when it
    // did not.
    CXString getStartProblem() const { return startProblem; }
    // Ends the accept thread, then drops every player without telling the
    // listeners; with notify, each is sent the disconnect notice first,
    // which is waited for at most NOTICE_WAIT_MS in all.
    void stop(bool notify);
    // From the accept thread: a new player named by its address.
    void onConnected(CXSocket* socket, const CXString& ip) override;

    // Tells every listener onNewPlayer.
    void newPlayer(CNetPlayerInfo* player);
    // Takes the player off the list and tells every listener
    // onDestroyPlayer; the record goes once the dispatch ends.
    void removePlayer(CNetPlayerInfo* player);
    // The first player, in order of connection, with exactly that name; null
    // when none has it.
    CNetPlayerInfo* find(const CXString& name);
    // The player whose connection this is; null when none.
    CNetPlayerInfo* findByHandle(CXSocket* socket);
    // Sends to the player that find gives; false without one. The message
    // is deleted in every case.
    bool send(const CXString& name, CNetMessage* message);
    using CNetworkPeer::send;

    int getPlayersNo();
    // Null for an index out of range.
    CNetPlayerInfo* getPlayer(int index);
    // A copy of the player list (CNetPlayerInfo*), owned by the caller.
    CXVector* getClients();
    bool isStarted() const { return started; }
    // The listening port; -1 when not started.
    int getPort();
    // For tests: a shorter time for hellos than HELLO_TIMEOUT_MS.
    void setHelloTimeout(int ms) { helloTimeoutMs = ms; }
    int getHelloTimeout() const { return helloTimeoutMs; }

    static CNetworkServer* getInstance();

protected:
    void onConnectionLost(CXSocket* socket) override;

private:
    friend class CNetPlayerInfo;
    // From the network thread, on the player's hello: whether it is let in
    // (it is then greeted); a player that is not is closed.
    bool greet(CNetPlayerInfo* player);

    std::mutex playersLock;
    CXVector* players;
    std::atomic<bool> started;
    std::atomic<int> helloTimeoutMs;
    CXString startProblem;
};
