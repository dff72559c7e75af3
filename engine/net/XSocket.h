#pragma once
#include "base/XArray.h"
#include "base/XObject.h"
#include "base/XString.h"
#include "platform/Socket.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

class CMessageStack;
class CNetMessage;
class CWindow;

// One TCP connection, or a listening socket with its accept thread. It
// sends one message frame at a time, whole, and receives: each receive
// reads what has arrived, appends it to the socket's CMessageStack and
// returns the complete frames found so far.
//
// A frame that breaks the rules (a header length below 8 or above the
// frame limit, a string without its zero, a value or chunk longer than its
// frame) closes the connection: the frames before it are still returned,
// nothing after it is read, and isOpen turns false, as it does when the
// peer closes the connection or it fails.
//
// Threads: receive is called by one thread; send may be called from others
// at the same time (sends are serialised, so frames never interleave);
// close may be called from any thread to wake a blocked receive.
class CXSocket : public CXObject {
public:
    // Where a listening socket hands the connections it accepts; it takes
    // ownership of the socket. Called on the accept thread.
    class Acceptor {
    public:
        virtual void onConnected(CXSocket* socket, const CXString& ip) = 0;

    protected:
        ~Acceptor() {}
    };

    enum { CONNECT_TIMEOUT_MS = 5000 };

    // A new, unconnected TCP socket.
    explicit CXSocket(CWindow* window);
    // Around a connected socket (one that accept returned).
    CXSocket(CWindow* window, platform::SocketHandle connected);
    // Stops the accept thread and closes the socket.
    ~CXSocket() override;
    CXSocket(const CXSocket&) = delete;
    CXSocket& operator=(const CXSocket&) = delete;

    // The local host's name, read once.
    static void initialize();
    static void done() {}
    static CXString getHostName();
    // Four parts separated by "." whose leading numbers, weighted 256^i,
    // do not sum to 0.
    static bool is_ipaddr(const CXString& text);
    // The first address of a host name in dotted form; empty when it has none.
    static CXString resolve_ip(const CXString& name);
    static CXString toIP(uint32_t address);

    // Binds to the address (empty: every address of the machine) and port
    // (0: one the system chooses, see getPort), listens with the backlog
    // and starts the accept thread. False, with nothing started, when the
    // address is not one or the bind or listen fails.
    virtual bool start(int port, int backlog, Acceptor* acceptor, const CXString& bindAddress);
    // Ends the accept thread, which is then waited for.
    virtual void stop();
    // Connects to a dotted address or a host name, waiting at most
    // CONNECT_TIMEOUT_MS. False when no connection was made.
    virtual bool connect(const CXString& host, int port);
    // Sends the whole frame and deletes the message; false when it was not
    // sent (no connection, no frame, longer than the frame limit, the peer
    // gone).
    virtual bool send(CNetMessage* message);
    // Waits for bytes, then gives the frames completed by them (owned by
    // the caller) in this socket's list, emptied first. An empty list after
    // the connection has ended (see isOpen).
    virtual CXArray* receive();

    bool isOpen() const { return open; }
    // Shuts the connection (or listener) down: a blocked receive returns
    // and the peer sees it closed. The socket stays until deleted.
    void close();
    // The local port; -1 when not bound.
    int getPort() const;
    CWindow* getWindow() const { return window; }
    platform::SocketHandle getHandle() const { return handle; }

private:
    bool bind(int port, uint32_t address);
    bool listen(int backlog);
    void acceptLoop(Acceptor* acceptor);
    void protocolError(const char* why);

    CWindow* window;
    platform::SocketHandle handle;
    std::unique_ptr<CMessageStack> stack;
    CXArray* received;
    std::atomic<bool> open;
    std::mutex sending;

    std::thread acceptThread;
    std::mutex acceptLock;
    std::condition_variable acceptWake;
    bool stopping;
};
