#include "graphics/FilterKernels.h"

#include "graphics/GraphicsObject.h"
#include "graphics/Image.h"
#include "PictureSupport.h"
#include "ScreenSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

using picturetest::picture;

namespace {

uint16_t word(CGraphicsObject* g, int x, int y)
{
    uint16_t v;
    std::memcpy(&v, g->GetDataPtr() + (int64_t(y) * g->Width() + x) * 2, 2);
    return v;
}

std::vector<uint16_t> words(CGraphicsObject* g)
{
    std::vector<uint16_t> v(size_t(g->Width()) * size_t(g->Height()));
    std::memcpy(v.data(), g->GetDataPtr(), v.size() * 2);
    return v;
}

std::pair<int, int> size(CGraphicsObject* g) { return {g->Width(), g->Height()}; }

uint16_t mixed(int x, int y) { return uint16_t((x * 7919 + y * 104729 + x * y * 31) * 2654435761u >> 7); }

// The average the blur gives one pixel, straight from its definition: the
// neighbours of the odd window, their sums cut to 16 bits.
uint16_t blurredByHand(const std::vector<uint16_t>& p, int w, int x, int y, int size, bool is565)
{
    const int half = size / 2, n = (2 * half + 1) * (2 * half + 1) - 1, shift = is565 ? 11 : 10;
    const uint16_t redField = is565 ? 0xF800 : 0x7C00, greenField = is565 ? 0x07E0 : 0x03E0;
    const int greenMask = is565 ? 0x3F : 0x1F;
    int r = 0, g = 0, b = 0;
    for (int j = -half; j <= half; ++j)
        for (int i = -half; i <= half; ++i) {
            if (i == 0 && j == 0)
                continue;
            const uint16_t q = p[size_t((y + j) * w + x + i)];
            r += (q & redField) >> shift;
            g += (q >> 5) & greenMask;
            b += q & 0x1F;
        }
    const uint16_t c = p[size_t(y * w + x)];
    const int cr = (c & redField) >> shift, cg = (c >> 5) & greenMask, cb = c & 0x1F;
    return uint16_t((((cr + (r & 0xFFFF) / n) >> 1) << shift) | (((cg + (g & 0xFFFF) / n) << 4) & greenField) |
                    ((cb + (b & 0xFFFF) / n) >> 1));
}

} // namespace

TEST(CFilterKernelsTest, ColorChannelKeepsTheNamedFieldsAtBothLayouts)
{
    struct {
        int bpp;
        const char* channels;
        uint16_t in, out;
    } cases[] = {
        {16, "RGB", 0xFFFF, 0xFFDF}, {16, "RB", 0xFFFF, 0xF81F}, {16, "G", 0xFFFF, 0x07C0},
        {16, "", 0xFFFF, 0x0000},    {16, "rgb", 0xFFFF, 0x0000}, {16, "xBx", 0x1234, 0x0014},
        {15, "RGB", 0x7FFF, 0x7FDF}, {15, "RB", 0x7FFF, 0x7C1F}, {15, "G", 0xFFFF, 0x03C0},
    };
    for (const auto& c : cases) {
        auto g = picture(2, 2, [&](int, int) { return c.in; }, nullptr, c.bpp);
        char* old = g->GetDataPtr();
        // The caller keeps the old buffer: it is not freed.
        CFilterKernels::colorChannel(g.get(), c.channels, false);
        EXPECT_NE(g->GetDataPtr(), old);
        EXPECT_EQ(word(g.get(), 1, 1), c.out) << c.bpp << " " << c.channels;
        EXPECT_EQ(std::memcmp(old, &c.in, 2), 0);
        delete[] old;
    }
}

