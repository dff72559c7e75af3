// The compression kinds of a drawable's pixels: packing into RLE2, opening
// and packing again, and the file forms LZO, LZO over RLE2 and JPEG.
#include "base/Compression.h"
#include "graphics/GraphicsObject.h"
#include "JpegData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

char* copyOf(const Bytes& b)
{
    char* p = new char[b.size()];
    if (!b.empty())
        std::memcpy(p, b.data(), b.size());
    return p;
}

// A drawable given its blocks as an image or animation reader leaves them:
// the blocks, their lengths and their kind.
struct Stored : CGraphicsObject {
    Stored(int w, int h, int depth) : CGraphicsObject(nullptr)
    {
        width = w;
        height = h;
        pitch = w;
        bpp = depth;
    }
    void holdColour(const Bytes& block, _compression kind)
    {
        release(data);
        data = copyOf(block);
        packedSize = packedSize2 = int(block.size());
        compression = kind;
    }
    void holdAlpha(const Bytes& block)
    {
        release(alpha);
        alpha = copyOf(block);
        planeSize[3] = int(block.size());
    }
    int packedLength() const { return packedSize; }
    Bytes colour(size_t n) const { return Bytes(data, data + n); }
    Bytes plane(size_t n) const { return Bytes(alpha, alpha + n); }
};

Bytes words(std::initializer_list<uint16_t> w)
{
    Bytes b;
    for (uint16_t v : w) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    }
    return b;
}

Bytes lzo(const Bytes& content)
{
    CLZWCompression2 packer(reinterpret_cast<char*>(const_cast<unsigned char*>(content.data())), int(content.size()));
    int packed = 0;
    std::unique_ptr<char[]> block(packer.compress(packed));
    return Bytes(block.get(), block.get() + packed + 8);
}

// A picture with long runs, short runs and noise, and an alpha plane with
// transparent and opaque stretches and soft edges.
struct Picture {
    int w, h;
    Bytes colour, plane;
    Picture(int width, int height) : w(width), h(height)
    {
        uint32_t seed = 7;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                seed = seed * 1103515245u + 12345u;
                uint16_t c = y < h / 3 ? 0x7C00 : x % 7 < 3 ? uint16_t(0x03E0 + x % 2) : uint16_t(seed >> 16);
                colour.push_back(uint8_t(c));
                colour.push_back(uint8_t(c >> 8));
                plane.push_back(x < w / 4 ? 0 : x < w / 2 ? uint8_t(x * 9) : 255);
            }
        }
    }
    std::unique_ptr<Stored> plain(int depth = 16) const
    {
        std::unique_ptr<Stored> g(new Stored(w, h, depth));
        g->holdColour(colour, COMPRESSION_NONE);
        g->holdAlpha(plane);
        return g;
    }
};

