#include "NetSupport.h"
#include "net/NetMessage.h"
#include "net/NetworkClient.h"
#include "net/NetworkServer.h"
#include "platform/Socket.h"

#include <atomic>
#include <chrono>
#include <dirent.h>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using nettest::frameOf;
using nettest::hex;
using nettest::waitFor;
using nettest::waitWhileMoving;

namespace {

// What a peer told its listener, one line per call.
class Recorder : public CNetListener {
public:
    void onMessage(CNetMessage* m) override
    {
        std::string line = "message " + std::to_string(m->getType()) + " from " + m->getSenderName().c_str();
        if (m->getType() == CNetMessage::TEXT)
            line += std::string(": ") + static_cast<CNetTextMessage*>(m)->getText();
        if (m->getType() == CNetMessage::CMD)
            line += std::string(": ") + static_cast<CNetCmdMessage*>(m)->getCommand().c_str();
        if (m->getType() == CNetMessage::PING)
            line += static_cast<CNetPingMessage*>(m)->isResponse() ? ": answer" : ": request";
        add(line);
    }
    void onConnected(CXString host) override { add(std::string("connected ") + host.c_str()); }
    void onConnectionClosed() override { add("closed"); }
    void onNewPlayer(CNetPlayerInfo* p) override { add(std::string("new ") + p->getName().c_str()); }
    void onDestroyPlayer(CNetPlayerInfo* p) override { add(std::string("destroy ") + p->getName().c_str()); }

    std::vector<std::string> lines()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return log;
    }
    size_t count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return log.size();
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(mutex);
        log.clear();
    }

private:
    void add(const std::string& line)
    {
        std::lock_guard<std::mutex> lock(mutex);
        log.push_back(line);
    }
    std::mutex mutex;
    std::vector<std::string> log;
};

int threadCount() { return int(nettest::processStatus("Threads:")); }

// Whether the process comes back to n threads. A thread that was joined may
// still be counted for a moment: the kernel wakes the join as the thread
// lets go of its memory, and only then takes it off the process.
bool threadsBackTo(int n)
{
    return waitFor([n] { return threadCount() == n; });
}

int descriptorCount()
{
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d))
            ++n;
        closedir(d);
    }
    return n;
}

// Whether the other side has closed the raw connection (a hello, if sent,
// was never answered: nothing else comes).
bool endedByPeer(platform::SocketHandle s)
{
    char byte;
    return platform::waitReadable(s, 0) && platform::receiveSome(s, &byte, 1) <= 0;
}

// Ticks the peer until the listener has heard n lines.
bool tickUntil(CNetworkPeer& peer, Recorder& heard, size_t n)
{
    return waitFor([&] {
        peer.tick();
        return heard.count() >= n;
    });
}

// A server on 127.0.0.1 in queued mode, with its recorder.
struct Server {
    explicit Server(int networkPassMs = CSocketLoop::PASS_MS) : peer(nullptr, false, networkPassMs)
    {
        peer.addNotifier(&heard);
        started = peer.start(0, CXString("127.0.0.1"));
    }
    CNetworkServer peer;
    Recorder heard;
    bool started;
};

