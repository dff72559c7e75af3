// The script network objects in a title played by the host in this
// process, against peers of the test's own on a thread beside it.
#include "NetTitle.h"
#include "host/HostTitle.h"
#include "net/NetMessage.h"
#include "net/NetworkClient.h"
#include "net/NetworkServer.h"
#include "platform/Socket.h"
#include "script/Object.h"
#include "script/String.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace nettest;

namespace {

// Counts the commands a client of the test receives, by word.
class Commands : public CNetListener {
public:
    void onMessage(CNetMessage* m) override
    {
        if (m->getType() == CNetMessage::CMD)
            words += std::string(static_cast<CNetCmdMessage*>(m)->getCommand().c_str()) + " ";
    }
    std::string words;
};

// The clients' owner: ticks the peer until the listener's words end with what.
bool tickUntilWord(CNetworkPeer& peer, Commands& heard, const std::string& what)
{
    return waitFor([&] {
        peer.tick();
        return heard.words.size() >= what.size() &&
               heard.words.compare(heard.words.size() - what.size(), what.size(), what) == 0;
    });
}

// Counts the frames of the title the host plays in this process.
struct FrameCount {
    FrameCount() : feed(&count, this) {}
    static void count(platform::HeadlessPlatform&, uint64_t, void* data) { ++static_cast<FrameCount*>(data)->frames; }
    // Waits until n frames more than now have been played.
    bool wait(int n)
    {
        const int until = frames + n;
        return waitFor([&] { return frames >= until; }, 20000);
    }
    std::atomic<int> frames{0};
    testsupport::FeedInUse feed;
};

class NetScriptTest : public testsupport::HostTitle {
protected:
    std::string netSwitches(int port) { return "-nogfx -bind 127.0.0.1 -port " + std::to_string(port); }
    std::string settingsFile() { return tmp.file("Quarnel.ini"); }
    std::string kept(const std::string& key) { return HostTitle::kept(key); }
    std::string saved(const char* key) { return iniValue(settingsFile(), "S", key); }
    // Waits for a kept value, as long as a slow machine may need.
    bool waitSaved(const char* key, const std::string& value)
    {
        return waitFor([&] { return saved(key) == value; }, 20000);
    }
};

std::string behaviour(const std::string& name, const std::string& code)
{
    return "OBJECT=" + name + "\n" + name + ":TYPE=BEHAVIOUR\n" + name + ":CODE={" + code + "}\n";
}

// Code that makes the string PAD about 64 KB long.
std::string padding()
{
    return "@LOOP({PAD^ADD(\"" + std::string(100, 'x') + "\");},0,640,1);";
}

// A player of the test's own: a plain socket that greets with its name.
struct RawPlayer {
    bool join(int port, const char* name)
    {
        return socket.connect(CXString("127.0.0.1"), port) && socket.send(new CNetHelloMessage(&socket, CXString(name)));
    }
    bool command(const char* word) { return socket.send(new CNetCmdMessage(&socket, CXString(word), nullptr)); }
    CXSocket socket{nullptr};
};

// Reads a connection until it ends, on a thread of its own: the numbers
// that begin the texts, and the types of all frames.
struct Reading {
    explicit Reading(CXSocket* s) : socket(s), thread([this] { read(); }) {}
    ~Reading()
    {
        if (thread.joinable())
            thread.join();
    }
    void read()
    {
        while (socket->isOpen()) {
            CXArray* list = socket->receive();
            for (int i = 0; i < list->getSize(); ++i) {
                std::unique_ptr<CNetMessage> m(static_cast<CNetMessage*>((*list)[i]));
                if (m->getType() == CNetMessage::TEXT)
                    numbers.push_back(std::atoi(CNetTextMessage(CXString(), m.get()).getText()));
                types.push_back(m->getType());
            }
        }
    }
    CXSocket* socket;
    std::vector<int> numbers;
    std::vector<int> types;
    std::thread thread;
};

// Two clients of one address with one player name are two players: each
// gets a command sent to all once, and the one that leaves is the one
// taken off.
TEST_F(NetScriptTest, PlayersAreToldApartByTheirConnection)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            kept("NEWS") + kept("LEFT") + "OBJECT=STARTED\nSTARTED:TYPE=BOOL\nSTARTED:VALUE=FALSE\nSTARTED:TOINI=TRUE\n"
                           "OBJECT=PLAYERS\nPLAYERS:TYPE=INTEGER\nPLAYERS:VALUE=9\nPLAYERS:TOINI=TRUE\n"
                           "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={NETSERVER^START();STARTED^SET(TRUE);}\n"
                           "OBJECT=NEWP\nNEWP:TYPE=BEHAVIOUR\nNEWP:CODE={NEWS^INC();"
                           "@IF(\"NEWS'2\",{NETSERVER^SENDCMD(\"ALL\");NETSERVER^SENDCMD(\"END\");},\"\");}\n"
                           "OBJECT=GONE\nGONE:TYPE=BEHAVIOUR\nGONE:CODE={PLAYERS^SET(NETSERVER^GETPLAYERSNO());"
                           "LEFT^INC();@IF(\"LEFT'1\",{NETSERVER^SENDCMD(\"AFTER\");},{GAME^EXIT();});}\n"
                           "OBJECT=S\nS:ONINIT=GO\n"}});
    addNetworkObject(tmp.path(), MC_NETSERVER, "NETSERVER", {{"ONNEWPLAYER", "NEWP"}, {"ONDESTROYPLAYER", "GONE"}});
    const int port = freePort();
    ASSERT_GT(port, 0);

    nettest::Pools pools;
    Commands first, second;
    std::atomic<bool> done{false};
    std::thread players([&] {
        CNetworkClient one(nullptr, false, false), two(nullptr, false, false);
        one.addNotifier(&first);
        two.addNotifier(&second);
        if (!waitFor([&] { return iniValue(settingsFile(), "S", "STARTED") == "TRUE"; }, 20000) ||
            !one.connect(CXString("127.0.0.1"), port) || !two.connect(CXString("127.0.0.1"), port) ||
            !tickUntilWord(one, first, "END ") || !tickUntilWord(two, second, "END "))
            return;
        two.disconnect(true);
        if (tickUntilWord(one, first, "AFTER "))
            done = true;
        one.disconnect(true);
    });
    EXPECT_EQ(run(netSwitches(port).c_str()), 0);
    players.join();
    EXPECT_TRUE(done);
    EXPECT_EQ(first.words, "ALL END AFTER ");
    EXPECT_EQ(second.words, "ALL END ");
    EXPECT_EQ(setting("S", "NEWS"), "2");
    EXPECT_EQ(setting("S", "PLAYERS"), "0");
}

