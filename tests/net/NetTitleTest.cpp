// Titles that talk over loopback, each played by its own host program: a
// server title, a client that exchanges commands, texts, a variable and a
// behaviour with it and leaves, and a client that is killed; a peer that
// floods a server title with long file names. Each title records what it
// saw in its settings file.
#include "NetTitle.h"
#include "base/FileReport.h"
#include "net/FileTransfer.h"
#include "platform/Socket.h"
#include "script/Object.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

using namespace nettest;

namespace {

std::string kept(const std::string& name, const std::string& type, const std::string& value = "")
{
    return "OBJECT=" + name + "\n" + name + ":TYPE=" + type + "\n" + name + ":VALUE=" + value + "\n" + name +
           ":TOINI=TRUE\n";
}

std::string behaviour(const std::string& name, const std::string& code)
{
    return "OBJECT=" + name + "\n" + name + ":TYPE=BEHAVIOUR\n" + name + ":CODE={" + code + "}\n";
}

// Behaviour code loses its blanks when it is read, so the texts have none.
//
// The server: starts at once; greets every player with a command of three
// arguments (one empty); answers HELLO with a text; keeps what it received;
// ends when the second player has gone. The counters the test waits on are
// written last.
void writeServer(const testsupport::TempDir& dir)
{
    writeTitle(dir, {{"Rara/application.def", oneScene()},
                     {"Rara/S/S.cnv",
                      kept("STARTED", "BOOL", "FALSE") + kept("NEWS", "INTEGER", "0") + kept("NEWNAME", "STRING") +
                          kept("PLAYERS", "INTEGER", "0") + kept("OUT", "STRING", "x") + kept("HELLOARGS", "STRING") +
                          kept("TEXT", "STRING") + kept("SCORE", "INTEGER", "0") + kept("NETCHANGES", "INTEGER", "0") +
                          kept("RAN", "INTEGER", "0") + kept("LEFT", "INTEGER", "0") +
                          kept("PLAYERSLEFT", "INTEGER", "9") + "SCORE:ONNETCHANGE={NETCHANGES^INC();}\n" +
                          behaviour("GO", "NETSERVER^START();STARTED^SET(NETSERVER^ISSTARTED());") +
                          behaviour("NEWP", "NEWNAME^SET(NETSERVER^GETLOGGEDPLAYERNAME());"
                                            "PLAYERS^SET(NETSERVER^GETPLAYERSNO());OUT^SET(NETSERVER^GETPLAYERNAME(9));"
                                            "NETSERVER^SENDCMD(\"WELCOME\",\"a_b\",\"\",\"3\");NEWS^INC();") +
                          behaviour("HELLO", "HELLOARGS^SET(\"$1|$2\");NETSERVER^SENDTEXT(\"thanks\");") +
                          behaviour("GOTTEXT", "TEXT^SET(NETSERVER^GETLATESTTEXT());") +
                          behaviour("GONE", "PLAYERSLEFT^SET(NETSERVER^GETPLAYERSNO());LEFT^INC();"
                                            "@IF(\"LEFT'2\",{GAME^EXIT();},\"\");") +
                          "OBJECT=S\nS:ONINIT=GO\n"}});
    addNetworkObject(dir.path(), MC_NETSERVER, "NETSERVER",
                     {{"ONNEWPLAYER", "NEWP"}, {"ONCOMMAND^HELLO", "HELLO"}, {"ONTEXT", "GOTTEXT"},
                      {"ONDESTROYPLAYER", "GONE"}});
}

// The client: connects; on WELCOME answers with a command, a variable that
// sends itself, a_behaviour and a text; on the server's text disconnects
// and ends.
void writeClient(const testsupport::TempDir& dir)
{
    writeTitle(dir, {{"Quarnel.ini", "[PLAYER]\nNAME=Bob\n"},
                     {"Rara/application.def", oneScene()},
                     {"Rara/S/S.cnv",
                      kept("CONNECTED", "BOOL", "FALSE") + kept("ONCONN", "INTEGER", "0") + kept("WELCOME", "STRING") +
                          kept("LATEST", "STRING") + kept("AFTER", "BOOL", "TRUE") + kept("CLOSED", "INTEGER", "0") +
                          "OBJECT=SCORE\nSCORE:TYPE=INTEGER\nSCORE:VALUE=0\nSCORE:NETNOTIFY=TRUE\n" +
                          behaviour("REMOTE", "RAN^SET(7);") +
                          behaviour("GO", "NETCLIENT^CONNECT(\"127.0.0.1\");CONNECTED^SET(NETCLIENT^ISCONNECTED());") +
                          behaviour("UP", "ONCONN^INC();") + behaviour("DOWN", "CLOSED^INC();") +
                          behaviour("WELC", "WELCOME^SET(\"$1|$2|$3\");NETCLIENT^SENDCMD(\"HELLO\",\"x\",\"y_z\");"
                                            "SCORE^SET(42);NETCLIENT^SENDBEHAVIOUR(\"REMOTE\");"
                                            "NETCLIENT^SENDTEXT(\"hi_there\");") +
                          behaviour("TEXTB", "LATEST^SET(NETCLIENT^GETLATESTTEXT());NETCLIENT^DISCONNECT();"
                                             "AFTER^SET(NETCLIENT^ISCONNECTED());GAME^EXIT();") +
                          "OBJECT=S\nS:ONINIT=GO\n"}});
    addNetworkObject(dir.path(), MC_NETCLIENT, "NETCLIENT",
                     {{"ONCONNECTED", "UP"}, {"ONCOMMAND^WELCOME", "WELC"}, {"ONTEXT", "TEXTB"},
                      {"ONCONNECTIONCLOSED", "DOWN"}});
}

// A client that connects and waits, as long as it lives.
void writeIdleClient(const testsupport::TempDir& dir)
{
    writeTitle(dir, {{"Quarnel.ini", "[PLAYER]\nNAME=Carl\n"},
                     {"Rara/application.def", oneScene()},
                     {"Rara/S/S.cnv",
                      behaviour("GO", "NETCLIENT^CONNECT(\"127.0.0.1\");") + "OBJECT=S\nS:ONINIT=GO\n"}});
    addNetworkObject(dir.path(), MC_NETCLIENT, "NETCLIENT", {});
}

TEST(NetTitleTest, TwoHostProgramsExchangeCommandsTextsVariablesAndBehaviours)
{
    testsupport::TempDir a, b, c;
    writeServer(a);
    writeClient(b);
    writeIdleClient(c);
    const int port = freePort();
    ASSERT_GT(port, 0);
    const std::string net = " -nogfx -bind 127.0.0.1 -port " + std::to_string(port);
    const std::string settingsA = a.file("Quarnel.ini"), settingsB = b.file("Quarnel.ini");

    HostProcess server(a.path(), "-path " + a.path() + net);
    ASSERT_TRUE(waitFor([&] { return iniValue(settingsA, "S", "STARTED") == "TRUE"; }, testsupport::PATIENCE_MS))
        << testsupport::readFile(a.file("output.txt"));
    {
        HostProcess client(b.path(), "-path " + b.path() + net);
        EXPECT_EQ(client.wait(), 0) << testsupport::readFile(b.file("output.txt"));
    }
    EXPECT_EQ(iniValue(settingsB, "S", "CONNECTED"), "TRUE");
    EXPECT_EQ(iniValue(settingsB, "S", "ONCONN"), "1");
    EXPECT_EQ(iniValue(settingsB, "S", "WELCOME"), "a_b||3");
    EXPECT_EQ(iniValue(settingsB, "S", "LATEST"), "Received text message: 'thanks' from 127.0.0.1.");
    EXPECT_EQ(iniValue(settingsB, "S", "AFTER"), "FALSE");
    EXPECT_EQ(iniValue(settingsB, "S", "CLOSED"), "0");

    // What Bob sent was taken before his leaving.
    ASSERT_TRUE(waitFor([&] { return iniValue(settingsA, "S", "LEFT") == "1"; }, testsupport::PATIENCE_MS));
    EXPECT_EQ(iniValue(settingsA, "S", "NEWS"), "1");
    EXPECT_EQ(iniValue(settingsA, "S", "NEWNAME"), "Bob");
    EXPECT_EQ(iniValue(settingsA, "S", "PLAYERS"), "1");
    EXPECT_EQ(iniValue(settingsA, "S", "OUT"), "");
    EXPECT_EQ(iniValue(settingsA, "S", "HELLOARGS"), "x|y_z");
    EXPECT_EQ(iniValue(settingsA, "S", "SCORE"), "42");
    EXPECT_EQ(iniValue(settingsA, "S", "NETCHANGES"), "1");
    EXPECT_EQ(iniValue(settingsA, "S", "RAN"), "7");
    EXPECT_EQ(iniValue(settingsA, "S", "TEXT"), "Received text message: 'hi_there' from Bob.");
    EXPECT_EQ(iniValue(settingsA, "S", "PLAYERSLEFT"), "0");

    // A client killed without a word is noticed, and the server title ends.
    HostProcess idle(c.path(), "-path " + c.path() + net);
    ASSERT_TRUE(waitFor([&] { return iniValue(settingsA, "S", "NEWS") == "2"; }, testsupport::PATIENCE_MS));
    EXPECT_EQ(iniValue(settingsA, "S", "NEWNAME"), "Carl");
    idle.kill();
    EXPECT_EQ(server.wait(), 0) << testsupport::readFile(a.file("output.txt"));
    EXPECT_EQ(iniValue(settingsA, "S", "LEFT"), "2");
}

// A server title whose port another program holds: its START, tried three
// times, says so on standard error once, ISSTARTED answers FALSE and the
// title plays on. With QUARNEL_DEBUG set, each try also gives its own
// debug line, each a line of its own.
TEST(NetTitleTest, AServerWhosePortIsTakenSaysSoOnce)
{
    platform::SocketHandle holder = platform::openTcpSocket();
    ASSERT_TRUE(platform::bindSocket(holder, 0x7F000001, 0));
    ASSERT_TRUE(platform::listenSocket(holder, 1));
    const std::string port = std::to_string(platform::localPort(holder));
    const std::string told = "Quarnel: NETSERVER cannot listen on port " + port +
                             " of 127.0.0.1: Address already in use; no player can join, and ISSTARTED answers "
                             "FALSE\n";
    const std::string debugLine = "Network: cannot listen on port " + port + ": Address already in use\n";
    const struct {
        const char* debug; // QUARNEL_DEBUG, or null for unset
        std::string output;
    } cases[] = {{nullptr, told}, {"1", debugLine + told + debugLine + debugLine}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.debug ? "QUARNEL_DEBUG set" : "QUARNEL_DEBUG unset");
        testsupport::TempDir a;
        writeTitle(a, {{"Rara/application.def", oneScene()},
                       {"Rara/S/S.cnv", kept("STARTED", "BOOL", "TRUE") + kept("TRIES", "INTEGER", "0") +
                                            behaviour("GO", "NETSERVER^START();STARTED^SET(NETSERVER^ISSTARTED());"
                                                            "TRIES^INC();@IF(\"TRIES'3\",{GAME^EXIT();},\"\");") +
                                            "OBJECT=AGAIN\nAGAIN:TYPE=TIMER\nAGAIN:ELAPSE=50\nAGAIN:ONTICK=GO\n"
                                            "OBJECT=S\nS:ONINIT=GO\n"}});
        addNetworkObject(a.path(), MC_NETSERVER, "NETSERVER", {});
        std::vector<std::pair<std::string, std::string>> values;
        if (c.debug)
            values.push_back({"QUARNEL_DEBUG", c.debug});
        testsupport::ChildEnvironment environment(values);
        HostProcess server(a.path(), "-path " + a.path() + " -nogfx -bind 127.0.0.1 -port " + port);
        EXPECT_EQ(server.wait(), 0);
        EXPECT_EQ(iniValue(a.file("Quarnel.ini"), "S", "STARTED"), "FALSE");
        EXPECT_EQ(iniValue(a.file("Quarnel.ini"), "S", "TRIES"), "3");
        EXPECT_EQ(a.read("output.txt"), c.output);
    }
    platform::closeSocket(holder);
}

