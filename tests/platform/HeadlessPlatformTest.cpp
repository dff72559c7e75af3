// The rest of the headless backend: the platform in use, fake video
// streams, the print sink and message boxes.
#include "platform/Platform.h"
#include "platform/headless/Headless.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

using namespace platform;

class HeadlessPlatformTest : public ::testing::Test {
protected:
    ManualClock clock{1000};
    HeadlessPlatform platform{clock};
};

TEST_F(HeadlessPlatformTest, InstalledForEngineCode)
{
    EXPECT_EQ(currentPlatform(), nullptr);
    {
        ScopedPlatform inUse(&platform);
        ASSERT_EQ(currentPlatform(), &platform);
        EXPECT_STREQ(currentPlatform()->name(), "headless");
        EXPECT_TRUE(currentPlatform()->pumpEvents());
        EXPECT_EQ(&currentPlatform()->input(), &platform.input());
    }
    EXPECT_EQ(currentPlatform(), nullptr);
    std::unique_ptr<Platform> made = createHeadlessPlatform(clock);
    ASSERT_NE(made, nullptr);
    EXPECT_STREQ(made->name(), "headless");
}

TEST_F(HeadlessPlatformTest, AFakeVideoOfSolidFrames)
{
    FakeVideo video;
    video.width = 8;
    video.height = 4;
    video.frames = 3;
    video.frameMs = 40;
    video.colours = {0xFF0000, 0x00FF00, 0x0000FF};
    platform.addFakeVideo("C:\\Movies\\Intro.avi", video);
    EXPECT_EQ(platform.openVideo("C:\\Movies\\Other.avi", nullptr), nullptr);
    std::unique_ptr<VideoStream> stream = platform.openVideo("c:\\MOVIES\\intro.AVI", nullptr);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->width(), 8);
    EXPECT_EQ(stream->height(), 4);
    EXPECT_EQ(stream->duration(), 1200000);

    int error = -1;
    std::unique_ptr<Surface> target = platform.display().createSurface(8, 4, 16, true, &error);
    ASSERT_NE(target, nullptr);
    EXPECT_FALSE(stream->isRunning());
    ASSERT_EQ(stream->update(target.get()), VIDEO_FRAME);
    EXPECT_EQ(target->pixelAt(7, 3), 0xF800u);
    EXPECT_EQ(stream->update(target.get()), VIDEO_NO_NEW_FRAME);
    // Stopped, its time stands.
    clock.advance(100);
    EXPECT_EQ(stream->time(), 0);
    stream->setRunning(true);
    EXPECT_TRUE(stream->isRunning());
    clock.advance(39);
    EXPECT_EQ(stream->time(), 390000);
    EXPECT_EQ(stream->update(target.get()), VIDEO_NO_NEW_FRAME);
    clock.advance(1);
    ASSERT_EQ(stream->update(target.get()), VIDEO_FRAME);
    EXPECT_EQ(target->pixelAt(0, 0), 0x07E0u);
    stream->setRunning(false);
    clock.advance(1000);
    EXPECT_EQ(stream->time(), 400000);
    stream->setRunning(true);
    clock.advance(80);
    EXPECT_EQ(stream->update(target.get()), VIDEO_END);
    EXPECT_EQ(stream->time(), 1200000);
    ASSERT_TRUE(stream->seek(800000));
    ASSERT_EQ(stream->update(target.get()), VIDEO_FRAME);
    EXPECT_EQ(target->pixelAt(0, 0), 0x001Fu);
    ASSERT_TRUE(stream->seek(-5));
    EXPECT_EQ(stream->time(), 0);

    // A surface that cannot take the frame.
    EXPECT_EQ(stream->update(nullptr), VIDEO_ERROR);
    std::unique_ptr<Surface> small = platform.display().createSurface(4, 4, 16, true, &error);
    EXPECT_EQ(stream->update(small.get()), VIDEO_ERROR);
    target->markLost();
    EXPECT_EQ(stream->update(target.get()), VIDEO_ERROR);
}

