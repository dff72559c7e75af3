#include "NetSupport.h"
#include "base/FileReport.h"
#include "net/FileTransfer.h"
#include "net/NetMessage.h"
#include "net/NetworkClient.h"
#include "net/NetworkServer.h"
#include "platform/Drives.h"
#include "platform/Socket.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using nettest::Completed;
using nettest::FileServer;
using nettest::Requester;
using nettest::randomBytes;
using nettest::waitFor;

namespace {

// A message as the requester's peer hands it on: decoded from the frame
// received, which it reads in place.
template <class Typed>
struct Received {
    std::unique_ptr<CNetMessage> raw;
    std::unique_ptr<Typed> typed;
    Typed* get() const { return typed.get(); }
};

template <class Typed>
Received<Typed> received(CNetMessage* sent)
{
    std::unique_ptr<CNetMessage> frame(sent);
    Received<Typed> r;
    r.raw.reset(nettest::raw(nettest::frameOf(*frame)));
    r.typed.reset(new Typed(CXString("server"), r.raw.get()));
    return r;
}

Received<CNetFileResponseMessage> response(int id, int size)
{
    return received<CNetFileResponseMessage>(new CNetFileResponseMessage(nullptr, id, 7, size, size));
}

Received<CNetFileDataMessage> chunk(int id, int offset, const std::string& bytes)
{
    return received<CNetFileDataMessage>(
        new CNetFileDataMessage(nullptr, id, 7, 0, offset, int(bytes.size()), bytes.data()));
}

TEST(CFileTransferTest, FilesArriveWholeInChunksOf10240Bytes)
{
    nettest::Pools pools;
    testsupport::TempDir served;
    FileServer server(served.path());
    Requester requester;
    ASSERT_TRUE(requester.client.connect(CXString("127.0.0.1"), server.peer.getPort()));
    struct Case {
        size_t size;
        std::vector<std::string> frames;
    };
    const Case cases[] = {
        {25000, {"response 25000", "chunk 0+10240", "chunk 10240+10240", "chunk 20480+4520"}},
        {0, {"response 0"}},
        {10240, {"response 10240", "chunk 0+10240"}},
        {10241, {"response 10241", "chunk 0+10240", "chunk 10240+1"}},
    };
    for (const Case& c : cases) {
        std::string name = "f" + std::to_string(c.size) + ".bin";
        std::string bytes = randomBytes(c.size, unsigned(c.size));
        served.write("GAME/S/" + name, bytes);
        requester.frames.clear();
        requester.done.files.clear();
        int id = requester.manager.add_file(requester.client.getHandle(), CXString("GAME"), CXString("S"),
                                            CXString(name.c_str()));
        int next = requester.manager.add_file(nullptr, CXString(), CXString(), CXString("unused"));
        EXPECT_EQ(next, id + 1);
        requester.manager.remove_file(next);
        ASSERT_TRUE(waitFor([&] {
            server.tick();
            requester.client.tick();
            return !requester.done.files.empty() && server.files.getCount() == 0;
        })) << c.size;
        EXPECT_EQ(requester.frames, c.frames) << c.size;
        ASSERT_EQ(requester.done.files.size(), 1u);
        EXPECT_EQ(requester.done.files[0], bytes) << c.size;
        EXPECT_EQ(requester.manager.getCount(), 0);
    }

    // A file the server does not have is answered with the size -1 and
    // named there once, by its path on the server's machine; the requester
    // learns that it will not come. A missing update list is not named.
    requester.frames.clear();
    ::testing::internal::CaptureStderr();
    for (const char* name : {"missing.bin", "missing.bin", "index.net"})
        requester.manager.add_file(requester.client.getHandle(), CXString("GAME"), CXString("S"), CXString(name));
    ASSERT_TRUE(waitFor([&] {
        server.tick();
        requester.client.tick();
        return requester.done.refused.size() == 3;
    }));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Quarnel: requested file \"missing.bin\" not found: " + served.file("GAME/S/missing.bin") + "\n");
    EXPECT_EQ(requester.frames, std::vector<std::string>(3, "response -1"));
    EXPECT_EQ(requester.done.refused[0], "missing.bin: the server cannot send it");

