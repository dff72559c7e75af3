#include "NetSupport.h"
#include "net/SocketLoop.h"
#include "net/XSocket.h"
#include "platform/Socket.h"
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <random>
#include <sstream>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
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
    std::unique_ptr<CXSocket> connect(CXSocket** server, std::chrono::milliseconds sendStall =
                                                             std::chrono::milliseconds(CXSocket::SEND_STALL_MS))
    {
        std::unique_ptr<CXSocket> client(new CXSocket(nullptr, sendStall));
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

// A sink that drops what a connection sends back.
struct Drop : CSocketLoop::Sink {
    void onFrames(CXSocket*, std::vector<CNetMessage*>* frames) override
    {
        for (CNetMessage* m : *frames)
            delete m;
        frames->clear();
    }
    void onEnded(CXSocket*) override {}
};

// Ends the process as a failure when the test has not finished in time, so
// that a hang in the code under test ends within the test's own limit.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread([this, limit] {
              std::unique_lock<std::mutex> lock(mutex);
              if (!done.wait_for(lock, limit, [this] { return finished; })) {
                  std::fprintf(stderr, "The test did not end within %d s: it hung\n", int(limit.count()));
                  std::_Exit(1);
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            finished = true;
        }
        done.notify_all();
        thread.join();
    }

private:
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread thread; // last: it starts once the rest is made
};

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

// Four threads sending at once on one connection that a loop serves, with
// frames of lengths from a few bytes to 64 KiB while the other side reads:
// the socket often takes part of a frame and the queue empties and fills
// again, so that sends meet each other and the loop's writes. Every frame
// arrives whole, each thread's in the order it sent them and of the length
// it gave, and the connection stays open.
TEST(CXSocketTest, FramesOfSendersAtOnceArriveWholeAndInTheirOrder)
{
    Watchdog watchdog(std::chrono::seconds(90));
    Listener listener;
    CXSocket* server = nullptr;
    std::unique_ptr<CXSocket> client = listener.connect(&server);
    ASSERT_NE(server, nullptr);
    Drop drop;
    CSocketLoop loop;
    loop.add(client.get(), &drop);
    const int senders = 4, perSender = 500;
    // The text lengths of sender who, in its order.
    auto lengths = [](int who) {
        std::mt19937 random(unsigned(who) + 1);
        std::vector<size_t> all;
        for (int i = 0; i < perSender; ++i)
            all.push_back(8 + random() % 65536);
        return all;
    };
    std::atomic<bool> failed{false};
    auto send = [&](int who) {
        const char letter = char('a' + who);
        int i = 0;
        for (size_t length : lengths(who)) {
            // Below the most a peer may leave unread.
            if (failed || !waitFor([&] { return client->getQueuedBytes() < CXSocket::SEND_QUEUE_LIMIT / 2; })) {
                failed = true;
                return;
            }
            std::string text(length, letter);
            const std::string number = std::to_string(1000000 + i++);
            text.replace(1, number.size(), number);
            if (!client->send(new CNetTextMessage(client.get(), CXString(text.c_str()))))
                failed = true;
        }
    };
    std::vector<std::string> frames;
    std::thread reader([&] { frames = receiveFrames(server, size_t(senders * perSender)); });
    std::vector<std::thread> sending;
    for (int who = 0; who < senders; ++who)
        sending.emplace_back(send, who);
    for (std::thread& t : sending)
        t.join();
    reader.join();
    EXPECT_FALSE(failed);
    ASSERT_EQ(frames.size(), size_t(senders * perSender));
    std::vector<std::vector<size_t>> expected;
    for (int who = 0; who < senders; ++who)
        expected.push_back(lengths(who));
    std::vector<size_t> next(size_t(senders), 0);
    for (const std::string& f : frames) {
        ASSERT_GT(f.size(), 16u);
        const int who = f[8] - 'a';
        ASSERT_TRUE(who >= 0 && who < senders) << f.substr(8, 16);
        const size_t n = next[size_t(who)]++;
        ASSERT_EQ(f.size(), 8 + expected[size_t(who)][n] + 1) << who << " " << n;
        EXPECT_EQ(f.substr(9, 7), std::to_string(1000000 + n));
        EXPECT_EQ(f.find_first_not_of(f[8], 16), f.size() - 1); // the text's zero
    }
    EXPECT_TRUE(server->isOpen());
    EXPECT_TRUE(client->isOpen());
    loop.remove(client.get());
}