TEST_F(HeadlessPlatformTest, ThePrintSinkRecordsPages)
{
    platform.setPrinterAvailable(false);
    EXPECT_EQ(platform.choosePrinter(), nullptr);
    platform.setPrinterAvailable(true);
    platform.setPageSize(Size{1000, 2000});
    std::unique_ptr<PrintJob> job = platform.choosePrinter();
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->pageSize().width, 1000);
    ASSERT_TRUE(job->setLandscape());
    EXPECT_EQ(job->pageSize().width, 2000);
    EXPECT_EQ(job->pageSize().height, 1000);
    EXPECT_TRUE(job->canStretchPictures());
    // Out of order: refused.
    EXPECT_FALSE(job->startPage());
    EXPECT_FALSE(job->endDocument());
    ASSERT_TRUE(job->startDocument("DocPrint"));
    EXPECT_FALSE(job->startDocument("again"));
    const uint8_t bits[] = {
        // bottom row: blue, white (padded to 8 bytes)
        0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0,
        // top row: red, green
        0, 0, 0xFF, 0, 0xFF, 0, 0, 0};
    EXPECT_FALSE(job->stretchBgr24(bits, 2, 2, 8, true, Rect(0, 0, 10, 10), true));
    ASSERT_TRUE(job->startPage());
    EXPECT_FALSE(job->stretchBgr24(bits, 2, 2, 5, true, Rect(0, 0, 10, 10), true));
    EXPECT_FALSE(job->stretchBgr24(nullptr, 2, 2, 8, true, Rect(0, 0, 10, 10), true));
    EXPECT_FALSE(job->stretchBgr24(bits, 0, 2, 8, true, Rect(0, 0, 10, 10), true));
    ASSERT_TRUE(job->stretchBgr24(bits, 2, 2, 8, true, Rect(333, 0, 1667, 1000), true));
    ASSERT_TRUE(job->endPage());
    EXPECT_TRUE(platform.printedDocuments().empty());
    ASSERT_TRUE(job->endDocument());

    std::vector<PrintedDocument> docs = platform.printedDocuments();
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(docs[0].name, "DocPrint");
    EXPECT_TRUE(docs[0].landscape);
    EXPECT_TRUE(docs[0].ended);
    EXPECT_EQ(docs[0].pageSize.width, 2000);
    ASSERT_EQ(docs[0].pages.size(), 1u);
    ASSERT_EQ(docs[0].pages[0].pictures.size(), 1u);
    const PrintedPicture& p = docs[0].pages[0].pictures[0];
    EXPECT_EQ(p.destination.left, 333);
    EXPECT_EQ(p.destination.right, 1667);
    EXPECT_TRUE(p.halftone);
    const std::vector<uint32_t> rgb = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    EXPECT_EQ(p.rgb, rgb);

    // A printer that takes no pictures; a job dropped with its document open.
    platform.setPrinterTakesPictures(false);
    std::unique_ptr<PrintJob> second = platform.choosePrinter();
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(second->canStretchPictures());
    ASSERT_TRUE(second->startDocument("cut"));
    ASSERT_TRUE(second->startPage());
    EXPECT_FALSE(second->stretchBgr24(bits, 2, 2, 8, true, Rect(0, 0, 10, 10), false));
    second.reset();
    docs = platform.printedDocuments();
    ASSERT_EQ(docs.size(), 2u);
    EXPECT_FALSE(docs[1].ended);
}

TEST_F(HeadlessPlatformTest, MessageBoxesNeverWait)
{
    platform.setMessagesToStandardError(false);
    EXPECT_EQ(platform.messageBox("B\xB3\xB9" "d", "Brak pami\xEA" "ci"), 1);
    auto shown = platform.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, "B\xB3\xB9" "d");
    EXPECT_EQ(shown[0].second, "Brak pami\xEA" "ci");
}

} // namespace
