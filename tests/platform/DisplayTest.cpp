// Surfaces and primaries, on the headless backend: frames shown are read
// back and saved as PNG files.
#include "platform/Display.h"
#include "platform/Png.h"
#include "platform/headless/Headless.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <png.h>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

using namespace platform;

std::unique_ptr<Surface> make(int w, int h, int bpp)
{
    int error = -1;
    std::unique_ptr<Surface> s = Surface::create(w, h, bpp, &error);
    EXPECT_EQ(error, DISPLAY_OK);
    return s;
}

// Reads an 8-bit RGB PNG with libpng; empty on failure.
std::vector<uint32_t> readPng(const std::string& path, int* w, int* h)
{
    std::vector<uint32_t> out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return out;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr))
        return out;
    *w = int(image.width);
    *h = int(image.height);
    for (size_t i = 0; i + 2 < bytes.size(); i += 3)
        out.push_back(uint32_t(bytes[i]) << 16 | uint32_t(bytes[i + 1]) << 8 | bytes[i + 2]);
    return out;
}

TEST(SurfaceTest, BadSizesAndDepthsAreRefused)
{
    int error = 0;
    EXPECT_EQ(Surface::create(0, 10, 16, &error), nullptr);
    EXPECT_EQ(error, DISPLAY_INVALID_PARAMS);
    EXPECT_EQ(Surface::create(10, -1, 16, &error), nullptr);
    EXPECT_EQ(error, DISPLAY_INVALID_PARAMS);
    EXPECT_EQ(Surface::create(10, 10, 24, &error), nullptr);
    EXPECT_EQ(error, DISPLAY_INVALID_PARAMS);
    EXPECT_EQ(Surface::create(1 << 20, 1 << 20, 16, &error), nullptr);
    EXPECT_EQ(error, DISPLAY_OUT_OF_MEMORY);
    auto s = make(3, 2, 15);
    EXPECT_EQ(s->pitch(), 6);
    EXPECT_EQ(make(3, 2, 32)->pitch(), 12);
}

TEST(SurfaceTest, LockAndLoss)
{
    auto s = make(4, 4, 16);
    uint8_t* p = nullptr;
    int pitch = 0;
    ASSERT_EQ(s->lock(&p, &pitch), DISPLAY_OK);
    EXPECT_EQ(p, s->data());
    EXPECT_EQ(pitch, 8);
    p[0] = 0x34;
    p[1] = 0x12;
    ASSERT_EQ(s->unlock(), DISPLAY_OK);
    EXPECT_EQ(s->unlock(), DISPLAY_NOT_LOCKED);
    EXPECT_EQ(s->pixelAt(0, 0), 0x1234u);
    EXPECT_EQ(s->lock(nullptr), DISPLAY_INVALID_PARAMS);

    s->markLost();
    EXPECT_TRUE(s->isLost());
    uint8_t* q = nullptr;
    EXPECT_EQ(s->lock(&q), DISPLAY_SURFACE_LOST);
    EXPECT_EQ(q, nullptr);
    auto other = make(4, 4, 16);
    EXPECT_EQ(s->fill(nullptr, 1), DISPLAY_SURFACE_LOST);
    EXPECT_EQ(s->copyFast(0, 0, *other, nullptr), DISPLAY_SURFACE_LOST);
    EXPECT_EQ(other->copyFast(0, 0, *s, nullptr), DISPLAY_SURFACE_LOST);
    // Restored, it is usable again at the same address, its pixels gone.
    ASSERT_EQ(s->restore(), DISPLAY_OK);
    ASSERT_EQ(s->lock(&q), DISPLAY_OK);
    EXPECT_EQ(q, p);
    EXPECT_EQ(s->pixelAt(0, 0), 0u);
    EXPECT_EQ(s->unlock(), DISPLAY_OK);
}

