// The title's settings file while the host writes it: a title that assigns a
// TOINI integer without end is killed at random moments, several times,
// while this process reads the file as a second program would. Values
// with line breaks stay on their one line.
#include "HostTitle.h"
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <chrono>
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

} // namespace