TEST(CGraphicsObjectCompressionTest, RLE2PacketsOfColourAndAlpha)
{
    // 129 differing bytes and their two literal packets.
    Bytes differing, literal127(1, 127);
    for (int i = 0; i < 129; ++i) {
        differing.push_back(uint8_t(i));
        if (i == 127)
            literal127.push_back(2);
        literal127.push_back(uint8_t(i));
    }
    struct Case {
        const char* what;
        Bytes colour; // 16-bit words
        Bytes plane;  // alpha bytes of a one-row image of the same width
        Bytes packedColour, packedPlane;
    } cases[] = {
        {"1 2 3 is one literal", words({1, 2, 3}), {1, 2, 3}, {3, 1, 0, 2, 0, 3, 0}, {3, 1, 2, 3}},
        {"five equal make a run", words({0x1234, 0x1234, 0x1234, 0x1234, 0x1234}), {9, 9, 9, 9, 9},
         {0x85, 0x34, 0x12}, {0x85, 9}},
        {"three equal stay literal", words({7, 7, 7}), {7, 7, 7}, {3, 7, 0, 7, 0, 7, 0}, {3, 7, 7, 7}},
        {"300 equal give 127, 127, 46", Bytes(600, 0x11), Bytes(300, 0xEE), {0xFF, 0x11, 0x11, 0xFF, 0x11, 0x11, 0xAE, 0x11, 0x11},
         {0xFF, 0xEE, 0xFF, 0xEE, 0xAE, 0xEE}},
        {"129 differing give literals of 127 and 2", {}, differing, {}, literal127},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int w = int(c.plane.size());
        Stored g(w, 1, 16);
        Bytes colour = c.colour.empty() ? Bytes(size_t(w) * 2, 0) : c.colour;
        g.holdColour(colour, COMPRESSION_NONE);
        g.holdAlpha(c.plane);
        g.Compress(COMPRESSION_RLE2);
        EXPECT_EQ(g.GetCompression(), COMPRESSION_RLE2);
        EXPECT_EQ(g.GetDataSize(), w * 2);
        if (!c.packedColour.empty()) {
            ASSERT_EQ(g.packedLength(), int(c.packedColour.size()));
            EXPECT_EQ(g.colour(c.packedColour.size()), c.packedColour);
        }
        ASSERT_EQ(g.GetChannelSize(3), int(c.packedPlane.size()));
        EXPECT_EQ(g.plane(c.packedPlane.size()), c.packedPlane);
        // The alpha plane reads through its packed form.
        EXPECT_EQ(g.GetPixel(CHANNEL_ALPHA, CXPoint(w - 1, 0)), c.plane.back());
    }
}

TEST(CGraphicsObjectCompressionTest, UnpackThenPackRestoresTheExactBuffers)
{
    const Picture p(37, 11);
    std::unique_ptr<Stored> g = p.plain();
    g->Compress(COMPRESSION_RLE2);
    char* packedColour = g->GetDataPtr();
    char* packedPlane = g->GetChannelAlpha();
    const int colourLength = g->packedLength(), planeLength = g->GetChannelSize(3);
    const Bytes colourBytes = g->colour(size_t(colourLength)), planeBytes = g->plane(size_t(planeLength));

    g->unpack();
    EXPECT_EQ(g->GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(g->colour(p.colour.size()), p.colour);
    EXPECT_EQ(g->plane(p.plane.size()), p.plane);
    EXPECT_EQ(g->GetChannelSize(3), 37 * 11);
    EXPECT_EQ(g->GetPixel(36, 10).getPixel(), int16_t(p.colour[p.colour.size() - 2] | p.colour.back() << 8));
    // A second unpack changes nothing.
    char* opened = g->GetDataPtr();
    g->unpack();
    EXPECT_EQ(g->GetDataPtr(), opened);

    g->pack(true);
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE2);
    EXPECT_EQ(g->GetDataPtr(), packedColour);
    EXPECT_EQ(g->GetChannelAlpha(), packedPlane);
    EXPECT_EQ(g->packedLength(), colourLength);
    EXPECT_EQ(g->GetChannelSize(3), planeLength);
    EXPECT_EQ(g->colour(size_t(colourLength)), colourBytes);
    EXPECT_EQ(g->plane(size_t(planeLength)), planeBytes);
    // Packing again without an unpack changes nothing.
    g->pack(true);
    EXPECT_EQ(g->GetDataPtr(), packedColour);
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE2);
}

