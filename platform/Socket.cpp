#include "platform/Socket.h"

#include "platform/Signals.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <resolv.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {

namespace {

sockaddr_in makeAddress(uint32_t address, int port)
{
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(address);
    return a;
}

// Small frames go out at once: a command and its answer must not wait for
// the peer's delayed acknowledgement.
void setNoDelay(SocketHandle socket)
{
    int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

} // namespace

SocketHandle openTcpSocket()
{
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return s < 0 ? INVALID_SOCKET_HANDLE : s;
}

void closeSocket(SocketHandle socket)
{
    if (socket != INVALID_SOCKET_HANDLE)
        ::close(socket);
}

void shutdownSocket(SocketHandle socket)
{
    if (socket != INVALID_SOCKET_HANDLE)
        ::shutdown(socket, SHUT_RDWR);
}

bool bindSocket(SocketHandle socket, uint32_t address, int port)
{
    if (socket == INVALID_SOCKET_HANDLE || port < 0 || port > 65535)
        return false;
    int on = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a = makeAddress(address, port);
    return ::bind(socket, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

bool listenSocket(SocketHandle socket, int backlog)
{
    return socket != INVALID_SOCKET_HANDLE && ::listen(socket, backlog) == 0;
}

std::string lastSocketError() { return std::strerror(errno); }

int maxBacklog() { return SOMAXCONN; }

int localPort(SocketHandle socket)
{
    sockaddr_in a;
    socklen_t size = sizeof a;
    if (socket == INVALID_SOCKET_HANDLE || getsockname(socket, reinterpret_cast<sockaddr*>(&a), &size) != 0)
        return -1;
    return ntohs(a.sin_port);
}

SocketHandle acceptConnection(SocketHandle listener, uint32_t* peerAddress, AcceptResult* result)
{
    for (;;) {
        sockaddr_in a;
        socklen_t size = sizeof a;
        int s = ::accept4(listener, reinterpret_cast<sockaddr*>(&a), &size, SOCK_CLOEXEC);
        if (s >= 0) {
            setNoDelay(s);
            if (peerAddress)
                *peerAddress = size >= sizeof a ? ntohl(a.sin_addr.s_addr) : 0;
            *result = AcceptResult::ACCEPTED;
            return s;
        }
        switch (errno) {
        case EINTR: continue;
        case ECONNABORTED:
        case EMFILE:
        case ENFILE:
        case ENOBUFS:
        case ENOMEM:
        case EPROTO:
        case EPERM:
        case ETIMEDOUT: *result = AcceptResult::TRANSIENT; return INVALID_SOCKET_HANDLE;
        default: *result = AcceptResult::CLOSED; return INVALID_SOCKET_HANDLE;
        }
    }
}

bool connectSocket(SocketHandle socket, uint32_t address, int port, int timeoutMs)
{
    if (socket == INVALID_SOCKET_HANDLE || port <= 0 || port > 65535)
        return false;
    int flags = fcntl(socket, F_GETFL, 0);
    if (flags < 0 || fcntl(socket, F_SETFL, flags | O_NONBLOCK) < 0)
        return false;
    sockaddr_in a = makeAddress(address, port);
    int rc = ::connect(socket, reinterpret_cast<sockaddr*>(&a), sizeof a);
    bool made = rc == 0;
    if (!made && errno == EINPROGRESS) {
        // One deadline however often a signal interrupts the wait; a request
        // to end the program ends it.
        const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        pollfd p[2] = {{socket, POLLOUT, 0}, {endRequestHandle(), POLLIN, 0}};
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
            const int ready = ::poll(p, 2, left.count() > 0 ? int(left.count()) : 0);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready > 0 && p[0].revents) {
                int error = 0;
                socklen_t size = sizeof error;
                made = getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
            }
            break;
        }
    }
    fcntl(socket, F_SETFL, flags);
    if (made)
        setNoDelay(socket);
    return made;
}

bool sendAll(SocketHandle socket, const void* data, size_t length)
{
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        ssize_t n = ::send(socket, p, length, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        length -= size_t(n);
    }
    return true;
}

long receiveSome(SocketHandle socket, void* buffer, size_t capacity)
{
    for (;;) {
        ssize_t n = ::recv(socket, buffer, capacity, 0);
        if (n >= 0)
            return long(n);
        if (errno != EINTR)
            return -1;
    }
}

bool waitReadable(SocketHandle socket, int timeoutMs)
{
    pollfd p = {socket, POLLIN, 0};
    int ready;
    do
        ready = ::poll(&p, 1, timeoutMs);
    while (ready < 0 && errno == EINTR);
    return ready == 1;
}

long receiveAvailable(SocketHandle socket, void* buffer, size_t capacity)
{
    for (;;) {
        ssize_t n = ::recv(socket, buffer, capacity, MSG_DONTWAIT);
        if (n >= 0)
            return long(n);
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? NOTHING_YET : -1;
    }
}

long sendAvailable(SocketHandle socket, const SendPart* parts, int count)
{
    enum { MOST_PARTS = 64 };
    iovec vectors[MOST_PARTS];
    int n = count < MOST_PARTS ? count : MOST_PARTS;
    for (int i = 0; i < n; ++i) {
        vectors[i].iov_base = const_cast<void*>(parts[i].data);
        vectors[i].iov_len = parts[i].length;
    }
    msghdr message;
    std::memset(&message, 0, sizeof message);
    message.msg_iov = vectors;
    message.msg_iovlen = size_t(n);
    for (;;) {
        ssize_t sent = ::sendmsg(socket, &message, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent >= 0)
            return long(sent);
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS ? 0 : -1;
    }
}

int pollSockets(PollItem* items, int count, int timeoutMs)
{
    enum { ON_STACK = 128 };
    pollfd small[ON_STACK];
    std::unique_ptr<pollfd[]> large(count > ON_STACK ? new pollfd[size_t(count)] : nullptr);
    pollfd* fds = large ? large.get() : small;
    for (int i = 0; i < count; ++i) {
        fds[i].fd = items[i].handle;
        fds[i].events = short((items[i].read ? POLLIN : 0) | (items[i].write ? POLLOUT : 0));
        fds[i].revents = 0;
    }
    int ready;
    do
        ready = ::poll(fds, nfds_t(count), timeoutMs);
    while (ready < 0 && errno == EINTR);
    for (int i = 0; i < count; ++i) {
        items[i].readable = ready > 0 && (fds[i].revents & POLLIN);
        items[i].writable = ready > 0 && (fds[i].revents & POLLOUT);
        items[i].failed = ready > 0 && (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL));
    }
    return ready;
}