// A connection that has said it is leaving is no player any more: what it
// sends after its notice neither takes off another player of its name nor
// gets a file sent to it once it is gone.
TEST_F(NetScriptTest, WhatALeavingConnectionSendsAfterItsNoticeTouchesNoOtherPlayer)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            kept("NEWS") + kept("LEFT") + "OBJECT=STARTED\nSTARTED:TYPE=BOOL\nSTARTED:VALUE=FALSE\nSTARTED:TOINI=TRUE\n"
                                          "OBJECT=PLAYERS\nPLAYERS:TYPE=INTEGER\nPLAYERS:VALUE=9\nPLAYERS:TOINI=TRUE\n"
                                          "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={NETSERVER^START();STARTED^SET(TRUE);}\n"
                                          "OBJECT=NEWP\nNEWP:TYPE=BEHAVIOUR\nNEWP:CODE={NEWS^INC();}\n"
                                          "OBJECT=GONE\nGONE:TYPE=BEHAVIOUR\nGONE:CODE={LEFT^INC();"
                                          "PLAYERS^SET(NETSERVER^GETPLAYERSNO());}\n"
                                          "OBJECT=END\nEND:TYPE=BEHAVIOUR\nEND:CODE={GAME^EXIT();}\n"
                                          "OBJECT=S\nS:ONINIT=GO\n"}});
    addNetworkObject(tmp.path(), MC_NETSERVER, "NETSERVER",
                     {{"ONNEWPLAYER", "NEWP"}, {"ONDESTROYPLAYER", "GONE"}, {"ONCOMMAND^END", "END"}});
    const int port = freePort();
    ASSERT_GT(port, 0);

    nettest::Pools pools;
    FrameCount played;
    std::atomic<bool> sent{false};
    // Ann stays connected until the title has ended; a third connection
    // ends it.
    CXSocket ann(nullptr), mallory(nullptr), closer(nullptr);
    std::thread players([&] {
        auto setting = [&](const char* key) { return iniValue(settingsFile(), "S", key); };
        if (!waitFor([&] { return setting("STARTED") == "TRUE"; }, 20000) || !ann.connect(CXString("127.0.0.1"), port) ||
            !ann.send(new CNetHelloMessage(&ann, CXString("Ann"))) || !waitFor([&] { return setting("NEWS") == "1"; }) ||
            !mallory.connect(CXString("127.0.0.1"), port) ||
            !mallory.send(new CNetHelloMessage(&mallory, CXString("Ann"))) ||
            !waitFor([&] { return setting("NEWS") == "2"; }))
            return;
        // One write: the notice twice, then a request for a file the
        // title has, all handed on in one frame of the title.
        std::string frames = hex("04000000 08000000 04000000 08000000");
        CNetFileRequestMessage request(&mallory, 1, CXString("GAME"), CXString("S"), CXString("S.cnv"));
        frames += frameOf(request);
        if (!platform::sendAll(mallory.getHandle(), frames.data(), frames.size()) ||
            !waitFor([&] { return setting("LEFT") != "0"; }))
            return;
        // Frames go by in which a file would be sent.
        sent = played.wait(10) && closer.connect(CXString("127.0.0.1"), port) &&
               closer.send(new CNetHelloMessage(&closer, CXString("Closer"))) &&
               closer.send(new CNetCmdMessage(&closer, CXString("END"), nullptr));
    });
    EXPECT_EQ(run(netSwitches(port).c_str()), 0);
    players.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(setting("S", "LEFT"), "1");
    EXPECT_EQ(setting("S", "PLAYERS"), "1");
}

