// Printing a rectangle of the window's picture: the size it is printed at,
// its place on the landscape page, what reaches the printer, and a PDF
// document read back with a PDF renderer.
#include "graphics/Printer.h"
#include "graphics/RefreshScreen.h"
#include "platform/Drives.h"
#include "platform/print/PdfPrint.h"
#include "support/PdfPages.h"
#include "ScreenSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace {

using screentest::drawable;

class CPrinterTest : public screentest::HeadlessScreen {};

uint16_t pattern(int x, int y) { return uint16_t(x * 7 + y * 1031); }

TEST_F(CPrinterTest, FitsTheRectangleToThePageKeepingItsProportions)
{
    const struct {
        CXRect rect;
        CXSize page, printed;
    } cases[] = {
        {CXRect(0, 0, 800, 600), CXSize(3508, 2480), CXSize(3306, 2480)}, // page wider than 4:3: full height
        {CXRect(0, 0, 800, 200), CXSize(3508, 2480), CXSize(3508, 877)},  // rectangle wider: full width
        {CXRect(10, 10, 110, 110), CXSize(300, 200), CXSize(200, 200)},
        {CXRect(0, 0, 300, 200), CXSize(300, 200), CXSize(300, 200)}, // the same proportions
        {CXRect(0, 0, 0, 100), CXSize(300, 200), CXSize(0, 0)},
        {CXRect(0, 0, 100, 100), CXSize(0, 200), CXSize(0, 0)},
    };
    for (const auto& c : cases) {
        const CXSize s = CPrinter::printedSize(c.rect, c.page);
        EXPECT_EQ(s.cx, c.printed.cx) << c.rect.Width() << " x " << c.rect.Height();
        EXPECT_EQ(s.cy, c.printed.cy) << c.rect.Width() << " x " << c.rect.Height();
    }
}

TEST_F(CPrinterTest, PrintsTheRectangleOfThePictureCentredOnALandscapePage)
{
    std::unique_ptr<CWindow> w = makeWindow();
    auto picture = drawable(w.get(), 800, 600, pattern);
    w->GetRefreshScreenInterface()->put(picture.get(), 0);
    w->Tick();

    w->print(CXRect(100, 50, 500, 350));
    w->print(CXRect(0, 0, 800, 200));
    // Partly off the picture: what there is of it, at the size of the whole.
    w->print(CXRect(700, 500, 900, 700));
    const std::vector<platform::PrintedDocument> docs = backend.printedDocuments();
    ASSERT_EQ(docs.size(), 3u);
    const struct {
        platform::Rect destination;
        int left, top, width, height;
    } expected[] = {
        {platform::Rect(101, 0, 3407, 2480), 100, 50, 400, 300},
        {platform::Rect(0, 801, 3508, 1678), 0, 0, 800, 200},
        {platform::Rect(514, 0, 2994, 2480), 700, 500, 100, 100},
    };
    for (size_t i = 0; i < docs.size(); ++i) {
        const platform::PrintedDocument& d = docs[i];
        EXPECT_EQ(d.name, "DocPrint");
        EXPECT_TRUE(d.landscape);
        EXPECT_TRUE(d.ended);
        EXPECT_EQ(d.pageSize.width, 3508);
        EXPECT_EQ(d.pageSize.height, 2480);
        ASSERT_EQ(d.pages.size(), 1u);
        ASSERT_EQ(d.pages[0].pictures.size(), 1u);
        const platform::PrintedPicture& p = d.pages[0].pictures[0];
        const platform::Rect& r = expected[i].destination;
        EXPECT_EQ(p.destination.left, r.left) << i;
        EXPECT_EQ(p.destination.top, r.top) << i;
        EXPECT_EQ(p.destination.right, r.right) << i;
        EXPECT_EQ(p.destination.bottom, r.bottom) << i;
        EXPECT_TRUE(p.halftone);
        ASSERT_EQ(p.width, expected[i].width);
        ASSERT_EQ(p.height, expected[i].height);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                ASSERT_EQ(p.rgb[size_t(y * p.width + x)],
                          platform::Surface::toRgb(pattern(expected[i].left + x, expected[i].top + y), 16))
                    << i << ": " << x << "," << y;
    }
}