TEST(SurfaceTest, CopyFillAndConvert)
{
    auto src = make(4, 3, 16);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            Rect r(x, y, x + 1, y + 1);
            ASSERT_EQ(src->fill(&r, uint32_t(y * 16 + x)), DISPLAY_OK);
        }
    auto dst = make(5, 5, 16);
    ASSERT_EQ(dst->fill(nullptr, 0xFFFF), DISPLAY_OK);
    // Fast copy of a part, clipped at the destination's edge.
    Rect part(1, 1, 4, 3);
    ASSERT_EQ(dst->copyFast(3, -1, *src, &part), DISPLAY_OK);
    EXPECT_EQ(dst->pixelAt(3, 0), 0x21u); // source (1, 2)
    EXPECT_EQ(dst->pixelAt(4, 0), 0x22u);
    EXPECT_EQ(dst->pixelAt(2, 0), 0xFFFFu);
    EXPECT_EQ(dst->pixelAt(3, 1), 0xFFFFu);
    // A source rectangle outside its surface is refused; nothing is copied.
    Rect outside(2, 0, 5, 3);
    EXPECT_EQ(dst->copyFast(0, 0, *src, &outside), DISPLAY_INVALID_RECT);
    Rect inverted(3, 0, 1, 2);
    EXPECT_EQ(dst->copyFast(0, 0, *src, &inverted), DISPLAY_INVALID_RECT);
    EXPECT_EQ(dst->pixelAt(0, 0), 0xFFFFu);
    Rect empty(1, 1, 1, 3);
    EXPECT_EQ(dst->copyFast(0, 0, *src, &empty), DISPLAY_OK);

    // Depths convert: 565 white and red to 32 bits and 15 bits.
    auto wide = make(2, 1, 32);
    auto narrow = make(2, 1, 15);
    auto pair = make(2, 1, 16);
    Rect first(0, 0, 1, 1);
    ASSERT_EQ(pair->fill(&first, 0xF800), DISPLAY_OK);
    Rect second(1, 0, 2, 1);
    ASSERT_EQ(pair->fill(&second, 0xFFFF), DISPLAY_OK);
    ASSERT_EQ(wide->copyFast(0, 0, *pair, nullptr), DISPLAY_OK);
    ASSERT_EQ(narrow->copyFast(0, 0, *pair, nullptr), DISPLAY_OK);
    EXPECT_EQ(wide->pixelAt(0, 0), 0xFF0000u);
    EXPECT_EQ(wide->pixelAt(1, 0), 0xFFFFFFu);
    EXPECT_EQ(narrow->pixelAt(0, 0), 0x7C00u);
    EXPECT_EQ(narrow->pixelAt(1, 0), 0x7FFFu);
    EXPECT_EQ(Surface::toRgb(0x07E0, 16), 0x00FF00u);
    EXPECT_EQ(Surface::fromRgb(0x00FF00, 15), 0x03E0u);

    // A copy to a larger rectangle stretches.
    auto big = make(4, 2, 16);
    ASSERT_EQ(big->copy(Rect(0, 0, 4, 2), *pair, nullptr), DISPLAY_OK);
    EXPECT_EQ(big->pixelAt(0, 0), 0xF800u);
    EXPECT_EQ(big->pixelAt(1, 1), 0xF800u);
    EXPECT_EQ(big->pixelAt(2, 0), 0xFFFFu);
    EXPECT_EQ(big->pixelAt(3, 1), 0xFFFFu);
}

TEST(SurfaceTest, ASurfaceCopiesOverlappingPartsOfItself)
{
    auto s = make(6, 1, 16);
    for (int x = 0; x < 6; ++x) {
        Rect r(x, 0, x + 1, 1);
        s->fill(&r, uint32_t(x + 1));
    }
    Rect from(0, 0, 4, 1);
    ASSERT_EQ(s->copyFast(2, 0, *s, &from), DISPLAY_OK);
    const uint32_t expected[6] = {1, 2, 1, 2, 3, 4};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(s->pixelAt(x, 0), expected[x]) << x;
}

TEST(SurfaceTest, RectanglesAsWindowsBitmaps)
{
    auto s = make(3, 2, 16);
    Rect top(0, 0, 3, 1);
    s->fill(&top, 0xF800);
    std::vector<uint8_t> bits;
    int w = 0, h = 0, stride = 0;
    ASSERT_TRUE(surfaceToBgr24(*s, Rect(0, 0, 3, 2), true, &bits, &w, &h, &stride));
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(stride, 12); // 9 bytes padded to 4
    // Bottom-up: the black row first, then the red one (blue, green, red).
    EXPECT_EQ(bits[0], 0);
    EXPECT_EQ(bits[12], 0);
    EXPECT_EQ(bits[14], 0xFF);
    EXPECT_FALSE(surfaceToBgr24(*s, Rect(5, 5, 9, 9), true, &bits, &w, &h, &stride));
}

class HeadlessDisplayTest : public ::testing::Test {
protected:
    ManualClock clock{1000};
    HeadlessPlatform platform{clock};
    Display& display = platform.display();
};

