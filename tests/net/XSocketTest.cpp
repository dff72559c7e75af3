#include "NetSupport.h"
#include "net/SocketLoop.h"
#include "net/XSocket.h"
#include "platform/Socket.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using nettest::frameOf;
using nettest::hex;
using nettest::waitFor;

namespace {

// A listener on 127.0.0.1 at a port the system chooses, and the
// connections it accepted.
class Listener : public CXSocket::Acceptor {
public:
    Listener() : socket(nullptr) { started = socket.start(0, 5, this, CXString("127.0.0.1")); }
    ~Listener()
    {
        socket.stop();
        for (CXSocket* s : accepted)
            delete s;
    }

    void onConnected(CXSocket* s, const CXString& ip) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        accepted.push_back(s);
        ips.push_back(ip.c_str());
        arrived.notify_all();
    }
    // The next accepted connection; null when none comes in time.
    CXSocket* next()
    {
        std::unique_lock<std::mutex> lock(mutex);
        size_t want = taken + 1;
        if (!arrived.wait_for(lock, std::chrono::seconds(5), [&] { return accepted.size() >= want; }))
            return nullptr;
        return accepted[taken++];
    }
    // A client connected to it and the accepted side of that connection.
    std::unique_ptr<CXSocket> connect(CXSocket** server)
    {
        std::unique_ptr<CXSocket> client(new CXSocket(nullptr));
        EXPECT_TRUE(client->connect(CXString("127.0.0.1"), port()));
        *server = next();
        return client;
    }
    int port() const { return socket.getPort(); }

    CXSocket socket;
    bool started;
    std::vector<std::string> ips;

private:
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<CXSocket*> accepted;
    size_t taken = 0;
};

// Receives until want frames have come, the connection ends, or nothing
// more arrives for a while.
std::vector<std::string> receiveFrames(CXSocket* s, size_t want)
{
    std::vector<std::string> frames;
    while (frames.size() < want && s->isOpen() && platform::waitReadable(s->getHandle(), 5000)) {
        CXArray* list = s->receive();
        for (int i = 0; i < list->getSize(); ++i) {
            std::unique_ptr<CNetMessage> m(static_cast<CNetMessage*>((*list)[i]));
            frames.push_back(frameOf(*m));
        }
    }
    return frames;
}

std::string rawSend(CXSocket* s, const std::string& bytes)
{
    EXPECT_TRUE(platform::sendAll(s->getHandle(), bytes.data(), bytes.size()));
    return bytes;
}

TEST(CXSocketTest, FramesSplitAndMergedAnywhereOnTheWireArriveWholeAndInOrder)
{
    Listener listener;
    ASSERT_TRUE(listener.started);
    CXSocket* server = nullptr;
    std::unique_ptr<CXSocket> client = listener.connect(&server);
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(listener.ips[0], "127.0.0.1");

    std::vector<std::string> frames = {hex("01000000 0f000000 'GO' 00 'arg' 00"), hex("04000000 08000000"),
                                       hex("05000000 0b000000 'hi' 00"),
                                       hex("0a000000 1f000000 01000000 07000000 00000000 00280000 03000000 'xyz'")};
    std::string all;
    for (const std::string& f : frames)
        all += f;
    // Each piece is received before the next is sent, so every cut point
    // reaches the receiver as a read boundary.
    for (size_t i = 0; i <= all.size(); ++i)
        for (size_t j = i; j <= all.size(); ++j) {
            std::vector<std::string> got;
            for (const std::string& piece : {all.substr(0, i), all.substr(i, j - i), all.substr(j)}) {
                if (piece.empty())
                    continue;
                rawSend(client.get(), piece);
                CXArray* list = server->receive();
                for (int k = 0; k < list->getSize(); ++k) {
                    std::unique_ptr<CNetMessage> m(static_cast<CNetMessage*>((*list)[k]));
                    EXPECT_EQ(m->getHandle(), server);
                    got.push_back(frameOf(*m));
                }
            }
            for (const std::string& more : receiveFrames(server, frames.size() - got.size()))
                got.push_back(more);
            ASSERT_EQ(got, frames) << i << " " << j;
        }

    // A ping and a frame of the limit's length, sent whole by CXSocket::send
    // while the other side reads.
    std::string big(CNetMessage::MAX_FRAME_LENGTH - 9, 'b');
    CNetTextMessage* text = new CNetTextMessage(client.get(), CXString(big.c_str()));
    std::string bigFrame = frameOf(*text);
    std::vector<std::string> got;
    std::thread reader([&] { got = receiveFrames(server, 2); });
    EXPECT_TRUE(client->send(new CNetPingMessage(client.get(), 5)));
    EXPECT_TRUE(client->send(text));
    reader.join();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].size(), 1024u);
    EXPECT_EQ(got[1], bigFrame);
}

