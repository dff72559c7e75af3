// The image file loader: the drawable made for each extension, writing a
// drawable by extension, and pictures of every reader loaded through it and
// drawn on the headless screen.
#include "base/File.h"
#include "graphics/Image.h"
#include "graphics/ImageFile.h"
#include "graphics/PSD.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Targa.h"
#include "media/Animo.h"
#include "media/AnimoEvents.h"
#include "media/Frame.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"
#include "ImageFileData.h"
#include "JpegData.h"
#include "ScreenSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using imagedata::Bytes;

class CImageFileTest : public screentest::HeadlessScreen {
protected:
    CImageFileTest() { EXPECT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(dir.path()))); }

    void put(const std::string& name, const Bytes& bytes) { dir.write(name, std::string(bytes.begin(), bytes.end())); }

    testsupport::TempDir dir;
    testsupport::CwdGuard cwd;
};

TEST_F(CImageFileTest, MakesTheDrawableOfEachExtension)
{
    put("a.JPG", jpegdata::solid(3, 2, {0, 0, 255}));
    put("b.jpg", jpegdata::solid(3, 2, {0, 0, 255}));
    put("c.tga", imagedata::targa(1, 1, 24).bytes({1, 2, 3}).b);
    put("d.bmp", Bytes(60, 1));
    struct Case {
        const char* name;
        _filetype type;
        int width;
        int error;
    } cases[] = {
        {"a.JPG", FILETYPE_IMAGE, 3, 0},    {"B.JPG", FILETYPE_IMAGE, 3, 0},
        {"none.img", FILETYPE_IMAGE, 0, 2000}, {"c.TGA", FILETYPE_TARGA, 1, 0},
        {"d.bmp", FILETYPE_BITMAP, 0, 0},    {"e.psd", FILETYPE_PSD, 0, 2000},
        {"f.Ann", FILETYPE_ANIMATION, 0, 2000},
    };
    for (const Case& c : cases) {
        CImageFile loader(nullptr);
        EXPECT_EQ(loader.Load(CXString(c.name)), c.type) << c.name;
        std::unique_ptr<CGraphicsObject> made(loader.getObject());
        ASSERT_TRUE(made) << c.name;
        EXPECT_EQ(made->Width(), c.width) << c.name;
        EXPECT_EQ(made->LastError(), c.error) << c.name;
    }
    CImageFile loader(nullptr);
    loader.Load(CXString("b.jpg"));
    std::unique_ptr<CGraphicsObject> kept(loader.getObject());
    EXPECT_EQ(loader.Load(CXString("g.gif")), FILETYPE_NONE);
    EXPECT_EQ(loader.getObject(), kept.get());
}

TEST_F(CImageFileTest, WritesImageAndAnimationFilesOnly)
{
    picturetest::Picture g = picturetest::picture(4, 3, [](int x, int y) { return uint16_t(x * 100 + y); });
    CImageFile writer(nullptr);
    EXPECT_EQ(writer.Save(g.get(), CXString("Out.IMG"), COMPRESSION_LZO), FILETYPE_IMAGE);
    std::unique_ptr<CGraphicsObject> copy(writer.getObject());
    ASSERT_NE(copy.get(), g.get());
    EXPECT_EQ(copy->LastError(), 0);
    CImage back(nullptr, CXString("out.img"));
    EXPECT_EQ(back.LastError(), 0);
    EXPECT_EQ(uint16_t(back.GetPixel(3, 2).getPixel()), 302);

    // An animation is written by its own writer and read back as one.
    CAnimo animation(nullptr);
    CFrame* frame = new CFrame(nullptr);
    frame->Copy(g.get());
    animation.appendFrame(frame);
    _annEventInfo3* event = new _annEventInfo3;
    event->setName("walk");
    event->opacity = 255;
    event->frames = {0};
    animation.appendEvent(event, {new _anmFrameInfo3});
    EXPECT_EQ(writer.Save(&animation, CXString("walk.ann"), COMPRESSION_RLE2), FILETYPE_ANIMATION);
    EXPECT_EQ(writer.getObject(), &animation);
    CImageFile reader(nullptr);
    EXPECT_EQ(reader.Load(CXString("WALK.ANN")), FILETYPE_ANIMATION);
    std::unique_ptr<CAnimo> walk(static_cast<CAnimo*>(reader.getObject()));
    ASSERT_EQ(walk->LastError(), 0);
    ASSERT_EQ(walk->GetNOF(), 1);
    CFrame* read = walk->GetFrame(0);
    read->unpack();
    EXPECT_EQ(uint16_t(read->GetPixel(3, 2).getPixel()), 302);

    EXPECT_EQ(writer.Save(g.get(), CXString("z.bmp"), COMPRESSION_NONE), FILETYPE_NONE);
    EXPECT_EQ(writer.Save(g.get(), CXString("z.jpg"), COMPRESSION_NONE), FILETYPE_NONE);
    EXPECT_FALSE(CFile::fileExists(CXString(platform::toEnginePath(dir.file("z.bmp")).c_str())));
    EXPECT_FALSE(CFile::fileExists(CXString(platform::toEnginePath(dir.file("z.jpg")).c_str())));
}