SocketHandle openWakeup()
{
    int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return fd < 0 ? INVALID_SOCKET_HANDLE : fd;
}

void signalWakeup(SocketHandle wakeup)
{
    uint64_t one = 1;
    ssize_t n;
    do
        n = ::write(wakeup, &one, sizeof one);
    while (n < 0 && errno == EINTR);
}

void clearWakeup(SocketHandle wakeup)
{
    uint64_t count;
    ssize_t n;
    do
        n = ::read(wakeup, &count, sizeof count);
    while (n < 0 && errno == EINTR);
}

std::string localHostName()
{
    char name[256];
    if (gethostname(name, sizeof name) != 0)
        return std::string();
    name[sizeof name - 1] = 0;
    return name;
}

namespace {

// A lookup of a host name on a thread of its own, so that its caller can
// stop waiting when a signal asks the program to end; the thread then
// finishes alone, and the lookup goes with the last of the two to let go.
struct Lookup {
    ~Lookup() { closeSocket(done); }

    std::string name;
    sockaddr_in nameServer{}; // sin_family 0: the system's own
    SocketHandle done = INVALID_SOCKET_HANDLE;
    std::atomic<bool> finished{false};
    bool found = false;
    uint32_t address = 0;
};

// For tests: QUARNEL_TEST_NAMESERVER ("127.0.0.1:5353") names the one name
// server that lookups ask, in place of those of /etc/resolv.conf, so that a
// test can hold a lookup with a server of its own that never answers.
sockaddr_in testNameServer()
{
    sockaddr_in server{};
    const char* given = std::getenv("QUARNEL_TEST_NAMESERVER");
    const char* colon = given ? std::strchr(given, ':') : nullptr;
    uint32_t address = 0;
    if (colon && parseIPv4(std::string(given, colon).c_str(), &address))
        server = makeAddress(address, std::atoi(colon + 1));
    return server;
}

void resolve(const std::shared_ptr<Lookup>& lookup)
{
    if (lookup->nameServer.sin_family == AF_INET && res_init() == 0) {
        _res.nscount = 1;
        _res.nsaddr_list[0] = lookup->nameServer;
    }
    addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(lookup->name.c_str(), nullptr, &hints, &found) == 0 && found) {
        lookup->address = ntohl(reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
        lookup->found = true;
        freeaddrinfo(found);
    }
    lookup->finished.store(true, std::memory_order_release);
    signalWakeup(lookup->done);
}

// The lookup's thread, detached; false when it cannot start (no memory
// for its stack, too many threads).
bool startResolving(const std::shared_ptr<Lookup>& lookup)
{
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0)
        return false;
    ::pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    auto* held = new std::shared_ptr<Lookup>(lookup);
    pthread_t thread;
    const bool started = ::pthread_create(
                             &thread, &attributes,
                             [](void* given) -> void* {
                                 std::unique_ptr<std::shared_ptr<Lookup>> mine(
                                     static_cast<std::shared_ptr<Lookup>*>(given));
                                 resolve(*mine);
                                 return nullptr;
                             },
                             held) == 0;
    ::pthread_attr_destroy(&attributes);
    if (!started)
        delete held;
    return started;
}

} // namespace

bool lookupHost(const char* name, uint32_t* address)
{
    if (!name || !*name)
        return false;
    if (parseIPv4(name, address))
        return true;
    // Once the program is asked to end no lookup starts: its caller would
    // not wait for it, and each would leave a thread behind.
    pollfd p[2] = {{INVALID_SOCKET_HANDLE, POLLIN, 0}, {endRequestHandle(), POLLIN, 0}};
    if (p[1].fd >= 0 && ::poll(&p[1], 1, 0) > 0)
        return false;
    std::shared_ptr<Lookup> lookup = std::make_shared<Lookup>();
    lookup->name = name;
    lookup->nameServer = testNameServer();
    lookup->done = openWakeup();
    if (lookup->done == INVALID_SOCKET_HANDLE || !startResolving(lookup))
        return false;
    p[0].fd = lookup->done;
    while (!lookup->finished.load(std::memory_order_acquire)) {
        const int ready = ::poll(p, 2, -1);
        if ((ready < 0 && errno != EINTR) || (ready > 0 && p[1].revents))
            return false;
    }
    if (lookup->found)
        *address = lookup->address;
    return lookup->found;
}

bool parseIPv4(const char* text, uint32_t* address)
{
    in_addr a;
    if (!text || inet_pton(AF_INET, text, &a) != 1)
        return false;
    *address = ntohl(a.s_addr);
    return true;
}

std::string formatIPv4(uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 255, (address >> 8) & 255,
                  address & 255);
    return text;
}

} // namespace platform
