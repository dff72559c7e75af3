// The title's settings file while the host writes it: a title that assigns a
// TOINI integer without end is killed at random moments, several times,
// while this process reads the file as a second program would. Values
// with line breaks stay on their one line. Two hosts share one file.
#include "HostTitle.h"
#include "platform/headless/Headless.h"
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include "platform/Drives.h"
#include "platform/Profile.h"

#include <gtest/gtest.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <cstdint>
#include <random>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// The settings file around the line of N, as the title finds it: a comment,
// code page 1250 bytes, a blank line and a last line without its end.
const std::string head = "; kept between runs\r\n[MAIN]\r\nTITLE=Zamek \xA3\xF3" "d\x9F\r\n\r\n[S]\r\n";
const std::string tail = "\r\n[OTHER]\r\nx=1";

// The value of N when `bytes` are the whole file around it; -1 otherwise.
long valueIn(const std::string& bytes)
{
    if (bytes.size() <= head.size() + tail.size() + 2 || bytes.compare(0, head.size(), head) != 0 ||
        bytes.compare(bytes.size() - tail.size(), tail.size(), tail) != 0)
        return -1;
    std::string line = bytes.substr(head.size(), bytes.size() - head.size() - tail.size());
    if (line.compare(0, 2, "N=") != 0 || line.size() > 12 ||
        line.find_first_not_of("0123456789", 2) != std::string::npos)
        return -1;
    return std::stol(line.substr(2));
}

TEST(SettingsFileTest, AKilledTitleLeavesItWholeWithItsLastValue)
{
    testsupport::TempDir tmp;
    tmp.write("Rara/application.def",
              "OBJECT=GAME\r\nGAME:TYPE=APPLICATION\r\nGAME:SCENES=S\r\n"
              "OBJECT=S\r\nS:TYPE=SCENE\r\nS:PATH=\\S\r\n");
    tmp.write("Rara/S/S.cnv", "OBJECT=N\r\nN:TYPE=INTEGER\r\nN:VALUE=0\r\nN:TOINI=TRUE\r\n"
                              "OBJECT=GO\r\nGO:TYPE=BEHAVIOUR\r\nGO:CODE={@LOOP({N^INC();},0,2000000000,1);}\r\n"
                              "OBJECT=S\r\nS:ONINIT=GO\r\n");
    const std::string settings = tmp.file("Quarnel.ini");
    tmp.write("Quarnel.ini", head + "N=5" + tail);

    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    long stored = 5;
    for (int run = 0; run < 6; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        // The host playing the title, killed when it goes.
        testsupport::ChildProgram host(QUARNEL_HOST_PROGRAM, {"-path", tmp.path(), "-nogfx"}, tmp.path(),
                                       tmp.file("stderr.txt"));
        ASSERT_GT(host.id(), 0);
        // Every read finds the file whole, and N never below what it held:
        // each run goes on from the value the last one left.
        long seen = stored;
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        Clock::time_point killAt = Clock::time_point::max();
        while (Clock::now() < killAt) {
            std::string bytes = testsupport::readFile(settings);
            long value = valueIn(bytes);
            ASSERT_GE(value, seen) << "read: " << bytes;
            seen = value;
            if (killAt == Clock::time_point::max() && value > stored)
                killAt = Clock::now() + std::chrono::microseconds(std::uniform_int_distribution<int>(0, 40000)(random));
            ASSERT_LT(Clock::now(), deadline) << "the title does not write: " << tmp.read("stderr.txt");
        }
        host.kill();
        stored = valueIn(testsupport::readFile(settings));
        EXPECT_GE(stored, seen);
    }
}

using SettingsFileTitle = testsupport::HostTitle;

