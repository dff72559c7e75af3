#include "NetSupport.h"
#include "net/NetMessage.h"
#include "net/NetworkClient.h"
#include "net/NetworkServer.h"
#include "platform/Socket.h"

#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using nettest::hex;
using nettest::waitFor;

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

int threadCount()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 8, "Threads:") == 0)
            return std::stoi(line.substr(8));
    return -1;
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
    Server() : peer(nullptr, false)
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
        EXPECT_EQ(threadCount(), before);
        EXPECT_EQ(server.heard.count(), 0u); // stop tells the server's listeners nothing
        // A stopped server starts again, on a new port.
        EXPECT_TRUE(server.peer.start(0, CXString("127.0.0.1")));
        EXPECT_TRUE(clients[0]->connect(CXString("127.0.0.1"), server.peer.getPort()));
        ASSERT_TRUE(waitFor([&] { return server.peer.getPlayersNo() == 1; }));
    }
    EXPECT_EQ(threadCount(), before);
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

} // namespace
