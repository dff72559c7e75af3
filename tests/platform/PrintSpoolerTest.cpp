// The print spooler with a CUPS server of the test's own: a document
// reaches the queue on the paper the queue defaults to, or the user's own
// where the queue offers it,
// laid out within its margins; a server that answers nothing holds neither the one who prints
// nor the spooler's end, and every document is left in the folder; the
// document being printed counts toward the bound of those pending.
#include "platform/Drives.h"
#include "platform/print/PdfPrint.h"
#include "platform/print/PrintSpooler.h"
#include "support/ChildProgram.h"
#include "support/CupsServer.h"
#include "support/PdfPages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace platform;
using Clock = std::chrono::steady_clock;

class PrintSpoolerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = testsupport::CupsServer::startForTest(folder.path());
        if (!server)
            return;
        setPrintFolder(toEnginePath(folder.file("title")));
        testsupport::makeDirs(folder.file("title"));
    }
    void TearDown() override
    {
        setPrintFolder("");
        unsetenv("QUARNEL_PRINT_TIMEOUT_MS");
    }

    // A document of one landscape page with a grey picture on all of it.
    static std::function<void(PrintJob&)> document(const std::string& name, std::atomic<int>* width = nullptr,
                                                   std::atomic<int>* height = nullptr)
    {
        return [name, width, height](PrintJob& job) {
            job.setLandscape();
            const Size page = job.pageSize();
            if (width && height) {
                *width = page.width;
                *height = page.height;
            }
            const std::vector<uint8_t> grey(4 * 3 * 3, 128);
            job.startDocument(name);
            job.startPage();
            job.stretchBgr24(grey.data(), 4, 3, 12, true, Rect(0, 0, page.width, page.height), false);
            job.endPage();
            job.endDocument();
        };
    }
    bool left(const std::string& name) const { return std::filesystem::exists(folder.file("title/" + name + ".pdf")); }
    // The printer's first page is of that size in points, with the picture
    // turned onto it and as large as margins of that many points allow.
    void expectPrintedPage(int width, int height, int margin)
    {
        testsupport::PdfPage page;
        ASSERT_TRUE(testsupport::renderPdfPage(server->printed(), 1, 72, &page));
        EXPECT_EQ(page.width, width);
        EXPECT_EQ(page.height, height);
        const Rect ink = page.inked();
        EXPECT_NEAR(ink.left, margin, 1);
        EXPECT_NEAR(ink.top, margin, 1);
        EXPECT_NEAR(ink.right, width - margin, 1);
        EXPECT_NEAR(ink.bottom, height - margin, 1);
    }

    testsupport::TempDir folder;
    std::unique_ptr<testsupport::CupsServer> server;
};

// So does one for which the user chose a paper the queue does not offer
// (A3): the job asks for the paper the page is laid out on.
TEST_F(PrintSpoolerTest, ADocumentGoesOnTheQueuesDefaultPaperWithinItsMargins)
{
    for (const char* chosen : {"", "A3"}) {
        SCOPED_TRACE(chosen);
        folder.write(".cups/lpoptions", *chosen ? std::string("Dest Quarnel media=") + chosen + "\n" : "");
        const size_t printed = server->jobs().size() + 1;
        std::atomic<int> width{0}, height{0};
        {
            PrintSpooler spooler;
            ASSERT_TRUE(spooler.print(document("Grey", &width, &height)));
            ASSERT_TRUE(server->waitForJobs(printed, 60)) << server->log();
        }
        // A4 at 300 dpi, 2479 x 3508 pixels as the queue measures it, turned,
        // less margins of 18 points (75 pixels) on each side.
        EXPECT_EQ(width, 3508 - 150);
        EXPECT_EQ(height, 2479 - 150);
        const std::vector<testsupport::CupsServer::Job> jobs = server->jobs();
        ASSERT_EQ(jobs.size(), printed);
        EXPECT_EQ(jobs.back().state, 9) << server->log();
        EXPECT_EQ(jobs.back().name, "Grey");
        EXPECT_EQ(jobs.back().media, "iso_a4_210x297mm");
        EXPECT_FALSE(left("Grey"));

        expectPrintedPage(595, 842, 18);
    }
}

