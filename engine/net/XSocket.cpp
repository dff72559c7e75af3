#include "net/XSocket.h"

#include "base/StringTokenizer.h"
#include "net/MessageStack.h"
#include "net/NetMessage.h"
#include "net/SocketLoop.h"
#include "platform/Debug.h"

#include <algorithm>
#include <chrono>

namespace {

// Bytes read per receive: a whole file chunk and more in one call.
const int RECEIVE_CHUNK = 65536;
// Reads of one pass of the loop over a connection, at most.
const int READS_PER_PASS = 8;
// The pause after an accept that failed for a passing reason (a connection
// aborted while queued, no descriptors left), instead of trying at once.
const int ACCEPT_RETRY_MS = 50;

std::once_flag hostOnce;
CXString hostname;

// The steady clock now, in its ticks.
std::chrono::steady_clock::rep clockTicks() { return std::chrono::steady_clock::now().time_since_epoch().count(); }

} // namespace

CXSocket::CXSocket(CWindow* w, std::chrono::milliseconds stall) : CXSocket(w, platform::openTcpSocket(), stall)
{
    open = false;
}

CXSocket::CXSocket(CWindow* w, platform::SocketHandle connected, std::chrono::milliseconds stall)
    : window(w), handle(connected), stack(new CMessageStack(this)), received(new CXArray(101, 0.75f)),
      open(connected != platform::INVALID_SOCKET_HANDLE), loop(nullptr), frontSent(0), queuedBytes(0), lastProgress(0),
      sendStall(stall), unhandled(0), buffered(0), readPaused(false), stopping(false)
{
}

CXSocket::~CXSocket()
{
    if (CSocketLoop* served = loop)
        served->remove(this);
    stop();
    {
        std::lock_guard<std::mutex> lock(sending);
        dropQueue();
    }
    delete received;
    platform::closeSocket(handle);
}

void CXSocket::initialize()
{
    std::call_once(hostOnce, [] { hostname = CXString(platform::localHostName().c_str()); });
}

CXString CXSocket::getHostName()
{
    initialize();
    return hostname;
}

bool CXSocket::is_ipaddr(const CXString& text)
{
    CStringTokenizer parts(text, CXString("."));
    long long value = 0, weight = 1;
    int count = 0;
    while (parts.hasMoreTokens()) {
        CXString part = parts.nextToken();
        if (count < 4)
            value += (long long)CXString::atoi(part.c_str()) * weight;
        weight *= 256;
        ++count;
    }
    return count == 4 && value != 0;
}

CXString CXSocket::resolve_ip(const CXString& name)
{
    uint32_t address = 0;
    return platform::lookupHost(name.c_str(), &address) ? toIP(address) : CXString();
}

CXString CXSocket::toIP(uint32_t address) { return CXString(platform::formatIPv4(address).c_str()); }

bool CXSocket::bind(int port, uint32_t address) { return platform::bindSocket(handle, address, port); }

bool CXSocket::listen(int backlog) { return platform::listenSocket(handle, backlog); }

bool CXSocket::start(int port, int backlog, Acceptor* acceptor, const CXString& bindAddress)
{
    if (acceptThread.joinable())
        return false;
    startProblem = CXString();
    uint32_t address = 0;
    if (bindAddress.IsString() && !platform::parseIPv4(bindAddress.c_str(), &address) &&
        !platform::lookupHost(bindAddress.c_str(), &address)) {
        startProblem = "no such address";
        platform::OutputDebugString((CXString("Network: no such address to listen on: ") + bindAddress).c_str());
        return false;
    }
    if (!acceptor || !bind(port, address) || !listen(backlog)) {
        startProblem = acceptor ? platform::lastSocketError().c_str() : "nothing takes its connections";
        CXString text("Network: cannot listen on port ");
        text += port;
        platform::OutputDebugString((text + ": " + startProblem).c_str());
        return false;
    }
    stopping = false;
    acceptThread = std::thread(&CXSocket::acceptLoop, this, acceptor);
    return true;
}

void CXSocket::stop()
{
    if (!acceptThread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(acceptLock);
        stopping = true;
    }
    acceptWake.notify_all();
    platform::shutdownSocket(handle);
    acceptThread.join();
}

