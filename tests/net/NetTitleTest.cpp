// Titles that talk over loopback, each played by its own host program: a
// server title, a client that exchanges commands, texts, a variable and a
// behaviour with it and leaves, and a client that is killed. Each title
// records what it saw in its settings file.
#include "NetTitle.h"
#include "script/Object.h"

#include <gtest/gtest.h>
#include <string>

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
    ASSERT_TRUE(waitFor([&] { return iniValue(settingsA, "S", "STARTED") == "TRUE"; }, 20000))
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
    ASSERT_TRUE(waitFor([&] { return iniValue(settingsA, "S", "LEFT") == "1"; }, 20000));
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
    ASSERT_TRUE(waitFor([&] { return iniValue(settingsA, "S", "NEWS") == "2"; }, 20000));
    EXPECT_EQ(iniValue(settingsA, "S", "NEWNAME"), "Carl");
    idle.kill();
    EXPECT_EQ(server.wait(), 0) << testsupport::readFile(a.file("output.txt"));
    EXPECT_EQ(iniValue(settingsA, "S", "LEFT"), "2");
}

} // namespace
