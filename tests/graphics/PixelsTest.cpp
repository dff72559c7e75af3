// Pixel access, depth conversion and colour planes of a drawable.
#include "base/Compression.h"
#include "graphics/GraphicsObject.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// A drawable holding these words (or bytes) in a width x height block.
template <class T>
std::unique_ptr<CGraphicsObject> holding(int w, int h, int bpp, std::vector<T> values)
{
    char* data = new char[values.size() * sizeof(T)];
    std::memcpy(data, values.data(), values.size() * sizeof(T));
    return std::unique_ptr<CGraphicsObject>(new CGraphicsObject(nullptr, CXSize(w, h), bpp, data));
}

// A drawable whose packed alpha length a test sets, as a reader does.
struct Packed : CGraphicsObject {
    Packed() : CGraphicsObject(nullptr, CXSize(4, 2), 16) {}
    void setPackedAlphaLength(int n) { planeSize[3] = n; }
};

std::vector<uint16_t> words(CGraphicsObject* g, int n)
{
    std::vector<uint16_t> out(n);
    std::memcpy(out.data(), g->GetDataPtr(), size_t(n) * 2);
    return out;
}

TEST(CGraphicsObjectPixelsTest, FormatTables)
{
    EXPECT_EQ(CGraphicsObject::__get_pixel_size(15), 2);
    EXPECT_EQ(CGraphicsObject::__get_pixel_size(16), 2);
    EXPECT_EQ(CGraphicsObject::__get_pixel_size(24), 3);
    EXPECT_EQ(CGraphicsObject::__get_pixel_size(32), 4);
    EXPECT_EQ(CGraphicsObject::__get_pixel_size(8), 1);
    EXPECT_EQ(CGraphicsObject::__get_data_size(CXSize(3, 2), 24), 18);
    const int pairs[][2] = {{8, 1}, {15, 2}, {16, 4}, {24, 8}, {2, 256}, {4, 512}};
    for (const auto& p : pairs) {
        EXPECT_EQ(CGraphicsObject::GetFlagBpp(p[0]), p[1]);
        EXPECT_EQ(CGraphicsObject::GetRealBpp(p[1]), p[0]);
    }
    EXPECT_EQ(CGraphicsObject::GetFlagBpp(32), 0);
    EXPECT_EQ(CGraphicsObject::GetRealBpp(3), 0);
    EXPECT_EQ(CGraphicsObject::__get_convert_code(15, 16), 1);
    EXPECT_EQ(CGraphicsObject::__get_convert_code(16, 15), 2);
    EXPECT_EQ(CGraphicsObject::__get_convert_code(32, 15), 3);
    EXPECT_EQ(CGraphicsObject::__get_convert_code(32, 16), 4);
    EXPECT_EQ(CGraphicsObject::__get_convert_code(16, 16), 5);
    EXPECT_EQ(CGraphicsObject::__get_convert_code(24, 16), 0);
}

TEST(CGraphicsObjectPixelsTest, GetPixelReadsWordsAndGivesBlackOutside)
{
    auto g = holding<uint16_t>(2, 2, 16, {0x0001, 0xF800, 0x07E0, 0x001F});
    CColor c = g->GetPixel(1, 0);
    EXPECT_EQ(c.getModel(), COLORMODEL_16);
    EXPECT_EQ(c.getPixel(), -2048);
    EXPECT_TRUE(c == CColor(255, 0, 0));
    EXPECT_EQ(g->GetPixel(CXPoint(0, 1)).getPixel(), 0x07E0);
    for (CXPoint p : {CXPoint(2, 0), CXPoint(0, 2), CXPoint(-1, 0), CXPoint(0, -1)}) {
        CColor outside = g->GetPixel(p);
        EXPECT_EQ(outside.getModel(), COLORMODEL_RGB);
        EXPECT_EQ(outside.getPixel(), 0);
    }
    g->SetCompression(COMPRESSION_RLE2);
    EXPECT_EQ(g->GetPixel(0, 0).getPixel(), 0);
    g->SetCompression(COMPRESSION_NONE);

    auto g15 = holding<uint16_t>(1, 1, 15, {0x7C00});
    EXPECT_EQ(g15->GetPixel(0, 0).getModel(), COLORMODEL_15);
    EXPECT_TRUE(g15->GetPixel(0, 0) == CColor(255, 0, 0));

    // 24-bit pixels are blue, green, red; 32-bit ones are not read.
    auto g24 = holding<uint8_t>(2, 1, 24, {1, 2, 3, 4, 5, 6});
    EXPECT_TRUE(g24->GetPixel(1, 0) == CColor(6, 5, 4));
    auto g32 = holding<uint32_t>(1, 1, 32, {0x00FF0000});
    EXPECT_EQ(g32->GetPixel(0, 0).getPixel(), 0);
}