// Ends when the listener is shut down (stop) or unusable; a failure that
// may pass is retried after a pause, never at once.
void CXSocket::acceptLoop(Acceptor* acceptor)
{
    for (;;) {
        platform::AcceptResult result;
        uint32_t peer = 0;
        platform::SocketHandle s = platform::acceptConnection(handle, &peer, &result);
        std::unique_lock<std::mutex> lock(acceptLock);
        if (stopping) {
            platform::closeSocket(s);
            return;
        }
        if (result == platform::AcceptResult::ACCEPTED) {
            lock.unlock();
            acceptor->onConnected(new CXSocket(window, s), toIP(peer));
            continue;
        }
        if (result == platform::AcceptResult::CLOSED)
            return;
        acceptWake.wait_for(lock, std::chrono::milliseconds(ACCEPT_RETRY_MS), [this] { return stopping; });
    }
}

bool CXSocket::connect(const CXString& host, int port)
{
    uint32_t address = 0;
    // A text that looks like an address but does not read as one is tried
    // as a name rather than sent to a broadcast address.
    bool found = (is_ipaddr(host) && platform::parseIPv4(host.c_str(), &address)) ||
                 platform::lookupHost(host.c_str(), &address);
    if (!found || open || !platform::connectSocket(handle, address, port, CONNECT_TIMEOUT_MS))
        return false;
    open = true;
    return true;
}

bool CXSocket::send(CNetMessage* message) { return put(message, true); }

bool CXSocket::queue(CNetMessage* message) { return put(message, false); }

bool CXSocket::put(CNetMessage* message, bool writeNow)
{
    if (!message)
        return false;
    const int n = message->getBufferLen();
    if (!open || !message->getBuffer() || n < CNetMessage::HEADER_LENGTH || n > CNetMessage::MAX_FRAME_LENGTH) {
        delete message;
        return false;
    }
    std::unique_lock<std::mutex> lock(sending);
    CSocketLoop* served = loop;
    if (!served) {
        bool sent = platform::sendAll(handle, message->getBuffer(), size_t(n));
        lock.unlock();
        delete message;
        return sent;
    }
    if (!open) {
        lock.unlock();
        delete message;
        return false;
    }
    size_t written = 0;
    if (outgoing.empty() && writeNow) {
        platform::SendPart part = {message->getBuffer(), size_t(n)};
        long taken = platform::sendAvailable(handle, &part, 1);
        if (taken == n || taken < 0) {
            lock.unlock();
            delete message;
            if (taken < 0)
                fail("a connection failed while sending");
            return taken == n;
        }
        written = size_t(taken);
        frontSent = written;
    }
    if (outgoing.empty())
        lastProgress = clockTicks();
    outgoing.push_back(message);
    queuedBytes += size_t(n) - written;
    if (queuedBytes > SEND_QUEUE_LIMIT) {
        lock.unlock();
        fail("a peer has left more than the most that may wait for it unread");
        return false;
    }
    bool first = outgoing.size() == 1;
    lock.unlock();
    if (first && writeNow)
        served->wake();
    return true;
}

void CXSocket::sendQueued()
{
    if (writeQueued())
        if (CSocketLoop* served = loop)
            served->wake();
}

bool CXSocket::writeQueued()
{
    std::unique_lock<std::mutex> lock(sending);
    platform::SendPart parts[64];
    while (!outgoing.empty() && open) {
        int count = 0;
        size_t offered = 0;
        for (CNetMessage* m : outgoing) {
            size_t skip = count == 0 ? frontSent : 0;
            parts[count].data = m->getBuffer() + skip;
            parts[count].length = size_t(m->getBufferLen()) - skip;
            offered += parts[count].length;
            if (++count == 64)
                break;
        }
        long taken = platform::sendAvailable(handle, parts, count);
        if (taken < 0) {
            lock.unlock();
            fail("a connection failed while sending");
            return false;
        }
        if (taken == 0)
            break;
        lastProgress = clockTicks();
        queuedBytes -= size_t(taken);
        size_t left = size_t(taken);
        while (left > 0) {
            size_t rest = size_t(outgoing.front()->getBufferLen()) - frontSent;
            if (left < rest) {
                frontSent += left;
                break;
            }
            left -= rest;
            delete outgoing.front();
            outgoing.pop_front();
            frontSent = 0;
        }
        // The socket is full: asking again now would only be refused.
        if (size_t(taken) < offered)
            break;
    }
    if (outgoing.empty())
        allSent.notify_all();
    return !outgoing.empty();
}

// A frame waits exactly while some of its bytes do: a written one leaves.
bool CXSocket::hasQueued() { return queuedBytes > 0; }

size_t CXSocket::getQueuedBytes() { return queuedBytes; }