// What a server sends a client title: a command raises only its caret
// form; a variable message changes only a script variable; the server
// going is noticed.
TEST_F(NetScriptTest, AClientTitleTakesWhatTheServerSendsAndNoticesItGo)
{
    title({{"Quarnel.ini", "[PLAYER]\nNAME=Tester\n"},
           {"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            kept("UP") + kept("PLAIN") + kept("CLOSED") + kept("NETCHANGES") +
                "OBJECT=ARG\nARG:TYPE=STRING\nARG:VALUE=none\nARG:TOINI=TRUE\n"
                "OBJECT=NAME\nNAME:TYPE=STRING\nNAME:VALUE=old\nNAME:TOINI=TRUE\nNAME:ONNETCHANGE={NETCHANGES^INC();}\n"
                "OBJECT=AFTER\nAFTER:TYPE=BOOL\nAFTER:VALUE=TRUE\nAFTER:TOINI=TRUE\n"
                "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={NETCLIENT^CONNECT(\"127.0.0.1\");}\n"
                "OBJECT=UPB\nUPB:TYPE=BEHAVIOUR\nUPB:CODE={UP^INC();}\n"
                "OBJECT=PLAINB\nPLAINB:TYPE=BEHAVIOUR\nPLAINB:CODE={PLAIN^INC();}\n"
                "OBJECT=PINGB\nPINGB:TYPE=BEHAVIOUR\nPINGB:CODE={ARG^SET(\"$1\");}\n"
                "OBJECT=DOWNB\nDOWNB:TYPE=BEHAVIOUR\nDOWNB:CODE={AFTER^SET(NETCLIENT^ISCONNECTED());CLOSED^INC();"
                "GAME^EXIT();}\n"
                "OBJECT=S\nS:ONINIT=GO\n"}});
    addNetworkObject(tmp.path(), MC_NETCLIENT, "NETCLIENT",
                     {{"ONCONNECTED", "UPB"},
                      {"ONCOMMAND", "PLAINB"},
                      {"ONCOMMAND^PING", "PINGB"},
                      {"ONCONNECTIONCLOSED", "DOWNB"}});

    nettest::Pools pools;
    CNetworkServer server(nullptr, false);
    ASSERT_TRUE(server.start(0, CXString("127.0.0.1")));
    struct Hello : CNetListener {
        void onMessage(CNetMessage* m) override
        {
            if (m->getType() == CNetMessage::HELLO)
                name = static_cast<CNetHelloMessage*>(m)->getName();
        }
        std::string name;
    } hello;
    server.addNotifier(&hello);
    std::thread owner([&] {
        if (!waitFor([&] {
                server.tick();
                return !hello.name.empty();
            }, 20000))
            return;
        CXSocket* to = server.getPlayer(0)->getHandle();
        CXArray args(101, 0.75f);
        CXString z("z");
        args.add(&z);
        to->send(new CNetCmdMessage(to, CXString("PING"), &args));
        to->send(new CNetCmdMessage(to, CXString("OTHER"), nullptr));
        CMC_String behaviourName("GO"); // names a behaviour, not a variable
        to->send(new CNetVariableMessage(to, &behaviourName));
        CMC_String nope("NOPE");
        to->send(new CNetVariableMessage(to, &nope));
        CMC_String zed("NAME");
        zed.setValue(CXString("zed"));
        to->send(new CNetVariableMessage(to, &zed));
        server.stop(true);
    });
    EXPECT_EQ(run(netSwitches(server.getPort()).c_str()), 0);
    owner.join();
    EXPECT_EQ(hello.name, "Tester");
    EXPECT_EQ(setting("S", "UP"), "1");
    EXPECT_EQ(setting("S", "ARG"), "z");
    EXPECT_EQ(setting("S", "PLAIN"), "0");
    EXPECT_EQ(setting("S", "NAME"), "zed");
    EXPECT_EQ(setting("S", "NETCHANGES"), "1");
    EXPECT_EQ(setting("S", "CLOSED"), "1");
    EXPECT_EQ(setting("S", "AFTER"), "FALSE");
}