    // So is one that went between its request and its turn.
    served.write("GAME/S/brief.bin", "x");
    requester.manager.add_file(requester.client.getHandle(), CXString("GAME"), CXString("S"), CXString("brief.bin"));
    ASSERT_TRUE(waitFor([&] {
        server.peer.tick();
        return server.files.getCount() == 1;
    }));
    ASSERT_EQ(std::remove(served.file("GAME/S/brief.bin").c_str()), 0);
    ASSERT_TRUE(waitFor([&] {
        server.tick();
        requester.client.tick();
        return requester.done.refused.size() == 4;
    }));
    EXPECT_EQ(requester.done.refused[3], "brief.bin: the server cannot send it");
    EXPECT_EQ(requester.manager.getCount(), 0);
    EXPECT_EQ(server.files.getCount(), 0);
}

// Requests over a connection's bound are answered as files that cannot be
// sent, and the first of them is named; the others wait their turn.
TEST(CFileTransferTest, RequestsOverTheBoundAreAnsweredAtOnce)
{
    nettest::Pools pools;
    testsupport::TempDir served;
    const int waiting = 2, asked = CFileSender_Manager::ACTIVE_PER_CONNECTION + waiting + 3;
    FileServer server(served.path(), waiting);
    Requester requester;
    ASSERT_TRUE(requester.client.connect(CXString("127.0.0.1"), server.peer.getPort()));
    for (int i = 0; i < asked; ++i) {
        std::string name = "f" + std::to_string(i);
        served.write("GAME/S/" + name, name);
        requester.manager.add_file(requester.client.getHandle(), CXString("GAME"), CXString("S"),
                                   CXString(name.c_str()));
    }
    ::testing::internal::CaptureStderr();
    // Every request is in before any is served.
    ASSERT_TRUE(waitFor([&] {
        server.peer.tick();
        return int(server.requests.size()) == asked;
    }));
    EXPECT_EQ(server.files.getCount(), asked - 3);
    ASSERT_TRUE(waitFor([&] {
        server.tick();
        requester.client.tick();
        return int(requester.done.files.size() + requester.done.refused.size()) == asked;
    }));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Quarnel: requested file \"f6\" refused: a connection may have 4 files sent and 2 waiting at once "
              "(its further refusals are not told): " + served.file("GAME/S/f6") + "\n");
    EXPECT_EQ(requester.done.names, (std::vector<std::string>{"f0", "f1", "f2", "f3", "f4", "f5"}));
    EXPECT_EQ(requester.done.refused, (std::vector<std::string>{"f6: the server cannot send it",
                                                                "f7: the server cannot send it",
                                                                "f8: the server cannot send it"}));
}

// A name of 255 bytes, the longest a file name can be here, is looked for
// and its file sent; one byte more is refused at once, as no file has it,
// and named cut.
TEST(CFileTransferTest, TheLongestFileNameIsServedAndALongerOneRefused)
{
    nettest::Pools pools;
    testsupport::TempDir served;
    FileServer server(served.path());
    Requester requester;
    ASSERT_TRUE(requester.client.connect(CXString("127.0.0.1"), server.peer.getPort()));
    ASSERT_EQ(int(CFileSender_Manager::LONGEST_NAME), 255);
    const std::string longest = std::string(251, 'n') + ".bin", longer = "m" + longest;
    ASSERT_EQ(longest.size(), 255u);
    served.write("GAME/S/" + longest, "the longest");
    ::testing::internal::CaptureStderr();
    for (const std::string& name : {longest, longer})
        requester.manager.add_file(requester.client.getHandle(), CXString("GAME"), CXString("S"),
                                   CXString(name.c_str()));
    ASSERT_TRUE(waitFor([&] {
        server.tick();
        requester.client.tick();
        return requester.done.files.size() + requester.done.refused.size() == 2;
    }));
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(requester.done.names, std::vector<std::string>{longest});
    EXPECT_EQ(requester.done.files, std::vector<std::string>{"the longest"});
    EXPECT_EQ(requester.done.refused, std::vector<std::string>{longer + ": the server cannot send it"});
    const std::string shown = "m" + std::string(CFileReport::NAME_SHOWN - 1, 'n') + "...(cut, 256 bytes)";
    EXPECT_EQ(told, "Quarnel: requested file \"" + shown + "\" refused: longer than any file name: " +
                        served.file("GAME/S/" + shown) + "\n");
    EXPECT_EQ(server.files.getCount(), 0);
}

