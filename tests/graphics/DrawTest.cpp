// Drawing one drawable into another: the choice of copy, clipping at the
// destination's edges, the copy onto a destination with alpha, and the
// dispatchers' answers for other depths.
#include "graphics/BlitRules.h"
#include "graphics/GraphicsObject.h"
#include "PictureSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

using picturetest::Picture;
using picturetest::picture;

std::vector<uint16_t> words(CGraphicsObject* g)
{
    std::vector<uint16_t> out(size_t(g->Width()) * g->Height());
    std::memcpy(out.data(), g->GetDataPtr(), out.size() * 2);
    return out;
}

uint16_t sourceWord(int x, int y) { return uint16_t(0x1000 + x * 37 + y * 1013); }
uint8_t sourceAlpha(int x, int y) { return uint8_t((x * 61 + y * 17) % 5 == 0 ? 0 : (x * 61 + y * 17) % 7 == 0 ? 255 : x * 29 + y * 41); }
uint16_t backWord(int x, int y) { return uint16_t(0x8421 ^ (x * 257 + y * 4099)); }

enum Path { PLAIN, ALPHA, MASK, BLEND, ALPHABLEND };
const char* pathName[] = {"plain", "alpha", "mask", "blend", "alphablend"};

// What one destination pixel becomes when source word s with alpha a is
// drawn on d by that path at opacity 100.
uint16_t expected(Path p, uint16_t s, uint16_t d, uint8_t a)
{
    switch (p) {
    case PLAIN:
        return s;
    case ALPHA:
        return uint16_t(blit::alphaPixel<blit::Format16>(s, d, a));
    case MASK:
        return uint16_t(blit::maskPixel(s, d, a));
    case BLEND:
        return uint16_t(blit::blendPixel<blit::Format16>(s, d, 100));
    case ALPHABLEND:
        return uint16_t(blit::alphaBlendPixel<blit::Format16>(s, d, a, 100));
    }
    return 0;
}

Picture sourceFor(Path p)
{
    bool withAlpha = p == ALPHA || p == MASK || p == ALPHABLEND;
    Picture g = picture(7, 5, sourceWord, withAlpha ? sourceAlpha : std::function<uint8_t(int, int)>());
    if (p == MASK)
        g->setAlphaAsMask(true);
    if (p == BLEND || p == ALPHABLEND)
        g->SetOpacity(100);
    return g;
}

// A 12 x 9 destination inside a buffer with four guard words left and right
// of every row and two guard rows above and below, so that its rows are
// longer than its width; nothing outside it may change.
struct GuardedDestination {
    enum { W = 12, H = 9, Pad = 4, Rows = H + 4, Pitch = W + 2 * Pad };
    std::vector<uint16_t> buffer = std::vector<uint16_t>(Pitch * Rows, 0xDEAD);
    GuardedDestination()
    {
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                at(x, y) = backWord(x, y);
    }
    uint16_t& at(int x, int y) { return buffer[(y + 2) * Pitch + Pad + x]; }
    _canvas canvas()
    {
        _canvas c;
        c.data = reinterpret_cast<char*>(&at(0, 0));
        c.bpp = 16;
        c.width = W;
        c.height = H;
        c.pitch = Pitch * 2;
        return c;
    }
    int guardsTouched()
    {
        int n = 0;
        for (int i = 0; i < Pitch * Rows; ++i) {
            int row = i / Pitch - 2, col = i % Pitch - Pad;
            if ((row < 0 || row >= H || col < 0 || col >= W) && buffer[i] != 0xDEAD)
                ++n;
        }
        return n;
    }
};