// Names with line breaks (CR, LF, CR LF), as a peer's hello may bring them,
// read from an array file and kept by TOINI strings and the array's
// SAVEINI: the settings file gains no section and no key of their own, and
// keeps each cut at its first break.
TEST_F(SettingsFileTitle, ALineBreakInAKeptValueAddsNoSectionOrKey)
{
    auto le32 = [](size_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    std::string names = le32(3);
    std::string strings, code = "A^LOAD(\"names.arr\");";
    int i = 0;
    for (const char* br : {"\r", "\n", "\r\n"}) {
        const std::string name = std::string("evil") + br + "PN=999" + br + "[INJECT]" + br + "K=V";
        names += le32(2) + le32(name.size()) + name; // a STRING element
        const std::string n = "N" + std::to_string(i);
        strings += "OBJECT=" + n + "\n" + n + ":TYPE=STRING\n" + n + ":TOINI=TRUE\n";
        code += n + "^SET(A^GET(" + std::to_string(i++) + "));";
    }
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", "OBJECT=A\nA:TYPE=ARRAY\n" + strings + onInit(code + "A^SAVEINI();GAME^EXIT();")}});
    tmp.write("Rara/S/names.arr", names);
    EXPECT_EQ(run("-nogfx"), 0);
    const std::string file = tmp.read("Quarnel.ini");
    EXPECT_EQ(file.find("INJECT"), std::string::npos) << file;
    EXPECT_EQ(file.find("PN="), std::string::npos) << file;
    for (const char* key : {"N0", "N1", "N2", "A"})
        EXPECT_EQ(setting("S", key), "evil") << key;
}

// The settings file as the title finds it: a comment, X kept from the last
// run, a section of another scene and a last line without its end.
const std::string startingFile = "; kept between runs\r\n[S]\r\nX=5\r\n\r\n[OTHER]\r\nx=1";
// A scene S of X and NAME, both kept in the settings file, and HELD, an
// array to load.
std::string keptScene(const std::string& more)
{
    return "OBJECT=X\nX:TYPE=INTEGER\nX:VALUE=0\nX:TOINI=TRUE\n"
           "OBJECT=NAME\nNAME:TYPE=STRING\nNAME:VALUE=abc\nNAME:TOINI=TRUE\n"
           "OBJECT=HELD\nHELD:TYPE=ARRAY\n" +
           more;
}

// The file read between two frames of the host's loop, once.
struct BetweenFrames {
    std::string path, bytes;
    uint64_t at = 0;
    static void feed(platform::HeadlessPlatform&, uint64_t pass, void* data)
    {
        BetweenFrames* b = static_cast<BetweenFrames*>(data);
        if (pass == b->at)
            b->bytes = testsupport::readFile(b->path);
    }
};

// A frame of 10,000 changes, then the title's end by EXIT in a frame of
// 10,000 more: the file after each is the one a write of every change
// leaves.
TEST_F(SettingsFileTitle, AfterAFrameOfManyChangesAndAfterExitTheFileHoldsThemAll)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", keptScene("OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=100\n"
                                      "QUIT:ONTICK={@LOOP({X^ADD(1);},0,10000,1);NAME^SET(\"second\");GAME^EXIT();}\n" +
                                      onInit("@LOOP({X^ADD(1);},0,10000,1);NAME^SET(\"first\");"))}});
    tmp.write("Quarnel.ini", startingFile);
    BetweenFrames afterFirst{tmp.file("Quarnel.ini"), std::string(), 1};
    {
        testsupport::FeedInUse feed(&BetweenFrames::feed, &afterFirst);
        EXPECT_EQ(run("-nogfx -frames 1000"), 0);
    }
    EXPECT_EQ(afterFirst.bytes, "; kept between runs\r\n[S]\r\nX=10005\r\nNAME=first\r\n\r\n[OTHER]\r\nx=1");
    EXPECT_EQ(tmp.read("Quarnel.ini"), "; kept between runs\r\n[S]\r\nX=20005\r\nNAME=second\r\nTime=0\r\nPlayed=1\r\n"
                                       "\r\n[OTHER]\r\nx=1\r\n[E]\r\nTime=0\r\nPlayed=0\r\n[GAME]\r\nTime=0\r\nPlayed=0\r\n");
}