// Only the offending connection is closed: the frames before the bad one
// arrive, the peer sees the connection end, and another connection goes on.
TEST(CXSocketTest, FramesThatBreakTheRulesCloseTheirConnectionOnly)
{
    Listener listener;
    ASSERT_TRUE(listener.started);
    CXSocket* bystander = nullptr;
    std::unique_ptr<CXSocket> other = listener.connect(&bystander);
    ASSERT_NE(bystander, nullptr);
    const std::string good = hex("05000000 0b000000 'hi' 00");
    struct Case {
        const char* name;
        std::string frame;
    };
    std::string oversized = hex("05000000 01001000") + std::string(64, 'x');
    const Case cases[] = {
        {"oversized", oversized},
        {"short", hex("05000000 04000000")},
        {"text without its zero", hex("05000000 0a000000 'hi'")},
        {"chunk longer than its frame", hex("0a000000 1f000000 01000000 07000000 00000000 00000000 09000000 'xyz'")},
    };
    for (const Case& c : cases) {
        CXSocket* server = nullptr;
        std::unique_ptr<CXSocket> client = listener.connect(&server);
        ASSERT_NE(server, nullptr);
        rawSend(client.get(), good + c.frame + good);
        EXPECT_EQ(receiveFrames(server, 3), std::vector<std::string>{good}) << c.name;
        EXPECT_FALSE(server->isOpen()) << c.name;
        EXPECT_EQ(server->receive()->getSize(), 0);
        // The client reads the end of the connection.
        char byte;
        ASSERT_TRUE(platform::waitReadable(client->getHandle(), 5000)) << c.name;
        EXPECT_LE(platform::receiveSome(client->getHandle(), &byte, 1), 0) << c.name;

        rawSend(other.get(), good);
        EXPECT_EQ(receiveFrames(bystander, 1), std::vector<std::string>{good});
        EXPECT_TRUE(bystander->isOpen());
    }
}