TEST(CFilterKernelsTest, NegativeTwiceRestoresRedAndBlueInsideTheClipOnOpaquePixels)
{
    for (int bpp : {16, 15}) {
        auto g = picture(4, 3, mixed, [](int x, int) { return x == 0 ? 0 : 255; }, bpp);
        const std::vector<uint16_t> before = words(g.get());
        g->SetClippingRect(0, 0, 3, 3);
        CFilterKernels::negative(g.get());
        const uint16_t keep = bpp == 16 ? 0xFFDF : 0x7FDF;
        EXPECT_EQ(word(g.get(), 1, 0), uint16_t(~before[1] & keep));
        CFilterKernels::negative(g.get());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) {
                const uint16_t was = before[size_t(y * 4 + x)];
                // Transparent and outside the clip: untouched; else the
                // lowest green bit (and the 555 top bit) are gone.
                const uint16_t expected = x == 0 || x == 3 ? was : uint16_t(was & keep);
                EXPECT_EQ(word(g.get(), x, y), expected) << bpp << " at " << x << "," << y;
            }
    }
    // No alpha plane: every pixel counts as opaque; an empty clip is all.
    auto g = picture(2, 1, [](int, int) { return uint16_t(0x0000); });
    CFilterKernels::negative(g.get());
    EXPECT_EQ(word(g.get(), 1, 0), 0xFFDF);
}

TEST(CFilterKernelsTest, BlurAveragesTheNeighboursAndKeepsTheBorder)
{
    for (int bpp : {16, 15})
        for (int size : {3, 5, 2}) {
            auto g = picture(9, 7, mixed, [](int, int) { return 200; }, bpp);
            const std::vector<uint16_t> before = words(g.get());
            char* alpha = g->GetChannelAlpha();
            CFilterKernels::blur(g.get(), size, true);
            EXPECT_EQ(g->GetChannelAlpha(), alpha);
            // An even size counts the neighbours of the odd window it spans.
            const int odd = size | 1, half = odd / 2;
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 9; ++x) {
                    const bool inner = x >= half && x < 9 - half && y >= half && y < 7 - half;
                    const uint16_t expected =
                        inner ? blurredByHand(before, 9, x, y, odd, bpp == 16) : before[size_t(y * 9 + x)];
                    ASSERT_EQ(word(g.get(), x, y), expected) << bpp << " size " << size << " at " << x << "," << y;
                }
        }
    // One hand-worked pixel: centre white, neighbours black (565): each
    // channel is half the centre's, green cut to its field.
    auto g = picture(3, 3, [](int x, int y) { return uint16_t(x == 1 && y == 1 ? 0xFFFF : 0); });
    CFilterKernels::blur(g.get(), 3, true);
    EXPECT_EQ(word(g.get(), 1, 1), uint16_t((15 << 11) | (31 << 5) | 15));
    // Windows without neighbours, or larger than the picture, change nothing.
    for (int size : {1, 0, -4, 40}) {
        auto h = picture(3, 3, mixed);
        const std::vector<uint16_t> before = words(h.get());
        CFilterKernels::blur(h.get(), size, true);
        EXPECT_EQ(words(h.get()), before) << size;
    }
}

