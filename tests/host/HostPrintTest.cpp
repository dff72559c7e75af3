// A title that prints its screen (GAME^PRINT), played in a window so that
// the engine prints through CUPS - to a server of the test's own whose
// queue is set to A4. The page printed holds the whole picture on A4; a
// server that answers nothing holds neither the frames nor the end of the
// program, and the page is left in the title's folder. A print setting the
// program cannot use and a server it cannot reach are named once.
#ifdef QUARNEL_TEST_X11
#include "base/Config.h"
#include "objects/ImageFiles.h"
#include "platform/Drives.h"
#include "support/CupsServer.h"
#include "support/PdfPages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
// After GoogleTest, whose names Xlib's macros would change.
#include "HostInWindow.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The title's screen: a yellow picture with stripes of 20 pixels on its
// edges, red at the top, blue at the bottom, green on the left and black on
// the right (the top and bottom ones over the others in the corners).
uint32_t stripedRgb(int x, int y)
{
    if (y < 20)
        return 0xFF0000;
    if (y >= 580)
        return 0x0000FF;
    if (x < 20)
        return 0x00FF00;
    if (x >= 780)
        return 0x000000;
    return 0xFFFF00;
}
uint16_t stripedWord(int x, int y)
{
    const uint32_t rgb = stripedRgb(x, y);
    return uint16_t((rgb >> 19 & 0x1F) << 11 | (rgb >> 10 & 0x3F) << 5 | (rgb >> 3 & 0x1F));
}

bool near(uint32_t a, uint32_t b)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 24)
            return false;
    return true;
}

// The points of an A4 page (rendered at 72 dpi, 595 x 842) that differ
// from the striped screen printed as large as the landscape page's
// margins of 18 points allow and centred, turned onto the portrait paper
// one way or the other (`clockwise`). Points within 3 screen pixels of a
// stripe's edge, and within 2 points of the picture's, are not compared.
int pageDifferences(const testsupport::PdfPage& page, bool clockwise)
{
    if (page.width != 595 || page.height != 842)
        return -1;
    // The landscape page is 842 x 595 points, its picture 559 points high.
    const double scale = (595.0 - 36) / 600, left = (842 - 800 * scale) / 2, top = 18;
    int differ = 0;
    for (int py = 0; py < page.height; ++py)
        for (int px = 0; px < page.width; ++px) {
            // The point's place on the landscape page, then on the screen.
            const double lx = clockwise ? py + 0.5 : 842 - (py + 0.5), ly = clockwise ? 595 - (px + 0.5) : px + 0.5;
            const double sx = (lx - left) / scale, sy = (ly - top) / scale;
            const double margin = 2 / scale;
            if (sx < -margin || sy < -margin || sx >= 800 + margin || sy >= 600 + margin) {
                differ += page.at(px, py) != 0xFFFFFF;
                continue;
            }
            if (sx < margin || sy < margin || sx >= 800 - margin || sy >= 600 - margin)
                continue;
            const int x = int(sx), y = int(sy);
            const uint32_t expected = stripedRgb(x, y);
            bool even = true;
            for (int d = -3; d <= 3; d += 6)
                even = even && stripedRgb(std::min(799, std::max(0, x + d)), y) == expected &&
                       stripedRgb(x, std::min(599, std::max(0, y + d))) == expected;
            if (even)
                differ += !near(page.at(px, py), expected);
        }
    return differ;
}

class HostPrintTest : public testsupport::HostInWindow {
protected:
    void SetUp() override
    {
        HostInWindow::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // The program asks this server.
        server = testsupport::CupsServer::startForTest(tmp.path());
    }
    void TearDown() override
    {
        HostInWindow::TearDown();
        unsetenv("CUPS_SERVER");
        unsetenv("QUARNEL_PRINT_TIMEOUT_MS");
    }

