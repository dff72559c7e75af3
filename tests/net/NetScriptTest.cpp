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

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>

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
        CNetFileRequestMessage request(&mallory, 1, CXString(), CXString(), CXString("application.def"));
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

} // namespace
