// The PDF print job: pages as PDF pages of the printer's size, pictures
// where they were put and the right way up, calls out of order, the file
// it leaves without a printer, and the system's job when CUPS names no
// printer. Read back with poppler's tools.
#include "platform/Drives.h"
#include "platform/print/PdfPrint.h"
#include "support/PdfPages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

using namespace platform;

class PdfPrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testsupport::havePdfTools())
            GTEST_SKIP() << "poppler's pdfinfo and pdftoppm are not installed";
        if (!createPdfPrintJob(Size{100, 100}, 100))
            GTEST_SKIP() << "built without cairo and CUPS";
        setPrintFolder(toEnginePath(folder.path()));
    }
    ~PdfPrintTest() override { setPrintFolder(""); }

    testsupport::TempDir folder;
};

// A picture of 4 x 2 pixels, bottom-up as a Windows DIB: the top row is
// red, green, blue, white; the bottom row black, then grey.
std::vector<uint8_t> bottomUpPicture()
{
    const uint8_t top[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
    const uint8_t bottom[] = {0, 0, 0, 128, 128, 128, 128, 128, 128, 128, 128, 128};
    std::vector<uint8_t> bits(2 * 12);
    std::copy(bottom, bottom + 12, bits.begin());
    std::copy(top, top + 12, bits.begin() + 12);
    return bits;
}

TEST_F(PdfPrintTest, PutsEachPictureWhereItWasAskedTheRightWayUp)
{
    // A page of 400 x 300 pixels at 100 dpi, 288 x 216 points.
    std::unique_ptr<PrintJob> job = createPdfPrintJob(Size{400, 300}, 100);
    ASSERT_NE(job, nullptr);
    EXPECT_TRUE(job->canStretchPictures());
    const std::vector<uint8_t> bits = bottomUpPicture();
    // Out of order: nothing happens.
    EXPECT_FALSE(job->startPage());
    EXPECT_FALSE(job->stretchBgr24(bits.data(), 4, 2, 12, true, Rect(0, 0, 40, 20), false));
    EXPECT_FALSE(job->endDocument());
    ASSERT_TRUE(job->startDocument("Report"));
    EXPECT_FALSE(job->startDocument("Again"));
    EXPECT_FALSE(job->stretchBgr24(bits.data(), 4, 2, 12, true, Rect(0, 0, 40, 20), false));
    ASSERT_TRUE(job->startPage());
    EXPECT_FALSE(job->endDocument());
    EXPECT_FALSE(job->setLandscape());
    EXPECT_FALSE(job->stretchBgr24(nullptr, 4, 2, 12, true, Rect(0, 0, 40, 20), false));
    EXPECT_FALSE(job->stretchBgr24(bits.data(), 4, 2, 11, true, Rect(0, 0, 40, 20), false));
    EXPECT_FALSE(job->stretchBgr24(bits.data(), 4, 2, 12, true, Rect(10, 10, 10, 30), false));
    // 40 pixels a picture pixel, from (100, 80).
    ASSERT_TRUE(job->stretchBgr24(bits.data(), 4, 2, 12, true, Rect(100, 80, 260, 160), false));
    ASSERT_TRUE(job->endPage());
    ASSERT_TRUE(job->startPage()); // an empty second page
    ASSERT_TRUE(job->endPage());
    ASSERT_TRUE(job->endDocument());
    EXPECT_FALSE(job->endPage());

    const std::string file = folder.file("Report.pdf");
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(lastPrintedFile(), file);
    testsupport::PdfInfo info;
    ASSERT_TRUE(testsupport::readPdfInfo(file, &info));
    EXPECT_EQ(info.pages, 2);
    EXPECT_NEAR(info.width, 288, 0.01);
    EXPECT_NEAR(info.height, 216, 0.01);

    testsupport::PdfPage page;
    ASSERT_TRUE(testsupport::renderPdfPage(file, 1, 100, &page));
    ASSERT_EQ(page.width, 400);
    ASSERT_EQ(page.height, 300);
    // The renderer may smear an edge by a pixel.
    const Rect ink = page.inked();
    EXPECT_NEAR(ink.left, 100, 1);
    EXPECT_NEAR(ink.top, 80, 1);
    EXPECT_NEAR(ink.right, 260, 1);
    EXPECT_NEAR(ink.bottom, 160, 1);
    const struct {
        int x, y;
        uint32_t rgb;
    } samples[] = {{120, 100, 0xFF0000}, {160, 100, 0x00FF00}, {200, 100, 0x0000FF}, {120, 140, 0x000000},
                   {240, 140, 0x808080}, {99, 100, 0xFFFFFF},  {260, 100, 0xFFFFFF}};
    for (const auto& s : samples)
        EXPECT_EQ(page.at(s.x, s.y), s.rgb) << s.x << "," << s.y;
    testsupport::PdfPage second;
    ASSERT_TRUE(testsupport::renderPdfPage(file, 2, 10, &second));
    EXPECT_EQ(second.inked().right, 0);
}

TEST_F(PdfPrintTest, NamesEachDocumentAfterItselfWithoutReplacingOne)
{
    for (int i = 0; i < 3; ++i) {
        std::unique_ptr<PrintJob> job = createPdfPrintJob(Size{100, 200}, 50);
        EXPECT_TRUE(job->setLandscape());
        EXPECT_EQ(job->pageSize().width, 200);
        ASSERT_TRUE(job->startDocument(i < 2 ? "Doc/Print" : ""));
        ASSERT_TRUE(job->startPage());
        // The last job goes with its document open: it is ended.
        if (i < 2) {
            ASSERT_TRUE(job->endPage());
            ASSERT_TRUE(job->endDocument());
        }
    }
    for (const char* name : {"Doc_Print.pdf", "Doc_Print-2.pdf", "document.pdf"}) {
        testsupport::PdfInfo info;
        ASSERT_TRUE(testsupport::readPdfInfo(folder.file(name), &info)) << name;
        EXPECT_EQ(info.pages, 1) << name;
        EXPECT_NEAR(info.width, 288, 0.01) << name; // 200 pixels at 50 dpi, landscape
    }
    // A folder that cannot be written: no document.
    setPrintFolder(toEnginePath(folder.file("missing/deeper")));
    std::unique_ptr<PrintJob> job = createPdfPrintJob(Size{100, 200}, 50);
    EXPECT_FALSE(job->startDocument("Lost"));
}

TEST_F(PdfPrintTest, WithoutAPrinterTheSystemJobWritesAnA4Document)
{
    // No CUPS server to ask, and no printer named by the environment.
    setenv("CUPS_SERVER", folder.file("no-cups.sock").c_str(), 1);
    unsetenv("PRINTER");
    unsetenv("LPDEST");
    EXPECT_EQ(a4PageSize(300).width, 2480);
    EXPECT_EQ(a4PageSize(300).height, 3508);
    testing::internal::CaptureStderr();
    std::unique_ptr<PrintJob> job = createSystemPrintJob(PrintDeadline::after(10000), folder.path());
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->pageSize().height, 3508);
    job->setLandscape();
    ASSERT_TRUE(job->startDocument("DocPrint"));
    ASSERT_TRUE(job->endDocument());
    unsetenv("CUPS_SERVER");
    // Why, in the system's words, then where the document is.
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Quarnel: the print server " + folder.file("no-cups.sock") +
                  " cannot be reached: No such file or directory\n"
                  "Quarnel: no printer took the document; it was written to " +
                  folder.file("DocPrint.pdf") + "\n");
    testsupport::PdfInfo info;
    ASSERT_TRUE(testsupport::readPdfInfo(folder.file("DocPrint.pdf"), &info));
    EXPECT_EQ(info.pages, 1); // a PDF has a page even when none was printed
    EXPECT_NEAR(info.width, 841.92, 0.01);
}