// A player that stops reading while the server title sends it about 64 KB
// every frame: the title's frames go on, the other player gets every text
// in order, the stuck one is dropped once too much waits for it, and EXIT
// with another stuck player ends the title at once.
TEST_F(NetScriptTest, APlayerThatStopsReadingStallsNothingAndIsDropped)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            kept("NEWS") + kept("LEFT") + "OBJECT=STARTED\nSTARTED:TYPE=BOOL\nSTARTED:VALUE=FALSE\nSTARTED:TOINI=TRUE\n"
                "OBJECT=PAD\nPAD:TYPE=STRING\nOBJECT=T\nT:TYPE=STRING\nOBJECT=N\nN:TYPE=INTEGER\nN:VALUE=0\n" +
                behaviour("GO", "NETSERVER^START();" + padding() + "STARTED^SET(TRUE);") +
                behaviour("NEWP", "NEWS^INC();") + behaviour("GONE", "LEFT^INC();") +
                behaviour("END", "GAME^EXIT();") +
                "OBJECT=EVERY\nEVERY:TYPE=TIMER\nEVERY:ELAPSE=0\n"
                "EVERY:ONTICK={N^INC();T^SET(N);T^ADD(\"|\");T^ADD(PAD);NETSERVER^SENDTEXT(T);}\n"
                "OBJECT=S\nS:ONINIT=GO\n"}});
    addNetworkObject(tmp.path(), MC_NETSERVER, "NETSERVER",
                     {{"ONNEWPLAYER", "NEWP"}, {"ONDESTROYPLAYER", "GONE"}, {"ONCOMMAND^END", "END"}});
    const int port = freePort();
    ASSERT_GT(port, 0);

    nettest::Pools pools;
    FrameCount played;
    RawPlayer reader, stuck, stuckToo;
    std::unique_ptr<Reading> reading;
    int framesWhileStuck = 0;
    std::chrono::steady_clock::time_point asked;
    std::atomic<bool> dropped{false};
    std::thread players([&] {
        if (!waitSaved("STARTED", "TRUE") || !reader.join(port, "Reader"))
            return;
        reading.reset(new Reading(&reader.socket));
        if (!stuck.join(port, "Stuck") || !waitSaved("NEWS", "2"))
            return;
        int from = played.frames;
        dropped = waitSaved("LEFT", "1");
        framesWhileStuck = played.frames - from;
        if (stuckToo.join(port, "StuckToo") && waitSaved("NEWS", "3"))
            played.wait(30);
        asked = std::chrono::steady_clock::now();
        reader.command("END");
    });
    EXPECT_EQ(run(netSwitches(port).c_str()), 0);
    auto ended = std::chrono::steady_clock::now();
    players.join();
    EXPECT_TRUE(dropped);
    EXPECT_GT(framesWhileStuck, 30);
    EXPECT_LT(ended - asked, std::chrono::seconds(5));
    ASSERT_TRUE(reading);
    reading->thread.join(); // it reads until the title's end closes the connection
    const std::vector<int>& numbers = reading->numbers;
    ASSERT_GT(numbers.size(), 30u);
    for (size_t i = 1; i < numbers.size(); ++i)
        ASSERT_EQ(numbers[i], numbers[i - 1] + 1) << i;
    EXPECT_EQ(reading->types.back(), int(CNetMessage::DISCONNECT));
}

