// The image object: loading by name (".img" through the data folders, any
// other name as JPEG), conversion to the display, the definition record's
// loading and releasing, copies, the "IMAGE" record maker, and images of
// every reader drawn on the headless screen.
#include "base/File.h"
#include "graphics/Image.h"
#include "graphics/ImageFile.h"
#include "graphics/PSD.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Targa.h"
#include "platform/Drives.h"
#include "script/Element.h"
#include "support/TestSupport.h"
#include "ImageFileData.h"
#include "JpegData.h"
#include "ScreenSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using imagedata::Bytes;

uint16_t word(int x, int y) { return uint16_t(0xF800 - 0x0841 * (x % 7) + 0x0021 * y); }

// A drawable of the test's words (and an alpha plane) saved as an image
// file of that kind.
void saveImage(const std::string& engineName, int w, int h, _compression kind, int x = 0, int y = 0,
               bool withAlpha = false)
{
    std::function<uint8_t(int, int)> alphaAt;
    if (withAlpha)
        alphaAt = [](int px, int py) { return uint8_t((px + py) % 3 ? 255 : 0); };
    picturetest::Picture g = picturetest::picture(w, h, word, alphaAt);
    g->SetPosition(x, y);
    if (kind == COMPRESSION_RLE2)
        g->Compress(COMPRESSION_RLE2);
    ASSERT_EQ(g->Save(CXString(engineName.c_str()), kind), 0);
}

class CImageTest : public screentest::HeadlessScreen {
protected:
    CImageTest() { EXPECT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(dir.path()))); }

    void put(const std::string& name, const Bytes& bytes) { dir.write(name, std::string(bytes.begin(), bytes.end())); }
    std::string at(const std::string& name) { return platform::toEnginePath(dir.file(name)); }

    testsupport::TempDir dir;
    testsupport::CwdGuard cwd;
};

TEST_F(CImageTest, LoadsImageFilesByTheirNameInLowerCase)
{
    dir.write("Pics/placeholder", "");
    saveImage(at("Pics/Logo.img"), 4, 3, COMPRESSION_LZO, 5, 6);
    CImage image(nullptr);
    ASSERT_EQ(image.Load(CXString("PICS\\Logo.IMG"), false), 0);
    EXPECT_EQ(image.getFileName(), "pics\\logo.img");
    EXPECT_EQ(image.CGraphicsObject::getFileName(), "pics\\logo.img");
    EXPECT_TRUE(image.isLoaded());
    EXPECT_EQ(image.GetPosition(), CXPoint(5, 6));
    EXPECT_EQ(uint16_t(image.GetPixel(3, 2).getPixel()), word(3, 2));

    // A name that cannot be opened empties the image and records nothing.
    EXPECT_EQ(image.Load(CXString("pics\\none.img"), false), CFile::ERROR_OPEN);
    EXPECT_EQ(image.GetDataPtr(), nullptr);
    EXPECT_FALSE(image.isLoaded());
    EXPECT_EQ(image.getFileName(), "pics\\logo.img");
}

TEST_F(CImageTest, DecodesEveryOtherNameAsJpegAndLoadsItAgainWhenShown)
{
    const Bytes red = jpegdata::solid(9, 7, {255, 0, 0});
    put("photo.jpg", red);
    put("Also.BMP", red);
    put("broken.jpg", Bytes(red.begin(), red.begin() + 30));
    for (const char* name : {"PHOTO.JPG", "also.bmp"}) {
        CImage image(nullptr, CXString(name));
        EXPECT_EQ(image.LastError(), 0) << name;
        EXPECT_EQ(image.Width(), 9);
        EXPECT_EQ(image.Height(), 7);
        EXPECT_EQ(image.GetBpp(), 16);
        EXPECT_EQ(image.GetCompression(), COMPRESSION_NONE);
        EXPECT_EQ(uint16_t(image.GetPixel(8, 6).getPixel()), 0xF800) << name;
        // Not marked loaded: showing it reads the file again.
        EXPECT_FALSE(image.isLoaded());
        EXPECT_EQ(image.getFileName(), "");
    }
    CImage shown(nullptr);
    shown.setFilename("photo.jpg");
    shown.show();
    EXPECT_EQ(shown.Width(), 9);
    shown.flush();
    shown.show();
    EXPECT_NE(shown.GetDataPtr(), nullptr);

    CImage missing(nullptr, CXString("none.jpg"));
    EXPECT_EQ(missing.LastError(), CFile::ERROR_OPEN);
    CImage broken(nullptr, CXString("broken.jpg"));
    EXPECT_EQ(broken.LastError(), int(CGraphicsObject::ERROR_DAMAGED));
    for (CImage* image : {&missing, &broken}) {
        EXPECT_EQ(image->GetDataPtr(), nullptr);
        EXPECT_EQ(image->Width(), 0);
    }
}