// A greeted peer asks a server title for 2,000 files of its scene's folder
// with distinct names of 60 KB each: every request is answered at once as
// a file that cannot be sent, the server grows by little, and its standard
// error by little more than what the bound on files told allows (each name
// cut); a file it has is still sent.
TEST(NetTitleTest, APeersLongFileNamesSwellNeitherTheServerNorItsLog)
{
    testsupport::TempDir a;
    writeTitle(a, {{"Rara/application.def", oneScene()},
                   {"Rara/S/S.cnv", kept("STARTED", "BOOL", "FALSE") +
                                        behaviour("GO", "NETSERVER^START();STARTED^SET(NETSERVER^ISSTARTED());") +
                                        "OBJECT=S\nS:ONINIT=GO\n"},
                   {"Rara/S/small.txt", "small"}});
    addNetworkObject(a.path(), MC_NETSERVER, "NETSERVER", {});
    const int port = freePort();
    ASSERT_GT(port, 0);
    // Under AddressSanitizer freed memory is held aside for a while; the
    // server is measured without that.
    const char* asan = std::getenv("ASAN_OPTIONS");
    testsupport::ChildEnvironment environment(
        {{"ASAN_OPTIONS", std::string(asan ? asan : "") + ":quarantine_size_mb=1"}});
    HostProcess server(a.path(), "-path " + a.path() + " -nogfx -bind 127.0.0.1 -port " + std::to_string(port));
    ASSERT_TRUE(waitFor([&] { return iniValue(a.file("Quarnel.ini"), "S", "STARTED") == "TRUE"; }, testsupport::PATIENCE_MS))
        << a.read("output.txt");

    nettest::Pools pools;
    CXSocket peer(nullptr);
    ASSERT_TRUE(peer.connect(CXString("127.0.0.1"), port));
    std::atomic<int> refused{0}, smallFiles{0};
    std::thread reader([&] {
        while (peer.isOpen()) {
            CXArray* frames = peer.receive();
            for (int i = 0; i < frames->getSize(); ++i) {
                std::unique_ptr<CNetMessage> m(static_cast<CNetMessage*>((*frames)[i]));
                if (m->getType() == CNetMessage::FILE_RESPONSE)
                    refused += CNetFileResponseMessage(CXString(), m.get()).getSize() == -1;
                if (m->getType() == CNetMessage::FILE_DATA) {
                    CNetFileDataMessage data(CXString(), m.get());
                    smallFiles += std::string(data.getData(), size_t(data.getChunkSize())) == "small";
                }
            }
        }
    });
    auto askSmall = [&](int id) {
        return peer.send(new CNetFileRequestMessage(&peer, id, CXString("GAME"), CXString("S"), CXString("small.txt")));
    };
    ASSERT_TRUE(peer.send(new CNetHelloMessage(&peer, CXString("Asker"))));
    ASSERT_TRUE(askSmall(1));
    ASSERT_TRUE(waitFor([&] { return smallFiles == 1; }, testsupport::PATIENCE_MS));
    const std::string pid = std::to_string(server.id());
    const long before = nettest::processStatus("VmRSS:", pid);

    // Each request is the one frame with its id and the number that
    // begins its name written in.
    const int count = 2000, length = 60000;
    std::string name(size_t(length), 'a');
    name.replace(0, 6, "n0000-");
    std::string frame =
        frameOf(CNetFileRequestMessage(nullptr, 0, CXString("GAME"), CXString("S"), CXString(name.c_str())));
    const size_t at = frame.find("n0000-");
    for (int i = 0; i < count; ++i) {
        const uint32_t id = uint32_t(2 + i);
        std::memcpy(&frame[8], &id, 4);
        const std::string number = std::to_string(10000 + i).substr(1);
        frame.replace(at + 1, 4, number);
        ASSERT_TRUE(platform::sendAll(peer.getHandle(), frame.data(), frame.size())) << i;
    }
    ASSERT_TRUE(askSmall(count + 2));
    const bool answered = waitFor([&] { return refused == count && smallFiles == 2; }, testsupport::PATIENCE_MS);
    const long after = nettest::processStatus("VmRSS:", pid);
    peer.close();
    reader.join();
    EXPECT_TRUE(answered) << refused << " refused, " << smallFiles << " small files";
    EXPECT_LT(after - before, 20 << 10) << before << " KiB before, " << after << " KiB after"; // KiB

    const std::string told = a.read("output.txt");
    EXPECT_LT(told.size(), size_t(2) << 20);
    std::printf("the server: %ld KiB before, %ld KiB after %d requests; %zu bytes on standard error\n", before, after,
                count, told.size());
    const std::string first = "n0000-" + std::string(CFileReport::NAME_SHOWN - 6, 'a') + "...(cut, 60000 bytes)";
    EXPECT_EQ(told.substr(0, told.find('\n') + 1), "Quarnel: requested file \"" + first +
                                                         "\" refused: longer than any file name: " +
                                                         a.file("Rara/S/" + first) + "\n");
    std::istringstream lines(told);
    std::string line;
    int named = 0;
    while (std::getline(lines, line))
        named += line.compare(0, 25, "Quarnel: requested file \"") == 0;
    EXPECT_EQ(named, int(CFileReport::PEER_FILES_TOLD));
    EXPECT_NE(told.find("Quarnel: 256 files that peers named have been told; further ones are not\n"),
              std::string::npos);
}

} // namespace