// A server that stops reading while a client title sends it about 64 KB
// every frame: the title's frames go on until the connection is dropped,
// which the title hears as its closing.
TEST_F(NetScriptTest, AServerThatStopsReadingStallsNothingAndIsDropped)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            kept("CLOSED") + "OBJECT=PAD\nPAD:TYPE=STRING\nOBJECT=T\nT:TYPE=STRING\nOBJECT=N\nN:TYPE=INTEGER\n" +
                behaviour("GO", padding() + "NETCLIENT^CONNECT(\"127.0.0.1\");") +
                behaviour("DOWN", "CLOSED^INC();GAME^EXIT();") +
                "OBJECT=EVERY\nEVERY:TYPE=TIMER\nEVERY:ELAPSE=0\n"
                "EVERY:ONTICK={N^INC();T^SET(N);T^ADD(PAD);NETCLIENT^SENDTEXT(T);}\n"
                "OBJECT=S\nS:ONINIT=GO\n"}});
    addNetworkObject(tmp.path(), MC_NETCLIENT, "NETCLIENT", {{"ONCONNECTIONCLOSED", "DOWN"}});

    nettest::Pools pools;
    FrameCount played;
    struct Deaf : CXSocket::Acceptor {
        void onConnected(CXSocket* s, const CXString&) override
        {
            connection.reset(s);
            framesThen = *frames;
        }
        std::atomic<int>* frames;
        std::unique_ptr<CXSocket> connection;
        int framesThen = 0;
    } deaf;
    deaf.frames = &played.frames;
    CXSocket listener(nullptr);
    ASSERT_TRUE(listener.start(0, 1, &deaf, CXString("127.0.0.1")));
    EXPECT_EQ(run(netSwitches(listener.getPort()).c_str()), 0);
    listener.stop();
    ASSERT_NE(deaf.connection, nullptr);
    EXPECT_EQ(setting("S", "CLOSED"), "1");
    EXPECT_GT(played.frames - deaf.framesThen, 30);
}

