// Whole-image operations of the drawable: copying, cropping, mirroring,
// filling, colours, outlines, placement, scaling, alpha stamps and
// displacement, each checked pixel for pixel and with areas that reach
// outside the image.
#include "graphics/GraphicsObject.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Words = std::vector<uint16_t>;
using Bytes = std::vector<unsigned char>;

// A w x h image of that depth whose word at (x, y) is word(x, y) and, when
// plane is given, whose alpha byte there is plane(x, y).
std::unique_ptr<CGraphicsObject> image(int w, int h, int bpp, const std::function<uint16_t(int, int)>& word,
                                       const std::function<uint8_t(int, int)>& plane = nullptr)
{
    std::unique_ptr<CGraphicsObject> g(new CGraphicsObject(nullptr));
    g->SetBpp(bpp);
    g->alloc(CXSize(w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint16_t v = word(x, y);
            std::memcpy(g->GetDataPtr() + (y * w + x) * 2, &v, 2);
        }
    if (plane) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                g->GetChannelAlpha()[y * w + x] = char(plane(x, y));
    } else {
        delete[] g->GetChannelAlpha();
        g->AlphaChannel(nullptr);
    }
    return g;
}

// Pixel (x, y) of a w-wide image numbered y * 10 + x + 1.
uint16_t numbered(int x, int y) { return uint16_t(y * 10 + x + 1); }

Words words(CGraphicsObject* g)
{
    Words out(size_t(g->Width()) * g->Height());
    if (!out.empty())
        std::memcpy(out.data(), g->GetDataPtr(), out.size() * 2);
    return out;
}

Bytes plane(CGraphicsObject* g)
{
    const char* a = g->GetChannelAlpha();
    return a ? Bytes(a, a + size_t(g->Width()) * g->Height()) : Bytes();
}

// The words of the image numbered as above over the rectangle.
Words numberedPart(int left, int top, int right, int bottom)
{
    Words out;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            out.push_back(numbered(x, y));
    return out;
}

std::string dims(CGraphicsObject* g) { return std::to_string(g->Width()) + "x" + std::to_string(g->Height()); }

struct Screen : CRefreshScreenIfc {
    void invalidateArea(CXRect* r) override { areas.push_back(*r); }
    void removeDrawable(CGraphicsObject*) override {}
    std::vector<CXRect> areas;
};