// SIGTERM comes while a frame of 10,000 changes is under way (its script
// waits between them for a pipe that the test holds): what the title's
// files see at that wait, and the file once the program has ended, are
// what a write of every change leaves.
TEST(SettingsFileTest, ASignalInAFrameOfManyChangesLeavesThemAll)
{
    testsupport::TempDir tmp;
    testsupport::writeTitle(
        tmp, {{"Rara/application.def", testsupport::oneScene()},
              {"Rara/S/S.cnv", keptScene("OBJECT=S\nS:ONINIT={@LOOP({X^ADD(1);},0,5000,1);HELD^LOAD(\"hold.arr\");"
                                         "@LOOP({X^ADD(1);},0,5000,1);NAME^SET(\"after\");}\n")}});
    tmp.write("Quarnel.ini", startingFile);
    ASSERT_EQ(mkfifo(tmp.file("Rara/S/hold.arr").c_str(), 0644), 0);
    testsupport::ChildProgram host(QUARNEL_HOST_PROGRAM, {"-path", tmp.path(), "-nogfx"}, tmp.path(),
                                   tmp.file("output.txt"));
    ASSERT_GT(host.id(), 0);
    // The pipe opens for writing once the script has opened it to read.
    int writer = -1;
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while ((writer = open(tmp.file("Rara/S/hold.arr").c_str(), O_WRONLY | O_NONBLOCK)) < 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_GE(writer, 0) << tmp.read("output.txt");
    EXPECT_EQ(tmp.read("Quarnel.ini"), "; kept between runs\r\n[S]\r\nX=5005\r\nNAME=abc\r\n\r\n[OTHER]\r\nx=1");
    ASSERT_EQ(kill(host.id(), SIGTERM), 0);
    close(writer);
    EXPECT_EQ(host.wait(30000), 0);
    EXPECT_EQ(tmp.read("Quarnel.ini"), "; kept between runs\r\n[S]\r\nX=10005\r\nNAME=after\r\nTime=0\r\nPlayed=1\r\n"
                                       "\r\n[OTHER]\r\nx=1\r\n[E]\r\nTime=0\r\nPlayed=0\r\n[GAME]\r\nTime=0\r\nPlayed=0\r\n");
    EXPECT_EQ(tmp.read("output.txt"), "");
}

// A title that shares its settings file, named by its full path, with
// another: at its start it waits at the gate "go.arr" (a pipe the test
// holds); then in each frame its own integer goes up by one and K, which
// both titles keep, takes its value, until the integer is `last` (never
// when 0). The title then ends, after the gate "end.arr" and K set to
// 9999 when `endGate`.
void shareTitle(const testsupport::TempDir& tmp, const std::string& folder, const std::string& own, int last,
                bool endGate)
{
    const std::string end = endGate ? "HELD^LOAD(\"end.arr\");K^SET(9999);GAME^EXIT();" : "GAME^EXIT();";
    testsupport::writeTitle(
        tmp, {{folder + "/Quarnel.ini", "[MAIN]\nINI=" + tmp.file("Shared.ini") + "\n"},
              {folder + "/Rara/application.def", testsupport::oneScene()},
              {folder + "/Rara/S/S.cnv",
               "OBJECT=" + own + "\n" + own + ":TYPE=INTEGER\n" + own + ":VALUE=0\n" + own + ":TOINI=TRUE\n" +
                   "OBJECT=K\nK:TYPE=INTEGER\nK:VALUE=0\nK:TOINI=TRUE\nOBJECT=HELD\nHELD:TYPE=ARRAY\n"
                   "OBJECT=STEP\nSTEP:TYPE=TIMER\nSTEP:ELAPSE=1\nSTEP:ONTICK={" +
                   own + "^INC();K^SET(" + own + ");" +
                   (last ? "@IF(\"" + own + "'" + std::to_string(last) + "\",{" + end + "},\"\");" : "") +
                   "}\nOBJECT=S\nS:ONINIT={HELD^LOAD(\"go.arr\");}\n"}});
    mkfifo(tmp.file(folder + "/Rara/S/go.arr").c_str(), 0644);
    if (endGate)
        mkfifo(tmp.file(folder + "/Rara/S/end.arr").c_str(), 0644);
}

// The writing end of a gate, once its title waits there; -1 when it does
// not come to it in time.
int openedGate(const std::string& gate)
{
    const auto deadline = Clock::now() + std::chrono::seconds(testsupport::PATIENCE_SECONDS);
    int writer;
    while ((writer = open(gate.c_str(), O_WRONLY | O_NONBLOCK)) < 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return writer;
}

// Two hosts play two titles that keep their settings in one file: each
// changes its own key and a key both keep in every frame, from a common
// start. Every change is kept: each one's last value of its own key, the
// later program's last value of the shared key, the lines neither wrote;
// nothing is said. When one program is killed mid-run, what it had written
// stays as it was, the other goes on writing (any temporary the killed one
// left is made anew) and the later program's values are there.
TEST(SettingsFileTest, TwoProgramsOnOneSettingsFileKeepEveryChange)
{
    const int frames = 2000;
    for (bool kill : {false, true}) {
        SCOPED_TRACE(kill ? "the first killed mid-run" : "both to their end");
        testsupport::TempDir tmp;
        const std::string shared = platform::toEnginePath(tmp.file("Shared.ini"));
        tmp.write("Shared.ini", "; kept by two titles\r\n[OTHER]\r\nx=1\r\n");
        shareTitle(tmp, "A", "A", kill ? 0 : frames, false);
        shareTitle(tmp, "B", "B", frames, true);
        testsupport::ChildProgram first(QUARNEL_HOST_PROGRAM, {"-path", tmp.file("A"), "-nogfx"}, tmp.file("A"),
                                        tmp.file("A/output.txt"));
        testsupport::ChildProgram second(QUARNEL_HOST_PROGRAM, {"-path", tmp.file("B"), "-nogfx"}, tmp.file("B"),
                                         tmp.file("B/output.txt"));
        ASSERT_GT(first.id(), 0);
        ASSERT_GT(second.id(), 0);
        // Both begin counting at once.
        const int goFirst = openedGate(tmp.file("A/Rara/S/go.arr"));
        const int goSecond = openedGate(tmp.file("B/Rara/S/go.arr"));
        ASSERT_GE(goFirst, 0) << tmp.read("A/output.txt");
        ASSERT_GE(goSecond, 0) << tmp.read("B/output.txt");
        close(goFirst);
        close(goSecond);

        int firstKept = frames;
        if (kill) {
            const auto deadline = Clock::now() + std::chrono::seconds(testsupport::PATIENCE_SECONDS);
            while (platform::readProfileInt(shared, "S", "A", 0) < 300) {
                ASSERT_LT(Clock::now(), deadline) << "the first does not write: " << tmp.read("A/output.txt");
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            first.kill();
            firstKept = platform::readProfileInt(shared, "S", "A", 0);
        } else {
            EXPECT_EQ(first.wait(testsupport::PATIENCE_MS), 0);
        }
        // The second sets K last, once the first has ended.
        const int endSecond = openedGate(tmp.file("B/Rara/S/end.arr"));
        ASSERT_GE(endSecond, 0) << tmp.read("B/output.txt");
        close(endSecond);
        EXPECT_EQ(second.wait(testsupport::PATIENCE_MS), 0);

        EXPECT_EQ(platform::readProfileInt(shared, "S", "A", 0), firstKept);
        EXPECT_EQ(platform::readProfileInt(shared, "S", "B", 0), frames);
        EXPECT_EQ(platform::readProfileInt(shared, "S", "K", 0), 9999);
        EXPECT_EQ(platform::readProfileString(shared, "OTHER", "x", "-"), "1");
        EXPECT_EQ(tmp.read("Shared.ini").rfind("; kept by two titles\r\n", 0), 0u);
        EXPECT_EQ(access(tmp.file("Shared.ini.tmp").c_str(), F_OK), -1);
        EXPECT_EQ(tmp.read("A/output.txt"), "");
        EXPECT_EQ(tmp.read("B/output.txt"), "");
    }
}

} // namespace