// Two threads sending frames of the greatest length at once on one
// connection that a loop serves: the other side reads every frame whole,
// each thread's in the order it sent them, and the connection stays open.
TEST(CXSocketTest, FramesOfTwoSendersAtOnceArriveWholeAndInTheirOrder)
{
    Listener listener;
    CXSocket* server = nullptr;
    std::unique_ptr<CXSocket> client = listener.connect(&server);
    ASSERT_NE(server, nullptr);
    struct Drop : CSocketLoop::Sink {
        void onFrames(CXSocket*, std::vector<CNetMessage*>* frames) override
        {
            for (CNetMessage* m : *frames)
                delete m;
            frames->clear();
        }
        void onEnded(CXSocket*) override {}
    } drop;
    CSocketLoop loop;
    loop.add(client.get(), &drop);
    const int perSender = 40;
    auto send = [&](char letter) {
        for (int i = 0; i < perSender; ++i) {
            // Below the most a peer may leave unread.
            waitFor([&] { return client->getQueuedBytes() < CXSocket::SEND_QUEUE_LIMIT / 2; });
            std::string text(CNetMessage::MAX_FRAME_LENGTH - 9, letter);
            std::string number = std::to_string(1000000 + i);
            text.replace(1, number.size(), number);
            EXPECT_TRUE(client->send(new CNetTextMessage(client.get(), CXString(text.c_str()))));
        }
    };
    std::thread a(send, 'a'), b(send, 'b');
    // Reading starts once frames wait in the queue: the socket's buffers
    // are full.
    EXPECT_TRUE(waitFor([&] { return client->getQueuedBytes() > 0; }));
    std::vector<std::string> frames = receiveFrames(server, 2 * perSender);
    a.join();
    b.join();
    ASSERT_EQ(frames.size(), size_t(2 * perSender));
    std::map<char, int> next = {{'a', 0}, {'b', 0}};
    for (const std::string& f : frames) {
        ASSERT_EQ(f.size(), size_t(CNetMessage::MAX_FRAME_LENGTH));
        char letter = f[8];
        ASSERT_TRUE(letter == 'a' || letter == 'b');
        EXPECT_EQ(f.substr(9, 7), std::to_string(1000000 + next[letter]++));
        EXPECT_EQ(f.find_first_not_of(letter, 16), f.size() - 1); // the text's zero
    }
    EXPECT_TRUE(server->isOpen());
    EXPECT_TRUE(client->isOpen());
    loop.remove(client.get());
}

TEST(CXSocketTest, APeerThatWentAwayMakesSendFailWithoutKillingTheProcess)
{
    Listener listener;
    CXSocket* server = nullptr;
    std::unique_ptr<CXSocket> client = listener.connect(&server);
    ASSERT_NE(server, nullptr);
    server->close();
    EXPECT_TRUE(receiveFrames(client.get(), 1).empty());
    EXPECT_FALSE(client->isOpen());
    bool sent = true;
    for (int i = 0; i < 100 && sent; ++i)
        sent = client->send(new CNetTextMessage(client.get(), CXString("anyone?")));
    EXPECT_FALSE(sent);
    EXPECT_FALSE(client->send(new CNetMessage(client.get())));
    EXPECT_FALSE(CXSocket(nullptr).send(new CNetMessage(nullptr, CNetMessage::DISCONNECT)));
}

TEST(CXSocketTest, ListeningAndConnectingReportFailure)
{
    Listener listener;
    ASSERT_TRUE(listener.started);
    ASSERT_GT(listener.port(), 0);
    Listener* self = &listener;
    CXSocket second(nullptr);
    EXPECT_FALSE(second.start(listener.port(), 5, self, CXString("127.0.0.1")));
    EXPECT_FALSE(CXSocket(nullptr).start(0, 5, self, CXString("300.1.2.3")));

    // A port nobody listens on: the listener's, once it is gone.
    int closedPort;
    {
        Listener gone;
        closedPort = gone.port();
    }
    CXSocket client(nullptr);
    EXPECT_FALSE(client.connect(CXString("127.0.0.1"), closedPort));
    EXPECT_FALSE(client.isOpen());
    EXPECT_FALSE(CXSocket(nullptr).connect(CXString(""), listener.port()));
}

TEST(CXSocketTest, AddressTexts)
{
    struct Case {
        const char* text;
        bool address;
    };
    const Case cases[] = {{"192.168.0.1", true}, {"0.0.0.0", false},    {"1.2.3", false},
                          {"1.2.3.4.5", false},  {"7.a.b.c", true},     {"host.name.of.four", false},
                          {"127.0.0.1", true},   {"999.999.999.999", true}};
    for (const Case& c : cases)
        EXPECT_EQ(CXSocket::is_ipaddr(CXString(c.text)), c.address) << c.text;
    EXPECT_EQ(CXSocket::toIP(0x7F000001), CXString("127.0.0.1"));
    EXPECT_EQ(CXSocket::resolve_ip(CXString("127.0.0.1")), CXString("127.0.0.1"));
}

} // namespace
