#pragma once
#include "platform/Socket.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class CNetMessage;
class CXSocket;

// The one thread of a network peer that moves the bytes of all its
// connections, over one poll: it reads what arrives and hands the frames on,
// and writes what the connections have queued as their sockets take it
// (CXSocket::send never waits on a peer). It closes a connection that
// broke the rules, stopped reading for too long (CXSocket::SEND_STALL_MS)
// or that its sink calls overdue, and reports every end once.
//
// A connection is not read while the frames it already handed on and the
// bytes it holds reach CXSocket::RECEIVE_LIMIT: TCP then holds its sender
// back until the owner has handled enough of them.
//
// The thread starts with the first connection added and runs until stop.
// Sinks are called on it, never under a lock of the loop, and only while
// their socket is registered.
class CSocketLoop {
public:
    using Clock = std::chrono::steady_clock;

    // Where the frames of one connection go.
    class Sink {
    public:
        // The whole frames that keep the rules read in one pass, in order;
        // the sink takes them over and empties the list.
        virtual void onFrames(CXSocket* socket, std::vector<CNetMessage*>* frames) = 0;
        // The connection ended, by either side or by the loop; told once,
        // after its last frame.
        virtual void onEnded(CXSocket* socket) = 0;
        // Whether the connection is to be closed now for a reason of the
        // sink's (called under the loop's lock: it must not wait).
        virtual bool isOverdue(Clock::time_point) { return false; }
        // The length of the name the sink gives each frame (for the bound).
        virtual int nameLength() { return 0; }

    protected:
        ~Sink() {}
    };

    // The longest a pass waits before it looks at the time limits again.
    enum { PASS_MS = 100 };

    // passMs: the longest wait of a pass; a long one (tests) shows what
    // would wait for the time limits' look instead of a wake.
    explicit CSocketLoop(int passMs = PASS_MS);
    // Stops the thread; sockets still there write on their own from then.
    ~CSocketLoop();
    CSocketLoop(const CSocketLoop&) = delete;
    CSocketLoop& operator=(const CSocketLoop&) = delete;

    // Serves the connection from now on, starting the thread when it does
    // not run.
    void add(CXSocket* socket, Sink* sink);
    // The loop lets go of the socket: once this returns (on another thread
    // than the loop's) it never touches the socket or its sink again.
    void remove(CXSocket* socket);
    // Ends the thread and waits for it; on the loop's own thread it is
    // only told to end.
    void stop();
    // Has the thread look at the connections again at once (something was
    // queued, or reading may go on).
    void wake();

private:
    struct Entry {
        CXSocket* socket;
        Sink* sink;
        uint64_t serial; // told apart from an entry added later at the same address; never wraps
        bool ended;
    };
    struct Delivery {
        Sink* sink;
        CXSocket* socket;
        std::vector<CNetMessage*> frames;
        bool ended;
    };

    // The thread's loop; it ends once serving is not its generation.
    void run(unsigned generation);
    // The pass over what poll reported; fills deliveries. Under the lock.
    void serve(const std::vector<platform::PollItem>& items, const std::vector<uint64_t>& polled,
               std::vector<Delivery>* deliveries);

    std::mutex lock;
    std::condition_variable passDone;
    std::vector<Entry> entries;
    std::thread thread;
    // The generation of thread, the one that is to run (0: none) and the last given.
    unsigned serving;
    unsigned generations;
    unsigned threadGeneration;
    // Passes handing on what they read, without the lock.
    int passes;
    uint64_t nextSerial;
    platform::SocketHandle wakeup;
    const int passMs;
};