TEST(CFilterKernelsTest, ScaleDoublesPixelsAndMovesByTheCentre)
{
    auto g = picture(2, 2, [](int x, int y) { return uint16_t(1 + x + 2 * y); }, [](int x, int) { return x ? 9 : 0; });
    g->SetPosition(10, 20);
    CFilterKernels::scale(g.get(), 2.0, 2.0, true, true);
    ASSERT_EQ(size(g.get()), std::make_pair(4, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(word(g.get(), x, y), uint16_t(1 + x / 2 + 2 * (y / 2)));
            EXPECT_EQ(g->GetChannelAlpha()[y * 4 + x], x / 2 ? 9 : 0);
        }
    EXPECT_EQ(g->GetPosition(), CXPoint(9, 19));

    // Without an alpha plane none is made; sizes of 0 change nothing.
    auto h = picture(3, 3, mixed);
    CFilterKernels::scale(h.get(), 0.5, 1.0, false, true);
    EXPECT_EQ(size(h.get()), std::make_pair(1, 3));
    EXPECT_EQ(h->GetChannelAlpha(), nullptr);
    for (double f : {0.0, -1.0, 0.1}) {
        CFilterKernels::scale(h.get(), f, 1.0, true, true);
        EXPECT_EQ(size(h.get()), std::make_pair(1, 3)) << f;
    }
}

TEST(CFilterKernelsTest, RotateTurnsIntoANewPictureAroundTheCentre)
{
    // A 4 x 2 picture with one transparent pixel, turned by 90 degrees.
    auto g = picture(4, 2, [](int x, int y) { return uint16_t(1 + x + 4 * y); },
                     [](int x, int y) { return x == 3 && y == 1 ? 0 : 255; });
    g->SetPosition(100, 100);
    CFilterKernels::rotate(g.get(), 90.0, true);
    // The turned size is about h x w: the turn's constant is not quite pi.
    EXPECT_NEAR(g->Width(), 2, 1);
    EXPECT_NEAR(g->Height(), 4, 1);
    ASSERT_NE(g->GetChannelAlpha(), nullptr);
    int opaque = 0;
    for (int y = 0; y < g->Height(); ++y)
        for (int x = 0; x < g->Width(); ++x) {
            const unsigned char a = (unsigned char)g->GetChannelAlpha()[y * g->Width() + x];
            const uint16_t v = word(g.get(), x, y);
            // Every pixel is one of the picture's opaque ones, or empty.
            EXPECT_TRUE((a == 255 && v >= 1 && v <= 7) || (a == 0 && v == 0)) << x << "," << y;
            opaque += a == 255;
        }
    EXPECT_GT(opaque, 0);
    EXPECT_EQ(g->GetPosition(), CXPoint(100 + 2 - g->Width() / 2, 100 + 1 - g->Height() / 2));

    // By 0 the picture stays as it was.
    auto h = picture(5, 3, mixed);
    const std::vector<uint16_t> before = words(h.get());
    CFilterKernels::rotate(h.get(), 0.0, true);
    EXPECT_EQ(size(h.get()), std::make_pair(5, 3));
    EXPECT_EQ(words(h.get()), before);
}

TEST(CFilterKernelsTest, DisplacementsAndGreyKeepPicturesWhereTheyHaveNoEffect)
{
    auto g = picture(6, 4, mixed, [](int, int) { return 255; });
    const std::vector<uint16_t> before = words(g.get());
    CFilterKernels::waves(g.get(), 0, 1.0, 0, true);
    EXPECT_EQ(words(g.get()), before);
    for (int jitter : {0, -3, 1}) {
        CFilterKernels::randomJitter(g.get(), jitter, true);
        EXPECT_EQ(words(g.get()), before) << jitter;
    }
    // A jitter of 2 moves each pixel by 0 or 1 in each direction.
    CFilterKernels::randomJitter(g.get(), 2, true);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            bool found = false;
            for (int dy = 0; dy <= 1; ++dy)
                for (int dx = 0; dx <= 1; ++dx) {
                    const int64_t k = int64_t(y + dy) * 6 + x + dx;
                    found |= word(g.get(), x, y) == (k < 24 ? before[size_t(k)] : before[size_t(y * 6 + x)]);
                }
            EXPECT_TRUE(found) << x << "," << y;
        }
    // An offset moves every pixel along its row, alpha with it.
    auto w = picture(4, 1, [](int x, int) { return uint16_t(x + 1); }, [](int x, int) { return x * 10; });
    CFilterKernels::waves(w.get(), 0, 1.0, 1, true);
    EXPECT_EQ(words(w.get()), (std::vector<uint16_t>{2, 3, 4, 4}));
    EXPECT_EQ(w->GetChannelAlpha()[0], 10);

    // Grey: a copy of the pixels turned grey; the caller keeps the old ones.
    auto grey = picture(2, 2, mixed);
    auto reference = picture(2, 2, mixed);
    char* old = grey->GetDataPtr();
    CFilterKernels::grayScale(grey.get(), false);
    reference->ToGrayScale();
    EXPECT_EQ(words(grey.get()), words(reference.get()));
    EXPECT_EQ(uint16_t((old[0] & 0xFF) | (old[1] & 0xFF) << 8), mixed(0, 0));
    delete[] old;
}