TEST_F(HeadlessDisplayTest, ThePrimaryFrameIsReadBackAndSavedAsAPng)
{
    int error = -1;
    std::unique_ptr<Primary> primary = display.createWindowed(0, Size{80, 60}, &error);
    ASSERT_NE(primary, nullptr);
    EXPECT_EQ(error, DISPLAY_OK);
    EXPECT_EQ(primary->bitsPerPixel(), 16);
    EXPECT_FALSE(primary->isFullscreen());
    EXPECT_FALSE(primary->hasBackBuffer());
    EXPECT_EQ(platform.shownFrame(0), nullptr);

    // The back buffer the window draws into: a pattern of every channel.
    std::unique_ptr<Surface> back = display.createSurface(80, 60, 16, false, &error);
    ASSERT_NE(back, nullptr);
    uint8_t* p = nullptr;
    ASSERT_EQ(back->lock(&p), DISPLAY_OK);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) {
            uint32_t v = uint32_t((x * 31 / 79) << 11 | (y * 63 / 59) << 5 | ((x + y) % 32));
            p[(y * 80 + x) * 2] = uint8_t(v);
            p[(y * 80 + x) * 2 + 1] = uint8_t(v >> 8);
        }
    back->unlock();
    // Dirty rectangles copied, then presented.
    ASSERT_EQ(primary->copyFast(0, 0, *back, nullptr), DISPLAY_OK);
    ASSERT_EQ(primary->present(), DISPLAY_OK);
    EXPECT_EQ(primary->framesShown(), 1u);
    EXPECT_EQ(platform.framesShown(0), 1u);
    const Surface* frame = platform.shownFrame(0);
    ASSERT_NE(frame, nullptr);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_EQ(frame->pixelAt(x, y), back->pixelAt(x, y)) << x << "," << y;

    testsupport::TempDir tmp;
    ASSERT_TRUE(savePng(*frame, tmp.file("frame.png")));
    int w = 0, h = 0;
    std::vector<uint32_t> read = readPng(tmp.file("frame.png"), &w, &h);
    ASSERT_EQ(w, 80);
    ASSERT_EQ(h, 60);
    ASSERT_EQ(read.size(), 80u * 60u);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_EQ(read[size_t(y * 80 + x)], Surface::toRgb(back->pixelAt(x, y), 16)) << x << "," << y;
    EXPECT_FALSE(savePng(*frame, tmp.file("missing/folder/frame.png")));

    // Later changes do not touch the frame shown until the next present.
    primary->fill(nullptr, 0);
    EXPECT_EQ(platform.shownFrame(0)->pixelAt(79, 59), back->pixelAt(79, 59));
}

// The frame shown is copied out of the front only when it is read, so each
// way the front can change or go must keep it first.
TEST_F(HeadlessDisplayTest, TheFrameShownStaysUntilTheNextOneWhateverTheFrontDoes)
{
    struct Change {
        const char* name;
        std::function<void(std::unique_ptr<Primary>&, const Surface&)> apply;
    };
    const Change changes[] = {
        {"copy", [](std::unique_ptr<Primary>& p, const Surface& s) { p->copyFast(0, 0, s, nullptr); }},
        {"stretch", [](std::unique_ptr<Primary>& p, const Surface& s) { p->copy(Rect(0, 0, 8, 6), s, nullptr); }},
        {"copy from itself",
         [](std::unique_ptr<Primary>& p, const Surface&) {
             const Rect part(0, 0, 4, 3);
             p->copyFast(1, 1, *p, &part);
         }},
        {"fill", [](std::unique_ptr<Primary>& p, const Surface&) { p->fill(nullptr, 0x1234); }},
        {"lock",
         [](std::unique_ptr<Primary>& p, const Surface&) {
             uint8_t* pixels = nullptr;
             ASSERT_EQ(p->lock(&pixels), DISPLAY_OK);
             pixels[0] = 0xFF;
             p->unlock();
         }},
        {"lost and restored",
         [](std::unique_ptr<Primary>& p, const Surface&) {
             p->markLost();
             p->restore();
         }},
        {"deleted", [](std::unique_ptr<Primary>& p, const Surface&) { p.reset(); }},
    };
    auto first = make(8, 6, 16), second = make(8, 6, 16);
    for (int i = 0; i < 48; ++i) {
        first->fill(nullptr, 0);
        const Rect pixel(i % 8, i / 8, i % 8 + 1, i / 8 + 1);
        first->fill(&pixel, uint32_t(0x0841 * (i + 1)));
    }
    second->fill(nullptr, 0xF800);
    auto shownIs = [&](const Surface& expected) {
        const Surface* frame = platform.shownFrame(0);
        if (!frame)
            return false;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                if (frame->pixelAt(x, y) != expected.pixelAt(x, y))
                    return false;
        return true;
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        int error = -1;
        std::unique_ptr<Primary> primary = display.createWindowed(0, Size{8, 6}, &error);
        ASSERT_NE(primary, nullptr);
        primary->beginFrame();
        ASSERT_EQ(primary->copyFast(0, 0, *first, nullptr), DISPLAY_OK);
        ASSERT_EQ(primary->present(), DISPLAY_OK);
        c.apply(primary, *second);
        EXPECT_TRUE(shownIs(*first));
        if (!primary)
            continue;
        // A frame drawn between beginFrame and present replaces it.
        primary->beginFrame();
        ASSERT_EQ(primary->copyFast(0, 0, *second, nullptr), DISPLAY_OK);
        ASSERT_EQ(primary->present(), DISPLAY_OK);
        EXPECT_TRUE(shownIs(*second));
    }
}