TEST(CGraphicsObjectPixelsTest, GetPixelOfAPlaneReadsPackedAlphaTooAndZeroOutside)
{
    CGraphicsObject g(nullptr, CXSize(4, 2), 16);
    EXPECT_EQ(g.GetPixel(CHANNEL_ALPHA, CXPoint(0, 0)), 0); // no plane
    char plain[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    g.AlphaChannel(plain);
    EXPECT_EQ(g.GetPixel(CHANNEL_ALPHA, CXPoint(1, 1)), 6);
    EXPECT_EQ(g.GetPixel(CHANNEL_ALPHA, CXPoint(4, 1)), 0); // index 8: past the plane
    EXPECT_EQ(g.GetPixel(CHANNEL_ALPHA, CXPoint(0, -1)), 0);
    EXPECT_EQ(g.GetPixel(CHANNEL_RED, CXPoint(0, 0)), 0);
    g.AlphaChannel(nullptr);

    // A packed plane is read in place, runs and literals alike, never past
    // its packed length.
    char bytes[8] = {9, 9, 9, 9, 9, char(200), char(201), char(202)};
    int packedLength = 0;
    std::unique_ptr<char[]> packed(CRLECompression::__compresschar(bytes, 8, packedLength));
    ASSERT_EQ(packedLength, 6); // a run of five, a literal of three
    Packed p;
    p.AlphaChannel(packed.get());
    p.SetCompression(COMPRESSION_RLE2);
    p.setPackedAlphaLength(packedLength);
    EXPECT_EQ(p.GetPixel(CHANNEL_ALPHA, CXPoint(0, 0)), 9);
    EXPECT_EQ(p.GetPixel(CHANNEL_ALPHA, CXPoint(0, 1)), 9);
    EXPECT_EQ(p.GetPixel(CHANNEL_ALPHA, CXPoint(1, 1)), 200);
    EXPECT_EQ(p.GetPixel(CHANNEL_ALPHA, CXPoint(3, 1)), 202);
    p.setPackedAlphaLength(4); // cut inside the literal
    EXPECT_EQ(p.GetPixel(CHANNEL_ALPHA, CXPoint(1, 1)), 200);
    EXPECT_EQ(p.GetPixel(CHANNEL_ALPHA, CXPoint(2, 1)), 0);
    p.AlphaChannel(nullptr);
}

TEST(CGraphicsObjectPixelsTest, SetPixelAndPutPixel)
{
    auto g = holding<uint16_t>(2, 2, 16, {0, 0, 0, 0xFFFF});
    g->SetPixel(1, 0, CColor(255, 0, 0));
    g->SetPixel(CXPoint(5, 5), CColor(255, 0, 0)); // outside: ignored
    EXPECT_EQ(words(g.get(), 4), (std::vector<uint16_t>{0, 0xF800, 0, 0xFFFF}));

    // Each channel: (s x a) >> 8 + (d x (255 - a)) >> 8.
    g->putPixel(1, 1, short(0), 128, false); // black at 128 over white: 31 x 127 >> 8 = 15, 63 -> 31
    EXPECT_EQ(words(g.get(), 4)[3], 15 << 11 | 31 << 5 | 15);
    g->putPixel(0, 0, short(0xFFFF), 255, false); // 31 x 255 >> 8 = 30
    EXPECT_EQ(words(g.get(), 4)[0], 30 << 11 | 62 << 5 | 30);
    g->putPixel(0, 0, short(0xFFFF), 0, true); // replace: nothing of either
    EXPECT_EQ(words(g.get(), 4)[0], 0);
    g->putPixel(0, 0, short(0xFFFF), 1000, false); // alpha kept to 255
    EXPECT_EQ(words(g.get(), 4)[0], 30 << 11 | 62 << 5 | 30);
    g->putPixel(-1, 0, short(0xFFFF), 255, false);
    g->putPixel(0, 2, short(0xFFFF), 255, false);

    auto g15 = holding<uint16_t>(1, 1, 15, {0});
    g15->putPixel(0, 0, short(0x7FFF), 255, false);
    EXPECT_EQ(words(g15.get(), 1)[0], 30 << 10 | 30 << 5 | 30);

    // A surface's longer rows: the pixel is at y x pitch + x.
    auto wide = holding<uint16_t>(2, 2, 16, {0, 0, 0, 0, 0, 0});
    wide->SetPitch(3);
    wide->putPixel(0, 1, short(0xFFFF), 255, true);
    EXPECT_EQ(words(wide.get(), 6), (std::vector<uint16_t>{0, 0, 0, 0xF7DE, 0, 0}));
}

TEST(CGraphicsObjectPixelsTest, OpacityIsKeptInRange)
{
    CGraphicsObject g(nullptr);
    EXPECT_EQ(g.GetOpacity(), 255);
    g.AddOpacity(-300);
    EXPECT_EQ(g.GetOpacity(), 0);
    g.SetOpacity(250);
    g.AddOpacity(10);
    EXPECT_EQ(g.GetOpacity(), 255);
}

TEST(CGraphicsObjectPixelsTest, ConvertBetweenDepths)
{
    // 15 to 16 moves green up a place keeping all five bits (green 1 stays
    // 2, not 0), and back again gives the same words.
    auto g = holding<uint16_t>(2, 2, 15, {0x7FFF, 0x7C00, 0x03E0, 0x0021});
    g->Convert(16);
    EXPECT_EQ(g->GetBpp(), 16);
    EXPECT_EQ(words(g.get(), 4), (std::vector<uint16_t>{0xFFDF, 0xF800, 0x07C0, 0x0041}));
    g->Convert(15);
    EXPECT_EQ(g->GetBpp(), 15);
    EXPECT_EQ(words(g.get(), 4), (std::vector<uint16_t>{0x7FFF, 0x7C00, 0x03E0, 0x0021}));

    // For a 24 or 32-bit destination, 15-bit pixels become 16-bit ones.
    g->Convert(32);
    EXPECT_EQ(g->GetBpp(), 16);
    // Tiny images (3 pixels or fewer) are not converted down.
    auto tiny = holding<uint16_t>(3, 1, 16, {0xFFFF, 0, 0});
    tiny->Convert(15);
    EXPECT_EQ(tiny->GetBpp(), 16);

    // 24-bit (blue, green, red) and 32-bit (0x00RRGGBB) pixels shrink to words.
    auto g24 = holding<uint8_t>(2, 2, 24, {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255});
    g24->Convert(16);
    EXPECT_EQ(g24->GetBpp(), 16);
    EXPECT_EQ(g24->GetDataSize(), 8);
    EXPECT_EQ(words(g24.get(), 4), (std::vector<uint16_t>{0xF800, 0x07E0, 0x001F, 0xFFFF}));
    auto g32 = holding<uint32_t>(2, 2, 32, {0xFF0000, 0x00FF00, 0x0000FF, 0x808080});
    g32->Convert(15);
    EXPECT_EQ(words(g32.get(), 4), (std::vector<uint16_t>{0x7C00, 0x03E0, 0x001F, 0x4210}));

    // Other pairs change nothing.
    char* data = g32->GetDataPtr();
    EXPECT_FALSE(CGraphicsObject::__convert_bpp(&data, nullptr, CXSize(2, 2), 16, 24, nullptr, false));
    EXPECT_TRUE(CGraphicsObject::__convert_bpp(&data, nullptr, CXSize(2, 2), 16, 16, nullptr, false));
    EXPECT_FALSE(CGraphicsObject::__convert_bpp(nullptr, nullptr, CXSize(2, 2), 15, 16, nullptr, false));
}

TEST(CGraphicsObjectPixelsTest, SplitAndJoinColourPlanes)
{
    auto g = holding<uint8_t>(2, 2, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    g->Split();
    EXPECT_EQ(g->GetDataPtr(), nullptr);
    EXPECT_EQ(g->GetChannelSize(0), 4);
    EXPECT_EQ(g->GetPixel(CHANNEL_RED, CXPoint(1, 0)), 6);
    EXPECT_EQ(g->GetPixel(CHANNEL_GREEN, CXPoint(0, 1)), 8);
    EXPECT_EQ(g->GetPixel(CHANNEL_BLUE, CXPoint(1, 1)), 10);

    // Joining goes back to the depth the drawable had: 24 here.
    g->JoinChannels();
    EXPECT_EQ(g->GetBpp(), 24);
    EXPECT_EQ(g->GetChannelRed(), nullptr);
    EXPECT_EQ(std::vector<uint8_t>((uint8_t*)g->GetDataPtr(), (uint8_t*)g->GetDataPtr() + 12),
              (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));

    // Four bytes a pixel with alpha, and back.
    char alpha[4] = {10, 20, 30, 40};
    g->AlphaChannel(alpha);
    std::unique_ptr<char[]> joined(g->Join2Channels());
    g->AlphaChannel(nullptr);
    EXPECT_EQ(std::vector<char>(joined.get(), joined.get() + 8), (std::vector<char>{1, 2, 3, 10, 4, 5, 6, 20}));
    CGraphicsObject back(nullptr, CXSize(2, 2), 16);
    back.SplitOn2(joined.get(), 4);
    EXPECT_EQ(back.GetBpp(), 24);
    EXPECT_TRUE(back.GetPixel(1, 1) == CColor(12, 11, 10));
    EXPECT_EQ(back.GetPixel(CHANNEL_ALPHA, CXPoint(1, 1)), 40);

    // Planes from elsewhere (a layered file) join into the drawable's own
    // depth; a missing plane gives 0.
    CGraphicsObject layer(nullptr, CXSize(2, 2), 16);
    layer.RedChannel(new char[4]{char(255), 0, 0, 0});
    layer.BlueChannel(new char[4]{0, char(255), 0, 0});
    layer.JoinChannels();
    EXPECT_EQ(layer.GetBpp(), 16);
    EXPECT_EQ(words(&layer, 4), (std::vector<uint16_t>{0xF800, 0x001F, 0, 0}));
}

TEST(CGraphicsObjectPixelsTest, BlendFilterWritesEverySecondRowOfItsDestiny)
{
    // An 4 x 39 destiny: rows 35 and 37 are written for a drawable 4 high
    // of 39 rows ((39 - 35) / 2 = 2 rows).
    const int w = 4, h = 39;
    CGraphicsObject destiny(nullptr, CXSize(w, h), 16);
    CGraphicsObject filter(nullptr, CXSize(w, h), 16);
    filter.SetDestiny(&destiny);
    std::vector<uint16_t> offsets(size_t(w) * h * 3);
    for (size_t i = 0; i < offsets.size(); i += 3) {
        offsets[i] = 1;
        offsets[i + 1] = 2;
        offsets[i + 2] = 0;
    }
    // Level 5 uses the plane 4 x 1024 bytes into the table.
    std::vector<int> table(2 * 1024 + 65537 / 4 + 1, 0);
    unsigned char* plane = reinterpret_cast<unsigned char*>(table.data()) + 4 * 1024;
    plane[0] = 0x0F;
    plane[1] = 0xA0;
    plane[2] = 0x00;
    plane[3] = 0x05;
    filter.Blend(reinterpret_cast<char*>(offsets.data()), table.data(), 0, 5);
    std::vector<uint16_t> out = words(&destiny, w * h);
    EXPECT_EQ(out[35 * w], uint16_t(0xA00F | 0x0500));
    EXPECT_EQ(out[37 * w + 3], uint16_t(0xA00F | 0x0500));
    EXPECT_EQ(out[36 * w], 0);
    EXPECT_EQ(out[34 * w], 0);
}

} // namespace
