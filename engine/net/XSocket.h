#pragma once
#include "base/XArray.h"
#include "base/XObject.h"
#include "base/XString.h"
#include "platform/Socket.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class CMessageStack;
class CNetMessage;
class CSocketLoop;
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
// A connection served by a peer's CSocketLoop never makes its caller wait:
// send queues the frame behind those not yet written (writing at once what
// the socket takes) and the loop writes the rest as the peer reads. A peer
// that lets SEND_QUEUE_LIMIT bytes pile up, or takes nothing for
// SEND_STALL_MS while some wait, is cut off. On a socket of its own, send
// writes the whole frame before it returns.
//
// Threads: receive is called by one thread; send may be called from others
// at the same time (frames are queued and written whole, in the order their
// sends took the queue); close may be called from any thread to wake a
// blocked receive or send.
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

    // The longest connect waits for an answer: a script's CONNECT, which
    // answers at once, holds its frame that long when nothing answers.
    enum { CONNECT_TIMEOUT_MS = 5000 };
    // What a peer may leave unread of what is sent to it, and how long it
    // may take nothing while some waits, before the connection is closed.
    enum { SEND_QUEUE_LIMIT = 8 << 20, SEND_STALL_MS = 10000 };
    // Received bytes, as frames not yet handled (see addUnhandled) and bytes
    // not yet cut, above which a served connection is not read.
    enum { RECEIVE_LIMIT = 4 << 20 };

    // A new, unconnected TCP socket. sendStall: how long the peer may take
    // nothing while some waits (tests shorten it).
    explicit CXSocket(CWindow* window, std::chrono::milliseconds sendStall = std::chrono::milliseconds(SEND_STALL_MS));
    // Around a connected socket (one that accept returned).
    CXSocket(CWindow* window, platform::SocketHandle connected,
             std::chrono::milliseconds sendStall = std::chrono::milliseconds(SEND_STALL_MS));
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
    // address is not one or the bind or listen fails; getStartProblem then
    // says why.
    virtual bool start(int port, int backlog, Acceptor* acceptor, const CXString& bindAddress);
    // Why the last start failed, in words ("Address already in use"); empty
    // after one that did not.
    CXString getStartProblem() const { return startProblem; }
    // Ends the accept thread, which is then waited for.
    virtual void stop();
    // Connects to a dotted address or a host name, waiting at most
    // CONNECT_TIMEOUT_MS, less when the program is asked to end meanwhile.
    // False when no connection was made.
    virtual bool connect(const CXString& host, int port);
    // Sends the whole frame (or queues it, on a served connection) and
    // deletes the message once written; false when it will not be sent (no
    // connection, no frame, longer than the frame limit, the peer gone or
    // too far behind).
    virtual bool send(CNetMessage* message);
    // As send, but on a served connection the frame only joins the queue,
    // to be written with those queued beside it by the caller's sendQueued,
    // which must follow: for many frames in a row (a file's chunks), fewer
    // writes, and the loop is not woken for each.
    bool queue(CNetMessage* message);
    // Writes what the socket takes of the queue without waiting, and
    // leaves the rest to the loop (woken for it).
    void sendQueued();
    // Waits for bytes, then gives the frames completed by them (owned by
    // the caller) in this socket's list, emptied first. An empty list after
    // the connection has ended (see isOpen).
    virtual CXArray* receive();

    bool isOpen() const { return open; }
    // Shuts the connection (or listener) down: a blocked receive returns
    // and the peer sees it closed; what was queued is dropped. The socket
    // stays until deleted.
    void close();
    // Logs why, then closes.
    void fail(const char* why);

    // Bytes queued and not yet written.
    size_t getQueuedBytes();
    // Waits until every queued byte is written, the connection ends or the
    // time comes; whether all was written.
    bool waitSent(std::chrono::steady_clock::time_point deadline);

    // The receiving side's count of frames handed on and not yet handled,
    // in bytes (CNetMessage::getFootprint): reading stops while that and
    // the bytes not yet cut reach RECEIVE_LIMIT (one frame may pass it),
    // and goes on once handled brings it below.
    void addUnhandled(long bytes) { unhandled += bytes; }
    void handled(long bytes);
    long getUnhandled() const { return unhandled; }

    // The loop's side (CSocketLoop).
    void servedBy(CSocketLoop* loop) { this->loop = loop; }
    // Whether to read now; when not, a later handled wakes the loop.
    bool readWanted();
    // Reads what has arrived without waiting and appends the frames it
    // completes, reading no more than the bound has room for with each
    // frame carrying a name of nameLength bytes; false once the connection
    // has ended.
    bool readAvailable(std::vector<CNetMessage*>* frames, int nameLength);
    // Writes what the socket takes of the queue without waiting; whether
    // some is left.
    bool writeQueued();
    bool hasQueued();
    // Whether frames have waited since longer than SEND_STALL_MS without a
    // byte taken.
    bool isStalled(std::chrono::steady_clock::time_point now);
    // The local port; -1 when not bound.
    int getPort() const;
    CWindow* getWindow() const { return window; }
    platform::SocketHandle getHandle() const { return handle; }

private:
    bool bind(int port, uint32_t address);
    bool listen(int backlog);
    void acceptLoop(Acceptor* acceptor);
    bool put(CNetMessage* message, bool writeNow);
    // Cuts the buffered bytes into frames; false (closed) at a frame that
    // breaks the rules.
    bool takeFrames(std::vector<CNetMessage*>* frames);
    bool mayRead() const;
    // Under the sending lock: drops the queue and wakes those waiting on it.
    void dropQueue();

    CWindow* window;
    platform::SocketHandle handle;
    std::unique_ptr<CMessageStack> stack;
    CXArray* received;
    std::atomic<bool> open;
    std::atomic<CSocketLoop*> loop;

    // The queue of a served connection: frames in order, the first of them
    // written up to frontSent.
    std::mutex sending;
    std::condition_variable allSent;
    std::deque<CNetMessage*> outgoing;
    size_t frontSent;
    // The bytes of the queue not yet written (above 0 exactly while frames
    // wait) and when a byte was last taken (steady clock ticks). Changed
    // under the sending lock; read without it, so that the loop's looks
    // at every connection never wait on a write in progress.
    std::atomic<size_t> queuedBytes;
    std::atomic<std::chrono::steady_clock::rep> lastProgress;
    const std::chrono::milliseconds sendStall;

    std::atomic<long> unhandled;
    std::atomic<long> buffered;
    std::atomic<bool> readPaused;

    CXString startProblem;
    std::thread acceptThread;
    std::mutex acceptLock;
    std::condition_variable acceptWake;
    bool stopping;
};
