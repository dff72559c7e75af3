// The print spooler with a CUPS server of the test's own: a document
// reaches the queue on the paper the queue defaults to, laid out within its
// margins; a server that answers nothing holds neither the one who prints
// nor the spooler's end, and every document is left in the folder; the
// document being printed counts toward the bound of those pending.
#include "platform/Drives.h"
#include "platform/print/PdfPrint.h"
#include "platform/print/PrintSpooler.h"
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

    testsupport::TempDir folder;
    std::unique_ptr<testsupport::CupsServer> server;
};

TEST_F(PrintSpoolerTest, ADocumentGoesOnTheQueuesDefaultPaperWithinItsMargins)
{
    std::atomic<int> width{0}, height{0};
    {
        PrintSpooler spooler;
        ASSERT_TRUE(spooler.print(document("Grey", &width, &height)));
        ASSERT_TRUE(server->waitForJobs(1, 60)) << server->log();
    }
    // A4 at 300 dpi, 2479 x 3508 pixels as the queue measures it, turned,
    // less margins of 18 points (75 pixels) on each side.
    EXPECT_EQ(width, 3508 - 150);
    EXPECT_EQ(height, 2479 - 150);
    const std::vector<testsupport::CupsServer::Job> jobs = server->jobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].state, 9) << server->log();
    EXPECT_EQ(jobs[0].name, "Grey");
    EXPECT_EQ(jobs[0].media, "iso_a4_210x297mm");
    EXPECT_FALSE(left("Grey"));

    // The printer's page: A4 with the picture turned onto it, within the
    // margins and as large as they allow.
    testsupport::PdfPage page;
    ASSERT_TRUE(testsupport::renderPdfPage(server->printed(), 1, 72, &page));
    EXPECT_EQ(page.width, 595);
    EXPECT_EQ(page.height, 842);
    const Rect ink = page.inked();
    EXPECT_NEAR(ink.left, 18, 1);
    EXPECT_NEAR(ink.top, 18, 1);
    EXPECT_NEAR(ink.right, 577, 1);
    EXPECT_NEAR(ink.bottom, 824, 1);
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