// The bytes are read first: a queue that was empty sets the time before
// its first bytes count.
bool CXSocket::isStalled(std::chrono::steady_clock::time_point now)
{
    if (queuedBytes == 0)
        return false;
    const std::chrono::steady_clock::time_point last{std::chrono::steady_clock::duration(lastProgress)};
    return now - last > sendStall;
}

bool CXSocket::waitSent(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock<std::mutex> lock(sending);
    allSent.wait_until(lock, deadline, [this] { return outgoing.empty() || !open; });
    return outgoing.empty();
}

void CXSocket::dropQueue()
{
    for (CNetMessage* m : outgoing)
        delete m;
    outgoing.clear();
    frontSent = queuedBytes = 0;
    allSent.notify_all();
}

bool CXSocket::mayRead() const { return unhandled + buffered < RECEIVE_LIMIT; }

// The loop marks itself waiting before it looks again, and handled lowers
// the count before it looks at the mark: one of them sees the other.
bool CXSocket::readWanted()
{
    if (mayRead())
        return true;
    readPaused = true;
    if (!mayRead())
        return false;
    readPaused = false;
    return true;
}

void CXSocket::handled(long bytes)
{
    unhandled -= bytes;
    if (readPaused && mayRead() && readPaused.exchange(false))
        if (CSocketLoop* served = loop)
            served->wake();
}

// A few reads while the socket fills them: fewer passes of the loop for a
// fast sender. Each read takes no more than the room left under the bound
// could hold were it all frames of 8 bytes, each with its object and the
// name it will carry: what a connection holds stays within the bound but
// for one frame, however small its frames and long its name.
bool CXSocket::readAvailable(std::vector<CNetMessage*>* frames, int nameLength)
{
    const long perFrame = long(sizeof(CNetMessage)) + CNetMessage::HEADER_LENGTH + 1 + nameLength + 1;
    const long perByte = (perFrame + CNetMessage::HEADER_LENGTH - 1) / CNetMessage::HEADER_LENGTH;
    size_t counted = frames->size();
    long footprint = 0;
    for (int reads = 0; reads < READS_PER_PASS; ++reads) {
        if (!open)
            return false;
        long room = RECEIVE_LIMIT - (unhandled + buffered + footprint);
        if (room <= 0)
            return true;
        int want = int(std::min<long>(RECEIVE_CHUNK, std::max<long>(CNetMessage::HEADER_LENGTH, room / perByte)));
        char* space = stack->reserve(want);
        long n = space ? platform::receiveAvailable(handle, space, size_t(want)) : -1;
        if (n == platform::NOTHING_YET)
            return true;
        if (n <= 0) {
            open = false;
            return false;
        }
        stack->commit(int(n));
        bool whole = takeFrames(frames);
        buffered = stack->getLength();
        if (!whole)
            return false;
        for (; counted < frames->size(); ++counted)
            footprint += (*frames)[counted]->getFootprint() + nameLength;
        if (n < want)
            return true;
    }
    return true;
}

CXArray* CXSocket::receive()
{
    received->removeAll();
    if (!open)
        return received;
    char* room = stack->reserve(RECEIVE_CHUNK);
    long n = room ? platform::receiveSome(handle, room, RECEIVE_CHUNK) : -1;
    if (n <= 0) {
        open = false;
        return received;
    }
    stack->commit(int(n));
    std::vector<CNetMessage*> frames;
    takeFrames(&frames);
    for (CNetMessage* m : frames)
        received->add(m);
    return received;
}

bool CXSocket::takeFrames(std::vector<CNetMessage*>* frames)
{
    while (CNetMessage* message = stack->get()) {
        if (!CNetMessage::isWellFormed(message->getBuffer(), message->getBufferLen())) {
            CXString why("a frame of type ");
            why += message->getType();
            why += " is malformed";
            delete message;
            fail(why.c_str());
            return false;
        }
        frames->push_back(message);
    }
    if (stack->isBroken()) {
        fail("a frame header gives a length out of range");
        return false;
    }
    return true;
}

void CXSocket::fail(const char* why)
{
    platform::OutputDebugString((CXString("Network: ") + why + "; the connection is closed").c_str());
    close();
}

// The shutdown comes first: it ends a send that waits in another thread
// with the sending lock held.
void CXSocket::close()
{
    open = false;
    platform::shutdownSocket(handle);
    {
        std::lock_guard<std::mutex> lock(sending);
        dropQueue();
    }
    if (CSocketLoop* served = loop)
        served->wake();
}

int CXSocket::getPort() const { return platform::localPort(handle); }