TEST(CNetworkPeerTest, QueuedMessagesWaitForTickAndComeInOrder)
{
    nettest::Pools pools;
    Server server;
    ASSERT_TRUE(server.started);
    CNetworkClient client(nullptr, false, false);
    Recorder clientHeard;
    client.addNotifier(&clientHeard);
    EXPECT_FALSE(client.isConnected());
    ASSERT_TRUE(client.connect(CXString("127.0.0.1"), server.peer.getPort()));
    EXPECT_EQ(clientHeard.lines(), std::vector<std::string>{"connected 127.0.0.1"});
    EXPECT_TRUE(client.connect(CXString("127.0.0.1"), 1)); // already connected: nothing else
    EXPECT_EQ(client.getHostName(), CXString("127.0.0.1"));

    client.send(new CNetTextMessage(client.getHandle(), CXString("one")));
    client.send(new CNetCmdMessage(client.getHandle(), CXString("TWO"), nullptr));
    client.send(new CNetMessage(client.getHandle(), CNetMessage::DISCONNECT));
    client.send(new CNetMessage(client.getHandle(), 99));
    client.send(new CNetPingMessage(client.getHandle(), 77));
    ASSERT_TRUE(waitFor([&] { return server.peer.getPlayersNo() == 1; }));
    EXPECT_EQ(server.heard.count(), 0u); // nothing before the owner ticks
    ASSERT_TRUE(tickUntil(server.peer, server.heard, 6));
    std::string hello = "message 7 from 127.0.0.1"; // sent by connect, named by the address
    EXPECT_EQ(server.heard.lines(),
              (std::vector<std::string>{hello, "message 5 from 127.0.0.1: one", "message 1 from 127.0.0.1: TWO",
                                        "message 4 from 127.0.0.1", "message 99 from 127.0.0.1",
                                        "message 6 from 127.0.0.1: request"}));
    EXPECT_EQ(server.peer.find(CXString("127.0.0.1")), server.peer.getPlayer(0));
    EXPECT_EQ(server.peer.getPlayer(1), nullptr);

    // The ping is answered on its connection and the answer not answered.
    ASSERT_TRUE(tickUntil(client, clientHeard, 2));
    EXPECT_EQ(clientHeard.lines()[1], "message 6 from 127.0.0.1: answer");

    // A named player is found and sent to by its name.
    server.peer.getPlayer(0)->setName(CXString("Ann"));
    EXPECT_TRUE(server.peer.send(CXString("Ann"), new CNetTextMessage(nullptr, CXString("for Ann"))));
    EXPECT_FALSE(server.peer.send(CXString("Bob"), new CNetTextMessage(nullptr, CXString("for Bob"))));
    ASSERT_TRUE(tickUntil(client, clientHeard, 3));
    EXPECT_EQ(clientHeard.lines()[2], "message 5 from 127.0.0.1: for Ann");

    client.disconnect(true);
    EXPECT_FALSE(client.isConnected());
    EXPECT_EQ(client.getHostName(), CXString());
    client.disconnect(true); // not connected: nothing
    ASSERT_TRUE(tickUntil(server.peer, server.heard, 7));
    EXPECT_EQ(server.heard.lines()[6], "message 4 from Ann");
    EXPECT_EQ(clientHeard.count(), 3u); // a disconnect asked for is not a closure
}

// Players that leave without a word are noticed on the owner's thread and
// deleted after that dispatch; frames that break the rules drop only their
// own connection.
TEST(CNetworkPeerTest, ConnectionsThatEndOrBreakTheRulesAreTakenOff)
{
    nettest::Pools pools;
    Server server;
    ASSERT_TRUE(server.started);
    CNetworkClient stays(nullptr, false, false), killed(nullptr, false, false);
    ASSERT_TRUE(stays.connect(CXString("127.0.0.1"), server.peer.getPort()));
    ASSERT_TRUE(waitFor([&] { return server.peer.getPlayersNo() == 1; }));
    server.peer.getPlayer(0)->setName(CXString("stays"));
    ASSERT_TRUE(killed.connect(CXString("127.0.0.1"), server.peer.getPort()));
    ASSERT_TRUE(waitFor([&] { return server.peer.getPlayersNo() == 2; }));
    server.peer.getPlayer(1)->setName(CXString("killed"));
    ASSERT_TRUE(tickUntil(server.peer, server.heard, 2)); // the hellos
    server.heard.clear();

    // Gone without the notice.
    platform::shutdownSocket(killed.getHandle()->getHandle());
    ASSERT_TRUE(tickUntil(server.peer, server.heard, 1));
    EXPECT_EQ(server.heard.lines(), std::vector<std::string>{"destroy killed"});
    EXPECT_EQ(server.peer.getPlayersNo(), 1);

    // A raw connection that greets, sends a good frame and then a bad one.
    const std::string hello = hex("07000000 0c000000 'raw' 00"), good = hex("05000000 0b000000 'hi' 00");
    for (const std::string& bad : {hex("05000000 0a000000 'hi'"), hex("05000000 ffffff7f")}) {
        server.heard.clear();
        platform::SocketHandle raw = platform::openTcpSocket();
        ASSERT_TRUE(platform::connectSocket(raw, 0x7F000001, server.peer.getPort(), 5000));
        std::string bytes = hello + good + bad;
        ASSERT_TRUE(platform::sendAll(raw, bytes.data(), bytes.size()));
        ASSERT_TRUE(tickUntil(server.peer, server.heard, 3));
        EXPECT_EQ(server.heard.lines(), (std::vector<std::string>{"message 7 from 127.0.0.1",
                                                                  "message 5 from 127.0.0.1: hi", "destroy 127.0.0.1"}));
        char byte;
        EXPECT_LE(platform::receiveSome(raw, &byte, 1), 0);
        platform::closeSocket(raw);
    }
    ASSERT_EQ(server.peer.getPlayersNo(), 1);
    EXPECT_EQ(server.peer.getPlayer(0)->getName(), CXString("stays"));
    server.heard.clear();
    stays.send(new CNetTextMessage(stays.getHandle(), CXString("still here")));
    ASSERT_TRUE(tickUntil(server.peer, server.heard, 1));
    EXPECT_EQ(server.heard.lines()[0], "message 5 from stays: still here");
}

