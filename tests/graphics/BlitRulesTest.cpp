// The copy family's per-pixel rules: hand-worked values, the plain loops
// against the rules written out over the multiply table, and every
// processor path against the plain loops.
#include "graphics/BlitKernels.h"
#include "graphics/BppConversionTable.h"
#include "graphics/GraphicsObject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

struct Fmt {
    int bpp;
    unsigned greenMax, redShift;
    unsigned word(unsigned r, unsigned g, unsigned b) const { return r << redShift | g << 5 | b; }
    unsigned r(unsigned w) const { return (w >> redShift) & 31; }
    unsigned g(unsigned w) const { return (w >> 5) & greenMax; }
    unsigned b(unsigned w) const { return w & 31; }
};
const Fmt F15{15, 31, 10}, F16{16, 63, 11};

// The rules as written, over the multiply table.
int mul(int d, int a)
{
    CGraphicsObject::__initialize_mul_array();
    return CGraphicsObject::__get_mul_array()[(d + 256) * 256 + a];
}
unsigned mixed(unsigned s, unsigned d, unsigned w) { return (unsigned(mul(int(s) - int(d), int(w)) + int(d) * 256) & 0xFFFF) >> 8; }

unsigned alphaRule(const Fmt& f, unsigned s, unsigned d, unsigned a)
{
    if (a == 0)
        return d;
    if (a == 255)
        return s;
    auto c = [&](unsigned sc, unsigned dc, unsigned max) { return std::min(max, mixed(sc, dc, a) + 1); };
    return f.word(c(f.r(s), f.r(d), 31), c(f.g(s), f.g(d), f.greenMax), c(f.b(s), f.b(d), 31));
}

unsigned blendRule(const Fmt& f, unsigned s, unsigned d, unsigned o)
{
    if (o == 0)
        return d;
    return f.word(mixed(f.r(s), f.r(d), o), mixed(f.g(s), f.g(d), o), mixed(f.b(s), f.b(d), o));
}

unsigned alphaBlendRule(const Fmt& f, unsigned s, unsigned d, unsigned a, unsigned o)
{
    return a * o <= 255 ? d : blendRule(f, s, d, (a * o) >> 8);
}

TEST(CGraphicsObjectRulesTest, TheMultiplyTableHoldsEveryProduct)
{
    CGraphicsObject::ReleaseGraphics();
    EXPECT_EQ(CGraphicsObject::__get_mul_array(), nullptr);
    CGraphicsObject made(nullptr); // a drawable makes the table
    short* table = CGraphicsObject::__get_mul_array();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[0 * 256 + 255], short(-256 * 255));
    EXPECT_EQ(table[(63 + 256) * 256 + 255], 63 * 255);
    EXPECT_EQ(table[(255 + 256) * 256 + 255], short(255 * 255)); // kept in 16 bits
    EXPECT_EQ(table[(-7 + 256) * 256 + 3], -21);
}