// copyFastEach gives what copyFast of each rectangle in turn gives, on a
// windowed primary addressed on the screen.
TEST_F(HeadlessDisplayTest, RectanglesCopiedInOneSweepAsOneAtATime)
{
    struct Case {
        const char* name;
        int depth;
        Point at;
        std::vector<Rect> rects;
    };
    const Case cases[] = {
        {"dirty rectangles of staggered rows", 16, Point{100, 50},
         {Rect(0, 0, 8, 10), Rect(10, 3, 18, 12), Rect(20, 0, 28, 30), Rect(0, 10, 8, 20), Rect(10, 12, 18, 13),
          Rect(30, 25, 40, 30), Rect(8, 0, 10, 30)}},
        {"clipped by the client area", 16, Point{97, 45},
         {Rect(0, 0, 10, 10), Rect(12, 5, 40, 9), Rect(0, 20, 40, 26), Rect(5, 27, 9, 30)}},
        {"empty, outside and inverted ones among them", 16, Point{100, 50},
         {Rect(2, 2, 6, 6), Rect(5, 5, 5, 9), Rect(30, 0, 41, 4), Rect(9, 9, 7, 12), Rect(20, 20, 30, 28)}},
        {"another depth", 32, Point{100, 50}, {Rect(0, 0, 8, 10), Rect(10, 3, 18, 12)}},
    };
    platform.setClientOrigin(0, Point{100, 50});
    auto src = make(40, 30, 16);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const Rect pixel(x, y, x + 1, y + 1);
            src->fill(&pixel, uint32_t(x * 1637 + y * 40503) & 0xFFFF);
        }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform.setDesktopDepth(c.depth);
        int error = -1;
        std::unique_ptr<Primary> swept = display.createWindowed(0, Size{40, 30}, &error);
        std::unique_ptr<Primary> each = display.createWindowed(0, Size{40, 30}, &error);
        ASSERT_NE(swept, nullptr);
        ASSERT_NE(each, nullptr);
        int expected = DISPLAY_OK;
        for (const Rect& r : c.rects) {
            const int code = each->copyFast(c.at.x + r.left, c.at.y + r.top, *src, &r);
            expected = expected == DISPLAY_OK ? code : expected;
        }
        EXPECT_EQ(swept->copyFastEach(c.at.x, c.at.y, *src, c.rects.data(), int(c.rects.size())), expected);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(swept->pixelAt(x, y), each->pixelAt(x, y)) << x << "," << y;
    }
    EXPECT_EQ(make(4, 4, 16)->copyFastEach(0, 0, *src, nullptr, 1), DISPLAY_INVALID_PARAMS);
}

TEST_F(HeadlessDisplayTest, AWindowedPrimaryIsAddressedOnTheScreen)
{
    platform.setDesktopDepth(32);
    platform.setClientOrigin(0, Point{100, 50});
    int error = -1;
    std::unique_ptr<Primary> primary = display.createWindowed(0, Size{20, 10}, &error);
    ASSERT_NE(primary, nullptr);
    EXPECT_EQ(display.desktopDepth(), 32);
    EXPECT_EQ(primary->bitsPerPixel(), 32);
    uint32_t r = 0, g = 0, b = 0;
    primary->pixelMasks(&r, &g, &b);
    EXPECT_EQ(r | g | b, 0xFFFFFFu);
    EXPECT_EQ(primary->clientOrigin().x, 100);
    auto src = make(4, 4, 16);
    src->fill(nullptr, 0x001F);
    // Client (2, 3) is screen (102, 53); what falls outside the client is clipped.
    ASSERT_EQ(primary->copyFast(102, 53, *src, nullptr), DISPLAY_OK);
    ASSERT_EQ(primary->copyFast(98, 58, *src, nullptr), DISPLAY_OK);
    EXPECT_EQ(primary->pixelAt(2, 3), 0x0000FFu);
    EXPECT_EQ(primary->pixelAt(5, 6), 0x0000FFu);
    EXPECT_EQ(primary->pixelAt(6, 6), 0u);
    EXPECT_EQ(primary->pixelAt(0, 9), 0x0000FFu);
    EXPECT_EQ(primary->pixelAt(2, 9), 0u);

    // The second window is at (1024, 0) unless there is none.
    std::unique_ptr<Primary> second = display.createWindowed(1, Size{20, 10}, &error);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->clientOrigin().x, 1024);
    second->present();
    EXPECT_EQ(platform.framesShown(1), 1u);
    EXPECT_EQ(platform.framesShown(0), 0u);
    platform.setSecondWindow(false);
    EXPECT_EQ(display.createWindowed(1, Size{20, 10}, &error), nullptr);
    EXPECT_EQ(error, DISPLAY_UNAVAILABLE);
    EXPECT_EQ(display.createWindowed(0, Size{0, 10}, &error), nullptr);
    EXPECT_EQ(error, DISPLAY_INVALID_PARAMS);
}