TEST(CNetworkPeerTest, AServerStoppedWithThreeClientsLeavesNoThreadAndTellsThemAll)
{
    nettest::Pools pools;
    const int before = threadCount();
    {
        Server server;
        ASSERT_TRUE(server.started);
        std::vector<std::unique_ptr<CNetworkClient>> clients;
        std::vector<std::unique_ptr<Recorder>> heard;
        for (int i = 0; i < 3; ++i) {
            clients.emplace_back(new CNetworkClient(nullptr, false, false));
            heard.emplace_back(new Recorder);
            clients.back()->addNotifier(heard.back().get());
            ASSERT_TRUE(clients.back()->connect(CXString("127.0.0.1"), server.peer.getPort()));
        }
        ASSERT_TRUE(waitFor([&] { return server.peer.getPlayersNo() == 3; }));
        // The server's accept thread and loop, one loop for each client;
        // none for the players.
        EXPECT_EQ(threadCount(), before + 1 + 1 + 3);
        server.peer.stop(true);
        EXPECT_FALSE(server.peer.isStarted());
        EXPECT_EQ(server.peer.getPlayersNo(), 0);
        EXPECT_EQ(server.peer.getPort(), -1);
        // Each client gets the notice, then notices the connection end.
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(tickUntil(*clients[size_t(i)], *heard[size_t(i)], 3)) << i;
            EXPECT_EQ(heard[size_t(i)]->lines(),
                      (std::vector<std::string>{"connected 127.0.0.1", "message 4 from 127.0.0.1", "closed"}));
            EXPECT_FALSE(clients[size_t(i)]->isConnected());
        }
        EXPECT_TRUE(threadsBackTo(before)) << threadCount();
        EXPECT_EQ(server.heard.count(), 0u); // stop tells the server's listeners nothing
        // A stopped server starts again, on a new port.
        EXPECT_TRUE(server.peer.start(0, CXString("127.0.0.1")));
        EXPECT_TRUE(clients[0]->connect(CXString("127.0.0.1"), server.peer.getPort()));
        ASSERT_TRUE(waitFor([&] { return server.peer.getPlayersNo() == 1; }));
    }
    EXPECT_TRUE(threadsBackTo(before)) << threadCount();
}

TEST(CNetworkPeerTest, FailuresLeaveNothingBehind)
{
    nettest::Pools pools;
    Server taken;
    ASSERT_TRUE(taken.started);
    CNetworkServer second(nullptr, false);
    EXPECT_FALSE(second.start(taken.peer.getPort(), CXString("127.0.0.1")));
    EXPECT_FALSE(second.isStarted());
    EXPECT_EQ(second.getHandle(), nullptr);
    EXPECT_FALSE(second.send(new CNetTextMessage(nullptr, CXString("nobody"))));

    int closedPort;
    {
        Server gone;
        closedPort = gone.peer.getPort();
    }
    CNetworkClient client(nullptr, false, false);
    Recorder heard;
    client.addNotifier(&heard);
    EXPECT_FALSE(client.connect(CXString("127.0.0.1"), closedPort));
    EXPECT_FALSE(client.isConnected());
    EXPECT_EQ(client.getHandle(), nullptr);
    EXPECT_EQ(heard.count(), 0u);
    EXPECT_FALSE(client.send(new CNetTextMessage(nullptr, CXString("nobody"))));
    EXPECT_EQ(CNetworkClient::getPlayerName(nullptr), CXSocket::getHostName());
}

