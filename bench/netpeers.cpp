// The round trip of a command between a client and a server in one
// process, both dispatching on receipt: the client sends "PING" with an
// argument, the server's listener sends it back, and the client's listener
// wakes the sender. The reference is a plain socket ping-pong of the same
// frame bytes between two threads; "x_plain" is the reference's time over
// the peers' (1 means as fast).
#include "net/NetMessage.h"
#include "net/NetworkClient.h"
#include "net/NetworkServer.h"
#include "net/XSocket.h"
#include "platform/Socket.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

const int ROUNDS = 2000;

// Sends every command back on the connection it came on.
struct Echo : CNetListener {
    void onMessage(CNetMessage* m) override
    {
        if (m->getType() != CNetMessage::CMD)
            return;
        CNetCmdMessage* cmd = static_cast<CNetCmdMessage*>(m);
        m->getHandle()->send(new CNetCmdMessage(m->getHandle(), cmd->getCommand(), cmd->getParams()));
    }
};

// Counts the commands that came back.
struct Returns : CNetListener {
    void onMessage(CNetMessage* m) override
    {
        if (m->getType() != CNetMessage::CMD)
            return;
        std::lock_guard<std::mutex> lock(mutex);
        ++count;
        arrived.notify_all();
    }
    void waitFor(long n)
    {
        std::unique_lock<std::mutex> lock(mutex);
        arrived.wait(lock, [&] { return count >= n; });
    }
    std::mutex mutex;
    std::condition_variable arrived;
    long count = 0;
};

double peersSeconds()
{
    CNetworkServer server(nullptr, true);
    Echo echo;
    server.addNotifier(&echo);
    server.start(0, CXString("127.0.0.1"));
    CNetworkClient client(nullptr, false, true);
    Returns back;
    client.addNotifier(&back);
    client.connect(CXString("127.0.0.1"), server.getPort());
    CXArray args(101, 0.75f);
    CXString argument("argument");
    args.add(&argument);
    auto start = std::chrono::steady_clock::now();
    for (long i = 1; i <= ROUNDS; ++i) {
        client.send(new CNetCmdMessage(client.getHandle(), CXString("PING"), &args));
        back.waitFor(i);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Accepting : CXSocket::Acceptor {
    void onConnected(CXSocket* s, const CXString&) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        socket.reset(s);
        arrived.notify_all();
    }
    std::mutex mutex;
    std::condition_variable arrived;
    std::unique_ptr<CXSocket> socket;
};

bool readAll(platform::SocketHandle s, char* buffer, size_t n)
{
    while (n > 0) {
        long got = platform::receiveSome(s, buffer, n);
        if (got <= 0)
            return false;
        buffer += got;
        n -= size_t(got);
    }
    return true;
}

double plainSeconds()
{
    CXArray args(101, 0.75f);
    CXString argument("argument");
    args.add(&argument);
    CNetCmdMessage sample(nullptr, CXString("PING"), &args);
    const std::string frame(sample.getBuffer(), size_t(sample.getBufferLen()));
    Accepting accepting;
    CXSocket listener(nullptr), client(nullptr);
    listener.start(0, 5, &accepting, CXString("127.0.0.1"));
    client.connect(CXString("127.0.0.1"), listener.getPort());
    {
        std::unique_lock<std::mutex> lock(accepting.mutex);
        accepting.arrived.wait(lock, [&] { return accepting.socket != nullptr; });
    }
    platform::SocketHandle far = accepting.socket->getHandle();
    std::thread echo([&] {
        std::string buffer(frame.size(), '\0');
        while (readAll(far, &buffer[0], buffer.size()))
            platform::sendAll(far, buffer.data(), buffer.size());
    });
    std::string buffer(frame.size(), '\0');
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < ROUNDS; ++i) {
        platform::sendAll(client.getHandle(), frame.data(), frame.size());
        readAll(client.getHandle(), &buffer[0], buffer.size());
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    client.close();
    echo.join();
    return seconds;
}

void BM_CommandRoundTrip(benchmark::State& state)
{
    double peers = 1e300, plain = 1e300;
    for (auto _ : state) {
        peers = std::min(peers, peersSeconds());
        plain = std::min(plain, plainSeconds());
    }
    state.counters["round_trip_us"] = peers / ROUNDS * 1e6;
    state.counters["plain_round_trip_us"] = plain / ROUNDS * 1e6;
    state.counters["x_plain"] = plain / peers;
}
BENCHMARK(BM_CommandRoundTrip)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