    // The title, in the folder below the test's named by `below` ("" or
    // ending in '/'): the striped screen; N counts its frames and P its
    // prints, one at each of the times given (milliseconds after the scene
    // began).
    void writeTitle(const std::vector<int>& printTimes, const std::string& below = std::string())
    {
        std::string scene = "OBJECT=SCREEN\nSCREEN:TYPE=IMAGE\nSCREEN:FILENAME=stripes.img\nSCREEN:TOCANVAS=TRUE\n"
                            "SCREEN:VISIBLE=TRUE\n"
                            "OBJECT=FRAMES\nFRAMES:TYPE=TIMER\nFRAMES:ELAPSE=1\nFRAMES:ONTICK={N^ADD(1);}\n";
        for (const char* counter : {"N", "P"})
            scene += std::string("OBJECT=") + counter + "\n" + counter + ":TYPE=INTEGER\n" + counter + ":VALUE=0\n" +
                     counter + ":TOINI=TRUE\n";
        for (size_t i = 0; i < printTimes.size(); ++i) {
            const std::string name = "PRINT" + std::to_string(i);
            scene += "OBJECT=" + name + "\n" + name + ":TYPE=TIMER\n" + name +
                     ":ELAPSE=" + std::to_string(printTimes[i]) + "\n" + name + ":TICKS=1\n" + name +
                     ":ONTICK={GAME^PRINT();P^ADD(1);}\n";
        }
        tmp.write(below + "Quarnel.ini", "[MAIN]\r\nTITLE=Quarnel print test\r\n");
        testsupport::writeTitle(tmp, {{below + "Rara/application.def", testsupport::oneScene()},
                                      {below + "Rara/S/S.cnv", scene}});
        ASSERT_TRUE(imagetest::writeImage(tmp.file(below + "Rara/S/stripes.img"), 800, 600, stripedWord));
    }
    // A counter of the title as its settings file holds it; -1 before it
    // is written.
    int counter(const char* name, const std::string& below = std::string())
    {
        CConfig settings(CXString(platform::toEnginePath(tmp.file(below + "Quarnel.ini")).c_str()));
        const CXString value = settings.GetString("S", name);
        return value.IsString() ? std::atoi(value.c_str()) : -1;
    }
    // Waits for the condition, PATIENCE_SECONDS at most.
    template <class Condition>
    bool within(Condition holds)
    {
        for (auto until = Clock::now() + std::chrono::seconds(testsupport::PATIENCE_SECONDS); !holds();) {
            if (Clock::now() >= until)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }
    std::string errors() { return testsupport::readFile(tmp.file("err.txt")); }

    std::unique_ptr<testsupport::CupsServer> server;
};

TEST_F(HostPrintTest, TheWholeScreenIsPrintedOnTheQueuesA4Paper)
{
    writeTitle({300});
    start(tmp.path(), {"-window"});
    ASSERT_TRUE(within([this] { return counter("P") == 1; })) << errors();
    ASSERT_TRUE(server->waitForJobs(1, 60)) << server->log();
    const std::vector<testsupport::CupsServer::Job> jobs = server->jobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].state, 9) << server->log();
    EXPECT_EQ(jobs[0].name, "DocPrint");
    EXPECT_EQ(jobs[0].media, "iso_a4_210x297mm");

    testsupport::PdfPage page;
    ASSERT_TRUE(testsupport::renderPdfPage(server->printed(), 1, 72, &page));
    const int differ = std::min(pageDifferences(page, false), pageDifferences(page, true));
    EXPECT_EQ(differ, 0) << "page " << page.width << " x " << page.height << ", inked " << page.inked().left << ","
                         << page.inked().top << " to " << page.inked().right << "," << page.inked().bottom;

    x.clickClose(x.findWindow("Quarnel print test"));
    EXPECT_EQ(waitForExit(), 0) << errors();
    EXPECT_FALSE(std::filesystem::exists(tmp.file("DocPrint.pdf")));
    EXPECT_EQ(errors().find("no printer took"), std::string::npos) << errors();
}