// Hand-worked cases in one 5-bit channel (blue) of 16-bit words.
TEST(CGraphicsObjectRulesTest, HandWorkedValues)
{
    const blit::Kernels& k = blit::plainKernels();
    struct Case {
        const char* rule;
        uint16_t src, dst;
        uint8_t alpha;
        unsigned opacity;
        uint16_t expected;
    } cases[] = {
        {"alpha", 31, 0, 128, 0, 0x0830},    // blue (31 x 128) >> 8 = 15, plus 1; green and red 0 + 1
        {"blend", 31, 0, 0, 128, 15},        // no added 1
        {"alpha", 0, 0, 128, 0, 0x0821},     // half-transparent black on black: 1 in every channel
        {"alpha", 0xFFFF, 0xFFFF, 200, 0, 0xFFFF}, // the added 1 stops at the channel's top
        {"alpha", 0x1234, 0x4321, 0, 0, 0x4321},
        {"alpha", 0x1234, 0x4321, 255, 0, 0x1234},
        {"alpha", 0, 0xFFFF, 1, 0, 0xFFFF},  // (31 x 255) >> 8 = 30, plus 1
        {"blend", 0xFFFF, 0, 0, 255, 0xF7DE}, // 30, 62, 30: an opacity of 255 is not quite opaque
        {"blend", 0, 0xFFFF, 0, 1, 0xF7DE},
        {"alphablend", 31, 0, 255, 128, 15},  // (255 x 128) >> 8 = 127
        {"alphablend", 31, 0, 2, 127, 0},     // 2 x 127 = 254: left as it was
        {"alphablend", 31, 0, 2, 128, 0},     // 256 >> 8 = 1: (31 x 1) >> 8 = 0
        {"alphablend", 31, 9, 1, 255, 9},
        {"mask", 0x1234, 0x4321, 1, 0, 0x1234},
        {"mask", 0x1234, 0x4321, 0, 0, 0x4321},
    };
    for (const Case& c : cases) {
        PixelWord d = c.dst, s = c.src;
        std::string rule = c.rule;
        if (rule == "alpha")
            k.alpha16(&d, &s, &c.alpha, 1);
        else if (rule == "blend")
            k.blend16(&d, &s, 1, c.opacity);
        else if (rule == "alphablend")
            k.alphaBlend16(&d, &s, &c.alpha, 1, c.opacity);
        else
            k.mask(&d, &s, &c.alpha, 1);
        EXPECT_EQ(d, c.expected) << rule << " " << c.src << " over " << c.dst << " a " << int(c.alpha) << " o "
                                 << c.opacity;
    }
}

// Words whose channels run through every pair of source and destination
// values: v and w of 0..63 give (v, w) in green and (v & 31, w & 31) in
// blue and red. The 15-bit ones also carry the unused top bit.
void channelGrid(const Fmt& f, std::vector<uint16_t>& src, std::vector<uint16_t>& dst)
{
    src.clear();
    dst.clear();
    for (unsigned v = 0; v < 64; ++v)
        for (unsigned w = 0; w < 64; ++w) {
            src.push_back(uint16_t(f.word(v & 31, v & f.greenMax, (v * 7) & 31) | (f.bpp == 15 && v & 1 ? 0x8000 : 0)));
            dst.push_back(uint16_t(f.word(w & 31, w & f.greenMax, (w * 7) & 31) | (f.bpp == 15 && w & 2 ? 0x8000 : 0)));
        }
}

TEST(CGraphicsObjectRulesTest, PlainLoopsFollowTheRulesForEveryChannelPair)
{
    const blit::Kernels& k = blit::plainKernels();
    for (const Fmt* f : {&F15, &F16}) {
        std::vector<uint16_t> src, dst;
        channelGrid(*f, src, dst);
        const int n = int(src.size());
        for (unsigned w = 0; w < 256; ++w) {
            std::vector<uint8_t> alpha(n, uint8_t(w));
            std::vector<uint16_t> out(dst);
            (f->bpp == 15 ? k.alpha15 : k.alpha16)((PixelWord*)out.data(), (PixelWord*)src.data(), alpha.data(), n);
            for (int i = 0; i < n; ++i)
                ASSERT_EQ(out[i], alphaRule(*f, src[i], dst[i], w)) << f->bpp << " alpha " << w << " at " << i;
            if (w == 0)
                continue;
            out = dst;
            (f->bpp == 15 ? k.blend15 : k.blend16)((PixelWord*)out.data(), (PixelWord*)src.data(), n, w);
            for (int i = 0; i < n; ++i)
                ASSERT_EQ(out[i], blendRule(*f, src[i], dst[i], w)) << f->bpp << " opacity " << w << " at " << i;
            // Alpha blends: every alpha against this opacity, along the row.
            for (int i = 0; i < n; ++i)
                alpha[i] = uint8_t(i * 37 + w);
            out = dst;
            (f->bpp == 15 ? k.alphaBlend15 : k.alphaBlend16)((PixelWord*)out.data(), (PixelWord*)src.data(),
                                                            alpha.data(), n, w);
            for (int i = 0; i < n; ++i)
                ASSERT_EQ(out[i], alphaBlendRule(*f, src[i], dst[i], alpha[i], w)) << f->bpp << " at " << i;
        }
    }
}