// Ten requests for one large file from a peer that never reads hold no
// more than a little of it: the file is read as it is sent, and sending
// stops while the connection's queue is full. A peer that reads gets the
// file whole, many chunks a frame.
TEST(CFileTransferTest, ALargeFileIsSentAsTheConnectionTakesIt)
{
    nettest::Pools pools;
    testsupport::TempDir served;
    const std::string bytes = randomBytes(20 << 20, 5);
    served.write("GAME/S/big.bin", bytes);
    FileServer server(served.path());
    const long residentBefore = nettest::processStatus("VmRSS:");

    platform::SocketHandle deaf = platform::openTcpSocket();
    ASSERT_TRUE(platform::connectSocket(deaf, 0x7F000001, server.peer.getPort(), 5000));
    std::string asks = nettest::frameOf(CNetHelloMessage(nullptr, CXString("deaf")));
    for (int i = 1; i <= 10; ++i)
        asks += nettest::frameOf(CNetFileRequestMessage(nullptr, i, CXString("GAME"), CXString("S"), CXString("big.bin")));
    ASSERT_TRUE(platform::sendAll(deaf, asks.data(), asks.size()));
    ASSERT_TRUE(waitFor([&] {
        server.tick();
        return server.files.getCount() == 10;
    }));
    // The deaf player's connection; null once the player is gone (a tick
    // deletes a player whose connection was cut).
    auto toDeaf = [&]() -> CXSocket* {
        CNetPlayerInfo* player = server.peer.getPlayer(0);
        return player ? player->getHandle() : nullptr;
    };
    // Its buffers fill, then its queue up to the mark, and there it stays:
    // no tick queues more than one chunk of each transfer going (a round)
    // past the mark, and the player is never cut off for a full queue.
    const size_t chunkFrame = 28 + CFileSender_Entry::CHUNK;
    const size_t most = CFileSender_Manager::QUEUE_MARK + CFileSender_Manager::ACTIVE_PER_CONNECTION * chunkFrame;
    size_t peak = 0;
    auto tickAndMeasure = [&] {
        server.tick();
        if (CXSocket* s = toDeaf())
            peak = std::max(peak, s->getQueuedBytes());
        return toDeaf() != nullptr;
    };
    ASSERT_TRUE(waitFor([&] { return !tickAndMeasure() || peak >= CFileSender_Manager::QUEUE_MARK; }));
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(tickAndMeasure()) << "the deaf player was cut off after " << i << " ticks";
    EXPECT_LE(peak, most);
    EXPECT_LT(nettest::processStatus("VmRSS:") - residentBefore, 64 << 10); // KiB; the file whole ten times is 200 MiB

    Requester requester;
    ASSERT_TRUE(requester.client.connect(CXString("127.0.0.1"), server.peer.getPort()));
    requester.manager.add_file(requester.client.getHandle(), CXString("GAME"), CXString("S"), CXString("big.bin"));
    int frames = 0;
    ASSERT_TRUE(waitFor([&] {
        server.tick();
        requester.client.tick();
        ++frames;
        return !requester.done.files.empty();
    }, 30000));
    EXPECT_TRUE(requester.done.files[0] == bytes);
    const int chunks = (20 << 20) / CFileSender_Entry::CHUNK;
    EXPECT_LT(frames, chunks / 10);
    platform::closeSocket(deaf);
}

