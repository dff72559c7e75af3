#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// TCP over IPv4, with the semantics the network layer relies on: blocking
// calls that another thread can wake with shutdownSocket, sends that write
// everything or fail (and never raise a signal when the peer has gone), and
// results that tell a closed connection from data.
//
// Addresses are 32-bit numbers with the first part of the dotted form in
// the high byte (127.0.0.1 is 0x7F000001); 0 is the wildcard address.
using SocketHandle = int;
constexpr SocketHandle INVALID_SOCKET_HANDLE = -1;

// A new TCP stream socket; INVALID_SOCKET_HANDLE when none can be made.
SocketHandle openTcpSocket();
// Frees the handle; an invalid one is ignored.
void closeSocket(SocketHandle socket);
// Ends both directions: a receive or accept blocked in another thread
// returns, and the peer sees the connection closed. The handle stays valid
// until closeSocket.
void shutdownSocket(SocketHandle socket);

// Binds to the address and port (0 for one the system chooses); the port
// may be reused at once after an earlier server on it went away.
bool bindSocket(SocketHandle socket, uint32_t address, int port);
bool listenSocket(SocketHandle socket, int backlog);
// Why the last socket call of this thread that failed did, in words
// ("Address already in use").
std::string lastSocketError();
// The longest queue of connections waiting to be accepted that the system
// allows.
int maxBacklog();
// The local port of a bound socket; -1 when it has none.
int localPort(SocketHandle socket);

enum class AcceptResult {
    ACCEPTED,  // a connection came
    TRANSIENT, // this attempt failed (a connection aborted, no descriptors left): try again later
    CLOSED     // the listening socket is shut down or unusable
};
// Waits for the next connection; the new socket, with the peer's address,
// or INVALID_SOCKET_HANDLE with the reason.
SocketHandle acceptConnection(SocketHandle listener, uint32_t* peerAddress, AcceptResult* result);

// Connects to the address and port, waiting at most timeoutMs in all;
// false when no connection was made. A wait ends at once, without a
// connection, when a signal asks the program to end (see Signals.h). The
// socket blocks again afterwards.
bool connectSocket(SocketHandle socket, uint32_t address, int port, int timeoutMs);

// Writes all bytes, however many calls it takes; false on an error (the
// peer closed the connection, the socket was shut down).
bool sendAll(SocketHandle socket, const void* data, size_t length);
// Waits for at least one byte and reads what has arrived, at most capacity
// bytes: the number read, 0 when the peer closed the connection (or it was
// shut down), -1 on an error.
long receiveSome(SocketHandle socket, void* buffer, size_t capacity);
// Whether bytes (or the end of the connection) can be read now, waiting at
// most timeoutMs.
bool waitReadable(SocketHandle socket, int timeoutMs);

// Calls that never wait, for sockets served by a poll loop.
//
// Reads what has arrived, at most capacity bytes: the number read, 0 when
// the peer closed the connection, -1 on an error, NOTHING_YET when no byte
// is there now.
constexpr long NOTHING_YET = -2;
long receiveAvailable(SocketHandle socket, void* buffer, size_t capacity);
// Writes as much of the parts, in order, as the socket takes now: the
// number of bytes taken (0 when it takes none now), -1 on an error.
struct SendPart {
    const void* data;
    size_t length;
};
long sendAvailable(SocketHandle socket, const SendPart* parts, int count);

// One socket of a poll: what to wait for, and what came.
struct PollItem {
    SocketHandle handle;
    bool read;  // wait for bytes or the end of the connection
    bool write; // wait for room to write
    bool readable;
    bool writable;
    bool failed; // an error or the connection hung up, whatever was asked
};
// Waits at most timeoutMs (-1: without limit) until one of the items is
// ready; the number of items ready, -1 on an error.
int pollSockets(PollItem* items, int count, int timeoutMs);

// A handle that another thread makes readable, to wake a poll.
SocketHandle openWakeup();
void signalWakeup(SocketHandle wakeup);
// Makes it unreadable again.
void clearWakeup(SocketHandle wakeup);

// The machine's host name; empty when it cannot be read.
std::string localHostName();
// The first IPv4 address of a host name (or of a dotted address); false
// when it has none. The wait for the name service ends at once, with
// false, when a signal asks the program to end (see Signals.h): the lookup
// is left to finish on a thread of its own.
bool lookupHost(const char* name, uint32_t* address);
// A strict dotted-decimal IPv4 address ("127.0.0.1"); false for anything else.
bool parseIPv4(const char* text, uint32_t* address);
std::string formatIPv4(uint32_t address);

} // namespace platform