TEST_F(CPrinterTest, PrintsNothingWithoutAPrinterOrAPrinterThatTakesPictures)
{
    {
        // Without a display there is no picture to take: the page stays
        // empty.
        CWindow blind(nullptr, &commandLine, &language, CXSize(800, 600), nullptr, "", true);
        blind.print(CXRect(0, 0, 100, 100));
    }
    std::unique_ptr<CWindow> w = makeWindow();
    // Nor is there for a rectangle off the picture.
    w->print(CXRect(900, 0, 1000, 100));
    backend.setPrinterAvailable(false); // also what a cancelled choice gives
    w->print(CXRect(0, 0, 100, 100));
    backend.setPrinterAvailable(true);
    backend.setPrinterTakesPictures(false);
    w->print(CXRect(0, 0, 100, 100));
    const std::vector<platform::PrintedDocument> docs = backend.printedDocuments();
    ASSERT_EQ(docs.size(), 3u);
    for (size_t i = 0; i < 2; ++i) {
        ASSERT_EQ(docs[i].pages.size(), 1u) << i;
        EXPECT_TRUE(docs[i].pages[0].pictures.empty()) << i;
    }
    EXPECT_TRUE(docs[2].ended);
    EXPECT_TRUE(docs[2].pages.empty());
}

TEST_F(CPrinterTest, WithoutAPrinterTheTitleFolderGetsAOnePagePdf)
{
    if (!testsupport::havePdfTools())
        GTEST_SKIP() << "poppler's pdfinfo and pdftoppm are not installed";
    testsupport::TempDir title;
    CWindowPaths::setCDPath(platform::toEnginePath(title.path()).c_str());
    backend.setPrintToPdf(true);
    std::unique_ptr<CWindow> w = makeWindow();
    // Four quadrants around the centre of the printed rectangle.
    auto picture = drawable(w.get(), 800, 600,
                            [](int x, int y) -> uint16_t { return x < 400 ? (y < 300 ? 0xF800 : 0x07E0)
                                                                          : (y < 300 ? 0x001F : 0xFFE0); });
    w->GetRefreshScreenInterface()->put(picture.get(), 0);
    w->Tick();
    w->print(CXRect(200, 150, 600, 450));
    EXPECT_TRUE(backend.printedDocuments().empty());

    const std::string file = title.file("DocPrint.pdf");
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(platform::lastPrintedFile(), file);
    testsupport::PdfInfo info;
    ASSERT_TRUE(testsupport::readPdfInfo(file, &info));
    EXPECT_EQ(info.pages, 1);
    // A4 turned to landscape: 3508 x 2480 pixels at 300 dpi.
    EXPECT_NEAR(info.width, 3508 * 72.0 / 300, 0.01);
    EXPECT_NEAR(info.height, 2480 * 72.0 / 300, 0.01);

    // At 30 dpi the page is a tenth of the printer's pixels: the picture
    // is at (101, 0, 3407, 2480) / 10, within a pixel for the edges'
    // smoothing.
    testsupport::PdfPage page;
    ASSERT_TRUE(testsupport::renderPdfPage(file, 1, 30, &page));
    EXPECT_EQ(page.width, 351);
    EXPECT_EQ(page.height, 248);
    const platform::Rect ink = page.inked();
    EXPECT_NEAR(ink.left, 10.1, 1.0);
    EXPECT_NEAR(ink.right, 340.7, 1.0);
    EXPECT_EQ(ink.top, 0);
    EXPECT_EQ(ink.bottom, 248);
    auto near = [](uint32_t a, uint32_t b) {
        for (int shift = 0; shift < 24; shift += 8)
            if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 2)
                return false;
        return true;
    };
    const struct {
        int x, y;
        uint32_t rgb;
    } samples[] = {{90, 60, 0xFF0000}, {260, 60, 0x0000FF}, {90, 190, 0x00FF00}, {260, 190, 0xFFFF00},
                   {5, 124, 0xFFFFFF},  {346, 124, 0xFFFFFF}};
    for (const auto& s : samples)
        EXPECT_TRUE(near(page.at(s.x, s.y), s.rgb)) << s.x << "," << s.y << " is " << std::hex << page.at(s.x, s.y);
}

} // namespace
