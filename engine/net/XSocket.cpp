#include "net/XSocket.h"

#include "base/StringTokenizer.h"
#include "net/MessageStack.h"
#include "net/NetMessage.h"
#include "platform/Debug.h"

#include <chrono>

namespace {

// Bytes read per receive: a whole file chunk and more in one call.
const int RECEIVE_CHUNK = 65536;
// The pause after an accept that failed for a passing reason (a connection
// aborted while queued, no descriptors left), instead of trying at once.
const int ACCEPT_RETRY_MS = 50;

std::once_flag hostOnce;
CXString hostname;

} // namespace

CXSocket::CXSocket(CWindow* w)
    : window(w), handle(platform::openTcpSocket()), stack(new CMessageStack(this)), received(new CXArray(101, 0.75f)),
      open(false), stopping(false)
{
}

CXSocket::CXSocket(CWindow* w, platform::SocketHandle connected)
    : window(w), handle(connected), stack(new CMessageStack(this)), received(new CXArray(101, 0.75f)),
      open(connected != platform::INVALID_SOCKET_HANDLE), stopping(false)
{
}

CXSocket::~CXSocket()
{
    stop();
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
    uint32_t address = 0;
    if (bindAddress.IsString() && !platform::parseIPv4(bindAddress.c_str(), &address) &&
        !platform::lookupHost(bindAddress.c_str(), &address)) {
        platform::OutputDebugString((CXString("Network: no such address to listen on: ") + bindAddress).c_str());
        return false;
    }
    if (!acceptor || !bind(port, address) || !listen(backlog)) {
        CXString text("Network: cannot listen on port ");
        text += port;
        platform::OutputDebugString(text.c_str());
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

bool CXSocket::send(CNetMessage* message)
{
    if (!message)
        return false;
    bool sent = false;
    int n = message->getBufferLen();
    if (open && message->getBuffer() && n >= CNetMessage::HEADER_LENGTH && n <= CNetMessage::MAX_FRAME_LENGTH) {
        std::lock_guard<std::mutex> lock(sending);
        sent = platform::sendAll(handle, message->getBuffer(), size_t(n));
    }
    delete message;
    return sent;
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
    while (CNetMessage* message = stack->get()) {
        if (!CNetMessage::isWellFormed(message->getBuffer(), message->getBufferLen())) {
            CXString why("a frame of type ");
            why += message->getType();
            why += " is malformed";
            delete message;
            protocolError(why.c_str());
            return received;
        }
        received->add(message);
    }
    if (stack->isBroken())
        protocolError("a frame header gives a length out of range");
    return received;
}

void CXSocket::protocolError(const char* why)
{
    platform::OutputDebugString((CXString("Network: ") + why + "; the connection is closed").c_str());
    close();
}

void CXSocket::close()
{
    open = false;
    platform::shutdownSocket(handle);
}

int CXSocket::getPort() const { return platform::localPort(handle); }