TEST_F(HeadlessDisplayTest, FullScreenDepthsFlippingAndItsFailures)
{
    int error = -1;
    platform.refuseFullscreenDepth(16, true);
    EXPECT_EQ(display.createFullscreen(Size{800, 600}, 16, true, &error), nullptr);
    EXPECT_EQ(error, DISPLAY_UNSUPPORTED_MODE);
    EXPECT_EQ(display.createFullscreen(Size{800, 600}, 24, true, &error), nullptr);
    EXPECT_EQ(error, DISPLAY_INVALID_PARAMS);
    std::unique_ptr<Primary> primary = display.createFullscreen(Size{8, 6}, 15, true, &error);
    ASSERT_NE(primary, nullptr);
    EXPECT_TRUE(primary->isFullscreen());
    ASSERT_TRUE(primary->hasBackBuffer());
    Surface* back = primary->backBuffer();
    back->fill(nullptr, 0x7C00);
    EXPECT_EQ(primary->pixelAt(0, 0), 0u);
    ASSERT_EQ(primary->flip(), DISPLAY_OK);
    EXPECT_EQ(primary->pixelAt(7, 5), 0x7C00u);
    EXPECT_EQ(platform.shownFrame(0)->pixelAt(7, 5), 0x7C00u);
    // Losing the primary loses its back buffer; restoring restores both.
    primary->markLost();
    EXPECT_TRUE(back->isLost());
    EXPECT_EQ(primary->flip(), DISPLAY_SURFACE_LOST);
    EXPECT_EQ(primary->present(), DISPLAY_SURFACE_LOST);
    ASSERT_EQ(primary->restore(), DISPLAY_OK);
    EXPECT_FALSE(back->isLost());
    EXPECT_EQ(primary->flip(), DISPLAY_OK);

    // Without a flipping chain full screen falls back to a plain primary.
    platform.failFlipChain(true);
    std::unique_ptr<Primary> plain = display.createFullscreen(Size{8, 6}, 32, true, &error);
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->hasBackBuffer());
    EXPECT_EQ(plain->backBuffer(), nullptr);
    EXPECT_EQ(plain->flip(), DISPLAY_NO_BACK_BUFFER);
    EXPECT_EQ(plain->waitForVerticalBlank(), DISPLAY_OK);
}

TEST_F(HeadlessDisplayTest, LosingSurfacesLosesEveryOneMade)
{
    int error = -1;
    std::unique_ptr<Primary> primary = display.createWindowed(0, Size{8, 8}, &error);
    std::unique_ptr<Surface> a = display.createSurface(8, 8, 16, true, &error);
    std::unique_ptr<Surface> b = display.createSurface(8, 8, 16, false, &error);
    std::unique_ptr<Surface> mine = make(8, 8, 16);
    EXPECT_EQ(display.createSurface(0, 8, 16, false, &error), nullptr);
    EXPECT_EQ(error, DISPLAY_INVALID_PARAMS);
    b.reset();
    platform.loseSurfaces();
    EXPECT_TRUE(primary->isLost());
    EXPECT_TRUE(a->isLost());
    EXPECT_FALSE(mine->isLost()); // not the display's
    EXPECT_EQ(primary->copyFast(0, 0, *a, nullptr), DISPLAY_SURFACE_LOST);
    uint8_t* p = nullptr;
    EXPECT_EQ(a->lock(&p), DISPLAY_SURFACE_LOST);
    a->restore();
    primary->restore();
    EXPECT_EQ(primary->copyFast(0, 0, *a, nullptr), DISPLAY_OK);
}

} // namespace