// Every path, at every placement from wholly left/above to wholly
// right/below, with and without automatic clipping and with a clipping
// rectangle: each destination pixel is what the rule makes of the source
// pixel over it, or unchanged, and the guards stay.
TEST(CGraphicsObjectDrawTest, EveryPlacementDrawsExactlyTheOverlap)
{
    for (Path p : {PLAIN, ALPHA, MASK, BLEND, ALPHABLEND})
        for (int clipped = 0; clipped < 3; ++clipped)
            for (int y = -6; y <= 10; ++y)
                for (int x = -8; x <= 13; ++x) {
                    Picture src = sourceFor(p);
                    // 0: automatic clipping; 1: none; 2: automatic within (1, 1, 6, 4).
                    src->SetAutoClip(clipped != 1);
                    CXRect own = clipped == 2 ? CXRect(1, 1, 6, 4) : CXRect();
                    src->SetClippingRect(own);
                    src->SetPosition(x, y);
                    GuardedDestination dest;
                    _canvas target = dest.canvas();
                    src->drawTo(&target);
                    ASSERT_EQ(dest.guardsTouched(), 0) << pathName[p] << " at " << x << "," << y;
                    for (int dy = 0; dy < GuardedDestination::H; ++dy)
                        for (int dx = 0; dx < GuardedDestination::W; ++dx) {
                            int sx = dx - x, sy = dy - y;
                            bool covered = sx >= 0 && sy >= 0 && sx < 7 && sy < 5 &&
                                           (own.IsEmpty() || own.IsInRect(sx, sy));
                            uint16_t want = covered ? expected(p, sourceWord(sx, sy), backWord(dx, dy), sourceAlpha(sx, sy))
                                                    : backWord(dx, dy);
                            ASSERT_EQ(dest.at(dx, dy), want) << pathName[p] << " clip " << clipped << " at " << x
                                                             << "," << y << " pixel " << dx << "," << dy;
                        }
                }
}

// The other destinations, in buffers of exactly their size (where the
// sanitizers see any stray write): 32-bit pixels by every member, and a
// destination with its own alpha plane. Pixels outside the overlap stay.
TEST(CGraphicsObjectDrawTest, ThirtyTwoBitAndAlphaDestinationsAreClippedToo)
{
    const int W = 9, H = 7;
    for (Path p : {PLAIN, ALPHA, MASK, BLEND, ALPHABLEND})
        for (int y = -6; y <= 8; ++y)
            for (int x = -8; x <= 10; ++x) {
                Picture src = sourceFor(p);
                src->SetPosition(x, y);
                std::vector<uint32_t> pixels(W * H, 0xABCDEF);
                _canvas wide;
                wide.data = reinterpret_cast<char*>(pixels.data());
                wide.bpp = 32;
                wide.width = W;
                wide.height = H;
                src->drawTo(&wide);
                src->SetClippingRect(CXRect());
                Picture withAlpha = picture(W, H, backWord, [](int, int) { return uint8_t(90); });
                src->redraw(withAlpha.get());
                for (int dy = 0; dy < H; ++dy)
                    for (int dx = 0; dx < W; ++dx) {
                        if (dx - x >= 0 && dx - x < 7 && dy - y >= 0 && dy - y < 5)
                            continue;
                        ASSERT_EQ(pixels[dy * W + dx], 0xABCDEFu) << pathName[p] << " at " << x << "," << y;
                        ASSERT_EQ(uint16_t(withAlpha->GetPixel(dx, dy).getPixel()), backWord(dx, dy));
                        ASSERT_EQ(withAlpha->GetPixel(CHANNEL_ALPHA, CXPoint(dx, dy)), 90);
                    }
            }
}

TEST(CGraphicsObjectDrawTest, AutomaticClippingKeepsTheVisiblePart)
{
    Picture dest = picture(10, 10, [](int, int) { return uint16_t(0); });
    Picture src = picture(8, 6, sourceWord);
    src->SetPosition(-3, -2);
    src->redraw(dest.get());
    EXPECT_EQ(src->GetClippingRect(), CXRect(3, 2, 8, 6));
    src->SetPosition(5, 7);
    src->SetClippingRect(CXRect(1, 1, 7, 7));
    src->redraw(dest.get());
    EXPECT_EQ(src->GetClippingRect(), CXRect(1, 1, 5, 3));

    // Wholly left: nothing drawn, the clipping rectangle as it was.
    Picture blank = picture(10, 10, [](int, int) { return uint16_t(0); });
    src->SetClippingRect(CXRect(0, 0, 2, 2));
    src->SetPosition(-8, 0);
    src->redraw(blank.get());
    EXPECT_EQ(src->GetClippingRect(), CXRect(0, 0, 2, 2));
    EXPECT_EQ(words(blank.get()), std::vector<uint16_t>(100, 0));

    // A clipping rectangle outside the visible part shows nothing, though
    // it is left without area.
    src->SetPosition(6, 0);
    src->SetClippingRect(CXRect(5, 0, 8, 6));
    src->redraw(blank.get());
    EXPECT_EQ(src->GetClippingRect(), CXRect(5, 0, 4, 6));
    EXPECT_EQ(words(blank.get()), std::vector<uint16_t>(100, 0));

    // Without automatic clipping the rectangle stays as it is.
    src->SetAutoClip(false);
    src->SetClippingRect(CXRect());
    src->SetPosition(-3, -2);
    src->redraw(blank.get());
    EXPECT_EQ(src->GetClippingRect(), CXRect());
    EXPECT_EQ(blank->GetPixel(0, 0).getPixel(), short(sourceWord(3, 2)));
}