TEST(CGraphicsObjectImageTest, CopyMakesAnOwnedCopy)
{
    auto source = image(6, 4, 16, numbered, [](int x, int y) { return uint8_t(x * 40 + y); });
    source->setFileName("pic");
    source->SetPosition(5, 7);

    CGraphicsObject whole(nullptr, CXSize(50, 50), 15);
    whole.Copy(source.get());
    EXPECT_EQ(whole.getFileName(), CXString("piccopy"));
    EXPECT_EQ(dims(&whole), "6x4");
    EXPECT_EQ(whole.GetBpp(), 16);
    EXPECT_EQ(whole.GetPosition(), CXPoint(5, 7));
    EXPECT_EQ(whole.GetPitch(), 6);
    EXPECT_TRUE(whole.ownsData());
    EXPECT_NE(whole.GetDataPtr(), source->GetDataPtr());
    EXPECT_EQ(words(&whole), words(source.get()));
    EXPECT_EQ(plane(&whole), plane(source.get()));
    // Rows of the copy are its width long: putPixel reaches the last pixel
    // (each channel c x 255 / 256 with alpha 255).
    whole.putPixel(5, 3, 0x1234, 255, true);
    EXPECT_EQ(uint16_t(whole.GetPixel(5, 3).getPixel()), 0x0A13);
    EXPECT_EQ(uint16_t(whole.GetPixel(4, 3).getPixel()), numbered(4, 3));

    // Inside its clipping rectangle only.
    source->SetClippingRect(1, 1, 4, 3);
    CGraphicsObject part(nullptr);
    part.Copy(source.get());
    EXPECT_EQ(dims(&part), "3x2");
    EXPECT_EQ(part.GetPitch(), 3);
    EXPECT_TRUE(part.GetClippingRect().IsEmpty());
    EXPECT_EQ(part.GetPosition(), CXPoint(5, 7));
    EXPECT_EQ(words(&part), numberedPart(1, 1, 4, 3));
    EXPECT_EQ(plane(&part), Bytes({41, 81, 121, 42, 82, 122}));

    // A packed source gives all its pixels and stays packed as it was.
    source->SetClippingRect(CXRect());
    source->Compress(COMPRESSION_RLE2);
    char* packed = source->GetDataPtr();
    CGraphicsObject fromPacked(nullptr);
    fromPacked.Copy(source.get());
    EXPECT_EQ(fromPacked.GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(words(&fromPacked), numberedPart(0, 0, 6, 4));
    EXPECT_EQ(fromPacked.GetChannelSize(3), 24);
    EXPECT_EQ(source->GetCompression(), COMPRESSION_RLE2);
    EXPECT_EQ(source->GetDataPtr(), packed);
}

TEST(CGraphicsObjectImageTest, CopyOfARectangleReachingOutside)
{
    auto source = image(6, 4, 15, numbered, [](int, int) { return uint8_t(255); });
    CGraphicsObject g(nullptr);
    g.Copy(source.get(), CXRect(4, 2, 8, 6));
    EXPECT_EQ(dims(&g), "4x4");
    EXPECT_EQ(g.GetPosition(), CXPoint(4, 2));
    EXPECT_EQ(g.GetBpp(), 15);
    EXPECT_EQ(words(&g), Words({25, 26, 0, 0, 35, 36, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(plane(&g), Bytes({255, 255, 0, 0, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // Wholly outside: zeros; four equal coordinates: the whole source.
    g.Copy(source.get(), CXRect(-9, -9, -7, -8));
    EXPECT_EQ(words(&g), Words({0, 0}));
    g.Copy(source.get(), CXRect(3, 3, 3, 3));
    EXPECT_EQ(words(&g), numberedPart(0, 0, 6, 4));
    // A rectangle wider than int reaches gives no pixels.
    CGraphicsObject far(nullptr);
    far.Copy(source.get(), CXRect(INT_MIN, 0, INT_MAX, 1));
    EXPECT_EQ(far.GetDataPtr(), nullptr);
    // A copy of itself changes nothing.
    g.Copy(&g);
    EXPECT_EQ(words(&g), numberedPart(0, 0, 6, 4));
}

TEST(CGraphicsObjectImageTest, CropKeepsTheLimitedPart)
{
    auto g = image(100, 100, 16, [](int x, int y) { return uint16_t(y * 100 + x); },
                   [](int x, int y) { return uint8_t(x + y); });
    g->SetPosition(3, 4);
    g->crop(CXRect(10, 10, 20, 20));
    EXPECT_EQ(dims(g.get()), "10x10");
    EXPECT_EQ(g->GetPosition(), CXPoint(3, 4));
    EXPECT_EQ(g->GetDataSize(), 200);
    EXPECT_EQ(uint16_t(g->GetPixel(0, 0).getPixel()), 1010);
    EXPECT_EQ(uint16_t(g->GetPixel(9, 9).getPixel()), 1919);
    EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(9, 0)), 29);

    char* pixels = g->GetDataPtr();
    g->crop(CXRect(-50, -50, 500, 500));
    EXPECT_EQ(dims(g.get()), "10x10");
    EXPECT_EQ(g->GetDataPtr(), pixels);
    g->crop(CXRect(-5, 7, 2, 50));
    EXPECT_EQ(dims(g.get()), "2x3");
    EXPECT_EQ(words(g.get()), Words({1710, 1711, 1810, 1811, 1910, 1911}));
    g->crop(CXRect(40, 40, 60, 60));
    EXPECT_EQ(dims(g.get()), "0x0");
    EXPECT_EQ(g->GetDataPtr(), nullptr);
}

TEST(CGraphicsObjectImageTest, FlipsMirrorAndToggle)
{
    auto g = image(3, 2, 16, numbered, [](int x, int y) { return uint8_t(10 * y + x); });
    g->FlipH();
    EXPECT_EQ(words(g.get()), Words({11, 12, 13, 1, 2, 3}));
    EXPECT_EQ(plane(g.get()), Bytes({10, 11, 12, 0, 1, 2}));
    g->FlipH();
    EXPECT_EQ(words(g.get()), Words({1, 2, 3, 11, 12, 13}));
    g->FlipV();
    EXPECT_EQ(words(g.get()), Words({3, 2, 1, 13, 12, 11}));
    EXPECT_EQ(plane(g.get()), Bytes({2, 1, 0, 12, 11, 10}));
    g->FlipH();
    g->resetFlips();
    EXPECT_EQ(words(g.get()), Words({1, 2, 3, 11, 12, 13}));
    g->resetFlips();
    EXPECT_EQ(words(g.get()), Words({1, 2, 3, 11, 12, 13}));

    // Three-byte pixels, as a Targa file holds them.
    CGraphicsObject rgb(nullptr, CXSize(2, 2), 24);
    const unsigned char bytes[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    std::memcpy(rgb.GetDataPtr(), bytes, 12);
    rgb.FlipH();
    rgb.FlipV();
    EXPECT_EQ(Bytes(rgb.GetDataPtr(), rgb.GetDataPtr() + 12), Bytes({10, 11, 12, 7, 8, 9, 4, 5, 6, 1, 2, 3}));
}

TEST(CGraphicsObjectImageTest, EditsOfPackedAndOpenImagesLast)
{
    // A packed image is opened for the edit and packed again.
    auto packed = image(40, 3, 16, [](int x, int) { return uint16_t(x / 8); }, [](int x, int) { return uint8_t(x); });
    packed->Compress(COMPRESSION_RLE2);
    packed->FlipV();
    packed->replace_color(4, 99);
    EXPECT_EQ(packed->GetCompression(), COMPRESSION_RLE2);
    packed->unpack();
    EXPECT_EQ(uint16_t(packed->GetPixel(0, 2).getPixel()), 99);
    EXPECT_EQ(uint16_t(packed->GetPixel(39, 2).getPixel()), 0);
    EXPECT_EQ(packed->GetPixel(CHANNEL_ALPHA, CXPoint(0, 0)), 39);

    // An open image keeps the edit when it is packed and opened again.
    packed->FlipV();
    packed->replace_color(3, 7);
    packed->pack(true);
    packed->unpack();
    EXPECT_EQ(uint16_t(packed->GetPixel(0, 1).getPixel()), 0);
    EXPECT_EQ(uint16_t(packed->GetPixel(39, 1).getPixel()), 99);
    EXPECT_EQ(uint16_t(packed->GetPixel(24, 1).getPixel()), 7);
    EXPECT_EQ(packed->GetPixel(CHANNEL_ALPHA, CXPoint(39, 1)), 39);
}

TEST(CGraphicsObjectImageTest, FillsStayInsideTheImage)
{
    auto g = image(4, 3, 15, numbered);
    CColor red(255, 0, 0);
    g->Fill(CXRect(-2, -2, 2, 2), &red);
    EXPECT_EQ(words(g.get()), Words({0x7C00, 0x7C00, 3, 4, 0x7C00, 0x7C00, 13, 14, 21, 22, 23, 24}));
    g->Fill(CXRect(3, 0, 3, 9), &red);
    g->Fill(CXRect(9, 9, 12, 12), &red);
    EXPECT_EQ(uint16_t(g->GetPixel(3, 0).getPixel()), 4);
    CColor green(0, 255, 0);
    g->Fill(CXRect(1, 2, 100, 100), &green);
    EXPECT_EQ(words(g.get()), Words({0x7C00, 0x7C00, 3, 4, 0x7C00, 0x7C00, 13, 14, 21, 0x3E0, 0x3E0, 0x3E0}));
    g->Fill(&red);
    EXPECT_EQ(words(g.get()), Words(12, 0x7C00));

    auto sixteen = image(2, 2, 16, numbered);
    sixteen->Fill(&green);
    EXPECT_EQ(words(sixteen.get()), Words(4, 0x7E0));
    CGraphicsObject wide(nullptr, CXSize(2, 1), 32);
    CColor value(0x11223344);
    wide.Fill(&value);
    uint32_t pixels[2];
    std::memcpy(pixels, wide.GetDataPtr(), 8);
    EXPECT_EQ(pixels[0], 0x11223344u);
    EXPECT_EQ(pixels[1], 0x11223344u);
    CGraphicsObject rgb(nullptr, CXSize(1, 1), 24);
    rgb.Fill(&value);
    EXPECT_EQ(rgb.GetDataPtr()[0], 0);
}

TEST(CGraphicsObjectImageTest, GreyInversionAndReplacement)
{
    struct Case {
        int bpp;
        uint16_t before, grey, inverted;
    } cases[] = {
        {15, 0x7FFF, 0x7FFF, 0x0000}, {15, 0x7C00, 0x294A, 0x03FF}, {15, 0x0000, 0x0000, 0x7FFF},
        {15, 0x0C41, 0x0842, 0x73BE}, {16, 0xF800, 0x528A, 0xF800}, {16, 0xFFFF, 0xFFDF, 0xFFFF},
        {16, 0x07E0, 0x528A, 0x07E0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        auto g = image(3, 1, c.bpp, [&](int, int) { return c.before; });
        g->ToGrayScale();
        EXPECT_EQ(words(g.get()), Words(3, c.grey));
        auto h = image(3, 1, c.bpp, [&](int, int) { return c.before; });
        h->InvertColors();
        EXPECT_EQ(words(h.get()), Words(3, c.inverted));
    }
    auto g = image(3, 2, 16, [](int x, int) { return uint16_t(x == 1 ? 0xF81F : 0x1234); });
    g->replace_color(short(0xF81F), 0x0001);
    EXPECT_EQ(words(g.get()), Words({0x1234, 1, 0x1234, 0x1234, 1, 0x1234}));
    CGraphicsObject empty(nullptr);
    empty.ToGrayScale();
    empty.InvertColors();
}

TEST(CGraphicsObjectImageTest, OutlineFramesTheImage)
{
    auto g = image(5, 4, 16, [](int, int) { return uint16_t(1); }, [](int, int) { return uint8_t(0); });
    g->outline(9, 1);
    EXPECT_EQ(words(g.get()), Words({9, 9, 9, 9, 9, 9, 1, 1, 1, 9, 9, 1, 1, 1, 9, 9, 9, 9, 9, 9}));
    EXPECT_EQ(plane(g.get()), Bytes({255, 255, 255, 255, 255, 255, 0, 0, 0, 255, 255, 0, 0, 0, 255, 255, 255, 255,
                                     255, 255}));
    // Deeper than half the size: everything, and nothing past the image.
    g->outline(7, 40);
    EXPECT_EQ(words(g.get()), Words(20, 7));
    EXPECT_EQ(plane(g.get()), Bytes(20, 255));
}

TEST(CGraphicsObjectImageTest, FitCentres)
{
    CGraphicsObject g(nullptr, CXSize(10, 6), 16);
    g.FitRect(CXRect(0, 0, 100, 51));
    EXPECT_EQ(g.GetPosition(), CXPoint(45, 22));
    g.FitRect(CXRect(0, 0, 3, 3));
    EXPECT_EQ(g.GetPosition(), CXPoint(-3, -1));
    CGraphicsObject frame(nullptr, CXSize(20, 20), 16);
    frame.SetPosition(100, 200);
    g.FitObject(&frame);
    EXPECT_EQ(g.GetPosition(), CXPoint(105, 207));
    g.FitRect(CXRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    EXPECT_EQ(g.GetPosition(), CXPoint(-6, -4));
    g.FitObject(&frame);
    g.FitObject(nullptr);
    EXPECT_EQ(g.GetPosition(), CXPoint(105, 207));
}

TEST(CGraphicsObjectImageTest, ScalingTakesTheNearestPixels)
{
    auto g = image(3, 3, 16, numbered, [](int x, int y) { return uint8_t(x + 3 * y); });
    g->Scale(2.0, 2.0);
    ASSERT_EQ(dims(g.get()), "6x6");
    EXPECT_EQ(g->GetPitch(), 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(uint16_t(g->GetPixel(x, y).getPixel()), numbered(x / 2, y / 2)) << x << "," << y;
            EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(x, y)), x / 2 + 3 * (y / 2));
        }

    auto h = image(4, 2, 15, numbered);
    h->Scale(0.5, 1.0);
    EXPECT_EQ(dims(h.get()), "2x2");
    EXPECT_EQ(words(h.get()), Words({1, 3, 11, 13}));
    h->Scale(0.0, 1.0);
    h->Scale(1e300, 1e300);
    EXPECT_EQ(dims(h.get()), "2x2");
    h->Scale(0.4, 1.0);
    EXPECT_EQ(dims(h.get()), "0x2");
    EXPECT_EQ(h->GetDataPtr(), nullptr);

    auto k = image(5, 3, 16, numbered, [](int x, int) { return uint8_t(x); });
    k->Scale2x();
    EXPECT_EQ(dims(k.get()), "2x1");
    EXPECT_EQ(words(k.get()), Words({1, 3}));
    EXPECT_EQ(plane(k.get()), Bytes({0, 2}));
}

TEST(CGraphicsObjectImageTest, AlphaStampsAreUndone)
{
    auto g = image(6, 6, 16, numbered, [](int, int) { return uint8_t(255); });
    Screen screen;
    g->SetCanvas(&screen);
    g->SetPosition(100, 50);
    auto stamp = image(3, 3, 16, numbered, [](int x, int y) { return uint8_t(y * 3 + x); });

    g->mergeAlpha(CXPoint(1, 1), stamp.get());
    EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(1, 1)), 0);
    EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(3, 3)), 8);
    ASSERT_EQ(screen.areas.size(), 1u);
    EXPECT_EQ(screen.areas[0], CXRect(101, 51, 104, 54));

    // A second stamp puts the first place back.
    g->mergeAlpha(CXPoint(4, 4), stamp.get());
    EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(1, 1)), 255);
    EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(3, 3)), 255);
    EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(5, 5)), 4);
    EXPECT_EQ(screen.areas.back(), CXRect(104, 54, 106, 56));

    // Above and left of the image: the stamp's lower right corner.
    g->mergeAlpha(CXPoint(-2, -1), stamp.get());
    EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(5, 5)), 255);
    EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(0, 0)), 5);
    EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(0, 1)), 8);
    EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(1, 0)), 255);
    g->restoreAlpha(stamp.get());
    EXPECT_EQ(plane(g.get()), Bytes(36, 255));
    g->mergeAlpha(CXPoint(-2, -1), stamp.get());
    // Right of the image: only the previous stamp is undone.
    g->mergeAlpha(CXPoint(6, 0), stamp.get());
    EXPECT_EQ(plane(g.get()), Bytes(36, 255));
    // Wholly above, or as far away as int goes: nothing is stamped.
    g->mergeAlpha(CXPoint(0, -3), stamp.get());
    g->mergeAlpha(CXPoint(INT_MIN, INT_MIN), stamp.get());
    g->mergeAlpha2(CXPoint(INT_MAX, INT_MIN), stamp.get(), false);
    EXPECT_EQ(plane(g.get()), Bytes(36, 255));
    g->SetCanvas(nullptr);
}

