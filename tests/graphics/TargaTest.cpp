// The Targa reader: 24-bit pictures with their rows turned over, converted
// to the display; the files it reads only the header of; short files.
#include "base/File.h"
#include "graphics/Targa.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"
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

TEST_F(CTargaTest, ReadsOnlyTheHeaderOfOtherFilesAndRefusesShortOnes)
{
    imagedata::Writer withId = imagedata::targa(2, 2, 24, 3);
    withId.zeros(3 + 12);
    imagedata::Writer sixteen = imagedata::targa(4, 3, 16);
    sixteen.zeros(24);
    CTarga id(nullptr, CXString(put("id.tga", withId.b).c_str()));
    EXPECT_EQ(id.LastError(), 0);
    EXPECT_EQ(id.Width(), 0);
    EXPECT_EQ(id.getHeader()[0], 3);
    CTarga other(nullptr, CXString(put("16.tga", sixteen.b).c_str()));
    EXPECT_EQ(other.LastError(), 0);
    EXPECT_EQ(other.Width(), 4);
    EXPECT_EQ(other.Height(), 3);
    EXPECT_EQ(other.GetBpp(), 16);
    EXPECT_EQ(other.GetDataPtr(), nullptr);

    Bytes whole = targa24(4, 4);
    struct Case {
        const char* name;
        Bytes file;
    } cases[] = {
        {"header cut", Bytes(whole.begin(), whole.begin() + 10)},
        {"pixels cut", Bytes(whole.begin(), whole.end() - 1)},
        {"negative width", imagedata::targa(-4, 4, 24).zeros(48).b},
        {"no rows", imagedata::targa(4, 0, 24).b},
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
