// A scene brought up to date over the network, by two host programs: the
// server title offers scene S's "index.net" with a newer version and three
// files (among them S's new snapshot); the client title, once connected,
// finds that S needs an upgrade, fetches the files into S's folder, hears
// "ONUPGRADED" once and then plays the new S. S's "PATH" takes each form
// titles write it in.
#include "NetTitle.h"
#include "script/Object.h"
#include "support/ScenePaths.h"

#include <gtest/gtest.h>
#include <string>

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

// Scene S of the client: what its start behaviour GO records tells which
// version played.
std::string sceneS(const std::string& marker)
{
    return integer(marker) + "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={" + marker + "^SET(1);GAME^EXIT();}\n" +
           "OBJECT=S\nS:ONINIT=GO\n";
}

TEST(UpdaterTitleTest, AClientTitleFetchesANewerSceneAndPlaysIt)
{
    for (const testsupport::ScenePathForm& form : testsupport::scenePathForms()) {
        SCOPED_TRACE(form.path);
        const std::string S = "Rara/" + form.folder + "/";
        testsupport::TempDir server, client, newer;

        // The client: L connects, then asks every frame whether S needs an
        // upgrade and starts it once; the application's "__ONUPGRADED__" counts
        // the event and goes to S.
        const std::string application = integer("UPGRADED") + "OBJECT=__ONUPGRADED__\n__ONUPGRADED__:TYPE=BEHAVIOUR\n"
                                                              "__ONUPGRADED__:CODE={UPGRADED^INC();E^GOTO(\"S\");}\n";
        const std::string lobby =
            "OBJECT=NEED\nNEED:TYPE=BOOL\nNEED:VALUE=FALSE\n"
            "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={NETCLIENT^CONNECT(\"127.0.0.1\");}\n"
            "OBJECT=POLL\nPOLL:TYPE=TIMER\nPOLL:ELAPSE=16\n"
            "POLL:ONTICK={NEED^SET(GAME^NEEDSUPGRADE(\"S\"));"
            "@IF(\"NEED'TRUE\",{POLL^DISABLE();GAME^UPGRADE(\"S\");},\"\");}\n"
            "OBJECT=L\nL:ONINIT=GO\n";
        writeTitle(client, {{"Rara/application.def", lobbyAndScene(form.path)},
                            {"Rara/GAME.cnv", application},
                            {"Rara/L/L.cnv", lobby},
                            {S + "S.cnv", sceneS("OLDS")}});
        addNetworkObject(client.path(), MC_NETCLIENT, "NETCLIENT", {}, "L");

        // S as it is to become, as a snapshot.
        writeTitle(newer, {{"Rara/application.def", lobbyAndScene(form.path)},
                           {"Rara/L/L.cnv", "OBJECT=X\nX:TYPE=INTEGER\n"},
                           {S + "S.cnv", sceneS("NEWS")}});
        writeSnapshot(newer.path());
        const std::string newScene = newer.read(S + "S.bin");
        ASSERT_FALSE(newScene.empty());

        // The server: L listens and ends when its player has gone; S's folder
        // holds what it offers for S.
        const std::string listening = "OBJECT=STARTED\nSTARTED:TYPE=BOOL\nSTARTED:VALUE=FALSE\nSTARTED:TOINI=TRUE\n"
                                      "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={NETSERVER^START();STARTED^SET(TRUE);}\n"
                                      "OBJECT=GONE\nGONE:TYPE=BEHAVIOUR\nGONE:CODE={GAME^EXIT();}\n"
                                      "OBJECT=L\nL:ONINIT=GO\n";
        writeTitle(server, {{"Rara/application.def", lobbyAndScene(form.path)},
                            {"Rara/L/L.cnv", listening},
                            {S + "S.cnv", "OBJECT=X\nX:TYPE=INTEGER\n"}});
        addNetworkObject(server.path(), MC_NETSERVER, "NETSERVER", {{"ONDESTROYPLAYER", "GONE"}}, "L");
        const std::string a = randomBytes(25000, 1), b = randomBytes(10241, 2);
        server.write(S + "S.bin", newScene);
        server.write(S + "a.txt", a);
        server.write(S + "b.dat", b);
        const size_t packed = newScene.size() + a.size() + b.size();
        server.write(S + "index.net", "DESCRIPTION=New rooms\r\nVERSION=1.1\r\nFILES=S.bin,a.txt,b.dat\r\n"
                                      "PACKED_SIZE=" + std::to_string(packed) + "\r\nDATA_SIZE=" +
                                          std::to_string(packed) + "\r\n");

        const int port = freePort();
        ASSERT_GT(port, 0);
        const std::string net = " -nogfx -bind 127.0.0.1 -port " + std::to_string(port);
        HostProcess serving(server.path(), "-path " + server.path() + net);
        ASSERT_TRUE(waitFor([&] { return iniValue(server.file("Quarnel.ini"), "L", "STARTED") == "TRUE"; }, 20000))
            << server.read("output.txt");
        {
            HostProcess fetching(client.path(), "-path " + client.path() + net);
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
    }
}

} // namespace
