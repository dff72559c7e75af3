// The signals that stop a program (a service manager's SIGTERM, Ctrl+C's
// SIGINT, a closed terminal's SIGHUP) end a headless title as closing its
// window would: its end runs, its peers are told, the baresip it runs is
// ended and its folder removed, and the exit code is 0. The same signal
// again at once is the same request; another signal, or the same one a
// second later, ends the program at once. An end that does not come is
// given up after a bound. Each title is played by the program itself.
#include "HostTitle.h"
#include "host/Host.h"
#include "net/NetTitle.h"
#include "platform/Signals.h"
#include "platform/Socket.h"
#include "script/Object.h"
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace nettest;
using Clock = std::chrono::steady_clock;

namespace {

// The bound of a wait for the program to start, write or end; the bounds
// that a test checks are its own.
using testsupport::PATIENCE_MS;

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Whether the process has ended, without reaping it.
bool hasEnded(pid_t pid)
{
    siginfo_t info{};
    return waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// A server title that keeps its number of players, played by the program
// (through a launcher such as nohup when one is given), and a player of the
// test's own that greets it as the engine's clients do. Its scene's
// statistics are written when the scene ends: "Played" tells that the
// title's end ran.
class GreetedServer {
public:
    ~GreetedServer() { platform::closeSocket(player); }

    void start(std::vector<std::string> launcher = {})
    {
        ASSERT_NO_FATAL_FAILURE(launch(std::move(launcher)));
        ASSERT_NO_FATAL_FAILURE(greet());
    }

    // The title, with its snapshot, into a folder.
    static void writeServerTitle(const testsupport::TempDir& folder)
    {
        writeTitle(folder, {{"Rara/application.def", oneScene()},
                            {"Rara/S/S.cnv", "OBJECT=PLAYERS\nPLAYERS:TYPE=INTEGER\nPLAYERS:VALUE=0\n"
                                             "PLAYERS:TOINI=TRUE\n"
                                             "OBJECT=NEWP\nNEWP:TYPE=BEHAVIOUR\n"
                                             "NEWP:CODE={PLAYERS^SET(NETSERVER^GETPLAYERSNO());}\n"
                                             "OBJECT=S\nS:ONINIT={NETSERVER^START();}\n"}});
        addNetworkObject(folder.path(), MC_NETSERVER, "NETSERVER", {{"ONNEWPLAYER", "NEWP"}});
    }

    // Writes the title (or copies that of a folder written so) and starts
    // the program.
    void launch(std::vector<std::string> launcher = {}, const testsupport::TempDir* titleFrom = nullptr)
    {
        if (titleFrom)
            std::filesystem::copy(titleFrom->file("Rara"), dir.file("Rara"), std::filesystem::copy_options::recursive);
        else
            ASSERT_NO_FATAL_FAILURE(writeServerTitle(dir));
        port = freePort();
        ASSERT_GT(port, 0);
        launcher.push_back(QUARNEL_HOST_PROGRAM);
        const std::vector<std::string> words = {"-path", dir.path(), "-nogfx", "-bind", "127.0.0.1",
                                                "-port", std::to_string(port)};
        launcher.insert(launcher.end(), words.begin(), words.end());
        program.reset(new testsupport::ChildProgram(launcher[0], std::vector<std::string>(launcher.begin() + 1,
                                                                                           launcher.end()),
                                                    dir.path(), dir.file("output.txt")));
    }

    // The player connects and says hello, and the title counts it.
    void greet()
    {
        player = platform::openTcpSocket();
        ASSERT_TRUE(waitFor([&] { return platform::connectSocket(player, 0x7F000001, port, 1000); }, PATIENCE_MS))
            << output();
        const std::string hello = hex("07000000 0c000000 'raw' 00");
        ASSERT_TRUE(platform::sendAll(player, hello.data(), hello.size()));
        // A port taken by another program between its choice and the
        // program's start is said at once; no player comes then.
        auto counted = [&] { return iniValue(dir.file("Quarnel.ini"), "S", "PLAYERS") == "1"; };
        waitFor([&] { return counted() || output().find("cannot listen") != std::string::npos; }, PATIENCE_MS);
        ASSERT_TRUE(counted()) << output();
    }

    // Once the program ended: the player was told and the title's end ran.
    void expectItsEndRan()
    {
        std::string received;
        char bytes[256];
        long n;
        while (platform::waitReadable(player, 5000) && (n = platform::receiveSome(player, bytes, sizeof bytes)) > 0)
            received.append(bytes, size_t(n));
        EXPECT_NE(received.find(hex("04000000 08000000")), std::string::npos) << "no disconnect notice";
        EXPECT_EQ(iniValue(dir.file("Quarnel.ini"), "S", "Played"), "1");
    }

    std::string output() const { return dir.read("output.txt"); }

    testsupport::TempDir dir;
    std::unique_ptr<testsupport::ChildProgram> program;
    int port = 0;
    platform::SocketHandle player = platform::INVALID_SOCKET_HANDLE;
};

// Each signal; and SIGTERM twice, 2 ms apart, as timeout(1) sends it (to
// the program, then to the program's group): however soon after the first
// the program hears the second, it is the same request.
TEST(HostSignalsTest, EachSignalEndsAServerTitleAndTellsItsPlayer)
{
    const std::vector<int> cases[] = {{SIGTERM}, {SIGINT}, {SIGHUP}, {SIGTERM, SIGTERM}};
    for (const std::vector<int>& signals : cases) {
        SCOPED_TRACE(::testing::PrintToString(signals));
        GreetedServer server;
        ASSERT_NO_FATAL_FAILURE(server.start());
        for (int signal : signals) {
            ASSERT_EQ(kill(server.program->id(), signal), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_EQ(server.program->wait(PATIENCE_MS), 0) << server.output();
        server.expectItsEndRan();
        EXPECT_EQ(server.output(), "");
    }
}

// The same signal twice, 0 to 50 ms apart (timeout(1), a closed terminal):
// whenever the second comes (while the title ends, while the program tears
// down or exits) it is the first's request, and every run ends through
// the title's end with the exit code 0. Twenty runs a row, a few at a
// time (rows run side by side: a machine starved for a second would stretch
// the time between the two as the program hears them), the three signals
// in turn.
class HostSignalsTwiceTest : public ::testing::TestWithParam<int> {};

TEST_P(HostSignalsTwiceTest, TheSameSignalTwiceIsOneRequest)
{
    const int signals[] = {SIGTERM, SIGINT, SIGHUP};
    const int runs = 20, atATime = 4;
    testsupport::TempDir title;
    ASSERT_NO_FATAL_FAILURE(GreetedServer::writeServerTitle(title));
    for (int first = 0; first < runs; first += atATime) {
        std::vector<std::unique_ptr<GreetedServer>> servers;
        for (int run = first; run < first + atATime; ++run) {
            servers.emplace_back(new GreetedServer);
            ASSERT_NO_FATAL_FAILURE(servers.back()->launch({}, &title));
        }
        for (auto& server : servers)
            ASSERT_NO_FATAL_FAILURE(server->greet());
        for (int run = first; run < first + atATime; ++run) {
            const pid_t id = servers[size_t(run - first)]->program->id();
            const int signal = signals[run % 3];
            ASSERT_EQ(kill(id, signal), 0);
            if (GetParam() > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(GetParam()));
            ASSERT_EQ(kill(id, signal), 0);
        }
        for (int run = first; run < first + atATime; ++run) {
            SCOPED_TRACE("run " + std::to_string(run) + ", " + strsignal(signals[run % 3]));
            GreetedServer& server = *servers[size_t(run - first)];
            EXPECT_EQ(server.program->waitStatus(PATIENCE_MS), 0) << server.output();
            server.expectItsEndRan();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ApartMs, HostSignalsTwiceTest, ::testing::Values(0, 2, 10, 50));

// Under nohup the terminal's SIGHUP is not the program's to hear: the title
// plays on, and SIGTERM still ends it.
TEST(HostSignalsTest, ASignalIgnoredAtTheStartStaysIgnored)
{
    GreetedServer server;
    ASSERT_NO_FATAL_FAILURE(server.start({"/usr/bin/nohup"}));
    ASSERT_EQ(kill(server.program->id(), SIGHUP), 0);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_FALSE(hasEnded(server.program->id())) << server.output();
    ASSERT_EQ(kill(server.program->id(), SIGTERM), 0);
    EXPECT_EQ(server.program->wait(PATIENCE_MS), 0) << server.output();
    server.expectItsEndRan();
}

// A script that never gives its frame back keeps the title's end from
// coming: the program gives it up the bound after the signal, says so in
// one line and ends with its own exit code, and the settings file holds
// every change the script made, also those after the last file it wrote.
TEST(HostSignalsTest, ATitleStuckInAScriptIsGivenUpAfterTheBound)
{
    testsupport::TempDir dir;
    writeTitle(dir, {{"Rara/application.def", oneScene()},
                     {"Rara/S/S.cnv", "OBJECT=N\nN:TYPE=INTEGER\nN:VALUE=0\n"
                                      "OBJECT=STARTED\nSTARTED:TYPE=INTEGER\nSTARTED:VALUE=0\nSTARTED:TOINI=TRUE\n"
                                      "OBJECT=LATE\nLATE:TYPE=INTEGER\nLATE:VALUE=0\nLATE:TOINI=TRUE\n"
                                      "OBJECT=A\nA:TYPE=ARRAY\n"
                                      "OBJECT=S\nS:ONINIT={STARTED^SET(1);A^SAVE(\"started.arr\");LATE^SET(1);"
                                      "@WHILE(0,<,1,{N^INC();});}\n"}});
    HostProcess program(dir.path(), "-path " + dir.path() + " -nogfx");
    ASSERT_TRUE(waitFor([&] { return iniValue(dir.file("Quarnel.ini"), "S", "STARTED") == "1"; }, PATIENCE_MS))
        << dir.read("output.txt");

    const Clock::time_point asked = Clock::now();
    ASSERT_EQ(kill(program.id(), SIGTERM), 0);
    EXPECT_EQ(program.wait(PATIENCE_MS), int(quarnel::EXIT_END_OVERDUE));
    const long long took = msSince(asked);
    EXPECT_GE(took, platform::EndSignals::GRACE_MS);
    EXPECT_LT(took, platform::EndSignals::GRACE_MS + 2000);
    EXPECT_EQ(dir.read("output.txt"),
              "Quarnel: the title had not ended 5 s after SIGTERM; the program ends without it\n");
    EXPECT_EQ(dir.read("Quarnel.ini"), "[S]\r\nSTARTED=1\r\nLATE=1\r\n");
}

// Whether a connection to the port on the loopback is being made (its
// SYN sent and not answered).
bool connectionWaits(int port)
{
    std::istringstream table(testsupport::readFile("/proc/net/tcp"));
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        const size_t colon = remote.find(':');
        if (state == "02" && colon != std::string::npos && std::stoi(remote.substr(colon + 1), nullptr, 16) == port)
            return true;
    }
    return false;
}

// A name server on the loopback that takes queries and never answers: a
// lookup that asks it waits for as long as the resolver waits (10 s). The
// program asks it (QUARNEL_TEST_NAMESERVER) while the object lives.
class SilentNameServer {
public:
    SilentNameServer()
        : server(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)),
          environment({{"QUARNEL_TEST_NAMESERVER", "127.0.0.1:" + std::to_string(bound())}})
    {
    }
    ~SilentNameServer() { close(server); }

    // Whether a query has come.
    bool asked() const
    {
        pollfd query = {server, POLLIN, 0};
        return poll(&query, 1, 0) > 0;
    }

private:
    int bound() const
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        if (bind(server, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            getsockname(server, reinterpret_cast<sockaddr*>(&a), &size) != 0)
            return 0;
        return ntohs(a.sin_port);
    }

    int server;
    testsupport::ChildEnvironment environment;
};

// A CONNECT waits for the address of a host name, then for the server: a
// server whose queue of connections is full does not answer (5 s at most),
// nor does a name server that never answers (10 s). A signal ends either
// wait at once, CONNECT answering FALSE, and then the program, through the
// title's end, before the wait would have ended by itself.
TEST(HostSignalsTest, ASignalEndsTheWaitsOfAConnect)
{
    platform::SocketHandle listener = platform::openTcpSocket();
    ASSERT_TRUE(platform::bindSocket(listener, 0x7F000001, 0) && platform::listenSocket(listener, 0));
    const int port = platform::localPort(listener);
    std::vector<platform::SocketHandle> queued;
    for (bool full = false; !full && queued.size() < 8;) {
        platform::SocketHandle s = platform::openTcpSocket();
        full = !platform::connectSocket(s, 0x7F000001, port, 200);
        if (full)
            platform::closeSocket(s);
        else
            queued.push_back(s);
    }
    SilentNameServer names;
    const struct {
        const char* wait;
        const char* host;
        std::function<bool()> waits;
    } rows[] = {{"the connection", "127.0.0.1", [&] { return connectionWaits(port); }},
                {"the lookup", "nonexistent.invalid", [&] { return names.asked(); }}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.wait);
        testsupport::TempDir dir;
        writeTitle(dir, {{"Rara/application.def", oneScene()},
                         {"Rara/S/S.cnv", std::string("OBJECT=CONNECTED\nCONNECTED:TYPE=BOOL\nCONNECTED:VALUE=TRUE\n"
                                                      "CONNECTED:TOINI=TRUE\n"
                                                      "OBJECT=S\nS:ONINIT={NETCLIENT^CONNECT(\"") +
                                              row.host + "\");CONNECTED^SET(NETCLIENT^ISCONNECTED());}\n"}});
        addNetworkObject(dir.path(), MC_NETCLIENT, "NETCLIENT", {});
        HostProcess program(dir.path(), "-path " + dir.path() + " -nogfx -port " + std::to_string(port));
        ASSERT_TRUE(waitFor(row.waits, PATIENCE_MS)) << dir.read("output.txt");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));

        const Clock::time_point asked = Clock::now();
        ASSERT_EQ(kill(program.id(), SIGTERM), 0);
        // The title's end has run within 3 s, where the wait had 4.5 s or
        // more left (less only the time the test took to see it begin): a
        // second or two on a loaded machine under the sanitizers, against
        // the rest of the wait when the signal does not end it.
        EXPECT_TRUE(waitFor([&] { return iniValue(dir.file("Quarnel.ini"), "S", "Played") == "1"; }, 5000));
        EXPECT_LT(msSince(asked), 3000);
        EXPECT_EQ(program.wait(PATIENCE_MS), 0) << dir.read("output.txt");
        EXPECT_EQ(iniValue(dir.file("Quarnel.ini"), "S", "CONNECTED"), "FALSE");
    }
    for (platform::SocketHandle s : queued)
        platform::closeSocket(s);
    platform::closeSocket(listener);
}

// The threads of a running process.
int threadsOf(pid_t pid)
{
    int count = 0;
    std::error_code failed;
    for (std::filesystem::directory_iterator it("/proc/" + std::to_string(pid) + "/task", failed), end;
         !failed && it != end; it.increment(failed))
        ++count;
    return count;
}

// Once a signal asked the program to end no lookup starts: a title stuck
// in a loop of CONNECTs to a name leaves no thread behind for them (each
// would wait for a name server that never answers), and is given up after
// the bound as any stuck title is. (Saving the array after the loop writes
// the settings that wait, N among them.)
TEST(HostSignalsTest, NoLookupStartsAfterTheEndRequest)
{
    SilentNameServer names;
    testsupport::TempDir dir;
    writeTitle(dir, {{"Rara/application.def", oneScene()},
                     {"Rara/S/S.cnv", "OBJECT=N\nN:TYPE=INTEGER\nN:VALUE=0\nN:TOINI=TRUE\n"
                                      "OBJECT=M\nM:TYPE=INTEGER\nM:VALUE=0\n"
                                      "OBJECT=A\nA:TYPE=ARRAY\n"
                                      "OBJECT=S\nS:ONINIT={@WHILE(N,<,300,{NETCLIENT^CONNECT(\"nonexistent.invalid\");"
                                      "N^INC();});A^SAVE(\"done.arr\");@WHILE(0,<,1,{M^INC();});}\n"}});
    addNetworkObject(dir.path(), MC_NETCLIENT, "NETCLIENT", {});
    HostProcess program(dir.path(), "-path " + dir.path() + " -nogfx");
    ASSERT_TRUE(waitFor([&] { return names.asked(); }, PATIENCE_MS)) << dir.read("output.txt");
    const int threadsBefore = threadsOf(program.id());

    ASSERT_EQ(kill(program.id(), SIGTERM), 0);
    ASSERT_TRUE(waitFor([&] { return iniValue(dir.file("Quarnel.ini"), "S", "N") == "300"; }, 4000))
        << dir.read("output.txt");
    EXPECT_LE(threadsOf(program.id()), threadsBefore);
    EXPECT_EQ(program.wait(PATIENCE_MS), int(quarnel::EXIT_END_OVERDUE)) << dir.read("output.txt");
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

    void start(std::vector<std::pair<std::string, std::string>> more = {})
    {
        more.insert(more.end(), {{"HOME", dir.file("home")},
                                 {"TMPDIR", dir.file("tmp")},
                                 {"PATH", dir.file("bin") + ":/usr/bin:/bin"},
                                 {"STANDIN_PIDFILE", dir.file("stand-in.pid")},
                                 {"STANDIN_TERM", "ignore"}});
        testsupport::ChildEnvironment environment(more);
        host.reset(new HostProcess(dir.path(), "-path " + dir.path() + " -nogfx"));
    }
    // Starts the program; true once the title has found its line.
    bool startUntilTheLineIsFound()
    {
        start();
        return waitFor([&] { return iniValue(dir.file("Quarnel.ini"), "S", "MODEM") == "found"; }, PATIENCE_MS);
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
    EXPECT_EQ(host->wait(PATIENCE_MS), 0);
    EXPECT_EQ(iniValue(dir.file("Quarnel.ini"), "S", "Played"), "1");
    // Asked to end, it did not: it was killed, and nothing of it is left.
    EXPECT_NE(dir.read("stand-in.pid.log").find("TERM"), std::string::npos);
    EXPECT_EQ(kill(baresip, 0), -1);
    EXPECT_EQ(errno, ESRCH);
    EXPECT_EQ(foldersInTmp(), "");
    EXPECT_EQ(dir.read("output.txt"), "");
}

// The bound counts the time up to the title's end only: the teardown after
// it has bounds of its own. The title's end comes 3.2 s after the signal
// (a script waits meanwhile for a file, a pipe that the test holds), and
// the stand-in it ran then takes its 2 s to end: the program still ends
// with 0, and says nothing of an end that had not come.
TEST_F(PhoneTitleWithStandIn, TheTeardownAfterTheEndIsNotCountedAgainstTheBound)
{
    dir.write("Rara/S/S.cnv", "OBJECT=STARTED\nSTARTED:TYPE=BOOL\nSTARTED:VALUE=FALSE\nSTARTED:TOINI=TRUE\n"
                              "OBJECT=P\nP:TYPE=PHONEEXT\nOBJECT=HELD\nHELD:TYPE=ARRAY\n"
                              "OBJECT=S\nS:ONINIT={STARTED^SET(TRUE);HELD^LOAD(\"hold.arr\");}\n");
    ASSERT_EQ(mkfifo(dir.file("Rara/S/hold.arr").c_str(), 0644), 0);
    start();
    ASSERT_TRUE(waitFor([&] { return iniValue(dir.file("Quarnel.ini"), "S", "STARTED") == "TRUE" && standIn() > 0; },
                        PATIENCE_MS))
        << dir.read("output.txt");

    const Clock::time_point asked = Clock::now();
    ASSERT_EQ(kill(host->id(), SIGTERM), 0);
    std::this_thread::sleep_until(asked + std::chrono::milliseconds(3200));
    // The script goes on once a writer of the pipe has come and gone.
    const int writer = open(dir.file("Rara/S/hold.arr").c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    close(writer);
    EXPECT_EQ(host->wait(PATIENCE_MS), 0);
    EXPECT_GE(msSince(asked), platform::EndSignals::GRACE_MS);
    EXPECT_EQ(iniValue(dir.file("Quarnel.ini"), "S", "Played"), "1");
    EXPECT_NE(dir.read("stand-in.pid.log").find("TERM"), std::string::npos);
    EXPECT_EQ(dir.read("output.txt"), "");
}

// A teardown on another thread is not the title's end: the phone's own
// thread gives up a stand-in whose control module never answers (5 s after
// it started) and waits its 2 s for it to end, while a script that never
// gives its frame back holds the title. The signal came 3.5 s after the
// stand-in started: the title is still given up 5 s after it.
TEST_F(PhoneTitleWithStandIn, ATeardownOnAnotherThreadCountsAgainstTheBound)
{
    dir.write("Rara/S/S.cnv", "OBJECT=N\nN:TYPE=INTEGER\nN:VALUE=0\nOBJECT=P\nP:TYPE=PHONEEXT\n"
                              "OBJECT=S\nS:ONINIT={@WHILE(0,<,1,{N^INC();});}\n");
    start({{"STANDIN_CONTROL", "none"}});
    ASSERT_TRUE(waitFor([&] { return standIn() > 0; }, PATIENCE_MS)) << dir.read("output.txt");
    const Clock::time_point started = Clock::now();
    std::this_thread::sleep_until(started + std::chrono::milliseconds(3500));

    const Clock::time_point asked = Clock::now();
    ASSERT_EQ(kill(host->id(), SIGTERM), 0);
    EXPECT_EQ(host->wait(PATIENCE_MS), int(quarnel::EXIT_END_OVERDUE)) << dir.read("output.txt");
    const long long took = msSince(asked);
    // The stand-in was given up, and asked to end, within the bound.
    EXPECT_NE(dir.read("stand-in.pid.log").find("TERM"), std::string::npos);
    EXPECT_GE(took, platform::EndSignals::GRACE_MS);
    EXPECT_LT(took, platform::EndSignals::GRACE_MS + 1000);
}

// The second signal comes while the program waits for the stand-in to end.
TEST_F(PhoneTitleWithStandIn, ASecondSignalEndsTheProgramAtOnce)
{
    ASSERT_TRUE(startUntilTheLineIsFound()) << dir.read("output.txt");
    ASSERT_EQ(kill(host->id(), SIGTERM), 0);
    ASSERT_TRUE(waitFor([&] { return dir.read("stand-in.pid.log").find("TERM") != std::string::npos; }, PATIENCE_MS));
    ASSERT_EQ(kill(host->id(), SIGINT), 0);
    const int status = host->waitStatus(PATIENCE_MS);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
}

// The same signal a second after the first, while the program still waits
// for the stand-in, is a new request: it ends the program at once.
TEST_F(PhoneTitleWithStandIn, TheSameSignalASecondLaterEndsTheProgramAtOnce)
{
    ASSERT_TRUE(startUntilTheLineIsFound()) << dir.read("output.txt");
    const Clock::time_point first = Clock::now();
    ASSERT_EQ(kill(host->id(), SIGTERM), 0);
    ASSERT_TRUE(waitFor([&] { return dir.read("stand-in.pid.log").find("TERM") != std::string::npos; }, PATIENCE_MS));
    std::this_thread::sleep_until(first + std::chrono::milliseconds(platform::EndSignals::REPEAT_MS + 200));
    ASSERT_EQ(kill(host->id(), SIGTERM), 0);
    const int status = host->waitStatus(PATIENCE_MS);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
}

// The program ends with its run: from then on, while it exits, the three
// signals are ignored (a repeat must not change the exit code). Read from
// the ended program before it is reaped.
TEST(HostSignalsTest, TheProgramIgnoresTheSignalsOnceItsRunIsOver)
{
    testsupport::TempDir dir;
    writeTitle(dir, {{"Rara/application.def", oneScene()}, {"Rara/S/S.cnv", "OBJECT=S\nS:ONINIT={GAME^EXIT();}\n"}});
    HostProcess program(dir.path(), "-path " + dir.path() + " -nogfx");
    ASSERT_TRUE(waitFor([&] { return hasEnded(program.id()); }, PATIENCE_MS))
        << dir.read("output.txt");
    std::istringstream status(testsupport::readFile("/proc/" + std::to_string(program.id()) + "/status"));
    unsigned long long ignored = 0;
    for (std::string line; std::getline(status, line);)
        if (line.compare(0, 7, "SigIgn:") == 0)
            ignored = std::stoull(line.substr(7), nullptr, 16);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        EXPECT_TRUE(ignored & (1ULL << (signal - 1))) << strsignal(signal);
    EXPECT_EQ(program.wait(PATIENCE_MS), 0) << dir.read("output.txt");
}

// A program that plays a title and goes on, as these tests do, has its own
// handlers of the three signals back once the run is over.
class HostSignalsInProcessTest : public testsupport::HostTitle {};

volatile sig_atomic_t heard = 0;

TEST_F(HostSignalsInProcessTest, TheProgramsOwnHandlersAreBackAfterARun)
{
    const int signals[] = {SIGTERM, SIGINT, SIGHUP};
    struct sigaction mine = {}, before[3];
    mine.sa_handler = [](int number) { heard = number; };
    sigemptyset(&mine.sa_mask);
    for (int i = 0; i < 3; ++i)
        sigaction(signals[i], &mine, &before[i]);
    title({{"Rara/application.def", oneScene()}, {"Rara/S/S.cnv", "OBJECT=S\nS:ONINIT={GAME^EXIT();}\n"}});
    std::string message;
    EXPECT_EQ(run(("-path " + tmp.path() + " -nogfx").c_str(), &message), 0) << message;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(strsignal(signals[i]));
        struct sigaction now = {};
        sigaction(signals[i], nullptr, &now);
        // Raised only to the handler of the test's own: another might end
        // the test program.
        EXPECT_EQ(now.sa_handler, mine.sa_handler);
        if (now.sa_handler == mine.sa_handler) {
            heard = 0;
            raise(signals[i]);
            EXPECT_EQ(heard, signals[i]);
        }
        sigaction(signals[i], &before[i], nullptr);
    }
}

// A program a test starts has every signal at its default and none
// blocked, however the tests were started (nohup, a shell's trap), so that
// the tests of signals see the same whatever started them.
TEST(ChildProgramTest, ChildrenStartWithDefaultSignals)
{
    struct sigaction ignore = {}, before;
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGHUP, &ignore, &before);
    sigset_t blocked, kept;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &blocked, &kept);

    testsupport::TempDir dir;
    const std::string command = "grep -E '^Sig(Blk|Ign)' /proc/self/status";
    {
        testsupport::ChildProgram child("/bin/sh", {"-c", command}, dir.path(), dir.file("output.txt"));
        EXPECT_EQ(child.wait(), 0);
    }
    std::string throughShell;
    EXPECT_EQ(testsupport::shell(command, &throughShell), 0);
    pthread_sigmask(SIG_SETMASK, &kept, nullptr);
    sigaction(SIGHUP, &before, nullptr);

    const std::string none = "SigBlk:\t0000000000000000\nSigIgn:\t0000000000000000\n";
    EXPECT_EQ(dir.read("output.txt"), none);
    EXPECT_EQ(throughShell, none);
}

} // namespace
