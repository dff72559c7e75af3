#pragma once
#include "base/XArray.h"
#include "base/XObject.h"
#include "base/XString.h"
#include "net/SocketLoop.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

class CNetMessage;
class CNetPlayerInfo;
class CXSocket;
class CWindow;

// What network peers tell their listeners. Every operation does nothing
// unless overridden.
class CNetListener {
public:
    virtual ~CNetListener() {}
    // A received message, typed when its type has a class; it lives while
    // the listeners run, so a listener copies what it keeps.
    virtual void onMessage(CNetMessage*) {}
    // A client connected to the host named.
    virtual void onConnected(CXString) {}
    // A client's connection ended without its owner asking.
    virtual void onConnectionClosed() {}
    // A player announced itself on a server.
    virtual void onNewPlayer(CNetPlayerInfo*) {}
    // A player was taken off a server; the record is deleted after the
    // dispatch that removed it.
    virtual void onDestroyPlayer(CNetPlayerInfo*) {}
};

// Calls tell on every listener of the list (CNetListener*), in order,
// skipping one that an earlier call took off the list.
template <class Tell>
void tellEach(CXArray* listeners, Tell tell)
{
    std::vector<CNetListener*> now;
    for (int i = 0; listeners && i < listeners->getSize(); ++i)
        now.push_back(static_cast<CNetListener*>((*listeners)[i]));
    for (CNetListener* l : now)
        if (listeners->contains(l))
            tell(l);
}

// What client and server share: a socket, listeners, the loop that moves
// the bytes of their connections (one thread for all of them), and the
// queue of received messages with its dispatch to the listeners.
//
// Each connection's messages wait in their own queue, in the order they
// came; a tick lets the connections take turns, one message each, so that
// a busy connection never holds back another's messages or its end. A tick
// hands on at most what was queued when it began, and stops after
// TICK_BUDGET_MS of real time: the rest waits for the next.
//
// Dispatch on receipt (immediate mode): the network thread dispatches what
// it queues at once, on its own thread. Queued mode: messages wait
// until the owner calls tick on its own thread; the application's frame
// ticks the queued peers that the main thread owns and has entered for it
// (setFrameDispatch), so that scripts see messages on the main thread only.
//
// Sockets and players whose connection is gone are retired rather than
// deleted while a dispatch may still hand on messages that refer to them:
// they go once the tick ends (in immediate mode, when the owner stops or
// disconnects).
class CNetworkPeer : public CXObject {
public:
    enum { DEFAULT_PORT = 4661 };
    // The real time a tick may spend handing messages on.
    enum { TICK_BUDGET_MS = 8 };
    // How long stopping or disconnecting waits for its disconnect notices
    // to be written.
    enum { NOTICE_WAIT_MS = 500 };

    // networkPassMs: the network thread's longest wait (CSocketLoop).
    CNetworkPeer(CWindow* window, bool dispatchOnReceipt, int networkPassMs = CSocketLoop::PASS_MS);
    // Deletes the queued messages and the listener list (not the
    // listeners). The socket is the derived classes'.
    ~CNetworkPeer() override;
    CNetworkPeer(const CNetworkPeer&) = delete;
    CNetworkPeer& operator=(const CNetworkPeer&) = delete;

    void addNotifier(CNetListener* listener);
    void removeNotifier(CNetListener* listener);
    // The listeners (CNetListener*), not owned; changed on the owner's thread.
    CXArray* getNotifiers() { return notifiers; }
    // The client's connection or the server's listening socket; null when none.
    CXSocket* getHandle() { return handle; }

    // Sends on the peer's socket and deletes the message; false without one.
    virtual bool send(CNetMessage* message);
    // Queues a received message (any thread).
    virtual void addMessage(CNetMessage* message);
    // Queues received messages in their order under one lock, waking the
    // frame once (any thread); the list is emptied.
    void addMessages(std::vector<CNetMessage*>* messages);
    // Dispatches queued messages, each to every listener
    // (CNetMessageProcessor::process), and deletes them; see above for
    // their order and how many.
    virtual void tick();
    // Messages waiting for a tick.
    int getQueuedCount();
    // Sends a request for a file with the requester's transfer id 1; what
    // comes back reaches the listeners as messages. Not to be mixed with a
    // CFileReceiver_Manager on the same connection (its ids start at 1 too).
    virtual bool downlnoad_file(const CXString& folder, const CXString& subfolder, const CXString& fileName);
    bool isQueneActive() const { return !dispatchOnReceipt; }

    // Has the application's frame tick this peer (in queued mode), or not.
    void setFrameDispatch(bool on);
    // Ticks every peer entered with setFrameDispatch, on the main thread.
    static void dispatchQueued();

protected:
    // The note the network thread queued when a connection ended without
    // a disconnect notice, handled on the dispatching thread.
    virtual void onConnectionLost(CXSocket*) {}
    // Deletes object (a socket or player) once no message that refers to
    // handle can be dispatched any more: queued ones are dropped at once,
    // and it goes now, or after the running tick, once the network thread
    // has let go of handle.
    void retire(CXObject* object, CXSocket* handle);
    // Deletes what was retired; owner's thread, no tick running.
    void flushRetired();
    template <class Tell>
    void tellListeners(Tell tell)
    {
        tellEach(notifiers, tell);
    }

    CWindow* window;
    CXSocket* handle;
    CXArray* notifiers;
    const bool dispatchOnReceipt;
    CSocketLoop loop;

private:
    struct Queued {
        CNetMessage* message;
        long footprint;
    };
    // Queues n messages, none null, in their order.
    void queueAll(CNetMessage* const* messages, size_t n);
    // Takes the next message in turn; false when none waits. Under queueLock.
    bool takeNext(Queued* next);
    void dropQueued(CXSocket* handle);

    std::mutex queueLock;
    // By connection (null for messages of none); turns holds each
    // connection with messages once.
    std::unordered_map<CXSocket*, std::deque<Queued>> inboxes;
    std::deque<CXSocket*> turns;
    // Changed under queueLock; a tick reads it without, to find nothing
    // queued without taking the lock the loop queues under.
    std::atomic<int> queued;
    // Retired objects, guarded by queueLock; ticks of the owner's thread
    // running (queued mode).
    std::vector<std::pair<CXObject*, CXSocket*>> retired;
    int dispatching;
};

// Turns received frames into typed messages and hands them to listeners.
class CNetMessageProcessor {
public:
    // Types 1, 2, 3, 5, 6, 7, 8, 9 and 10 become their typed message (a
    // frame that does not decode whole stays raw); a ping request is
    // answered on the connection it came on. Every listener (CNetListener*)
    // in order gets the typed message, or the raw one for other types; one
    // taken off the list by an earlier listener is skipped. The raw message
    // stays the caller's.
    static void process(CNetMessage* raw, CXArray* listeners);
};
