// The Targa reader: 24-bit pictures with their rows turned over unless
// stored top first, converted to the display; the kinds it refuses; short
// files.
#include "base/File.h"
#include "graphics/Targa.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"
#include "support/WrittenPictures.h"
#include "ImageFileData.h"
#include "ScreenSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using imagedata::Bytes;

// Blue, green, red of pixel (x, y) as stored: the file's first row is the
// picture's bottom row.
Bytes bgr(int x, int y) { return Bytes{uint8_t(8 * x), uint8_t(100 + 4 * y), uint8_t(255 - 8 * x)}; }

Bytes targa24(int w, int h)
{
    imagedata::Writer file = imagedata::targa(w, h, 24);
    for (int stored = 0; stored < h; ++stored)
        for (int x = 0; x < w; ++x)
            file.bytes(bgr(x, h - 1 - stored));
    return file.b;
}

class CTargaTest : public screentest::HeadlessScreen {
protected:
    std::string put(const std::string& name, const Bytes& bytes)
    {
        dir.write(name, std::string(bytes.begin(), bytes.end()));
        return platform::toEnginePath(dir.file(name));
    }
    testsupport::TempDir dir;
};

TEST_F(CTargaTest, TurnsTheRowsOverAndConvertsToTheDisplay)
{
    const std::string name = put("Pic.TGA", targa24(5, 3));
    // Without a display the pixels stay 24-bit, blue first.
    CTarga plain(nullptr, CXString(name.c_str()));
    ASSERT_EQ(plain.LastError(), 0);
    ASSERT_EQ(plain.GetBpp(), 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(Bytes(plain.GetDataPtr() + (y * 5 + x) * 3, plain.GetDataPtr() + (y * 5 + x) * 3 + 3), bgr(x, y))
                << x << "," << y;

    for (int depth : {15, 16}) {
        backend.setDesktopDepth(depth);
        std::unique_ptr<CWindow> w = makeWindow();
        CTarga shown(w.get(), CXString(name.c_str()));
        ASSERT_EQ(shown.LastError(), 0);
        EXPECT_EQ(shown.GetBpp(), depth);
        EXPECT_TRUE(shown.IsVisible());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const Bytes p = bgr(x, y);
                const unsigned r = p[2], g = p[1], b = p[0];
                const uint16_t expected = uint16_t(depth == 16 ? (r >> 3) << 11 | (g >> 2) << 5 | b >> 3
                                                               : (r >> 3) << 10 | (g >> 3) << 5 | b >> 3);
                EXPECT_EQ(uint16_t(shown.GetPixel(x, y).getPixel()), expected) << x << "," << y;
            }
    }
}

// An image ID and a colour map come before the pixels; rows stored top
// first (bit 5 of the descriptor) are not turned over.
TEST_F(CTargaTest, PassesOverTheImageIdAndColourMapAndHonoursTheOrigin)
{
    imagedata::Writer withId = imagedata::targa(5, 3, 24, 3);
    withId.b[1] = 1;
    withId.b[5] = 2; // two colour-map entries of 24 bits
    withId.b[7] = 24;
    withId.zeros(3 + 6);
    const Bytes stored = targa24(5, 3);
    withId.bytes(Bytes(stored.begin() + 18, stored.end()));
    imagedata::Writer topDown = imagedata::targa(5, 3, 24);
    topDown.b[17] = 0x20;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            topDown.bytes(bgr(x, y));
    for (const Bytes& file : {withId.b, topDown.b}) {
        CTarga t(nullptr, CXString(put("t.tga", file).c_str()));
        ASSERT_EQ(t.LastError(), 0);
        ASSERT_EQ(t.Width(), 5);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                ASSERT_EQ(Bytes(t.GetDataPtr() + (y * 5 + x) * 3, t.GetDataPtr() + (y * 5 + x) * 3 + 3), bgr(x, y))
                    << x << "," << y;
    }
}

// Pictures written by another program as that program reads them; the
// run-length encoded and the 32-bit ones are refused, each named on
// standard error once.
TEST_F(CTargaTest, ShowsWhatAnotherProgramWroteAndRefusesWhatItCannotRead)
{
    backend.setDesktopDepth(16);
    std::unique_ptr<CWindow> w = makeWindow();
    int shown = 0;
    for (const testsupport::WrittenPicture& p : testsupport::writtenPictures()) {
        if (p.file.find(".tga") == std::string::npos)
            continue;
        const std::string path = testsupport::picturesFolder() + "/" + p.file;
        ::testing::internal::CaptureStderr();
        CTarga t(w.get(), CXString(platform::toEnginePath(path).c_str()));
        CTarga again(w.get(), CXString(platform::toEnginePath(path).c_str()));
        const std::string told = ::testing::internal::GetCapturedStderr();
        if (p.file == "rgb24_rle.tga" || p.file == "rgba32.tga") {
            EXPECT_EQ(t.LastError(), int(CGraphicsObject::ERROR_DAMAGED)) << p.file;
            EXPECT_EQ(t.Width(), 0);
            EXPECT_EQ(t.GetDataPtr(), nullptr);
            const std::string why = p.file == "rgba32.tga"
                                        ? "a Targa of other than 24 bits a pixel (only 24-bit ones are read)"
                                        : "a run-length encoded Targa (only uncompressed 24-bit ones are read)";
            EXPECT_EQ(told, "Quarnel: picture \"" + platform::toEnginePath(path) + "\" cannot be shown: " + why + ": " +
                                path + "\n");
            continue;
        }
        ++shown;
        EXPECT_EQ(told, "");
        ASSERT_EQ(t.LastError(), 0) << p.file;
        ASSERT_EQ(t.Width(), p.width);
        ASSERT_EQ(t.Height(), p.height);
        int differ = 0;
        std::string first;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if (uint16_t(t.GetPixel(x, y).getPixel()) != p.word(x, y) && !differ++)
                    first = "(" + std::to_string(x) + "," + std::to_string(y) + "): " +
                            std::to_string(t.GetPixel(x, y).getPixel()) + " for " + std::to_string(p.word(x, y));
        EXPECT_EQ(differ, 0) << p.file << ", first at " << first;
    }
    EXPECT_EQ(shown, 2);
}

TEST_F(CTargaTest, RefusesOtherKindsAndShortFiles)
{
    Bytes whole = targa24(4, 4);
    struct Case {
        const char* name;
        Bytes file;
    } cases[] = {
        {"header cut", Bytes(whole.begin(), whole.begin() + 10)},
        {"pixels cut", Bytes(whole.begin(), whole.end() - 1)},
        {"negative width", imagedata::targa(-4, 4, 24).zeros(48).b},
        {"no rows", imagedata::targa(4, 0, 24).b},
        {"16 bits", imagedata::targa(4, 3, 16).zeros(24).b},
        {"colour-mapped", [] {
             imagedata::Writer f = imagedata::targa(2, 2, 8);
             f.b[2] = 1;
             return f.zeros(4).b;
         }()},
    };
    for (const Case& c : cases) {
        CTarga t(nullptr, CXString(put("bad.tga", c.file).c_str()));
        EXPECT_EQ(t.LastError(), int(CGraphicsObject::ERROR_DAMAGED)) << c.name;
        EXPECT_EQ(t.Width(), 0) << c.name;
        EXPECT_EQ(t.GetDataPtr(), nullptr) << c.name;
    }
    CTarga missing(nullptr, CXString(platform::toEnginePath(dir.file("none.tga")).c_str()));
    EXPECT_EQ(missing.LastError(), CFile::ERROR_OPEN);
}

} // namespace