TEST_F(HostPrintTest, AServerThatAnswersNothingHoldsNeitherTheFramesNorTheEnd)
{
    // Long enough that the program's end, which takes seconds on a loaded
    // machine under the sanitizers, comes well within the limit of the
    // page it leaves pending.
    const int limitMs = 8000;
    setenv("QUARNEL_PRINT_TIMEOUT_MS", std::to_string(limitMs).c_str(), 1);
    server->stop();
    // The second print comes well after the first was given up.
    writeTitle({300, 2 * limitMs});
    start(tmp.path(), {"-window"});
    ASSERT_TRUE(within([this] { return counter("P") == 1; })) << errors();
    const Clock::time_point printed = Clock::now();
    const int frames = counter("N");

    // The frames go on while the server is waited for.
    ASSERT_TRUE(within([&] { return counter("N") >= frames + 10; })) << errors();
    EXPECT_FALSE(std::filesystem::exists(tmp.file("DocPrint.pdf"))) << errors();
    // The page is left in the title's folder once the limit has passed
    // (give or take the second libcups may wait before it asks again).
    ASSERT_TRUE(within([this] { return std::filesystem::exists(tmp.file("DocPrint.pdf")); })) << errors();
    EXPECT_LT(Clock::now() - printed, std::chrono::milliseconds(limitMs + 4000));
    EXPECT_TRUE(within([this] { return errors().find("DocPrint.pdf") != std::string::npos; }));
    EXPECT_NE(errors().find("Quarnel: the print server did not answer within 8 s\n"
                            "Quarnel: no printer took the document; it was written to " +
                            tmp.file("DocPrint.pdf")),
              std::string::npos)
        << errors();
    testsupport::PdfInfo info;
    ASSERT_TRUE(testsupport::readPdfInfo(tmp.file("DocPrint.pdf"), &info));
    EXPECT_NEAR(info.width, 841.92, 0.01);

    // The program ends at once on SIGTERM with a print pending, and leaves
    // that page too, for its end and not for the limit.
    ASSERT_TRUE(within([this] { return counter("P") == 2; })) << errors();
    const Clock::time_point terminated = Clock::now();
    kill(host, SIGTERM);
    EXPECT_EQ(waitForExit(), 0) << errors();
    EXPECT_LT(Clock::now() - terminated, std::chrono::milliseconds(limitMs));
    EXPECT_TRUE(std::filesystem::exists(tmp.file("DocPrint-2.pdf"))) << errors();
    EXPECT_NE(errors().find("Quarnel: the program ended before the print server answered\n"
                            "Quarnel: no printer took the document; it was written to " +
                            tmp.file("DocPrint-2.pdf")),
              std::string::npos)
        << errors();
    server->resume();
    EXPECT_TRUE(server->jobs().empty());
}

// What the program says about its print settings and its print server,
// played in a window: each case prints as often as it says, waits until
// every document reached the server or was left in the title's folder, and
// is closed; its whole output is checked (one line per cause, once) with
// its exit code.
TEST_F(HostPrintTest, EachPrintCauseIsToldOnceInOneLine)
{
    const struct {
        const char* what;
        // "%T" stands for the title's folder.
        std::vector<std::pair<std::string, std::string>> environment;
        int prints;
        std::string told;
        int code;
    } cases[] = {
        {"a time limit below its range", {{"QUARNEL_PRINT_TIMEOUT_MS", "50"}}, 2,
         "Quarnel: QUARNEL_PRINT_TIMEOUT_MS=50 is not a number of milliseconds from 100 to 600000; the print server "
         "is waited for 10 s\n",
         0},
        {"a time limit that is not a number", {{"QUARNEL_PRINT_TIMEOUT_MS", "abc"}}, 1,
         "Quarnel: QUARNEL_PRINT_TIMEOUT_MS=abc is not a number of milliseconds from 100 to 600000; the print server "
         "is waited for 10 s\n",
         0},
        {"a print server that cannot be reached", {{"CUPS_SERVER", "%T/none.sock"}}, 1,
         "Quarnel: the print server %T/none.sock cannot be reached: No such file or directory\n"
         "Quarnel: no printer took the document; it was written to %T/DocPrint.pdf\n",
         0},
    };
    auto filled = [](std::string text, const std::string& folder) {
        for (size_t at; (at = text.find("%T")) != std::string::npos;)
            text.replace(at, 2, folder);
        return text;
    };
    auto occurrences = [](const std::string& text, const std::string& part) {
        int n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = tmp.file("case" + std::to_string(n++)), below = folder.substr(tmp.path().size() + 1) + "/";
        std::vector<int> times;
        for (int i = 0; i < c.prints; ++i)
            times.push_back(300 + 500 * i);
        writeTitle(times, below);
        for (const auto& v : c.environment)
            setenv(v.first.c_str(), filled(v.second, folder).c_str(), 1);
        const int jobsBefore = int(server->jobs().size());
        start(folder, {"-window"});
        setenv("CUPS_SERVER", server->socket().c_str(), 1);
        unsetenv("QUARNEL_PRINT_TIMEOUT_MS");
        ASSERT_TRUE(within([&] { return counter("P", below) == c.prints; })) << errors();
        // Each document went to the server or was left.
        EXPECT_TRUE(within([&] {
            return int(server->jobs().size()) - jobsBefore + occurrences(errors(), "written to") >= c.prints;
        })) << errors();
        x.clickClose(x.findWindow("Quarnel print test"));
        EXPECT_EQ(waitForExit(), c.code) << errors();
        EXPECT_EQ(errors(), filled(c.told, folder));
    }
}

} // namespace
#endif