// The destination's viewport limits the drawing inside it.
TEST(CGraphicsObjectDrawTest, ANonEmptyDestinationRectLimitsTheDrawing)
{
    Picture src = picture(6, 6, sourceWord);
    Picture dest = picture(8, 8, [](int, int) { return uint16_t(0); });
    src->SetViewport(CXRect(2, 2, 4, 8));
    src->SetPosition(1, 1);
    src->redraw(dest.get());
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            bool in = x >= 2 && x < 4 && y >= 2 && y < 7;
            EXPECT_EQ(uint16_t(dest->GetPixel(x, y).getPixel()), in ? sourceWord(x - 1, y - 1) : 0) << x << "," << y;
        }
}

TEST(CGraphicsObjectDrawTest, RedrawPicksTheCopyByOpacityAndAlpha)
{
    auto back = [](int, int) { return uint16_t(0x0000); };
    auto white = [](int, int) { return uint16_t(0xFFFF); };
    auto half = [](int, int) { return uint8_t(128); };

    // No alpha anywhere: the words are copied.
    Picture src = picture(2, 1, white);
    Picture dest = picture(2, 1, back);
    src->redraw(dest.get());
    EXPECT_EQ(words(dest.get()), (std::vector<uint16_t>{0xFFFF, 0xFFFF}));

    // Source alpha: the alpha copy, or with alphaAsMask the mask.
    src = picture(2, 1, white, half);
    dest = picture(2, 1, back);
    src->redraw(dest.get());
    EXPECT_EQ(words(dest.get())[0], 0x8410);
    src->setAlphaAsMask(true);
    src->redraw(dest.get());
    EXPECT_EQ(words(dest.get())[0], 0xFFFF);

    // Below full opacity the blend, whatever the destination has.
    src = picture(2, 1, white, half);
    src->SetOpacity(128);
    dest = picture(2, 1, back, [](int, int) { return uint8_t(7); });
    src->redraw(dest.get());
    EXPECT_EQ(words(dest.get())[0], 0x39E7); // weight (128 x 128) >> 8 = 64: 7, 15, 7
    EXPECT_EQ(dest->GetPixel(CHANNEL_ALPHA, CXPoint(0, 0)), 7);

    // A destination with alpha at full opacity: the copy onto a canvas.
    src->SetOpacity(255);
    src->redraw(dest.get());
    EXPECT_EQ(dest->GetPixel(CHANNEL_ALPHA, CXPoint(1, 0)), 135);
}

TEST(CGraphicsObjectDrawTest, CopyToCanvasCarriesTheAlpha)
{
    _canvas s, d;
    uint16_t src[5] = {0x001F, 0x001F, 0x001F, 0x001F, 0x001F};
    char srcAlpha[5] = {0, char(255), 100, 100, char(200)};
    uint16_t dst[5] = {0, 0, 0, 0, 0};
    char dstAlpha[5] = {9, 9, 0, 50, char(100)};
    s.data = (char*)src;
    s.alpha = srcAlpha;
    s.bpp = d.bpp = 16;
    s.width = d.width = 5;
    s.height = d.height = 1;
    d.data = (char*)dst;
    d.alpha = dstAlpha;
    EXPECT_TRUE(CGraphicsObject::copyToCanvas(&s, &d));
    // a = 0: nothing; a = 255 or an empty destination: copied, alpha taken;
    // else the alpha rule, the alphas added up to 255.
    EXPECT_EQ(std::vector<uint16_t>(dst, dst + 5), (std::vector<uint16_t>{0, 0x1F, 0x1F, 0x082D, 0x0839}));
    EXPECT_EQ(std::vector<int>(dstAlpha, dstAlpha + 5), (std::vector<int>{9, -1, 100, -106, -1}));

    // Without source alpha: copied, the destination made opaque.
    s.alpha = nullptr;
    dstAlpha[0] = 0;
    dst[0] = 5;
    EXPECT_TRUE(CGraphicsObject::copyToCanvas(&s, &d));
    EXPECT_EQ(dst[0], 0x1F);
    EXPECT_EQ(dstAlpha[0], char(255));
}