// Only newly covered bytes count: repeated, overlapping, early and
// out-of-range chunks never complete a file with holes.
TEST(CFileTransferTest, OnlyNewBytesInsideTheFileCount)
{
    nettest::Pools pools;
    const std::string a(100, 'a'), b(100, 'b'), c(50, 'c');
    struct Case {
        const char* name;
        std::vector<std::pair<int, std::string>> chunks; // offset, bytes; offset -1 is the response
        bool completes;
    };
    const Case cases[] = {
        {"in order", {{-1, ""}, {0, a}, {100, b}}, true},
        {"backwards", {{-1, ""}, {100, b}, {0, a}}, true},
        {"the same chunk twice", {{-1, ""}, {0, a}, {0, a}}, false},
        {"overlapping, a hole left", {{-1, ""}, {0, a}, {50, c}}, false},
        {"overlapping, all covered", {{-1, ""}, {0, a}, {50, a}, {100, b}}, true},
        {"a chunk before the response", {{0, a}, {-1, ""}, {100, b}}, false},
        {"past the end", {{-1, ""}, {150, a}, {0, a}}, false},
        {"a negative offset", {{-1, ""}, {-16, a}, {0, a}}, false},
    };
    for (const Case& k : cases) {
        Completed done;
        CFileReceiver_Manager manager(&done);
        int id = manager.add_file(nullptr, CXString(), CXString(), CXString("f"));
        for (const auto& piece : k.chunks) {
            if (piece.first == -1)
                manager.received(response(id, 200).get());
            else
                manager.received(chunk(id, piece.first, piece.second).get());
        }
        EXPECT_EQ(done.files.size(), k.completes ? 1u : 0u) << k.name;
        if (k.completes) {
            EXPECT_EQ(done.files[0].substr(100), b) << k.name;
        } else {
            ASSERT_NE(manager.find(id), nullptr) << k.name;
            EXPECT_LT(manager.find(id)->getReceived(), 200) << k.name;
        }
    }

    // A second response changes nothing; a size out of range is refused
    // before anything is allocated; another transfer's frames are ignored.
    Completed done;
    CFileReceiver_Manager manager(&done);
    int id = manager.add_file(nullptr, CXString(), CXString(), CXString("f"), 1000);
    manager.received(response(id, 3).get());
    manager.received(response(id, 900).get());
    manager.received(chunk(id + 1, 0, "xyz").get());
    EXPECT_EQ(manager.find(id)->getSize(), 3);
    manager.received(chunk(id, 0, "xyz").get());
    EXPECT_EQ(done.files, std::vector<std::string>{"xyz"});
    for (int size : {1001, -1}) {
        int big = manager.add_file(nullptr, CXString(), CXString(), CXString("big"), 1000);
        manager.received(response(big, size).get());
        EXPECT_EQ(manager.find(big), nullptr) << size;
    }
    EXPECT_EQ(done.files.size(), 1u);
}

// A file nobody takes is saved below the current directory, without the
// current directory changing; names that would leave their folder are
// refused.
TEST(CFileTransferTest, SavedFilesStayInTheirFolder)
{
    nettest::Pools pools;
    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
    ASSERT_EQ(chdir(tmp.path().c_str()), 0);
    struct Case {
        const char* folder;
        const char* subfolder;
        const char* name;
        const char* savedAs; // relative to the temp folder; null when refused
    };
    const Case cases[] = {
        {"GAME", "S", "a.txt", "GAME/S/a.txt"},
        {"", "", "b.txt", "b.txt"},
        {"", "S", "c.txt", "S/c.txt"},
        {"..", "S", "d.txt", nullptr},
        {"GAME", "a/b", "e.txt", nullptr},
        {"GAME", "S", "..\\f.txt", nullptr},
        {"GAME", "S", "C:g.txt", nullptr},
        {"GAME", "S", "/tmp/h.txt", nullptr},
        {"GAME", "S", "..", nullptr},
        {"GAME", "S", "", nullptr},
        {"BLOCK", "S", "i.txt", nullptr}, // a file where the folder would be
    };
    tmp.write("BLOCK", "x");
    for (const Case& c : cases) {
        Completed done;
        done.takes = false;
        CFileReceiver_Manager manager(&done);
        int id = manager.add_file(nullptr, CXString(c.folder), CXString(c.subfolder), CXString(c.name));
        manager.received(response(id, 4).get());
        manager.received(chunk(id, 0, "data").get());
        EXPECT_EQ(done.files.size(), 1u) << c.name;
        if (c.savedAs) {
            EXPECT_EQ(tmp.read(c.savedAs), "data") << c.name;
        }
    }
    char* here = getcwd(nullptr, 0);
    EXPECT_EQ(std::string(here), tmp.path());
    std::free(here);
    // Nothing but what was saved is there, inside or above the folder.
    EXPECT_EQ(access(tmp.file("d.txt").c_str(), F_OK), -1);
    EXPECT_EQ(access(tmp.file("GAME/f.txt").c_str(), F_OK), -1);
    EXPECT_EQ(access((tmp.path() + "/../d.txt").c_str(), F_OK), -1);
    EXPECT_EQ(access("/tmp/h.txt", F_OK), -1);
    EXPECT_EQ(access(tmp.file("BLOCKSi.txt").c_str(), F_OK), -1);
    EXPECT_EQ(access(tmp.file("BLOCKi.txt").c_str(), F_OK), -1);
    EXPECT_EQ(tmp.read("BLOCK"), "x");

    for (const char* bad : {"", ".", "..", "a\\b", "a/b", "c:x"})
        EXPECT_FALSE(isPlainName(CXString(bad))) << bad;
    for (const char* good : {"index.net", "a b.txt", "...x", "S.bin"})
        EXPECT_TRUE(isPlainName(CXString(good))) << good;
}

} // namespace