TEST(CGraphicsObjectCompressionTest, OpeningWithoutTheFlagIsBroughtBackCompressed)
{
    const Picture p(20, 6);
    std::unique_ptr<Stored> g = p.plain(15);
    g->Compress(COMPRESSION_RLE2);
    char* packed = g->GetDataPtr();
    g->DeCompressRLE2();
    EXPECT_EQ(g->GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(g->colour(p.colour.size()), p.colour);
    // pack waits for unpack's flag; bringBackCompressed does not.
    g->pack(true);
    EXPECT_EQ(g->GetCompression(), COMPRESSION_NONE);
    g->bringBackCompressed();
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE2);
    EXPECT_EQ(g->GetDataPtr(), packed);
    EXPECT_EQ(g->GetBpp(), 15);
    g->bringBackCompressed();
    EXPECT_EQ(g->GetDataPtr(), packed);

    // A plain image is only marked by unpack, and the next pack clears the
    // mark without a change.
    std::unique_ptr<Stored> plain = p.plain();
    char* pixels = plain->GetDataPtr();
    plain->unpack();
    plain->pack(true);
    EXPECT_EQ(plain->GetDataPtr(), pixels);
    EXPECT_EQ(plain->GetCompression(), COMPRESSION_NONE);
    // An open image is freed whole, packed copies included.
    g->unpack();
    g->Flush();
    EXPECT_EQ(g->GetDataPtr(), nullptr);
    EXPECT_EQ(g->GetChannelAlpha(), nullptr);
}

TEST(CGraphicsObjectCompressionTest, PackedDataShorterThanThePictureUnpacksToZeros)
{
    // Two pixels of 0x1111 where twelve are expected.
    Stored g(4, 3, 16);
    g.holdColour({0x82, 0x11, 0x11}, COMPRESSION_RLE2);
    g.holdAlpha({0x83});
    g.unpack();
    Bytes expected(24, 0);
    expected[0] = expected[1] = expected[2] = expected[3] = 0x11;
    EXPECT_EQ(g.colour(24), expected);
    EXPECT_EQ(g.plane(12), Bytes(12, 0));
}