// What a connection sends before its hello reaches neither the scripts nor
// the file server: a behaviour that would end the title, a command, a ping
// and a file request change nothing and get no answer.
TEST_F(NetScriptTest, NothingBeforeAHelloIsHandled)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            kept("NEWS") + kept("MARK") + kept("ENDS") +
                "OBJECT=STARTED\nSTARTED:TYPE=BOOL\nSTARTED:VALUE=FALSE\nSTARTED:TOINI=TRUE\n" +
                behaviour("GO", "NETSERVER^START();STARTED^SET(TRUE);") + behaviour("NEWP", "NEWS^INC();") +
                behaviour("MARKB", "MARK^INC();") + behaviour("END", "ENDS^INC();GAME^EXIT();") +
                "OBJECT=S\nS:ONINIT=GO\n"}});
    addNetworkObject(tmp.path(), MC_NETSERVER, "NETSERVER",
                     {{"ONNEWPLAYER", "NEWP"}, {"ONCOMMAND^MARK", "MARKB"}, {"ONCOMMAND^END", "END"}});
    const int port = freePort();
    ASSERT_GT(port, 0);

    nettest::Pools pools;
    RawPlayer late;
    std::atomic<bool> marked{false};
    std::thread player([&] {
        CXSocket& s = late.socket;
        if (!waitSaved("STARTED", "TRUE") || !s.connect(CXString("127.0.0.1"), port))
            return;
        s.send(new CNetBehaviourMessage(&s, CXString("GAME^EXIT();")));
        late.command("END");
        s.send(new CNetPingMessage(&s, 5));
        s.send(new CNetFileRequestMessage(&s, 1, CXString("GAME"), CXString("S"), CXString("S.cnv")));
        marked = s.send(new CNetHelloMessage(&s, CXString("Late"))) && late.command("MARK") &&
                 waitSaved("MARK", "1") && late.command("END");
    });
    EXPECT_EQ(run(netSwitches(port).c_str()), 0);
    player.join();
    EXPECT_TRUE(marked);
    EXPECT_EQ(setting("S", "NEWS"), "1");
    EXPECT_EQ(setting("S", "ENDS"), "1");
    // No answer came back: kept variables sending themselves, then the
    // title's leaving.
    Reading back(&late.socket);
    back.thread.join();
    ASSERT_FALSE(back.types.empty());
    EXPECT_EQ(back.types.back(), int(CNetMessage::DISCONNECT));
    for (int type : back.types)
        EXPECT_TRUE(type == CNetMessage::VARIABLE || type == CNetMessage::DISCONNECT) << type;
}

// A connection counts as a player from the moment it is accepted, under
// its address, before its hello names it: a script counting the players
// every frame sees it, and sees it renamed once it said hello.
TEST_F(NetScriptTest, AConnectionIsCountedBeforeItsHello)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            kept("NEWS") + kept("PLAYERS") + "OBJECT=NAME\nNAME:TYPE=STRING\nNAME:VALUE=none\nNAME:TOINI=TRUE\n" +
                "OBJECT=STARTED\nSTARTED:TYPE=BOOL\nSTARTED:VALUE=FALSE\nSTARTED:TOINI=TRUE\n" +
                behaviour("GO", "NETSERVER^START();STARTED^SET(TRUE);") + behaviour("NEWP", "NEWS^INC();") +
                behaviour("END", "GAME^EXIT();") +
                "OBJECT=COUNT\nCOUNT:TYPE=TIMER\nCOUNT:ELAPSE=10\n"
                "COUNT:ONTICK={PLAYERS^SET(NETSERVER^GETPLAYERSNO());NAME^SET(NETSERVER^GETPLAYERNAME(0));}\n"
                "OBJECT=S\nS:ONINIT=GO\n"}});
    addNetworkObject(tmp.path(), MC_NETSERVER, "NETSERVER", {{"ONNEWPLAYER", "NEWP"}, {"ONCOMMAND^END", "END"}});
    const int port = freePort();
    ASSERT_GT(port, 0);

    nettest::Pools pools;
    RawPlayer late;
    std::atomic<bool> silent{false}, greeted{false};
    std::thread player([&] {
        CXSocket& s = late.socket;
        if (!waitSaved("STARTED", "TRUE") || !s.connect(CXString("127.0.0.1"), port))
            return;
        // Within the hello time, which would close the connection.
        silent = waitFor([&] { return saved("PLAYERS") == "1" && saved("NAME") == "127.0.0.1"; },
                         CNetworkServer::HELLO_TIMEOUT_MS / 2);
        greeted = s.send(new CNetHelloMessage(&s, CXString("Late"))) && waitSaved("NEWS", "1") &&
                  waitSaved("NAME", "Late") && saved("PLAYERS") == "1";
        late.command("END");
    });
    EXPECT_EQ(run(netSwitches(port).c_str()), 0);
    player.join();
    EXPECT_TRUE(silent);
    EXPECT_TRUE(greeted);
}