// The print server's time limit from the environment: a value outside
// 100 to 600000 milliseconds, or not a number, keeps the default and is
// named once.
TEST(PrintServerLimitTest, AValueOutsideItsRangeIsNamedOnceAndTheDefaultKept)
{
    const std::string named = " is not a number of milliseconds from 100 to 600000; the print server is waited "
                              "for 10 s\n";
    const struct {
        const char* value;
        int ms;
        bool told;
    } cases[] = {{"", 10000, false},      {"100", 100, false},     {"600000", 600000, false},
                 {"99", 10000, true},     {"600001", 10000, true}, {"abc", 10000, true},
                 {"250ms", 10000, true},  {"-5000", 10000, true},  {"99999999999999999999", 10000, true},
                 {"abc", 10000, false}}; // named already
    for (const auto& c : cases) {
        setenv("QUARNEL_PRINT_TIMEOUT_MS", c.value, 1);
        testing::internal::CaptureStderr();
        EXPECT_EQ(printServerLimitMs(), c.ms) << c.value;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  c.told ? "Quarnel: QUARNEL_PRINT_TIMEOUT_MS=" + std::string(c.value) + named : "")
            << c.value;
    }
    unsetenv("QUARNEL_PRINT_TIMEOUT_MS");
    EXPECT_EQ(printServerLimitMs(), 10000);
}

} // namespace