TEST(CGraphicsObjectImageTest, MergeAlpha2KeepsTransparencyInsideTheImage)
{
    auto g = image(4, 3, 16, numbered, [](int x, int) { return uint8_t(x == 0 ? 0 : 100); });
    auto stamp = image(3, 3, 16, numbered, [](int x, int y) { return uint8_t(10 + y * 3 + x); });
    g->mergeAlpha2(CXPoint(-1, 1), stamp.get(), false);
    EXPECT_EQ(plane(g.get()), Bytes({0, 100, 100, 100, 0, 12, 100, 100, 0, 15, 100, 100}));
    g->mergeAlpha2(CXPoint(2, -1), stamp.get(), true);
    EXPECT_EQ(plane(g.get()), Bytes({255, 255, 13, 14, 255, 255, 16, 17, 255, 255, 255, 255}));
}

TEST(CGraphicsObjectImageTest, DisplacementTakesOffsetPixels)
{
    auto g = image(3, 2, 16, numbered, [](int x, int y) { return uint8_t(x + 10 * y); });
    std::vector<CXPoint> zero(6, CXPoint(0, 0));
    g->displacementFilter(zero.data(), true, true);
    EXPECT_EQ(words(g.get()), Words({1, 2, 3, 11, 12, 13}));

    // One to the right reads on into the next row; past the last pixel a
    // pixel keeps its own.
    std::vector<CXPoint> right(6, CXPoint(1, 0));
    right[0] = CXPoint(0, 1);
    g->displacementFilter(right.data(), true, true);
    EXPECT_EQ(words(g.get()), Words({11, 3, 11, 12, 13, 13}));
    EXPECT_EQ(plane(g.get()), Bytes({10, 2, 10, 11, 12, 12}));

    // Without freeOld the old buffers are the caller's.
    char* old = g->GetDataPtr();
    char* oldPlane = g->GetChannelAlpha();
    std::vector<CXPoint> up(6, CXPoint(0, -1));
    g->displacementFilter(up.data(), false, false);
    EXPECT_EQ(words(g.get()), Words({11, 3, 11, 11, 3, 11}));
    EXPECT_EQ(g->GetChannelAlpha(), oldPlane);
    EXPECT_NE(g->GetDataPtr(), old);
    delete[] old;
}

} // namespace
