// The network peers under load, in one process over loopback:
// - FileOf50MB: a file of 50 MB fetched as a scene update fetches its files
//   (a server's file sender and a client's file receiver, both ticked as
//   frames tick them), in MB/s, against a plain socket copy of the same
//   bytes; "x_plain" is the peers' rate over the copy's (the aim is at
//   least 0.25).
// - ServerFrameWith64Players: the network part of a frame of a server
//   title that sends a text of 2,500 bytes to each of 64 players
//   (NETSERVER's SENDTEXT to all, then the frame's dispatch), against
//   writing the same frames on 64 plain sockets; the players read on a
//   thread of their own. "x_plain" is the plain time over the title's.
#include "net/FileTransfer.h"
#include "net/NetMessage.h"
#include "net/NetworkClient.h"
#include "net/NetworkServer.h"
#include "net/ScriptNetServer.h"
#include "net/XSocket.h"
#include "platform/Drives.h"
#include "platform/Socket.h"
#include "script/VariableFactory.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const size_t FILE_SIZE = 50u << 20;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// A folder of its own with the file GAME/S/big.bin.
struct ServedFolder {
    ServedFolder()
    {
        char name[] = "/tmp/quarnel-bench-XXXXXX";
        path = mkdtemp(name);
        std::string game = path + "/GAME", scene = game + "/S";
        mkdir(game.c_str(), 0700);
        mkdir(scene.c_str(), 0700);
        file = scene + "/big.bin";
        std::string bytes(FILE_SIZE, 'q');
        FILE* f = std::fopen(file.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    ~ServedFolder()
    {
        std::remove(file.c_str());
        rmdir((path + "/GAME/S").c_str());
        rmdir((path + "/GAME").c_str());
        rmdir(path.c_str());
    }
    std::string path;
    std::string file;
};

struct Serving : CNetListener {
    explicit Serving(const std::string& f) : server(nullptr, false), file(f)
    {
        server.addNotifier(this);
        server.start(0, CXString("127.0.0.1"));
    }
    void onMessage(CNetMessage* m) override
    {
        if (m->getType() != CNetMessage::FILE_REQUEST)
            return;
        CNetFileRequestMessage* r = static_cast<CNetFileRequestMessage*>(m);
        files.add_file(m->getHandle(), r->getRequesterId(), r->getFolder(), r->getSubfolder(), r->getFileName(),
                       CXString(platform::toEnginePath(file).c_str()));
    }
    CNetworkServer server;
    CFileSender_Manager files;
    std::string file;
};

struct Taking : CNetListener, CFileReceiver_Listener {
    Taking() : manager(this) {}
    void onMessage(CNetMessage* m) override { manager.received(m); }
    bool onFileReceived(CFileReceiver_Entry* entry) override
    {
        done = entry->getSize();
        return true;
    }
    CFileReceiver_Manager manager;
    long done = -1;
};

double peersSeconds(const ServedFolder& folder)
{
    Serving serving(folder.file);
    CNetworkClient client(nullptr, false, false);
    Taking taking;
    client.addNotifier(&taking);
    client.connect(CXString("127.0.0.1"), serving.server.getPort());
    auto start = Clock::now();
    taking.manager.add_file(client.getHandle(), CXString("GAME"), CXString("S"), CXString("big.bin"),
                            int(FILE_SIZE) + 1);
    // Each peer runs its frames on a thread of its own, as two titles would.
    std::atomic<bool> finished{false};
    std::thread server([&] {
        while (!finished) {
            serving.server.tick();
            serving.files.tick();
        }
    });
    // A transfer that breaks ends the run rather than spinning for ever.
    while (taking.done < 0 && seconds(start) < 60)
        client.tick();
    if (taking.done < 0) {
        std::fprintf(stderr, "the file did not arrive within 60 s\n");
        std::exit(1);
    }
    double took = seconds(start);
    finished = true;
    server.join();
    return took;
}

// Filled on the listener's accept thread while the constructor of Pairs
// waits for the count.
struct Accepting : CXSocket::Acceptor {
    void onConnected(CXSocket* s, const CXString&) override
    {
        std::lock_guard<std::mutex> l(lock);
        accepted.push_back(std::unique_ptr<CXSocket>(s));
    }
    size_t count()
    {
        std::lock_guard<std::mutex> l(lock);
        return accepted.size();
    }
    std::mutex lock;
    std::vector<std::unique_ptr<CXSocket>> accepted;
};

// Sockets connected to a listener of this process, and the far ends.
struct Pairs {
    explicit Pairs(int n)
    {
        listener.start(0, 128, &accepting, CXString("127.0.0.1"));
        for (int i = 0; i < n; ++i) {
            near.push_back(std::unique_ptr<CXSocket>(new CXSocket(nullptr)));
            near.back()->connect(CXString("127.0.0.1"), listener.getPort());
        }
        while (int(accepting.count()) < n)
            std::this_thread::yield();
        listener.stop();
    }
    CXSocket listener{nullptr};
    Accepting accepting;
    std::vector<std::unique_ptr<CXSocket>> near;
};

double plainSeconds()
{
    Pairs pair(1);
    std::string bytes(FILE_SIZE, 'q');
    auto start = Clock::now();
    std::thread reader([&] {
        std::vector<char> buffer(65536);
        size_t left = FILE_SIZE;
        while (left > 0) {
            long n = platform::receiveSome(pair.accepting.accepted[0]->getHandle(), buffer.data(), buffer.size());
            if (n <= 0)
                break;
            left -= size_t(n);
        }
    });
    platform::sendAll(pair.near[0]->getHandle(), bytes.data(), bytes.size());
    reader.join();
    return seconds(start);
}

void BM_FileOf50MB(benchmark::State& state)
{
    CMC_VariableFactory::initialize();
    ServedFolder folder;
    double peers = 1e300, plain = 1e300;
    for (auto _ : state) {
        peers = std::min(peers, peersSeconds(folder));
        plain = std::min(plain, plainSeconds());
    }
    const double mb = double(FILE_SIZE) / 1e6;
    state.counters["MB_per_s"] = mb / peers;
    state.counters["plain_MB_per_s"] = mb / plain;
    state.counters["x_plain"] = plain / peers;
    CMC_VariableFactory::done();
}
BENCHMARK(BM_FileOf50MB)->Iterations(5)->Unit(benchmark::kMillisecond);

const int PLAYERS = 64;
const int FRAMES = 2000;

// Reads and drops everything that comes on the sockets until told to stop.
class Drain {
public:
    explicit Drain(std::vector<platform::SocketHandle> s) : sockets(std::move(s)), thread([this] { run(); }) {}
    ~Drain()
    {
        stop = true;
        thread.join();
    }

private:
    void run()
    {
        std::vector<char> buffer(1 << 16);
        std::vector<platform::PollItem> items;
        for (platform::SocketHandle s : sockets)
            items.push_back({s, true, false, false, false, false});
        while (!stop) {
            platform::pollSockets(items.data(), int(items.size()), 10);
            for (const platform::PollItem& item : items)
                if (item.readable)
                    while (platform::receiveAvailable(item.handle, buffer.data(), buffer.size()) > 0) {
                    }
        }
    }
    std::vector<platform::SocketHandle> sockets;
    std::atomic<bool> stop{false};
    std::thread thread;
};

double titleFrameSeconds(const std::string& text)
{
    CMC_NetPeer::setPort(0);
    CMC_NetPeer::setBindAddress(CXString("127.0.0.1"));
    CMC_NetServer title(nullptr, nullptr);
    title.start();
    CNetworkServer* server = title.getServerIfc();
    std::vector<std::unique_ptr<CXSocket>> players;
    std::vector<platform::SocketHandle> handles;
    for (int i = 0; i < PLAYERS; ++i) {
        players.push_back(std::unique_ptr<CXSocket>(new CXSocket(nullptr)));
        players.back()->connect(CXString("127.0.0.1"), server->getPort());
        players.back()->send(new CNetHelloMessage(players.back().get(), CXString("player")));
        handles.push_back(players.back()->getHandle());
    }
    while (server->getPlayersNo() < PLAYERS)
        std::this_thread::yield();
    Drain drain(handles);
    CXString body(text.c_str());
    auto start = Clock::now();
    for (int f = 0; f < FRAMES; ++f) {
        title.sendText(CXString(), body);
        CNetworkPeer::dispatchQueued();
    }
    return seconds(start) / FRAMES;
}

double plainFrameSeconds(const std::string& text)
{
    Pairs pairs(PLAYERS);
    std::vector<platform::SocketHandle> handles;
    for (auto& s : pairs.accepting.accepted)
        handles.push_back(s->getHandle());
    Drain drain(handles);
    CNetTextMessage sample(nullptr, CXString(text.c_str()));
    auto start = Clock::now();
    for (int f = 0; f < FRAMES; ++f)
        for (auto& s : pairs.near)
            platform::sendAll(s->getHandle(), sample.getBuffer(), size_t(sample.getBufferLen()));
    return seconds(start) / FRAMES;
}

void BM_ServerFrameWith64Players(benchmark::State& state)
{
    CMC_VariableFactory::initialize();
    const std::string text(2500, 't');
    double title = 1e300, plain = 1e300;
    for (auto _ : state) {
        title = std::min(title, titleFrameSeconds(text));
        plain = std::min(plain, plainFrameSeconds(text));
    }
    state.counters["frame_us"] = title * 1e6;
    state.counters["plain_frame_us"] = plain * 1e6;
    state.counters["x_plain"] = plain / title;
    CMC_VariableFactory::done();
}
BENCHMARK(BM_ServerFrameWith64Players)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