TEST(CGraphicsObjectCompressionTest, FileKindsDecode)
{
    const Picture p(33, 9);
    int rleLength = 0, rlePlaneLength = 0;
    std::unique_ptr<char[]> rle(CRLECompression::__compress(
        reinterpret_cast<char*>(const_cast<unsigned char*>(p.colour.data())), int(p.colour.size()), rleLength));
    std::unique_ptr<char[]> rlePlane(CRLECompression::__compresschar(
        reinterpret_cast<char*>(const_cast<unsigned char*>(p.plane.data())), int(p.plane.size()), rlePlaneLength));

    // Kind 2: LZO blocks of the plain planes.
    Stored two(33, 9, 16);
    two.holdColour(lzo(p.colour), COMPRESSION_LZO);
    two.holdAlpha(lzo(p.plane));
    two.DeCompress();
    EXPECT_EQ(two.GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(two.LastError(), 0);
    EXPECT_EQ(two.GetDataSize(), 33 * 9 * 2);
    EXPECT_EQ(two.colour(p.colour.size()), p.colour);
    EXPECT_EQ(two.plane(p.plane.size()), p.plane);
    EXPECT_EQ(two.GetChannelSize(3), 33 * 9);
    // A plane without a block is no alpha: it goes, rather than stand as a
    // plane shorter than the picture.
    Stored noPlane(33, 9, 16);
    noPlane.holdColour(lzo(p.colour), COMPRESSION_LZO);
    noPlane.holdAlpha({});
    noPlane.DeCompress();
    EXPECT_EQ(noPlane.GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(noPlane.GetChannelAlpha(), nullptr);

    // Kind 3: LZO blocks of the RLE2 forms stay packed, then open.
    Stored three(33, 9, 16);
    three.holdColour(lzo(Bytes(rle.get(), rle.get() + rleLength)), COMPRESSION_LZO_RLE2);
    three.holdAlpha(lzo(Bytes(rlePlane.get(), rlePlane.get() + rlePlaneLength)));
    three.DeCompress();
    EXPECT_EQ(three.GetCompression(), COMPRESSION_RLE2);
    EXPECT_EQ(three.packedLength(), rleLength);
    EXPECT_EQ(three.GetChannelSize(3), rlePlaneLength);
    EXPECT_EQ(three.colour(size_t(rleLength)), Bytes(rle.get(), rle.get() + rleLength));
    three.unpack();
    EXPECT_EQ(three.colour(p.colour.size()), p.colour);
    EXPECT_EQ(three.plane(p.plane.size()), p.plane);

    // Other kinds are left alone.
    std::unique_ptr<Stored> plain = p.plain();
    char* pixels = plain->GetDataPtr();
    plain->DeCompress();
    EXPECT_EQ(plain->GetDataPtr(), pixels);
}

TEST(CGraphicsObjectCompressionTest, JPEGColourDecodesForTheDepth)
{
    const Bytes red = jpegdata::solid(16, 8, {255, 0, 0});
    const Bytes plane(16 * 8, 200);
    struct Case {
        int depth;
        uint16_t word;
        int bppAfter;
    } cases[] = {{15, 0x7C00, 15}, {16, 0xF800, 16}, {24, 0xF800, 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        Stored g(16, 8, c.depth);
        g.holdColour(red, COMPRESSION_JPEG);
        g.holdAlpha(lzo(plane));
        g.DeCompress();
        ASSERT_EQ(g.GetCompression(), COMPRESSION_NONE);
        EXPECT_EQ(g.GetBpp(), c.bppAfter);
        EXPECT_EQ(g.packedLength(), 0);
        EXPECT_EQ(g.GetDataSize(), 16 * 8 * 2);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(uint16_t(g.GetPixel(x, y).getPixel()), c.word) << x << "," << y;
        EXPECT_EQ(g.plane(plane.size()), plane);
    }
}

TEST(CGraphicsObjectCompressionTest, DamagedBlocksLeaveTheDrawableAsItWas)
{
    const Picture p(10, 4);
    Bytes wrongLength = lzo(Bytes(p.colour.begin(), p.colour.end() - 2));
    Bytes cut = lzo(p.colour);
    cut.resize(5);
    Bytes shortStream = lzo(p.colour);
    shortStream.resize(shortStream.size() - 3);
    const Bytes jpeg = jpegdata::solid(10, 4, {0, 0, 255});
    const Bytes truncatedJpeg(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2));
    const Bytes otherSize = jpegdata::solid(12, 4, {0, 0, 255});
    Bytes garbage(jpeg.size(), 0x55);
    garbage[0] = 0xFF;
    garbage[1] = 0xD8;
    struct Case {
        const char* what;
        _compression kind;
        Bytes colour, plane;
    } cases[] = {
        {"colour of the wrong length", COMPRESSION_LZO, wrongLength, {}},
        {"colour block shorter than its header", COMPRESSION_LZO, cut, {}},
        {"colour stream cut short", COMPRESSION_LZO, shortStream, {}},
        {"alpha of the wrong length", COMPRESSION_LZO, lzo(p.colour), lzo(Bytes(7, 1))},
        {"alpha without a block", COMPRESSION_LZO_RLE2, lzo(Bytes(3, 0)), {1, 2, 3}},
        {"RLE2 form longer than the picture allows", COMPRESSION_LZO_RLE2, lzo(Bytes(200, 0)), {}},
        {"truncated JPEG", COMPRESSION_JPEG, truncatedJpeg, {}},
        {"JPEG of another size", COMPRESSION_JPEG, otherSize, {}},
        {"not a JPEG", COMPRESSION_JPEG, garbage, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Stored g(10, 4, 16);
        g.holdColour(c.colour, c.kind);
        if (!c.plane.empty())
            g.holdAlpha(c.plane);
        char* block = g.GetDataPtr();
        g.DeCompress();
        EXPECT_EQ(g.LastError(), int(CGraphicsObject::ERROR_DAMAGED));
        EXPECT_EQ(g.GetCompression(), c.kind);
        EXPECT_EQ(g.GetDataPtr(), block);
        EXPECT_EQ(g.colour(c.colour.size()), c.colour);
    }
}

} // namespace