TEST(CGraphicsObjectDrawTest, DispatchersAnswerForOtherDepths)
{
    uint16_t src[2] = {0x1234, 0x5678};
    char alpha[2] = {char(255), char(255)};
    char dst[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    _canvas s, d;
    s.data = (char*)src;
    s.bpp = 16;
    s.width = 2;
    s.height = 1;
    d.data = dst;
    d.width = 2;
    d.height = 1;
    // Onto 24 bits nothing is drawn: the plain copy reports success, the
    // alpha copy and the blend failure.
    d.bpp = 24;
    EXPECT_TRUE(CGraphicsObject::__copy(&s, &d));
    EXPECT_FALSE(CGraphicsObject::__copy_blend(&s, &d, 0));
    s.alpha = alpha;
    EXPECT_FALSE(CGraphicsObject::__copy_alpha(&s, &d));
    EXPECT_FALSE(CGraphicsObject::__copy_blend(&s, &d, 100));
    EXPECT_EQ(std::vector<char>(dst, dst + 8), (std::vector<char>{1, 2, 3, 4, 5, 6, 7, 8}));
    // Mismatched word formats and unknown depths.
    d.bpp = 15;
    EXPECT_FALSE(CGraphicsObject::__copy(&s, &d));
    EXPECT_TRUE(CGraphicsObject::__copy_alpha(&s, &d));
    EXPECT_TRUE(CGraphicsObject::__copy_blend(&s, &d, 100));
    s.bpp = 24;
    EXPECT_FALSE(CGraphicsObject::__copy(&s, &d));
    EXPECT_EQ(std::vector<char>(dst, dst + 8), (std::vector<char>{1, 2, 3, 4, 5, 6, 7, 8}));
    // A copy without source pixels or without any size fails.
    s.bpp = 16;
    d.bpp = 16;
    s.data = nullptr;
    EXPECT_FALSE(CGraphicsObject::__copy(&s, &d));
    s.data = (char*)src;
    s.width = s.height = 0;
    EXPECT_FALSE(CGraphicsObject::__copy_bpp15_16(&s, &d));
    // An opacity of 0 changes nothing, with or without source alpha.
    s.width = 2;
    s.height = 1;
    EXPECT_TRUE(CGraphicsObject::__copy_blend(&s, &d, 0));
    s.alpha = nullptr;
    EXPECT_TRUE(CGraphicsObject::__copy_blend(&s, &d, 0));
    EXPECT_EQ(std::vector<char>(dst, dst + 4), (std::vector<char>{1, 2, 3, 4}));
}

TEST(CGraphicsObjectDrawTest, DrawingConvertsTheSourceToTheDestinationDepth)
{
    Picture src = picture(2, 2, [](int, int) { return uint16_t(0x7FFF); }, nullptr, 15);
    Picture dest = picture(2, 2, [](int, int) { return uint16_t(0); });
    src->redraw(dest.get());
    EXPECT_EQ(src->GetBpp(), 16);
    EXPECT_EQ(words(dest.get()), std::vector<uint16_t>(4, 0xFFDF));

    // Onto 32 bits through the conversion table.
    uint32_t out[4] = {};
    _canvas target;
    target.data = (char*)out;
    target.bpp = 32;
    target.width = 2;
    target.height = 2;
    Picture red = picture(2, 2, [](int, int) { return uint16_t(0x7C00); }, nullptr, 15);
    EXPECT_TRUE(red->drawTo(&target));
    EXPECT_EQ(red->GetBpp(), 16);
    EXPECT_EQ(out[3], 0xF80000u);

    // Onto 24 bits nothing is drawn.
    char bytes[12] = {};
    target.data = bytes;
    target.bpp = 24;
    EXPECT_TRUE(red->drawTo(&target));
    EXPECT_EQ(std::vector<char>(bytes, bytes + 12), std::vector<char>(12, 0));

    // A packed image is not drawn.
    red->SetCompression(COMPRESSION_RLE2);
    target.data = (char*)out;
    target.bpp = 32;
    out[0] = 0;
    EXPECT_FALSE(red->drawTo(&target));
    EXPECT_EQ(out[0], 0u);
    red->SetCompression(COMPRESSION_NONE);
}

} // namespace