// In immediate mode the receive threads dispatch at once.
TEST(CNetworkPeerTest, ImmediateModeDispatchesOnTheReceiveThreads)
{
    nettest::Pools pools;
    CNetworkServer server(nullptr, true);
    Recorder heard;
    server.addNotifier(&heard);
    ASSERT_TRUE(server.start(0, CXString("127.0.0.1")));
    CNetworkClient client(nullptr, false, true);
    ASSERT_TRUE(client.connect(CXString("127.0.0.1"), server.getPort()));
    client.send(new CNetTextMessage(client.getHandle(), CXString("now")));
    ASSERT_TRUE(waitFor([&] { return heard.count() == 2; }));
    EXPECT_EQ(heard.lines()[1], "message 5 from 127.0.0.1: now");
    client.disconnect(false);
    ASSERT_TRUE(waitFor([&] { return heard.count() == 3; }));
    EXPECT_EQ(heard.lines()[2], "destroy 127.0.0.1");
}

// On receipt a hello is handled (the listener names the player, as the
// script server does) before the frame read right behind it is stamped.
TEST(CNetworkPeerTest, ImmediateModeStampsAFrameWithTheNameItsHelloGaveJustBefore)
{
    nettest::Pools pools;
    CNetworkServer server(nullptr, true);
    struct Naming : Recorder {
        void onMessage(CNetMessage* m) override
        {
            if (m->getType() == CNetMessage::HELLO)
                if (CNetPlayerInfo* player = server->findByHandle(m->getHandle()))
                    player->setName(CXString(static_cast<CNetHelloMessage*>(m)->getName()));
            Recorder::onMessage(m);
        }
        CNetworkServer* server = nullptr;
    } heard;
    heard.server = &server;
    server.addNotifier(&heard);
    ASSERT_TRUE(server.start(0, CXString("127.0.0.1")));
    platform::SocketHandle raw = platform::openTcpSocket();
    ASSERT_TRUE(platform::connectSocket(raw, 0x7F000001, server.getPort(), 5000));
    const std::string both = hex("07000000 0c000000 'raw' 00  05000000 0b000000 'hi' 00");
    ASSERT_TRUE(platform::sendAll(raw, both.data(), both.size()));
    ASSERT_TRUE(waitFor([&] { return heard.count() == 2; }));
    EXPECT_EQ(heard.lines()[1], "message 5 from raw: hi");
    platform::closeSocket(raw);
    server.stop(false);
}

} // namespace