// A served connection whose peer stops reading is cut off by whichever bound
// it passes: bytes left unread (the send that passes them fails at once), or
// time without a byte taken (the stall time, shortened here) while little
// waits.
TEST(CXSocketTest, APeerThatStopsReadingIsCutOff)
{
    struct Case {
        const char* name;
        int stallMs; // 0: the socket's own
        int frameLength;
        bool untilRefused; // else until some waits in the queue
    };
    const Case cases[] = {
        {"too much left unread", 0, CNetMessage::MAX_FRAME_LENGTH, true},
        {"nothing taken for the stall time", 200, 65536, false},
    };
    Listener listener;
    Drop drop;
    for (const Case& c : cases) {
        CXSocket* deaf = nullptr;
        const int stallMs = c.stallMs > 0 ? c.stallMs : int(CXSocket::SEND_STALL_MS);
        std::unique_ptr<CXSocket> client = listener.connect(&deaf, std::chrono::milliseconds(stallMs));
        ASSERT_NE(deaf, nullptr);
        CSocketLoop loop;
        loop.add(client.get(), &drop);
        const std::string text(size_t(c.frameLength - 9), 'x');
        // The bound and more than the socket's buffers hold.
        const int most = (CXSocket::SEND_QUEUE_LIMIT + (64 << 20)) / c.frameLength;
        bool refused = false;
        for (int i = 0; i < most && !refused; ++i) {
            refused = !client->send(new CNetTextMessage(client.get(), CXString(text.c_str())));
            if (!c.untilRefused && client->getQueuedBytes() > 0)
                break;
        }
        EXPECT_EQ(refused, c.untilRefused) << c.name;
        EXPECT_TRUE(waitFor([&] { return !client->isOpen(); }, 5000)) << c.name;
        EXPECT_FALSE(client->send(new CNetTextMessage(client.get(), CXString("more")))) << c.name;
    }
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

// A lookup runs on a thread of its own: one that cannot start (no memory
// left for its stack) fails the connection at once, not the program. The
// name server given to lookups never answers, should the thread start
// after all. Not under AddressSanitizer, which ends a program whose own
// bookkeeping of a new thread finds no memory.
TEST(CXSocketTest, AConnectWhoseLookupCannotStartFails)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer cannot run out of address space";
#else
    const int silent = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&a), &size), 0);
    testsupport::ChildEnvironment names(
        {{"QUARNEL_TEST_NAMESERVER", "127.0.0.1:" + std::to_string(ntohs(a.sin_port))}});
    CXSocket client(nullptr);

    // Room for a little more, not for a thread's stack.
    std::istringstream status(testsupport::readFile("/proc/self/status"));
    long kb = 0;
    for (std::string line; std::getline(status, line);)
        if (line.compare(0, 7, "VmSize:") == 0)
            kb = std::atol(line.c_str() + 7);
    ASSERT_GT(kb, 0);
    rlimit kept;
    ASSERT_EQ(getrlimit(RLIMIT_AS, &kept), 0);
    rlimit tight = kept;
    tight.rlim_cur = rlim_t(kb + 1024) * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    const auto start = std::chrono::steady_clock::now();
    const bool connected = client.connect(CXString("nonexistent.invalid"), 4661);
    const auto took = std::chrono::steady_clock::now() - start;
    setrlimit(RLIMIT_AS, &kept);
    close(silent);
    EXPECT_FALSE(connected);
    EXPECT_LT(took, std::chrono::seconds(1));
#endif
}

} // namespace