TEST(CFilterKernelsTest, PackedPicturesAreUnpackedAndViewsLeftAlone)
{
    auto g = picture(4, 4, mixed, [](int, int) { return 255; });
    const std::vector<uint16_t> before = words(g.get());
    g->Compress(COMPRESSION_RLE2);
    ASSERT_EQ(g->GetCompression(), COMPRESSION_RLE2);
    CFilterKernels::negative(g.get());
    ASSERT_EQ(g->GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(word(g.get(), 2, 3), uint16_t(~before[14] & 0xFFDF));

    // A view shows another drawable's pixels: no kernel replaces them.
    auto source = picture(3, 3, mixed);
    CGraphicsObject view(nullptr, *source);
    const std::vector<uint16_t> shown = words(source.get());
    CFilterKernels::blur(&view, 3, true);
    CFilterKernels::negative(&view);
    CFilterKernels::waves(&view, 3, 1.0, 1, true);
    EXPECT_EQ(view.GetDataPtr(), source->GetDataPtr());
    EXPECT_EQ(words(source.get()), shown);
}

// A kernel that gives the source of a link new buffers (and frees the old
// ones) moves the linked image onto them at once: a picture drawn into the
// linked image lands in the source's present pixels, not in freed ones.
// The linked image itself owns nothing a kernel may replace.
TEST(CFilterKernelsTest, KernelsOnALinkedPairKeepBothOnLiveBuffers)
{
    const std::function<void(CGraphicsObject*)> kernels[] = {
        [](CGraphicsObject* g) { CFilterKernels::colorChannel(g, "R", true); },
        [](CGraphicsObject* g) { CFilterKernels::grayScale(g, true); },
        [](CGraphicsObject* g) { CFilterKernels::blur(g, 3, true); },
        [](CGraphicsObject* g) { CFilterKernels::rotate(g, 90, true); },
        [](CGraphicsObject* g) { CFilterKernels::scale(g, 2, 1, false, true); },
        [](CGraphicsObject* g) { CFilterKernels::randomJitter(g, 3, true); },
        [](CGraphicsObject* g) { CFilterKernels::waves(g, 2, 1.0, 1, true); },
    };
    auto dot = picture(1, 1, [](int, int) { return uint16_t(0x1234); });
    for (size_t k = 0; k < sizeof kernels / sizeof kernels[0]; ++k) {
        auto pixels = picture(6, 4, mixed, [](int, int) { return 255; });
        CImage source(nullptr, pixels.get());
        CImage linked(nullptr);
        linked.link(&source);
        kernels[k](&source);
        EXPECT_EQ(linked.GetDataPtr(), source.GetDataPtr()) << k;
        EXPECT_EQ(size(&linked), size(&source)) << k;
        dot->SetPosition(1, 1);
        dot->redraw(&linked);
        EXPECT_EQ(word(&source, 1, 1), 0x1234) << k;

        const std::vector<uint16_t> shown = words(&source);
        kernels[k](&linked);
        EXPECT_EQ(linked.GetDataPtr(), source.GetDataPtr()) << k;
        EXPECT_EQ(words(&source), shown) << k;
    }
}

// With a window, the layout is the screen's, whatever the picture's depth.
class CFilterKernelsScreenTest : public screentest::HeadlessScreen {};

TEST_F(CFilterKernelsScreenTest, TheLayoutIsTheScreens)
{
    for (int depth : {15, 16}) {
        backend.setDesktopDepth(depth);
        std::unique_ptr<CWindow> window = makeWindow();
        ASSERT_NE(window->GetRefreshScreenInterface(), nullptr);
        auto g = picture(2, 1, [](int, int) { return uint16_t(0xFFFF); }, nullptr, 16, window.get());
        EXPECT_EQ(CFilterKernels::is565(g.get()), depth == 16);
        CFilterKernels::colorChannel(g.get(), "G", true);
        EXPECT_EQ(word(g.get(), 0, 0), depth == 16 ? 0x07C0 : 0x03C0) << depth;
    }
}