namespace {

// A connection that sends faster than its owner handles is read only up to
// the bound: TCP holds the sender back, nothing is lost, and the rest comes
// in order once the owner handles what waits.
TEST(CNetworkPeerTest, ReadingStopsWhileTooMuchWaitsToBeHandled)
{
    nettest::Pools pools;
    struct Accepting : CXSocket::Acceptor {
        ~Accepting() { delete accepted; }
        void onConnected(CXSocket* s, const CXString&) override { accepted = s; }
        std::atomic<CXSocket*> accepted{nullptr};
    } accepting;
    CXSocket listener(nullptr);
    ASSERT_TRUE(listener.start(0, 1, &accepting, CXString("127.0.0.1")));
    CNetworkClient client(nullptr, false, false);
    struct Texts : CNetListener {
        void onMessage(CNetMessage* m) override
        {
            if (m->getType() == CNetMessage::TEXT)
                numbers.push_back(std::atoi(static_cast<CNetTextMessage*>(m)->getText()));
        }
        std::vector<int> numbers;
    } texts;
    client.addNotifier(&texts);
    ASSERT_TRUE(client.connect(CXString("127.0.0.1"), listener.getPort()));
    ASSERT_TRUE(waitFor([&] { return accepting.accepted != nullptr; }));
    CXSocket* far = accepting.accepted;

    // 16 MiB of texts of 1 KiB, numbered.
    const int count = 16384;
    std::string flood;
    for (int i = 0; i < count; ++i) {
        std::string text = std::to_string(i) + "|" + std::string(1000, 'x');
        flood += frameOf(CNetTextMessage(nullptr, CXString(text.c_str())));
    }
    std::atomic<bool> allSent{false};
    std::thread sender([&] {
        allSent = platform::sendAll(far->getHandle(), flood.data(), flood.size());
    });
    CXSocket* socket = client.getHandle();
    // Up to the bound (but for a frame cut short in the buffer), and one
    // frame past it.
    CNetTextMessage sample(nullptr, CXString((std::to_string(count) + "|" + std::string(1000, 'x')).c_str()));
    sample.setSender(CXString("127.0.0.1"));
    const long most = CXSocket::RECEIVE_LIMIT + sample.getFootprint();
    EXPECT_TRUE(waitFor([&] { return socket->getUnhandled() >= CXSocket::RECEIVE_LIMIT - 2 * sample.getFootprint(); }));
    EXPECT_FALSE(waitFor([&] { return socket->getUnhandled() > most || allSent; }, 300));
    ASSERT_TRUE(waitFor([&] {
        client.tick();
        EXPECT_LE(socket->getUnhandled(), most);
        return int(texts.numbers.size()) == count;
    }, 30000));
    sender.join();
    EXPECT_TRUE(allSent);
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(texts.numbers[size_t(i)], i);
    EXPECT_EQ(socket->getUnhandled(), 0);
}

// Every message carries its own copy of its sender's name: the smallest
// frames from a player of a long name are held to the bound all the same.
// The network thread waits a minute between its own looks: reading goes on
// only because handling what waits wakes it.
TEST(CNetworkPeerTest, ALongNameDoesNotMultiplyWhatIsHeld)
{
    nettest::Pools pools;
    Server server(60000);
    ASSERT_TRUE(server.started);
    platform::SocketHandle raw = platform::openTcpSocket();
    ASSERT_TRUE(platform::connectSocket(raw, 0x7F000001, server.peer.getPort(), 5000));
    const std::string hello = hex("07000000 0c000000 'raw' 00");
    ASSERT_TRUE(platform::sendAll(raw, hello.data(), hello.size()));
    ASSERT_TRUE(tickUntil(server.peer, server.heard, 1));
    const std::string name(65536, 'n');
    server.peer.getPlayer(0)->setName(CXString(name.c_str()));
    server.heard.clear();

    // 8,192 frames of 8 bytes: each held with the name is 8,192 times 64 KiB.
    const int count = 8192;
    std::string frames;
    for (int i = 0; i < count; ++i)
        frames += hex("63000000 08000000");
    std::thread sender([&] { platform::sendAll(raw, frames.data(), frames.size()); });
    CXSocket* socket = server.peer.getPlayer(0)->getHandle();
    CNetMessage one(nullptr, 99);
    one.setSender(CXString(name.c_str()));
    const long most = CXSocket::RECEIVE_LIMIT + one.getFootprint();
    EXPECT_TRUE(waitFor([&] { return socket->getUnhandled() >= CXSocket::RECEIVE_LIMIT - 2 * one.getFootprint(); }));
    EXPECT_FALSE(waitFor([&] { return socket->getUnhandled() > most; }, 300));
    const bool all = waitWhileMoving(
        [&] {
            server.peer.tick();
            EXPECT_LE(socket->getUnhandled(), most);
            return server.heard.count() == size_t(count);
        },
        [&] { return long(server.heard.count()); });
    // A sender still blocked when the handling stood still gives up.
    platform::shutdownSocket(raw);
    sender.join();
    platform::closeSocket(raw);
    EXPECT_TRUE(all) << server.heard.count() << " of " << count << " heard";
}

// A tick stops after its time, and connections take turns: the end of a
// connection is handled among the first messages although another's long
// backlog came before it. It is the fourth message in turn; a tick handles
// one at least, so four ticks reach it however slow the machine is, and a
// loaded one may stop a tick after one message.
TEST(CNetworkPeerTest, ABusyConnectionNeitherStallsATickNorHoldsBackAnother)
{
    nettest::Pools pools;
    Server server;
    ASSERT_TRUE(server.started);
    struct Slow : CNetListener {
        void onMessage(CNetMessage* m) override
        {
            if (m->getType() == CNetMessage::TEXT)
                std::this_thread::sleep_for(std::chrono::milliseconds(1)); // a handler's work
        }
    } slow;
    server.peer.addNotifier(&slow);
    const std::string hello = hex("07000000 0c000000 'raw' 00"), text = hex("05000000 0b000000 'hi' 00");
    platform::SocketHandle busy = platform::openTcpSocket(), leaving = platform::openTcpSocket();
    ASSERT_TRUE(platform::connectSocket(busy, 0x7F000001, server.peer.getPort(), 5000));
    std::string bytes = hello;
    for (int i = 0; i < 300; ++i)
        bytes += text;
    ASSERT_TRUE(platform::sendAll(busy, bytes.data(), bytes.size()));
    ASSERT_TRUE(waitFor([&] { return server.peer.getQueuedCount() == 301; }));
    ASSERT_TRUE(platform::connectSocket(leaving, 0x7F000001, server.peer.getPort(), 5000));
    ASSERT_TRUE(platform::sendAll(leaving, hello.data(), hello.size()));
    platform::shutdownSocket(leaving);
    ASSERT_TRUE(waitFor([&] { return server.peer.getQueuedCount() == 303; }));

    server.peer.tick();
    EXPECT_GT(server.peer.getQueuedCount(), 200);
    std::vector<std::string> lines = server.heard.lines();
    auto ended = [&] { return std::find(lines.begin(), lines.end(), "destroy 127.0.0.1") != lines.end(); };
    for (int ticks = 1; ticks < 4 && !ended(); ++ticks) {
        server.peer.tick();
        lines = server.heard.lines();
    }
    EXPECT_TRUE(ended());
    EXPECT_GT(server.peer.getQueuedCount(), 200);
    EXPECT_EQ(server.peer.getPlayersNo(), 1);
    ASSERT_TRUE(tickUntil(server.peer, server.heard, 303));
    lines = server.heard.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "message 5 from 127.0.0.1: hi"), 300);
    platform::closeSocket(busy);
    platform::closeSocket(leaving);
}