// Every row loop of a path over the same row, each onto its own copy of dst.
std::vector<std::vector<uint16_t>> run(const blit::Kernels& k, const std::vector<uint16_t>& src,
                                       const std::vector<uint16_t>& dst, const std::vector<uint8_t>& alpha, unsigned o)
{
    const int n = int(src.size());
    std::vector<std::vector<uint16_t>> out(7, dst);
    auto p = [&](int i) { return (PixelWord*)out[i].data(); };
    const PixelWord* s = (const PixelWord*)src.data();
    k.alpha15(p(0), s, alpha.data(), n);
    k.alpha16(p(1), s, alpha.data(), n);
    k.mask(p(2), s, alpha.data(), n);
    k.blend15(p(3), s, n, o);
    k.blend16(p(4), s, n, o);
    k.alphaBlend15(p(5), s, alpha.data(), n, o);
    k.alphaBlend16(p(6), s, alpha.data(), n, o);
    return out;
}

std::vector<const blit::Kernels*> processorPaths()
{
    std::vector<const blit::Kernels*> paths;
    for (const blit::Kernels* k : {blit::sse2Kernels(), blit::avx2Kernels(), blit::avx512Kernels()})
        if (k)
            paths.push_back(k);
    return paths;
}

// Each processor path the machine runs against the plain loops: the grid
// at every weight, then random rows of every length up to 100 (so that
// each vector width leaves every remainder) in buffers of exactly that
// size, where a read or write past the row shows under the sanitizers.
TEST(CGraphicsObjectRulesTest, EveryProcessorPathGivesThePlainLoopsWords)
{
    const blit::Kernels& plain = blit::plainKernels();
    std::vector<const blit::Kernels*> paths = processorPaths();
    if (paths.empty())
        GTEST_SKIP() << "only the plain loops on this processor";
    EXPECT_EQ(&blit::bestKernels(), paths.back());

    std::mt19937 rng(7);
    for (const blit::Kernels* k : paths) {
        std::vector<uint16_t> src, dst;
        channelGrid(F16, src, dst);
        const int n = int(src.size());
        for (unsigned w = 1; w < 256; ++w) {
            // Runs of one alpha value, of zeros, of 255s and mixed stretches,
            // so that the all-transparent and all-opaque shortcuts are taken.
            std::vector<uint8_t> alpha(n);
            for (int i = 0; i < n; ++i)
                alpha[i] = (i / 64) % 4 == 0 ? uint8_t(w) : (i / 64) % 4 == 1 ? 0 : (i / 64) % 4 == 2 ? 255 : uint8_t(rng());
            ASSERT_EQ(run(*k, src, dst, alpha, w), run(plain, src, dst, alpha, w)) << k->name << " weight " << w;
        }
        for (int n = 0; n <= 100; ++n) {
            std::vector<uint16_t> s(n), d(n);
            std::vector<uint8_t> a(n);
            for (int i = 0; i < n; ++i) {
                s[i] = uint16_t(rng());
                d[i] = uint16_t(rng());
                a[i] = uint8_t(rng() % 3 == 0 ? 0 : rng());
            }
            unsigned o = 1 + rng() % 255;
            ASSERT_EQ(run(*k, s, d, a, o), run(plain, s, d, a, o)) << k->name << " length " << n;
        }
    }
}

// Rows of four-pixel runs, each all 0, all 255, 0s and 255s, between the
// two, or between with 0 or 255 among them, so that blocks of every
// vector width (and their halves) meet every mix of the shortcuts.
TEST(CGraphicsObjectRulesTest, EveryProcessorPathTakesItsShortcutsAsThePlainLoopsDo)
{
    const std::vector<const blit::Kernels*> paths = processorPaths();
    if (paths.empty())
        GTEST_SKIP() << "only the plain loops on this processor";
    std::mt19937 rng(11);
    const uint8_t runs[5][4] = {{0, 0, 0, 0}, {255, 255, 255, 255}, {0, 255, 255, 0}, {1, 128, 254, 77}, {0, 90, 255, 3}};
    for (int row = 0; row < 2000; ++row) {
        const int n = 96 + int(rng() % 40);
        std::vector<uint16_t> s(n), d(n);
        std::vector<uint8_t> a(n);
        for (int i = 0; i < n; ++i) {
            s[i] = uint16_t(rng());
            d[i] = uint16_t(rng());
            if (i % 4 == 0) {
                const uint8_t* run = runs[rng() % 5];
                for (int j = 0; j < 4 && i + j < n; ++j)
                    a[i + j] = run[j];
            }
        }
        const unsigned o = 1 + rng() % 255;
        const auto expected = run(blit::plainKernels(), s, d, a, o);
        for (const blit::Kernels* k : paths)
            ASSERT_EQ(run(*k, s, d, a, o), expected) << k->name << " row " << row;
    }
}