// The user's own paper (their ~/.cups/lpoptions), named the usual way or
// by its standard name, is laid out within the margins the queue gives it;
// a document on A5 so reaches the printer within them, written first to a
// temporary file in TMPDIR.
TEST_F(PrintSpoolerTest, TheUsersPaperKeepsTheQueuesMarginsByEitherName)
{
    // The paper and its margins in points, as the queue's driver has them.
    const struct {
        const char* media;
        int width, length, margin;
    } cases[] = {{"A4", 595, 842, 18},     {"iso_a4_210x297mm", 595, 842, 18},  {"A5", 420, 595, 12},
                 {"iso_a5_148x210mm", 420, 595, 12}, {"Letter", 612, 792, 0}, {"na_letter_8.5x11in", 612, 792, 0},
                 // A paper that has no legacy name, only its standard one and the usual one.
                 {"4x6", 288, 432, 9},   {"na_index-4x6_4x6in", 288, 432, 9}};
    auto pixels = [](int points) { return points * int(PRINT_DOTS_PER_INCH) / 72; };
    // libcups reads the user's options once a thread: each look is made on
    // a thread of its own, as the spooler makes it.
    auto landscapePage = [&] {
        Size page{0, 0};
        std::thread([&] {
            std::unique_ptr<PrintJob> job = createSystemPrintJob(PrintDeadline::after(30000), folder.path());
            if (job && job->setLandscape())
                page = job->pageSize();
        }).join();
        return page;
    };
    for (const auto& c : cases) {
        folder.write(".cups/lpoptions", std::string("Dest Quarnel media=") + c.media + "\n");
        const Size page = landscapePage();
        EXPECT_NEAR(page.width, pixels(c.length - 2 * c.margin), 2) << c.media;
        EXPECT_NEAR(page.height, pixels(c.width - 2 * c.margin), 2) << c.media;
    }

    folder.write(".cups/lpoptions", "Dest Quarnel media=A5\n");
    testsupport::TempDir temporary;
    setenv("TMPDIR", temporary.path().c_str(), 1);
    auto temporaries = [&] {
        int n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(temporary.path()))
            n += entry.path().filename().string().compare(0, 14, "quarnel-print-") == 0;
        return n;
    };
    int whilePrinting = -1;
    std::thread([&] {
        std::unique_ptr<PrintJob> job = createSystemPrintJob(PrintDeadline::after(30000), folder.path());
        ASSERT_NE(job, nullptr);
        job->setLandscape();
        const Size page = job->pageSize();
        const std::vector<uint8_t> grey(4 * 3 * 3, 128);
        ASSERT_TRUE(job->startDocument("Grey"));
        whilePrinting = temporaries();
        job->startPage();
        job->stretchBgr24(grey.data(), 4, 3, 12, true, Rect(0, 0, page.width, page.height), false);
        job->endPage();
        job->endDocument();
    }).join();
    unsetenv("TMPDIR");
    EXPECT_EQ(whilePrinting, 1);
    EXPECT_EQ(temporaries(), 0);
    ASSERT_TRUE(server->waitForJobs(1, 60)) << server->log();
    EXPECT_FALSE(left("Grey"));
    expectPrintedPage(420, 595, 12);
}

// A TMPDIR that names no folder gives way to /tmp: the document reaches
// the printer all the same.
TEST_F(PrintSpoolerTest, ATemporaryFolderThatIsNotThereGivesWayToTmp)
{
    ASSERT_NE(server, nullptr);
    testsupport::ChildEnvironment environment({{"TMPDIR", folder.file("gone")}});
    {
        PrintSpooler spooler;
        ASSERT_TRUE(spooler.print(document("Grey")));
        ASSERT_TRUE(server->waitForJobs(1, 60)) << server->log();
    }
    EXPECT_EQ(server->jobs().size(), 1u);
    EXPECT_FALSE(left("Grey"));
}

TEST_F(PrintSpoolerTest, AServerThatAnswersNothingHoldsNoOneAndEveryDocumentIsLeft)
{
    setenv("QUARNEL_PRINT_TIMEOUT_MS", "1000", 1);
    server->stop();
    Clock::time_point handedOver, ending;
    {
        PrintSpooler spooler;
        handedOver = Clock::now();
        ASSERT_TRUE(spooler.print(document("First")));
        EXPECT_EQ(spooler.pending(), 1);
        // Left once the server had its second to answer.
        for (auto until = handedOver + std::chrono::seconds(30); spooler.pending() > 0 && Clock::now() < until;)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(left("First"));
        EXPECT_GE(Clock::now() - handedOver, std::chrono::milliseconds(900));

        // As many as may wait, and one more that is refused; the spooler
        // then goes with all of them pending.
        for (int i = 0; i < PrintSpooler::MAX_PENDING; ++i)
            EXPECT_TRUE(spooler.print(document("Next" + std::to_string(i)))) << i;
        EXPECT_FALSE(spooler.print(document("Refused")));
        ending = Clock::now();
    }
    EXPECT_LT(Clock::now() - ending, std::chrono::milliseconds(PrintSpooler::CLOSING_GRACE_MS));
    for (int i = 0; i < PrintSpooler::MAX_PENDING; ++i)
        EXPECT_TRUE(left("Next" + std::to_string(i))) << i;
    EXPECT_FALSE(left("Refused"));
    server->resume();
    EXPECT_TRUE(server->jobs().empty());
}

// The document in the printer's hands counts toward the bound as well as
// those waiting: while the first is being printed, MAX_PENDING - 1 more
// are taken and the next is refused.
TEST_F(PrintSpoolerTest, TheDocumentBeingPrintedCountsTowardTheBound)
{
    // No server to reach: each document is left in the folder at once.
    setenv("CUPS_SERVER", folder.file("none.sock").c_str(), 1);
    struct Hold {
        std::promise<void> taken, released;
        std::shared_future<void> release = released.get_future().share();
    };
    auto hold = std::make_shared<Hold>();
    std::future<void> taken = hold->taken.get_future();
    {
        PrintSpooler spooler;
        ASSERT_TRUE(spooler.print([hold](PrintJob& job) {
            hold->taken.set_value();
            hold->release.wait_for(std::chrono::seconds(30));
            document("First")(job);
        }));
        ASSERT_EQ(taken.wait_for(std::chrono::seconds(30)), std::future_status::ready);
        for (int i = 1; i < PrintSpooler::MAX_PENDING; ++i)
            EXPECT_TRUE(spooler.print(document("Next" + std::to_string(i)))) << i;
        EXPECT_FALSE(spooler.print(document("Refused")));
        EXPECT_EQ(spooler.pending(), PrintSpooler::MAX_PENDING);
        hold->released.set_value();
    }
    EXPECT_TRUE(left("First"));
    for (int i = 1; i < PrintSpooler::MAX_PENDING; ++i)
        EXPECT_TRUE(left("Next" + std::to_string(i))) << i;
    EXPECT_FALSE(left("Refused"));
}

} // namespace