// A player that sends commands as fast as the socket takes them: what the
// server has read and not yet handled of it stays within the bound, the
// title's frames go on, another player's command is handled and a third's
// leaving is noticed within a few seconds.
TEST_F(NetScriptTest, APlayerThatSendsFasterThanTheTitleHandlesIsHeldBack)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            kept("NEWS") + kept("LEFT") + kept("HI") + "OBJECT=F\nF:TYPE=INTEGER\nF:VALUE=0\n" +
                "OBJECT=STARTED\nSTARTED:TYPE=BOOL\nSTARTED:VALUE=FALSE\nSTARTED:TOINI=TRUE\n" +
                behaviour("GO", "NETSERVER^START();STARTED^SET(TRUE);") + behaviour("NEWP", "NEWS^INC();") +
                behaviour("GONE", "LEFT^INC();") + behaviour("FLOODB", "F^INC();") + behaviour("HIB", "HI^INC();") +
                behaviour("END", "GAME^EXIT();") + "OBJECT=S\nS:ONINIT=GO\n"}});
    addNetworkObject(tmp.path(), MC_NETSERVER, "NETSERVER",
                     {{"ONNEWPLAYER", "NEWP"},
                      {"ONDESTROYPLAYER", "GONE"},
                      {"ONCOMMAND^FLOOD", "FLOODB"},
                      {"ONCOMMAND^HI", "HIB"},
                      {"ONCOMMAND^END", "END"}});
    const int port = freePort();
    ASSERT_GT(port, 0);

    nettest::Pools pools;
    FrameCount played;
    RawPlayer well, leaving, flooder;
    long most = 0;
    int framesMeanwhile = 0;
    std::atomic<bool> heard{false}, noticed{false};
    std::thread players([&] {
        if (!waitSaved("STARTED", "TRUE") || !well.join(port, "Well") || !leaving.join(port, "Leaving") ||
            !flooder.join(port, "Flood") || !waitSaved("NEWS", "3"))
            return;
        std::thread flood([&] {
            std::string batch;
            for (int i = 0; i < 1000; ++i)
                batch += frameOf(CNetCmdMessage(nullptr, CXString("FLOOD"), nullptr));
            while (platform::sendAll(flooder.socket.getHandle(), batch.data(), batch.size())) {
            }
        });
        // What waits for the title of the flood, while the title runs (the
        // player stays until the flood ends).
        CNetworkServer* server = CNetworkServer::getInstance();
        auto waiting = [&] {
            CNetPlayerInfo* player = server->find(CXString("Flood"));
            long now = player ? player->getHandle()->getUnhandled() : 0;
            most = std::max(most, now);
            return now;
        };
        if (waitFor([&] { return waiting() >= CXSocket::RECEIVE_LIMIT / 2; }, 20000)) {
            int from = played.frames;
            heard = well.command("HI") && waitFor([&] {
                        waiting();
                        return saved("HI") == "1";
                    }, 20000);
            leaving.socket.close();
            noticed = waitFor([&] {
                waiting();
                return saved("LEFT") == "1";
            }, 20000);
            // The frames go on under the flood.
            waitFor([&] {
                waiting();
                return played.frames >= from + 30;
            }, 20000);
            framesMeanwhile = played.frames - from;
        }
        flooder.socket.close();
        flood.join();
        well.command("END");
    });
    EXPECT_EQ(run(netSwitches(port).c_str()), 0);
    players.join();
    EXPECT_TRUE(heard);
    EXPECT_TRUE(noticed);
    EXPECT_GE(framesMeanwhile, 30);
    EXPECT_GE(most, long(CXSocket::RECEIVE_LIMIT / 2));
    // The bound, and one command past it.
    CNetCmdMessage one(nullptr, CXString("FLOOD"), nullptr);
    one.setSender(CXString("Flood"));
    EXPECT_LE(most, long(CXSocket::RECEIVE_LIMIT) + one.getFootprint());
}

} // namespace
