// A scene brought up to date over the network, by two host programs: the
// server title offers scene S's "index.net" with a newer version and four
// files (among them S's new snapshot and one whose name has 255 bytes, the
// longest a file's can be); the client title, once connected, finds that S
// needs an upgrade, fetches the files into S's folder, hears "ONUPGRADED"
// once and then plays the new S. S's "PATH" takes each form titles write
// it in.
#include "NetTitle.h"
#include "net/SceneUpdater.h"
#include "platform/Socket.h"
#include "script/Object.h"
#include "support/ScenePaths.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace nettest;

namespace {

// An application whose episode E holds the lobby L (entered first) and S.
std::string lobbyAndScene(const std::string& path)
{
    return "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E\nOBJECT=E\nE:TYPE=EPISODE\nE:SCENES=L,S\n"
           "OBJECT=L\nL:TYPE=SCENE\nL:PATH=\\L\nOBJECT=S\nS:TYPE=SCENE\nS:PATH=" +
           path + "\n";
}

std::string integer(const std::string& name)
{
    return "OBJECT=" + name + "\n" + name + ":TYPE=INTEGER\n" + name + ":VALUE=0\n" + name + ":TOINI=TRUE\n";
}

// The client's lobby L: it connects, then asks every frame whether S needs
// an upgrade and starts it once.
const std::string fetchingLobby = "OBJECT=NEED\nNEED:TYPE=BOOL\nNEED:VALUE=FALSE\n"
                                  "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={NETCLIENT^CONNECT(\"127.0.0.1\");}\n"
                                  "OBJECT=POLL\nPOLL:TYPE=TIMER\nPOLL:ELAPSE=16\n"
                                  "POLL:ONTICK={NEED^SET(GAME^NEEDSUPGRADE(\"S\"));"
                                  "@IF(\"NEED'TRUE\",{POLL^DISABLE();GAME^UPGRADE(\"S\");},\"\");}\n"
                                  "OBJECT=L\nL:ONINIT=GO\n";

// The client's application: "__ONUPGRADED__" counts the event in UPGRADED
// and then runs code.
std::string onUpgraded(const std::string& code)
{
    return integer("UPGRADED") + "OBJECT=__ONUPGRADED__\n__ONUPGRADED__:TYPE=BEHAVIOUR\n"
                                 "__ONUPGRADED__:CODE={UPGRADED^INC();" + code + "}\n";
}

// The server's lobby L: it listens, and ends when its player has gone.
const std::string listeningLobby = "OBJECT=STARTED\nSTARTED:TYPE=BOOL\nSTARTED:VALUE=FALSE\nSTARTED:TOINI=TRUE\n"
                                   "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={NETSERVER^START();STARTED^SET(TRUE);}\n"
                                   "OBJECT=GONE\nGONE:TYPE=BEHAVIOUR\nGONE:CODE={GAME^EXIT();}\n"
                                   "OBJECT=L\nL:ONINIT=GO\n";

// Programs started while it exists write no debugging output.
struct NoDebugOutput {
    NoDebugOutput()
    {
        if (const char* set = std::getenv("QUARNEL_DEBUG"))
            saved = set, had = true;
        unsetenv("QUARNEL_DEBUG");
    }
    ~NoDebugOutput()
    {
        if (had)
            setenv("QUARNEL_DEBUG", saved.c_str(), 1);
    }
    std::string saved;
    bool had = false;
};

// A server title played by the host on a free port of the loopback, once
// its lobby L has started its server (STARTED); net holds the switches, for
// its clients too.
struct Serving {
    explicit Serving(const testsupport::TempDir& server, const std::string& more = "")
    {
        port = freePort();
        EXPECT_GT(port, 0);
        net = " -nogfx -bind 127.0.0.1 -port " + std::to_string(port) + more;
        process.reset(new HostProcess(server.path(), "-path " + server.path() + net));
        started = waitFor([&] { return iniValue(server.file("Quarnel.ini"), "L", "STARTED") == "TRUE"; }, testsupport::PATIENCE_MS);
        EXPECT_TRUE(started) << server.read("output.txt");
    }
    int wait(int timeoutMs = 30000) { return process->wait(timeoutMs); }
    int port;
    std::string net;
    std::unique_ptr<HostProcess> process;
    bool started;
};

// Scene S of the client: what its start behaviour GO records tells which
// version played.
std::string sceneS(const std::string& marker)
{
    return integer(marker) + "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={" + marker + "^SET(1);GAME^EXIT();}\n" +
           "OBJECT=S\nS:ONINIT=GO\n";
}

TEST(UpdaterTitleTest, AClientTitleFetchesANewerSceneAndPlaysIt)
{
    NoDebugOutput quiet;
    for (const testsupport::ScenePathForm& form : testsupport::scenePathForms()) {
        SCOPED_TRACE(form.path);
        const std::string S = "Rara/" + form.folder + "/";
        testsupport::TempDir server, client, newer;

        // The client: the application's "__ONUPGRADED__" goes to S.
        writeTitle(client, {{"Rara/application.def", lobbyAndScene(form.path)},
                            {"Rara/GAME.cnv", onUpgraded("E^GOTO(\"S\");")},
                            {"Rara/L/L.cnv", fetchingLobby},
                            {S + "S.cnv", sceneS("OLDS")}});
        addNetworkObject(client.path(), MC_NETCLIENT, "NETCLIENT", {}, "L");

        // S as it is to become, as a snapshot.
        writeTitle(newer, {{"Rara/application.def", lobbyAndScene(form.path)},
                           {"Rara/L/L.cnv", "OBJECT=X\nX:TYPE=INTEGER\n"},
                           {S + "S.cnv", sceneS("NEWS")}});
        writeSnapshot(newer.path());
        const std::string newScene = newer.read(S + "S.bin");
        ASSERT_FALSE(newScene.empty());

        // The server: S's folder holds what it offers for S.
        writeTitle(server, {{"Rara/application.def", lobbyAndScene(form.path)},
                            {"Rara/L/L.cnv", listeningLobby},
                            {S + "S.cnv", "OBJECT=X\nX:TYPE=INTEGER\n"}});
        addNetworkObject(server.path(), MC_NETSERVER, "NETSERVER", {{"ONDESTROYPLAYER", "GONE"}}, "L");
        const std::string a = randomBytes(25000, 1), b = randomBytes(10241, 2);
        const std::string longest = std::string(251, 'n') + ".txt";
        server.write(S + "S.bin", newScene);
        server.write(S + "a.txt", a);
        server.write(S + "b.dat", b);
        server.write(S + longest, "the longest");
        const size_t packed = newScene.size() + a.size() + b.size() + 11;
        server.write(S + "index.net", "DESCRIPTION=New rooms\r\nVERSION=1.1\r\nFILES=S.bin,a.txt,b.dat," + longest +
                                          "\r\nPACKED_SIZE=" + std::to_string(packed) + "\r\nDATA_SIZE=" +
                                          std::to_string(packed) + "\r\n");

        Serving serving(server);
        ASSERT_TRUE(serving.started);
        {
            HostProcess fetching(client.path(), "-path " + client.path() + serving.net);
            EXPECT_EQ(fetching.wait(), 0) << client.read("output.txt");
        }
        EXPECT_EQ(serving.wait(), 0) << server.read("output.txt");

        const std::string settings = client.file("Quarnel.ini");
        EXPECT_EQ(iniValue(settings, "GAME", "UPGRADED"), "1");
        EXPECT_EQ(iniValue(settings, "S", "NEWS"), "1");
        EXPECT_EQ(iniValue(settings, "S", "OLDS"), "");
        EXPECT_EQ(client.read(S + "S.bin"), newScene);
        EXPECT_EQ(client.read(S + "a.txt"), a);
        EXPECT_EQ(client.read(S + "b.dat"), b);
        EXPECT_EQ(client.read(S + longest), "the longest");
        EXPECT_EQ(client.read("output.txt"), "");
    }
}

std::string filled(std::string text, const std::string& server, const std::string& client)
{
    for (const auto& mark : {std::make_pair(std::string("%S"), server), std::make_pair(std::string("%C"), client)})
        for (size_t at; (at = text.find(mark.first)) != std::string::npos;)
            text.replace(at, 2, mark.second);
    return text;
}

// What the two programs say when a scene's update cannot be had whole:
// each case has a server title offer S's list and files, and a client
// title, or a peer of the test's own that asks and never reads, fetch
// them. Each program's whole output is its lines, each the times given,
// and it ends with its exit code; the client title hears "ONUPGRADED".
TEST(UpdaterTitleTest, WhatCannotBeFetchedIsNamedAndTheUpdateEnds)
{
    NoDebugOutput quiet;
    using Lines = std::vector<std::pair<std::string, int>>;
    struct Case {
        const char* what;
        std::string files; // FILES of S's list
        // Files of S's folder on the server: bytes, or a hole of that size.
        std::vector<std::pair<std::string, std::string>> offered;
        std::vector<std::pair<std::string, uintmax_t>> holes;
        int requests; // sent by the test's peer for big.dat; 0: the client title fetches
        Lines serverSays, clientSays;
        int serverCode, clientCode;
    };
    const uintmax_t limit = CMC_SceneUpdater::FILE_MAX_SIZE;
    const int bound = CFileSender_Manager::ACTIVE_PER_CONNECTION + CFileSender_Manager::WAITING_PER_CONNECTION;
    const Case cases[] = {
        {"a listed file the server lacks", "a.txt,missing.dat", {{"a.txt", "a"}}, {}, 0,
         {{"Quarnel: requested file \"missing.dat\" not found: %S/Rara/S/missing.dat\n", 1}},
         {{"Quarnel: update file \"missing.dat\" not fetched: the server cannot send it: %C/Rara/S/missing.dat\n", 1}},
         0, 0},
        {"a listed file over the limit", "a.txt,big.dat", {{"a.txt", "a"}}, {{"big.dat", limit + 1}}, 0, {},
         {{"Quarnel: update file \"big.dat\" not fetched: it is " + std::to_string(limit + 1) +
               " bytes, over the limit of " + std::to_string(limit) + " bytes (256 MiB): %C/Rara/S/big.dat\n",
           1}},
         0, 0},
        // No transfer ends while the peer reads nothing, so exactly the
        // bound is taken.
        {"requests beyond the bound", "", {}, {{"big.dat", 64 << 20}}, bound + 10,
         {{"Quarnel: requested file \"big.dat\" refused: a connection may have 4 files sent and 1024 waiting at "
           "once (its further refusals are not told): %S/Rara/S/big.dat\n",
           1}},
         {}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir server, client;
        writeTitle(server, {{"Rara/application.def", lobbyAndScene("\\S")},
                            {"Rara/L/L.cnv", listeningLobby},
                            {"Rara/S/S.cnv", "OBJECT=X\nX:TYPE=INTEGER\n"}});
        addNetworkObject(server.path(), MC_NETSERVER, "NETSERVER", {{"ONDESTROYPLAYER", "GONE"}}, "L");
        for (const auto& f : c.offered)
            server.write("Rara/S/" + f.first, f.second);
        for (const auto& h : c.holes) {
            server.write("Rara/S/" + h.first, "");
            std::filesystem::resize_file(server.file("Rara/S/" + h.first), h.second);
        }
        server.write("Rara/S/index.net", "VERSION=1.1\r\nFILES=" + c.files + "\r\nPACKED_SIZE=1000\r\n");

        Serving serving(server, " -frames 2500");
        ASSERT_TRUE(serving.started);
        const int port = serving.port;
        const std::string net = serving.net;
        std::string clientOutput;
        int clientCode = 0;
        if (c.requests) {
            platform::SocketHandle peer = platform::openTcpSocket();
            ASSERT_TRUE(platform::connectSocket(peer, 0x7F000001, port, 5000));
            std::string asks = frameOf(CNetHelloMessage(nullptr, CXString("peer")));
            for (int i = 1; i <= c.requests; ++i)
                asks += frameOf(CNetFileRequestMessage(nullptr, i, CXString("GAME"), CXString("S"), CXString("big.dat")));
            ASSERT_TRUE(platform::sendAll(peer, asks.data(), asks.size()));
            const std::string said = filled(c.serverSays[0].first, server.path(), client.path());
            EXPECT_TRUE(waitFor([&] { return server.read("output.txt").find(said) != std::string::npos; }, testsupport::PATIENCE_MS));
            platform::closeSocket(peer);
        } else {
            writeTitle(client, {{"Rara/application.def", lobbyAndScene("\\S")},
                                {"Rara/GAME.cnv", onUpgraded("GAME^EXIT();")},
                                {"Rara/L/L.cnv", fetchingLobby},
                                {"Rara/S/S.cnv", "OBJECT=X\nX:TYPE=INTEGER\n"}});
            addNetworkObject(client.path(), MC_NETCLIENT, "NETCLIENT", {}, "L");
            HostProcess fetching(client.path(), "-path " + client.path() + net);
            clientCode = fetching.wait(60000);
            clientOutput = client.read("output.txt");
            EXPECT_EQ(iniValue(client.file("Quarnel.ini"), "GAME", "UPGRADED"), "1");
            EXPECT_EQ(client.read("Rara/S/a.txt"), "a");
        }
        EXPECT_EQ(serving.wait(60000), c.serverCode);
        EXPECT_EQ(clientCode, c.clientCode);
        for (const auto& program : {std::make_pair(&c.serverSays, server.read("output.txt")),
                                    std::make_pair(&c.clientSays, clientOutput)}) {
            std::string expected;
            for (const auto& line : *program.first)
                for (int n = 0; n < line.second; ++n)
                    expected += filled(line.first, server.path(), client.path());
            EXPECT_EQ(program.second, expected);
        }
    }
}

// A server title answers every request, also one that names no file of
// it, and names such a request; the requester ends its wait and says
// which file or scene was refused. First a requester of the test's own
// asks for names that are not one plain name, for the lists of scenes
// the server's title lacks (scene names match in their case) and for the
// definitions, which are in no scene's folder; then a client title with a
// scene T that the server lacks ends its wait for T's list and names T,
// and finds that its lobby L needs an upgrade.
TEST(UpdaterTitleTest, RequestsForNoFileOfTheTitleAreAnsweredAndNamed)
{
    NoDebugOutput quiet;
    testsupport::TempDir server, client;
    const std::string twoPlayersLobby =
        "OBJECT=STARTED\nSTARTED:TYPE=BOOL\nSTARTED:VALUE=FALSE\nSTARTED:TOINI=TRUE\n" + integer("LEFT") +
        "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={NETSERVER^START();STARTED^SET(TRUE);}\n"
        "OBJECT=GONE\nGONE:TYPE=BEHAVIOUR\nGONE:CODE={LEFT^INC();@IF(\"LEFT'2\",{GAME^EXIT();},\"\");}\n"
        "OBJECT=L\nL:ONINIT=GO\n";
    writeTitle(server, {{"Rara/application.def", lobbyAndScene("\\S")},
                        {"Rara/E.cnv", "OBJECT=X\nX:TYPE=INTEGER\n"},
                        {"Rara/L/L.cnv", twoPlayersLobby},
                        {"Rara/L/index.net", "VERSION=1\r\nFILES=\r\n"},
                        {"Rara/S/S.cnv", "OBJECT=X\nX:TYPE=INTEGER\n"},
                        {"Rara/S/a.txt", "a"}});
    addNetworkObject(server.path(), MC_NETSERVER, "NETSERVER", {{"ONDESTROYPLAYER", "GONE"}}, "L");
    Serving serving(server);
    ASSERT_TRUE(serving.started);

    const struct {
        const char* subfolder;
        const char* name;
        std::string why;        // as the requester tells it
        std::string serverSays; // on standard error
    } cases[] = {
        {"S", "a/b.txt", "the server's title has no file of that name",
         "Quarnel: file request \"S\\a/b.txt\" refused: not one plain file name\n"},
        {"S", "..", "the server's title has no file of that name",
         "Quarnel: file request \"S\\..\" refused: not one plain file name\n"},
        {"S", "", "the server's title has no file of that name",
         "Quarnel: file request \"S\\\" refused: not one plain file name\n"},
        {"S", "c:x", "the server's title has no file of that name",
         "Quarnel: file request \"S\\c:x\" refused: not one plain file name\n"},
        {"U", "index.net", "the server's title has no scene \"U\"",
         "Quarnel: file request \"U\\index.net\" refused: this title has no scene \"U\"\n"},
        {"s", "index.net", "the server's title has no scene \"s\"",
         "Quarnel: file request \"s\\index.net\" refused: this title has no scene \"s\"\n"},
        // The definitions lie in the data folder, which is no scene's.
        {"", "application.def", "the server's title has no file of that name",
         "Quarnel: file request \"\\application.def\" refused: it names no scene\n"},
        {"GAME", "application.def", "the server's title has no scene \"GAME\"",
         "Quarnel: file request \"GAME\\application.def\" refused: \"GAME\" is the application of this title, "
         "not a scene\n"},
        {"E", "E.cnv", "the server's title has no scene \"E\"",
         "Quarnel: file request \"E\\E.cnv\" refused: \"E\" is an episode of this title, not a scene\n"},
    };
    std::vector<std::string> refused;
    std::string serverSays;
    {
        nettest::Pools pools;
        nettest::Requester requester;
        ASSERT_TRUE(requester.client.connect(CXString("127.0.0.1"), serving.port));
        for (const auto& c : cases) {
            requester.manager.add_file(requester.client.getHandle(), CXString("GAME"), CXString(c.subfolder),
                                       CXString(c.name));
            refused.push_back(std::string(c.name) + ": " + c.why);
            serverSays += c.serverSays;
        }
        requester.manager.add_file(requester.client.getHandle(), CXString("GAME"), CXString("S"), CXString("a.txt"));
        EXPECT_TRUE(waitFor([&] {
            requester.client.tick();
            return requester.manager.getCount() == 0;
        }, testsupport::PATIENCE_MS));
        EXPECT_EQ(requester.done.refused, refused);
        EXPECT_EQ(requester.done.files, std::vector<std::string>{"a"});
        requester.client.disconnect(true);
    }

    // The client's T comes first, so that its list is answered before L's.
    writeTitle(client, {{"Rara/application.def",
                         "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E\nOBJECT=E\nE:TYPE=EPISODE\n"
                         "E:SCENES=T,L\nE:STARTWITH=L\nOBJECT=L\nL:TYPE=SCENE\nL:PATH=\\L\nOBJECT=T\n"
                         "T:TYPE=SCENE\nT:PATH=\\T\n"},
                        {"Rara/L/L.cnv", "OBJECT=NEED\nNEED:TYPE=BOOL\nNEED:VALUE=FALSE\n"
                                         "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={NETCLIENT^CONNECT(\"127.0.0.1\");}\n"
                                         "OBJECT=POLL\nPOLL:TYPE=TIMER\nPOLL:ELAPSE=16\n"
                                         "POLL:ONTICK={NEED^SET(GAME^NEEDSUPGRADE(\"L\"));"
                                         "@IF(\"NEED'TRUE\",{GAME^EXIT();},\"\");}\nOBJECT=L\nL:ONINIT=GO\n"},
                        {"Rara/T/T.cnv", "OBJECT=X\nX:TYPE=INTEGER\n"}});
    addNetworkObject(client.path(), MC_NETCLIENT, "NETCLIENT", {}, "L");
    HostProcess fetching(client.path(), "-path " + client.path() + serving.net);
    EXPECT_EQ(fetching.wait(), 0);
    EXPECT_EQ(client.read("output.txt"), "Quarnel: update list \"index.net\" not fetched: the server's title has no "
                                         "scene \"T\": " + client.file("Rara/T/index.net") + "\n");
    EXPECT_EQ(serving.wait(), 0);
    serverSays += "Quarnel: file request \"T\\index.net\" refused: this title has no scene \"T\"\n";
    EXPECT_EQ(server.read("output.txt"), serverSays);
}

} // namespace