// The 32-bit members: 5-6-5 source words over 0x00RRGGBB pixels.
TEST(CGraphicsObjectRulesTest, ThirtyTwoBitMembersWorkInFiveBitChannels)
{
    const uint32_t* table = requireBppConversionTable();
    EXPECT_EQ(table[0xF800], 0xF80000u);
    EXPECT_EQ(table[0x07E0], 0x00FC00u);
    EXPECT_EQ(table[0x001F], 0x0000F8u);
    EXPECT_EQ(getBppConversionTable(), table);

    uint16_t src[4] = {0xFFFF, 0x001F, 0xF800, 0x07E0};
    char alpha[4] = {0, char(255), char(128), char(128)};
    auto draw = [&](const char* member, unsigned char opacity, bool withAlpha) {
        uint32_t dst[4] = {0x123456, 0x00FF00, 0x0000FF, 0x000000};
        _canvas s, d;
        s.data = (char*)src;
        s.alpha = withAlpha ? alpha : nullptr;
        s.bpp = 16;
        s.width = 4;
        s.height = 1;
        d.data = (char*)dst;
        d.bpp = 32;
        d.width = 4;
        d.height = 1;
        std::string m = member;
        bool ok = m == "copy" ? CGraphicsObject::__copy(&s, &d)
                  : m == "alpha" ? CGraphicsObject::__copy_alpha(&s, &d)
                  : m == "mask" ? CGraphicsObject::__copy_alpha_as_mask(&s, &d)
                                : CGraphicsObject::__copy_blend(&s, &d, opacity);
        EXPECT_TRUE(ok) << member;
        return std::vector<uint32_t>(dst, dst + 4);
    };
    EXPECT_EQ(draw("copy", 255, false), (std::vector<uint32_t>{0xF8FCF8, 0x0000F8, 0xF80000, 0x00FC00}));
    // Alpha 128 of red (31) over blue: red (31 x 128) >> 8 = 15, blue (31 x 128) >> 8 = 15,
    // no added 1; green over 0 green: 63's top five bits (31) x 128 >> 8 = 15, put
    // back as 15 << 1 in the word.
    EXPECT_EQ(draw("alpha", 255, true), (std::vector<uint32_t>{0x123456, 0x0000F8, table[15 << 11 | 15], table[15 << 6]}));
    EXPECT_EQ(draw("mask", 255, true), (std::vector<uint32_t>{0x123456, 0x0000F8, 0xF80000, 0x00FC00}));
    // Blend at 128: (31 x 128) >> 8 = 15 per channel; the destination 0x123456 reads
    // as 2, 6, 10 in five bits.
    EXPECT_EQ(draw("blend", 128, false)[0], table[(15 + 1) << 11 | (15 + 3) << 6 | (15 + 5)]);
    EXPECT_EQ(draw("blend", 0, false)[0], 0x123456u);
    // Alpha blends leave pixels where alpha x opacity <= 255: 0 and 128 x 1.
    std::vector<uint32_t> faint = draw("alphablend", 1, true);
    EXPECT_EQ(faint, (std::vector<uint32_t>{0x123456, 0x00FF00, 0x0000FF, 0x000000}));
    // Alpha 255 at opacity 128 weighs 127: blue 31 over 0 and green 0 over 31
    // both give 15.
    std::vector<uint32_t> half = draw("alphablend", 128, true);
    EXPECT_EQ(half[1], table[15 | 15 << 6]);
    EXPECT_EQ(half[0], 0x123456u);
}

} // namespace