// 300 connections at once, some silent and some with a hello, against a
// server that lets in 64 players: hellos over that close their connections,
// the silent ones are closed as newer ones come or once their hello time is
// up, ticks go on meanwhile, and threads and descriptors are back where they
// were once the connections are gone.
TEST(CNetworkPeerTest, AFloodOfConnectionsIsHeldToTheMostPlayers)
{
    nettest::Pools pools;
    Server server;
    ASSERT_TRUE(server.started);
    server.peer.setHelloTimeout(1000);
    CNetworkClient stays(nullptr, false, false);
    ASSERT_TRUE(stays.connect(CXString("127.0.0.1"), server.peer.getPort()));
    ASSERT_TRUE(tickUntil(server.peer, server.heard, 1));
    server.heard.clear();
    const int threadsBefore = threadCount(), descriptorsBefore = descriptorCount();

    const int count = 300;
    const std::string hello = hex("07000000 0c000000 'raw' 00");
    std::vector<platform::SocketHandle> peers(count, platform::INVALID_SOCKET_HANDLE);
    std::atomic<bool> connected{false};
    std::thread flood([&] {
        for (int i = 0; i < count; ++i) {
            peers[size_t(i)] = platform::openTcpSocket();
            if (platform::connectSocket(peers[size_t(i)], 0x7F000001, server.peer.getPort(), 5000) && i % 3 == 0)
                platform::sendAll(peers[size_t(i)], hello.data(), hello.size());
        }
        connected = true;
    });
    int most = 0, mostThreads = 0;
    auto longest = std::chrono::steady_clock::duration::zero();
    auto tick = [&] {
        auto start = std::chrono::steady_clock::now();
        server.peer.tick();
        longest = std::max(longest, std::chrono::steady_clock::now() - start);
        int greeted = 0;
        for (int i = 0; CNetPlayerInfo* player = server.peer.getPlayer(i); ++i)
            greeted += player->hasGreeted();
        most = std::max(most, greeted);
        mostThreads = std::max(mostThreads, threadCount());
    };
    ASSERT_TRUE(waitFor([&] {
        tick();
        return bool(connected);
    }, 30000));
    flood.join();
    // Every silent connection is closed: over the most waiting as others
    // come, the others when their hello time is up.
    ASSERT_TRUE(waitFor([&] {
        tick();
        for (int i = 0; i < count; ++i)
            if (i % 3 != 0 && !endedByPeer(peers[size_t(i)]))
                return false;
        return true;
    }, 20000));
    int open = 0;
    for (int i = 0; i < count; i += 3)
        open += !endedByPeer(peers[size_t(i)]);
    ASSERT_TRUE(waitFor([&] {
        tick();
        return server.peer.getPlayersNo() == 1 + open;
    }));
    EXPECT_GT(open, 0);
    EXPECT_LE(most, int(CNetworkServer::MAX_PLAYERS));
    EXPECT_LE(mostThreads, threadsBefore + 1); // the flood's own
    EXPECT_LT(longest, std::chrono::milliseconds(500));
    std::vector<std::string> lines = server.heard.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "message 7 from 127.0.0.1"), open);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "destroy 127.0.0.1"), 0); // the silent go without a word

    for (platform::SocketHandle s : peers)
        platform::closeSocket(s);
    ASSERT_TRUE(waitFor([&] {
        tick();
        return server.peer.getPlayersNo() == 1;
    }));
    lines = server.heard.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "destroy 127.0.0.1"), open);
    EXPECT_TRUE(threadsBackTo(threadsBefore)) << threadCount();
    EXPECT_EQ(descriptorCount(), descriptorsBefore);
}

