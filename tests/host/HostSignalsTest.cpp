// The signals that stop a program (a service manager's SIGTERM, Ctrl+C's
// SIGINT, a closed terminal's SIGHUP) end a headless title as closing its
// window would: its end runs, its peers are told, the baresip it runs is
// ended and its folder removed, and the exit code is 0. A second signal ends
// the program at once. Each title is played by the program itself.
#include "net/NetTitle.h"
#include "platform/Socket.h"
#include "script/Object.h"
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace nettest;

namespace {

// A server title that keeps its number of players. Its scene's statistics
// are written when the scene ends: "Played" tells that the title's end ran.
TEST(HostSignalsTest, EachSignalEndsAServerTitleAndTellsItsPlayer)
{
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        testsupport::TempDir dir;
        writeTitle(dir, {{"Rara/application.def", oneScene()},
                         {"Rara/S/S.cnv", "OBJECT=PLAYERS\nPLAYERS:TYPE=INTEGER\nPLAYERS:VALUE=0\nPLAYERS:TOINI=TRUE\n"
                                          "OBJECT=NEWP\nNEWP:TYPE=BEHAVIOUR\n"
                                          "NEWP:CODE={PLAYERS^SET(NETSERVER^GETPLAYERSNO());}\n"
                                          "OBJECT=S\nS:ONINIT={NETSERVER^START();}\n"}});
        addNetworkObject(dir.path(), MC_NETSERVER, "NETSERVER", {{"ONNEWPLAYER", "NEWP"}});
        const int port = freePort();
        ASSERT_GT(port, 0);
        const std::string settings = dir.file("Quarnel.ini");

        HostProcess server(dir.path(), "-path " + dir.path() + " -nogfx -bind 127.0.0.1 -port " + std::to_string(port));
        // A player of its own, greeting the server as the engine's clients do.
        platform::SocketHandle player = platform::openTcpSocket();
        ASSERT_TRUE(waitFor([&] { return platform::connectSocket(player, 0x7F000001, port, 1000); }, 20000))
            << dir.read("output.txt");
        const std::string hello = hex("07000000 0c000000 'raw' 00");
        ASSERT_TRUE(platform::sendAll(player, hello.data(), hello.size()));
        ASSERT_TRUE(waitFor([&] { return iniValue(settings, "S", "PLAYERS") == "1"; }, 20000))
            << dir.read("output.txt");

        ASSERT_EQ(kill(server.id(), signal), 0);
        EXPECT_EQ(server.wait(30000), 0) << dir.read("output.txt");
        std::string received;
        char bytes[256];
        long n;
        while (platform::waitReadable(player, 5000) && (n = platform::receiveSome(player, bytes, sizeof bytes)) > 0)
            received.append(bytes, size_t(n));
        platform::closeSocket(player);
        EXPECT_NE(received.find(hex("04000000 08000000")), std::string::npos) << "no disconnect notice";
        EXPECT_EQ(iniValue(settings, "S", "Played"), "1");
        EXPECT_EQ(dir.read("output.txt"), "");
    }
}

// A title with a phone over a stand-in baresip on PATH (QUARNEL_PHONE
// unset: the program runs it in a folder of its own in TMPDIR, with the
// account of HOME) that ignores SIGTERM. MODEM is kept once the line is
// found.
class PhoneTitleWithStandIn : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* fixtures = std::getenv("QUARNEL_FIXTURES");
        ASSERT_NE(fixtures, nullptr);
        writeTitle(dir, {{"Rara/application.def", oneScene() + "S:DLLS=Phone.dll\n"},
                         {"Rara/S/S.cnv", "OBJECT=MODEM\nMODEM:TYPE=STRING\nMODEM:TOINI=TRUE\n"
                                          "OBJECT=P\nP:TYPE=PHONEEXT\nP:ONMODEMFOUND={MODEM^SET(\"found\");}\n"}});
        dir.write("bin/baresip", testsupport::readFile(std::string(fixtures) + "/baresip-stand-in"));
        chmod(dir.file("bin/baresip").c_str(), 0755);
        dir.write("lib/baresip/modules/ctrl_tcp.so", "");
        dir.write("home/.baresip/accounts", "<sip:title@127.0.0.1>\n");
        testsupport::makeDirs(dir.file("tmp"));
    }
    void TearDown() override
    {
        // A stand-in left by a program that did not end it.
        const pid_t left = standIn();
        if (left > 0 && testsupport::readFile("/proc/" + std::to_string(left) + "/cmdline").find(dir.path()) !=
                            std::string::npos)
            kill(left, SIGKILL);
    }

    // Starts the program; true once the title has found its line.
    bool startUntilTheLineIsFound()
    {
        testsupport::ChildEnvironment environment({{"HOME", dir.file("home")},
                                                   {"TMPDIR", dir.file("tmp")},
                                                   {"PATH", dir.file("bin") + ":/usr/bin:/bin"},
                                                   {"STANDIN_PIDFILE", dir.file("stand-in.pid")},
                                                   {"STANDIN_TERM", "ignore"}});
        host.reset(new HostProcess(dir.path(), "-path " + dir.path() + " -nogfx"));
        return waitFor([&] { return iniValue(dir.file("Quarnel.ini"), "S", "MODEM") == "found"; }, 20000);
    }
    pid_t standIn() const { return pid_t(std::atol(dir.read("stand-in.pid").c_str())); }
    std::string foldersInTmp() const
    {
        std::string names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.file("tmp")))
            names += entry.path().filename().string() + " ";
        return names;
    }

    testsupport::TempDir dir;
    std::unique_ptr<HostProcess> host;
};

TEST_F(PhoneTitleWithStandIn, SigintEndsTheTitleItsLineAndTheBaresipItRan)
{
    ASSERT_TRUE(startUntilTheLineIsFound()) << dir.read("output.txt");
    const pid_t baresip = standIn();
    ASSERT_GT(baresip, 0);
    EXPECT_NE(foldersInTmp().find("quarnel-phone-"), std::string::npos);

    ASSERT_EQ(kill(host->id(), SIGINT), 0);
    EXPECT_EQ(host->wait(30000), 0);
    EXPECT_EQ(iniValue(dir.file("Quarnel.ini"), "S", "Played"), "1");
    // Asked to end, it did not: it was killed, and nothing of it is left.
    EXPECT_NE(dir.read("stand-in.pid.log").find("TERM"), std::string::npos);
    EXPECT_EQ(kill(baresip, 0), -1);
    EXPECT_EQ(errno, ESRCH);
    EXPECT_EQ(foldersInTmp(), "");
    EXPECT_EQ(dir.read("output.txt"), "");
}

// The second signal comes while the program waits for the stand-in to end.
TEST_F(PhoneTitleWithStandIn, ASecondSignalEndsTheProgramAtOnce)
{
    ASSERT_TRUE(startUntilTheLineIsFound()) << dir.read("output.txt");
    ASSERT_EQ(kill(host->id(), SIGTERM), 0);
    ASSERT_TRUE(waitFor([&] { return dir.read("stand-in.pid.log").find("TERM") != std::string::npos; }, 20000));
    ASSERT_EQ(kill(host->id(), SIGINT), 0);
    const int status = host->waitStatus(30000);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
}

} // namespace