// A photograph-like JPEG (gradients and soft shading) comes out within
// what the coder loses: each channel a few levels of its 5 or 6 bits off.
TEST_F(CImageTest, DecodesAJpegWithinTheCodersTolerance)
{
    auto colour = [](int x, int y) -> jpegdata::Rgb {
        return {uint8_t(x * 255 / 63), uint8_t(y * 255 / 47), uint8_t(128 + 60 * std::sin(x / 5.0) * std::cos(y / 7.0))};
    };
    put("photo.jpg", jpegdata::make(64, 48, colour, 95));
    CImage image(nullptr, CXString("photo.jpg"));
    ASSERT_EQ(image.LastError(), 0);
    int worst = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const uint16_t v = uint16_t(image.GetPixel(x, y).getPixel());
            const jpegdata::Rgb c = colour(x, y);
            worst = std::max({worst, std::abs(int(v >> 11) - (c.r >> 3)), std::abs(int((v >> 5) & 63) - (c.g >> 2)),
                              std::abs(int(v & 31) - (c.b >> 3))});
        }
    EXPECT_LE(worst, 3);
}

TEST_F(CImageTest, ConvertsToTheDisplaysDepthWhenAsked)
{
    backend.setDesktopDepth(15);
    std::unique_ptr<CWindow> w = makeWindow();
    saveImage(at("a.img"), 3, 2, COMPRESSION_NONE);
    put("red.jpg", jpegdata::solid(4, 4, {255, 0, 0}));
    CImage converted(w.get()), kept(w.get()), jpeg(w.get());
    ASSERT_EQ(converted.Load(CXString("a.img"), true), 0);
    ASSERT_EQ(kept.Load(CXString("a.img"), false), 0);
    ASSERT_EQ(jpeg.Load(CXString("red.jpg"), false), 0);
    EXPECT_EQ(converted.GetBpp(), 15);
    EXPECT_EQ(kept.GetBpp(), 16);
    const uint16_t w16 = word(2, 1);
    EXPECT_EQ(uint16_t(converted.GetPixel(2, 1).getPixel()), uint16_t((w16 & 0x1F) | ((w16 & 0xFFC0) >> 1)));
    EXPECT_EQ(jpeg.GetBpp(), 15);
    EXPECT_EQ(uint16_t(jpeg.GetPixel(0, 0).getPixel()), 0x7C00);
}

CMElement* record(std::initializer_list<std::pair<const char*, const char*>> keys)
{
    CMElement* e = new CMElement("PICTURE");
    for (const auto& k : keys)
        e->addProperty(k.first, k.second);
    return e;
}