// 100 connections that say nothing, then a client that greets: it is let
// in at once (not after the silent ones' hello time), the silent ones that
// waited longest making way. A full house of players that said hello
// closes the next that does.
TEST(CNetworkPeerTest, SilentConnectionsNeverTakeAPlayersPlace)
{
    nettest::Pools pools;
    Server server;
    ASSERT_TRUE(server.started);
    const int silentCount = 100, made = silentCount - CNetworkServer::MAX_WAITING;
    std::vector<platform::SocketHandle> silent, greeting;
    auto connect = [&](std::vector<platform::SocketHandle>* to) {
        to->push_back(platform::openTcpSocket());
        return platform::connectSocket(to->back(), 0x7F000001, server.peer.getPort(), 5000);
    };
    auto ended = [](const std::vector<platform::SocketHandle>& peers, size_t from, size_t to) {
        int n = 0;
        for (size_t i = from; i < to; ++i)
            n += endedByPeer(peers[i]);
        return n;
    };
    for (int i = 0; i < silentCount; ++i)
        ASSERT_TRUE(connect(&silent));
    ASSERT_TRUE(waitFor([&] {
        server.peer.tick();
        return ended(silent, 0, silent.size()) == made;
    }));
    EXPECT_EQ(ended(silent, 0, size_t(made)), made); // the oldest

    CNetworkClient client(nullptr, false, false);
    ASSERT_TRUE(client.connect(CXString("127.0.0.1"), server.peer.getPort()));
    ASSERT_TRUE(tickUntil(server.peer, server.heard, 1));
    EXPECT_EQ(server.heard.lines()[0], "message 7 from 127.0.0.1");
    EXPECT_TRUE(waitFor([&] { return endedByPeer(silent[size_t(made)]); })); // made way
    EXPECT_TRUE(client.isConnected());

    // 63 more players fill the house; the 64th to greet is closed unheard.
    const std::string hello = hex("07000000 0c000000 'raw' 00");
    for (int i = 0; i < CNetworkServer::MAX_PLAYERS; ++i) {
        ASSERT_TRUE(connect(&greeting));
        ASSERT_TRUE(platform::sendAll(greeting.back(), hello.data(), hello.size()));
    }
    ASSERT_TRUE(waitFor([&] {
        server.peer.tick();
        return ended(greeting, 0, greeting.size()) == 1 && server.heard.count() == size_t(CNetworkServer::MAX_PLAYERS);
    }));
    int greeted = 0;
    for (int i = 0; CNetPlayerInfo* player = server.peer.getPlayer(i); ++i)
        greeted += player->hasGreeted();
    EXPECT_EQ(greeted, int(CNetworkServer::MAX_PLAYERS));
    EXPECT_TRUE(client.isConnected());
    for (platform::SocketHandle s : silent)
        platform::closeSocket(s);
    for (platform::SocketHandle s : greeting)
        platform::closeSocket(s);
}

} // namespace
