// Headless host programs whose titles talk over loopback follow the real
// clock: a server title, a client title connected to it and a client title
// whose server is not up, each counting its frames and the seconds of a
// one-second TIMER, are watched for three real seconds; a title that
// stopped talking stays on the real clock.
#include "NetTitle.h"
#include "script/Object.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace nettest;

namespace {

// A scene whose GO runs start at its init, with <p>STARTED set to started:
// <p>FRAMES gets the number of frames played at each tick of the
// one-second TIMER, and <p>SECONDS the number of ticks, each of which runs
// everySecond too. Variables kept in the settings file are sent to the
// peer too, so each title's have names of their own (the prefix p).
std::string timedScene(const std::string& p, const std::string& start, const std::string& started,
                       const std::string& everySecond = std::string())
{
    return "OBJECT=" + p + "STARTED\n" + p + "STARTED:TYPE=BOOL\n" + p + "STARTED:VALUE=FALSE\n" + p +
           "STARTED:TOINI=TRUE\n"
           "OBJECT=" + p + "SECONDS\n" + p + "SECONDS:TYPE=INTEGER\n" + p + "SECONDS:VALUE=0\n" + p +
           "SECONDS:TOINI=TRUE\n"
           "OBJECT=" + p + "FRAMES\n" + p + "FRAMES:TYPE=INTEGER\n" + p + "FRAMES:VALUE=0\n" + p +
           "FRAMES:TOINI=TRUE\n"
           "OBJECT=COUNT\nCOUNT:TYPE=INTEGER\nCOUNT:VALUE=0\n"
           "OBJECT=FRAME\nFRAME:TYPE=TIMER\nFRAME:ELAPSE=1\nFRAME:ONTICK={COUNT^INC();}\n"
           "OBJECT=SECOND\nSECOND:TYPE=TIMER\nSECOND:ELAPSE=1000\nSECOND:ONTICK={" + everySecond + p +
           "SECONDS^INC();" + p + "FRAMES^SET(COUNT);}\n"
           "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={" + start + p + "STARTED^SET(" + started +
           ");}\nOBJECT=S\nS:ONINIT=GO\n";
}

// A title whose scene S is timedScene(prefix, start, started, everySecond),
// with a network object of the type (MC_NETSERVER or MC_NETCLIENT).
struct TimedTitle {
    const char* what;
    std::string prefix;
    int type;
    std::string start, started, everySecond;
};

void writeTimedTitle(const testsupport::TempDir& dir, const TimedTitle& t)
{
    writeTitle(dir, {{"Rara/application.def", oneScene()},
                     {"Rara/S/S.cnv", timedScene(t.prefix, t.start, t.started, t.everySecond)}});
    addNetworkObject(dir.path(), t.type, t.type == MC_NETSERVER ? "NETSERVER" : "NETCLIENT", {});
}

// Processor seconds (user and system, every thread) a process has used.
double processorSeconds(pid_t pid)
{
    const std::string stat = testsupport::readFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t nameEnd = stat.rfind(')'); // the name may hold blanks
    if (nameEnd == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string field;
    unsigned long long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14) // utime, stime
            ticks += std::stoull(field);
    return double(ticks) / double(sysconf(_SC_CLK_TCK));
}

// What the title kept in its settings file under its prefix; read again
// while the file is being replaced.
std::string kept(const testsupport::TempDir& dir, const std::string& p, const std::string& name)
{
    std::string value;
    waitFor([&] { return !(value = iniValue(dir.file("Quarnel.ini"), "S", p + name)).empty(); }, 5000);
    return value;
}

int keptNumber(const testsupport::TempDir& dir, const std::string& p, const std::string& name)
{
    const std::string value = kept(dir, p, name);
    return value.empty() ? -1 : std::stoi(value);
}

TEST(RealTimeTitleTest, AServerAndItsClientKeepRealTimeWithoutSpinning)
{
    // A server, its client, and tries that fail: a client that tries
    // CONNECT each second, to a port where nothing listens (each try is
    // refused at once), and a server whose START finds its port taken by
    // the first.
    const TimedTitle titles[] = {
        {"server", "SRV", MC_NETSERVER, "NETSERVER^START();", "NETSERVER^ISSTARTED()", ""},
        {"client", "CLI", MC_NETCLIENT, "NETCLIENT^CONNECT(\"127.0.0.1\");", "NETCLIENT^ISCONNECTED()", ""},
        {"client without a server, trying each second", "TRY", MC_NETCLIENT, "", "TRUE",
         "NETCLIENT^CONNECT(\"127.0.0.1\");"},
        {"server whose port is taken", "BUSY", MC_NETSERVER, "NETSERVER^START();", "NETSERVER^ISSTARTED()", ""},
    };
    testsupport::TempDir a, b, c, d;
    const testsupport::TempDir* dirs[] = {&a, &b, &c, &d};
    for (int i = 0; i < 4; ++i)
        writeTimedTitle(*dirs[i], titles[i]);
    const int port = freePort(), nobody = freePort();
    ASSERT_GT(port, 0);
    ASSERT_GT(nobody, 0);
    ASSERT_NE(nobody, port);
    // No frame bound: a run on the virtual clock would play hours of the
    // title's time in these seconds.
    const std::string net = " -nogfx -bind 127.0.0.1 -port " + std::to_string(port);
    auto firstSecond = [](const testsupport::TempDir& dir, const std::string& p) {
        return waitFor([&] { return std::atoi(iniValue(dir.file("Quarnel.ini"), "S", p + "SECONDS").c_str()) >= 1; },
                       testsupport::PATIENCE_MS);
    };

    HostProcess server(a.path(), "-path " + a.path() + net);
    ASSERT_TRUE(waitFor([&] { return iniValue(a.file("Quarnel.ini"), "S", "SRVSTARTED") == "TRUE"; }, testsupport::PATIENCE_MS))
        << a.read("output.txt");
    HostProcess client(b.path(), "-path " + b.path() + net);
    HostProcess lone(c.path(), "-path " + c.path() + " -nogfx -port " + std::to_string(nobody));
    HostProcess busy(d.path(), "-path " + d.path() + net);
    ASSERT_TRUE(waitFor([&] { return iniValue(b.file("Quarnel.ini"), "S", "CLISTARTED") == "TRUE"; }, testsupport::PATIENCE_MS))
        << b.read("output.txt");
    ASSERT_TRUE(firstSecond(c, "TRY")) << c.read("output.txt"); // its first try has been made
    ASSERT_TRUE(firstSecond(d, "BUSY")) << d.read("output.txt");
    EXPECT_EQ(iniValue(d.file("Quarnel.ini"), "S", "BUSYSTARTED"), "FALSE");

    struct Watched {
        const char* what;
        const testsupport::TempDir& dir;
        std::string prefix;
        pid_t pid;
        double processor;
        int seconds;
    };
    const pid_t pids[] = {server.id(), client.id(), lone.id(), busy.id()};
    std::vector<Watched> watched;
    for (int i = 0; i < 4; ++i)
        watched.push_back(Watched{titles[i].what, *dirs[i], titles[i].prefix, pids[i], processorSeconds(pids[i]),
                                  keptNumber(*dirs[i], titles[i].prefix, "SECONDS")});
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(3)); // the span measured, not a wait for a condition
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (const Watched& w : watched) {
        SCOPED_TRACE(w.what);
        const double used = processorSeconds(w.pid) - w.processor;
        const int seconds = keptNumber(w.dir, w.prefix, "SECONDS"), frames = keptNumber(w.dir, w.prefix, "FRAMES");
        EXPECT_GE(seconds - w.seconds, 2);
        EXPECT_LE(seconds - w.seconds, 4);
        EXPECT_LT(used / wall, 0.10) << used << " s of processor time in " << wall << " s";
        // About 62 frames a second of the title's time (16 ms apart).
        EXPECT_GE(frames, 20 * seconds);
        EXPECT_LE(frames, 100 * seconds);
        std::printf("%s: %d ticks of the one-second timer and %.1f%% of a core in %.2f s; %d frames in %d s\n",
                    w.what, seconds - w.seconds, 100 * used / wall, wall, frames, seconds);
    }
}

// A server started and stopped in the first frame: the run stays on the
// real clock, so 40 frames take 39 steps of 16 ms.
TEST(RealTimeTitleTest, ATitleThatStoppedTalkingStaysOnTheRealClock)
{
    testsupport::TempDir a;
    writeTimedTitle(a, {"server", "SRV", MC_NETSERVER, "NETSERVER^START();NETSERVER^STOP();", "TRUE", ""});
    const auto start = std::chrono::steady_clock::now();
    HostProcess server(a.path(), "-path " + a.path() + " -nogfx -frames 40 -bind 127.0.0.1 -port 0");
    EXPECT_EQ(server.wait(), 2) << a.read("output.txt");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 39 * 16);
    EXPECT_EQ(kept(a, "SRV", "STARTED"), "TRUE");
}

} // namespace