// One picture of each reader, loaded by name as the screen's background
// is, drawn by the window on the headless display: an RLE2 image with an
// alpha plane (opened when first drawn), a JPEG, a Targa and a PSD layer.
TEST_F(CImageFileTest, PicturesOfEveryReaderAreDrawnExactly)
{
    for (int depth : {16, 15}) {
        backend.setDesktopDepth(depth);
        std::unique_ptr<CWindow> w = makeWindow();
        CRefreshScreen* screen = w->GetRefreshScreenInterface();
        auto word = [](int x, int y) { return uint16_t((x * 0x0841) ^ (y * 0x1003)); };
        auto alphaAt = [](int x, int y) { return uint8_t((x / 4 + y / 4) % 2 ? 255 : 0); };
        picturetest::Picture source = picturetest::picture(40, 30, word, alphaAt);
        source->SetPosition(10, 20);
        source->Compress(COMPRESSION_RLE2);
        ASSERT_EQ(source->Save(CXString("sprite.img"), COMPRESSION_RLE2), 0);
        // One colour, which the coder keeps exactly.
        put("photo.jpg", jpegdata::solid(32, 16, {255, 0, 0}));
        imagedata::Writer tga = imagedata::targa(6, 4, 24);
        for (int stored = 0; stored < 4; ++stored)
            for (int x = 0; x < 6; ++x)
                tga.bytes({uint8_t(x * 40), uint8_t((3 - stored) * 60), 200});
        put("mark.tga", tga.b);
        imagedata::PsdLayer layer{0, 0, 5, 7, "L", {}, {}};
        for (int id : {0, 1, 2})
            layer.channels.push_back({id, 1, Bytes(35, uint8_t(id == 1 ? 255 : 0))});
        put("doc.psd", imagedata::psd({layer}, 1));

        CImageFile files(w.get());
        files.Load(CXString("SPRITE.IMG"));
        std::unique_ptr<CGraphicsObject> sprite(files.getObject());
        files.Load(CXString("photo.jpg"));
        std::unique_ptr<CGraphicsObject> photo(files.getObject());
        files.Load(CXString("mark.tga"));
        std::unique_ptr<CGraphicsObject> mark(files.getObject());
        files.Load(CXString("doc.psd"));
        std::unique_ptr<CGraphicsObject> doc(files.getObject());
        for (CGraphicsObject* g : {sprite.get(), photo.get(), mark.get(), doc.get()})
            ASSERT_EQ(g->LastError(), 0);
        ASSERT_EQ(sprite->GetCompression(), COMPRESSION_RLE2);
        photo->SetPosition(100, 100);
        mark->SetPosition(200, 50);
        CGraphicsObject* green = static_cast<CPSD*>(doc.get())->GetCurrentLayer();
        green->SetPosition(300, 300);
        screen->put(sprite.get(), 1);
        screen->put(photo.get(), 1);
        screen->put(mark.get(), 1);
        screen->put(green, 1);
        w->Tick();

        auto rgb = [depth](unsigned r, unsigned g, unsigned b) {
            return depth == 16 ? (r >> 3) << 11 | (g >> 2) << 5 | b >> 3 : (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
        };
        auto expected = [&](int x, int y) -> uint32_t {
            if (x >= 10 && x < 50 && y >= 20 && y < 50 && alphaAt(x - 10, y - 20))
                return screentest::shownAs(word(x - 10, y - 20), depth);
            if (x >= 100 && x < 132 && y >= 100 && y < 116)
                return rgb(255, 0, 0);
            if (x >= 200 && x < 206 && y >= 50 && y < 54)
                return rgb(200, (y - 50) * 60, (x - 200) * 40);
            if (x >= 300 && x < 307 && y >= 300 && y < 305)
                return rgb(0, 255, 0);
            return 0;
        };
        EXPECT_TRUE(screentest::frameIs(backend.shownFrame(0), expected, "images" + std::to_string(depth)));
    }
}

// The screen's last frame written through the drawable's writer reads
// back as the frame that was shown.
TEST_F(CImageFileTest, TheLastFrameIsSavedAsAnImageFile)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    auto scenery = [](int x, int y) { return uint16_t(x * 3 + y * 5 + (y << 8)); };
    auto picture = screentest::drawable(w.get(), 800, 600, scenery);
    screen->put(picture.get(), 0);
    w->Tick();
    ASSERT_EQ(screen->Save(CXString("shot.img"), COMPRESSION_LZO), 0);
    CImage shot(nullptr, CXString("shot.img"));
    ASSERT_EQ(shot.LastError(), 0);
    ASSERT_EQ(shot.Width(), 800);
    ASSERT_EQ(shot.Height(), 600);
    for (int y = 0; y < 600; y += 7)
        for (int x = 0; x < 800; x += 3)
            ASSERT_EQ(uint16_t(shot.GetPixel(x, y).getPixel()), scenery(x, y)) << x << "," << y;
}

} // namespace