TEST_F(CImageTest, DefinitionRecordsLoadAtOnceOrWhenFirstShown)
{
    std::unique_ptr<CWindow> w = makeWindow();
    saveImage(at("a.img"), 4, 4, COMPRESSION_RLE2);
    std::unique_ptr<CMElement> now(record({{"FILENAME", "a.img"}, {"VISIBLE", "TRUE"}}));
    CImage shownNow(w.get(), now.get());
    EXPECT_TRUE(shownNow.isLoaded());
    EXPECT_TRUE(shownNow.isVisible());

    std::unique_ptr<CMElement> later(
        record({{"FILENAME", "a.img"}, {"PRELOAD", "FALSE"}, {"RELEASEAFTERUSE", "TRUE"}}));
    CImage image(w.get(), later.get());
    EXPECT_EQ(image.GetDataPtr(), nullptr);
    EXPECT_FALSE(image.isVisible());
    EXPECT_TRUE(image.releaseAfterUse());
    image.show();
    EXPECT_TRUE(image.isVisible());
    EXPECT_EQ(uint16_t(image.GetPixel(1, 1).getPixel()), 0); // packed: not read as pixels
    image.unpack();
    EXPECT_EQ(uint16_t(image.GetPixel(1, 1).getPixel()), word(1, 1));
    image.hide();
    EXPECT_EQ(image.GetDataPtr(), nullptr);
    EXPECT_FALSE(image.isLoaded());

    // Shown again, it reads the file as it is now.
    saveImage(at("a.img"), 5, 2, COMPRESSION_NONE);
    image.setVisibility(true);
    EXPECT_EQ(image.Width(), 5);
    EXPECT_NE(image.GetDataPtr(), nullptr);

    std::unique_ptr<CMElement> unnamed(record({{"FILENAME", ""}, {"VISIBLE", "TRUE"}}));
    CImage none(w.get(), unnamed.get());
    EXPECT_EQ(none.GetDataPtr(), nullptr);
    EXPECT_FALSE(none.releaseAfterUse());
}

TEST_F(CImageTest, TheImageRecordMakerMakesAnImage)
{
    std::unique_ptr<CWindow> w = makeWindow();
    saveImage(at("a.img"), 2, 2, COMPRESSION_NONE);
    std::unique_ptr<CMElement> shown(record({{"TYPE", "IMAGE"}, {"FILENAME", "a.img"}, {"VISIBLE", "TRUE"}}));
    std::unique_ptr<CMElement> hidden(record({{"TYPE", "IMAGE"}, {"FILENAME", "a.img"}}));
    std::unique_ptr<CGraphicsObject> a(static_cast<CGraphicsObject*>(CMElementCreator::createObject(w.get(), shown.get())));
    std::unique_ptr<CGraphicsObject> b(static_cast<CGraphicsObject*>(CMElementCreator::createObject(w.get(), hidden.get())));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->Width(), 2);
    EXPECT_TRUE(a->IsVisible());
    EXPECT_FALSE(b->IsVisible());
}

TEST_F(CImageTest, CopiesOwnThePictureInTheFormItIsHeld)
{
    saveImage(at("a.img"), 6, 5, COMPRESSION_RLE2, 7, 8, true);
    std::unique_ptr<CImage> original(new CImage(nullptr, CXString("a.img")));
    original->toRelease(true);
    ASSERT_EQ(original->GetCompression(), COMPRESSION_RLE2);
    std::unique_ptr<CImage> clone(static_cast<CImage*>(static_cast<CGraphicsObject*>(original->clone())));
    CImage copy(nullptr, original.get());
    original.reset();
    for (CImage* image : {clone.get(), &copy}) {
        EXPECT_EQ(image->GetCompression(), COMPRESSION_RLE2);
        EXPECT_EQ(image->GetPosition(), CXPoint(7, 8));
        image->unpack();
        EXPECT_EQ(uint16_t(image->GetPixel(5, 4).getPixel()), word(5, 4));
        EXPECT_EQ(image->GetPixel(CHANNEL_ALPHA, CXPoint(1, 1)), 255);
        EXPECT_EQ(image->GetPixel(CHANNEL_ALPHA, CXPoint(1, 2)), 0);
    }
    EXPECT_EQ(clone->getFileName(), "a.img");
    EXPECT_TRUE(clone->isLoaded());
    EXPECT_TRUE(clone->releaseAfterUse());
    EXPECT_EQ(copy.CGraphicsObject::getFileName(), "");
}

} // namespace
