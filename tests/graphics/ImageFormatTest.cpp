// The engine image file: the writer's "PIK" files read back in every kind
// it makes, hand-built "PIK", "NVI" and legacy files, and short or damaged
// files of each layout, which leave the image empty with an error code.
#include "graphics/Image.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"
#include "ImageFileData.h"
#include "JpegData.h"
#include "PictureSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using imagedata::Bytes;
using imagedata::Writer;

uint16_t colourAt(int x, int y) { return uint16_t(0x0841 * (x % 5) + 0x1000 * (y % 3) + x * y); }
uint8_t alphaAt(int x, int y) { return uint8_t(x < 3 ? 0 : 40 * y + x); }

// The words and alpha bytes of a w x h picture, row after row.
Bytes colourOf(int w, int h)
{
    std::vector<uint16_t> v;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            v.push_back(colourAt(x, y));
    return imagedata::words(v);
}

Bytes alphaOf(int w, int h)
{
    Bytes b;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.push_back(alphaAt(x, y));
    return b;
}

class ImageFiles : public ::testing::Test {
protected:
    // The engine's name of a file in the test's folder, written first when
    // bytes are given.
    std::string put(const std::string& name, const Bytes& bytes)
    {
        dir.write(name, std::string(bytes.begin(), bytes.end()));
        return at(name);
    }
    std::string at(const std::string& name) { return platform::toEnginePath(dir.file(name)); }
    Bytes read(const std::string& name)
    {
        std::string s = dir.read(name);
        return Bytes(s.begin(), s.end());
    }

    // The image's plain pixels and alpha, opened from RLE2 when packed.
    static Bytes pixelsOf(CImage& image)
    {
        image.unpack();
        const char* d = image.GetDataPtr();
        return d ? Bytes(d, d + size_t(image.Width()) * image.Height() * image.GetPixelSize()) : Bytes();
    }
    static Bytes planeOf(CImage& image)
    {
        image.unpack();
        const char* a = image.GetChannelAlpha();
        return a ? Bytes(a, a + size_t(image.Width()) * image.Height()) : Bytes();
    }
    // Whether the image holds the test picture of w x h at (x, y).
    static ::testing::AssertionResult holds(CImage& image, int w, int h, int x, int y, bool withAlpha)
    {
        if (image.LastError() != 0)
            return ::testing::AssertionFailure() << "error " << image.LastError();
        if (image.Width() != w || image.Height() != h || image.GetBpp() != 16)
            return ::testing::AssertionFailure() << "size " << image.Width() << "x" << image.Height() << " depth "
                                                 << image.GetBpp();
        if (image.GetPosition() != CXPoint(x, y))
            return ::testing::AssertionFailure() << "at " << image.GetPosition().x << "," << image.GetPosition().y;
        if (pixelsOf(image) != colourOf(w, h))
            return ::testing::AssertionFailure() << "other pixels";
        if (planeOf(image) != (withAlpha ? alphaOf(w, h) : Bytes()))
            return ::testing::AssertionFailure() << "other alpha";
        return ::testing::AssertionSuccess();
    }
    static ::testing::AssertionResult empty(CImage& image, int code)
    {
        if (image.LastError() != code)
            return ::testing::AssertionFailure() << "error " << image.LastError() << ", not " << code;
        if (image.Width() != 0 || image.Height() != 0 || image.GetDataPtr() || image.GetChannelAlpha())
            return ::testing::AssertionFailure() << "not empty: " << image.Width() << "x" << image.Height();
        return ::testing::AssertionSuccess();
    }

    testsupport::TempDir dir;
};

picturetest::Picture source(int w, int h, int x, int y)
{
    picturetest::Picture g = picturetest::picture(w, h, colourAt, alphaAt);
    g->SetPosition(x, y);
    return g;
}

TEST_F(ImageFiles, WritesEachKindAndReadsItBack)
{
    struct Case {
        _compression kind;
        _compression held; // after reading
    } cases[] = {{COMPRESSION_NONE, COMPRESSION_NONE},
                 {COMPRESSION_LZO, COMPRESSION_NONE},
                 {COMPRESSION_LZO_RLE2, COMPRESSION_RLE2},
                 {COMPRESSION_RLE2, COMPRESSION_RLE2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const std::string name = "kind" + std::to_string(c.kind) + ".img";
        picturetest::Picture g = source(37, 21, -5, 12);
        ASSERT_EQ(g->Save(CXString(at(name).c_str()), c.kind), 0);
        Bytes file = read(name);
        ASSERT_GE(file.size(), 40u);
        int32_t field[10];
        std::memcpy(field, file.data(), 40);
        EXPECT_EQ(std::memcmp(file.data(), "PIK", 4), 0);
        EXPECT_EQ(field[3], 16);
        EXPECT_EQ(field[4], 37 * 21 * 2);
        EXPECT_EQ(field[6], c.kind);
        EXPECT_EQ(40 + field[7] < int(file.size()), true);

        CImage image(nullptr);
        EXPECT_EQ(image.Load(CXString(at(name).c_str()), true), 0);
        EXPECT_EQ(image.GetCompression(), c.held);
        EXPECT_TRUE(holds(image, 37, 21, -5, 12, true));
    }

    // Plain pixels are written as they are, byte for byte.
    Bytes expected = imagedata::pik(37, 21, 16, 0, 37 * 21, -5, 12).bytes(colourOf(37, 21)).bytes(alphaOf(37, 21)).b;
    EXPECT_EQ(read("kind0.img"), expected);
    // A picture packed already is written as it is held.
    picturetest::Picture packed = source(37, 21, -5, 12);
    packed->Compress(COMPRESSION_RLE2);
    ASSERT_EQ(packed->Save(CXString(at("held.img").c_str()), COMPRESSION_RLE2), 0);
    EXPECT_EQ(read("held.img"), read("kind4.img"));
    // and written plain when plain pixels are asked for.
    ASSERT_EQ(packed->Save(CXString(at("opened.img").c_str()), COMPRESSION_NONE), 0);
    EXPECT_EQ(read("opened.img"), expected);
    // JPEG colour is read, never written: no file is made.
    EXPECT_NE(packed->Save(CXString(at("jpeg.img").c_str()), COMPRESSION_JPEG), 0);
    EXPECT_FALSE(testsupport::readFile(dir.file("jpeg.img")).size() > 0);
}

TEST_F(ImageFiles, WritesOnlyTheClippingRectangleAtItsPlace)
{
    picturetest::Picture g = source(100, 100, 50, 60);
    g->SetClippingRect(20, 30, 30, 40);
    ASSERT_EQ(g->Save(CXString(at("part.img").c_str()), COMPRESSION_NONE), 0);
    Bytes file = read("part.img");
    ASSERT_EQ(file.size(), 40u + 10 * 10 * 2 + 100);
    CImage image(nullptr);
    ASSERT_EQ(image.Load(CXString(at("part.img").c_str()), false), 0);
    EXPECT_EQ(image.Width(), 10);
    EXPECT_EQ(image.Height(), 10);
    EXPECT_EQ(image.GetPosition(), CXPoint(70, 90));
    EXPECT_EQ(uint16_t(image.GetPixel(0, 0).getPixel()), colourAt(20, 30));
    EXPECT_EQ(uint16_t(image.GetPixel(9, 9).getPixel()), colourAt(29, 39));
    EXPECT_EQ(image.GetPixel(CHANNEL_ALPHA, CXPoint(9, 0)), alphaAt(29, 30));
}

TEST_F(ImageFiles, ReadsTheDepthCodesOfTheHeader)
{
    struct Case {
        int field, depth;
    } cases[] = {{2, 15}, {4, 16}, {8, 24}, {16, 16}, {15, 15}};
    for (const Case& c : cases) {
        const int bytes = c.depth == 24 ? 3 : 2;
        Bytes file = imagedata::pik(2, 2, c.field, 0, 0).zeros(4 * bytes).b;
        CImage image(nullptr);
        EXPECT_EQ(image.Load(CXString(put("depth.img", file).c_str()), false), 0) << c.field;
        EXPECT_EQ(image.GetBpp(), c.depth) << c.field;
    }
}

TEST_F(ImageFiles, ReadsHandBuiltFilesOfEveryLayout)
{
    const int w = 6, h = 4;
    const Bytes colour = colourOf(w, h), plane = alphaOf(w, h);
    const Bytes lzoColour = imagedata::lzo(colour), lzoPlane = imagedata::lzo(plane);
    const Bytes lzwColour = imagedata::lzw(colour), lzwPlane = imagedata::lzw(plane);
    struct Case {
        const char* name;
        Bytes file;
        CXPoint at;
        bool alpha;
    } cases[] = {
        {"PIK raw", imagedata::pik(w, h, 4, 0, w * h, 3, 4).bytes(colour).bytes(plane).b, {3, 4}, true},
        {"PIK kind 0 of another size is LZO",
         imagedata::pik(w, h, 16, 0, int(lzoPlane.size()), 3, 4).bytes(lzoColour).bytes(lzoPlane).b, {3, 4}, true},
        {"NVI raw", imagedata::nvi(w, h, 16, colour.size(), plane.size(), -2, 7, 0).bytes(colour).bytes(plane).b,
         {-2, 7}, true},
        {"NVI LZW", imagedata::nvi(w, h, 16, lzwColour.size(), lzwPlane.size(), -2, 7, 2).bytes(lzwColour).bytes(lzwPlane).b,
         {-2, 7}, true},
        {"NVI LZW without alpha", imagedata::nvi(w, h, 16, lzwColour.size(), 0, 1, 1, 2).bytes(lzwColour).b, {1, 1}, false},
        {"legacy raw", imagedata::legacy(w, h, 4 | 0x400).bytes(colour).bytes(plane).b, {0, 0}, true},
        {"legacy LZO", imagedata::legacy(w, h, 4).bytes(lzoColour).b, {0, 0}, false},
    };
    for (const Case& c : cases) {
        CImage image(nullptr);
        EXPECT_EQ(image.Load(CXString(put("hand.img", c.file).c_str()), false), 0) << c.name;
        EXPECT_EQ(image.GetCompression(), COMPRESSION_NONE) << c.name;
        EXPECT_EQ(image.GetChannelSize(3), c.alpha ? w * h : 0) << c.name;
        EXPECT_TRUE(holds(image, w, h, c.at.x, c.at.y, c.alpha)) << c.name;
    }
}

TEST_F(ImageFiles, ReadsJpegColourWithAnLzoAlphaPlane)
{
    const Bytes jpeg = jpegdata::solid(8, 8, {255, 0, 0});
    const Bytes plane = alphaOf(8, 8), lzoPlane = imagedata::lzo(plane);
    for (int depth : {15, 16}) {
        Writer file;
        file.text(std::string("PIK", 4)).le32(8).le32(8).le32(depth).le32(jpeg.size()).le32(0).le32(5);
        file.le32(lzoPlane.size()).le32(1).le32(2).bytes(jpeg).bytes(lzoPlane);
        CImage image(nullptr);
        ASSERT_EQ(image.Load(CXString(put("jpeg.img", file.b).c_str()), false), 0);
        EXPECT_EQ(image.GetCompression(), COMPRESSION_NONE);
        EXPECT_EQ(image.GetBpp(), depth);
        EXPECT_EQ(uint16_t(image.GetPixel(7, 7).getPixel()), depth == 15 ? 0x7C00 : 0xF800);
        EXPECT_EQ(planeOf(image), plane);
    }
}

// Short, cut and damaged files of each layout: the image is left empty
// with an error, whatever it held before.
TEST_F(ImageFiles, ShortOrDamagedFilesLeaveTheImageEmpty)
{
    const int w = 6, h = 4;
    const Bytes colour = colourOf(w, h), plane = alphaOf(w, h);
    const Bytes lzoColour = imagedata::lzo(colour), lzoPlane = imagedata::lzo(plane);
    const Bytes lzwColour = imagedata::lzw(colour);
    const Bytes jpeg = jpegdata::solid(w, h, {1, 2, 3});
    picturetest::Picture packedSource = source(w, h, 0, 0);
    packedSource->Compress(COMPRESSION_RLE2);
    ASSERT_EQ(packedSource->Save(CXString(at("rle.img").c_str()), COMPRESSION_RLE2), 0);
    ASSERT_EQ(packedSource->Save(CXString(at("lzorle.img").c_str()), COMPRESSION_LZO_RLE2), 0);
    const Bytes rle = read("rle.img"), lzoRle = read("lzorle.img");
    auto cut = [](Bytes b, size_t n) { b.resize(std::min(n, b.size())); return b; };
    auto flip = [](Bytes b, size_t at) { b[at] ^= 0x5A; return b; };
    // Damage that breaks a stream's structure (damage that leaves a valid
    // stream only changes pixels, as it does in raw data).
    auto garble = [](Bytes b, size_t from, size_t n) {
        for (size_t i = from; i < from + n && i < b.size(); ++i)
            b[i] = 0xFF;
        return b;
    };
    const Bytes raw = imagedata::pik(w, h, 16, 0, w * h).bytes(colour).bytes(plane).b;
    const Bytes lzo = imagedata::pik(w, h, 16, 2, lzoPlane.size()).bytes(lzoColour).bytes(lzoPlane).b;
    Writer kind5;
    kind5.text(std::string("PIK", 4)).le32(w).le32(h).le32(16).le32(jpeg.size()).le32(0).le32(5).le32(0).le32(0).le32(0);
    kind5.bytes(jpeg);
    const Bytes nviRaw = imagedata::nvi(w, h, 16, colour.size(), 0, 0, 0, 0).bytes(colour).b;
    const Bytes nviLzw = imagedata::nvi(w, h, 16, lzwColour.size(), 0, 0, 0, 2).bytes(lzwColour).b;
    const Bytes legacy = imagedata::legacy(w, h, 4).bytes(lzoColour).b;
    struct Case {
        const char* name;
        Bytes file;
    } cases[] = {
        {"empty file", {}},
        {"header cut", cut(raw, 30)},
        {"header alone", cut(raw, 40)},
        {"raw alpha cut", cut(raw, raw.size() - 1)},
        {"alpha larger than the file", flip(raw, 29)},
        {"negative width", imagedata::pik(-6, h, 16, 0, 0).bytes(colour).b},
        {"absurd size", imagedata::pik(1 << 20, 1 << 20, 16, 0, 0).bytes(colour).b},
        {"unknown kind", imagedata::pik(w, h, 16, 7, 0).bytes(colour).b},
        {"raw alpha of another size", imagedata::pik(w, h, 16, 0, 5).bytes(colour).zeros(5).b},
        {"LZO colour cut", cut(lzo, 40 + lzoColour.size() / 2)},
        {"LZO block of another picture", imagedata::pik(w, h + 1, 16, 2, lzoPlane.size()).bytes(lzoColour).bytes(lzoPlane).b},
        {"LZO block damaged", garble(lzo, 40 + 8, 6)},
        {"RLE2 over LZO cut", cut(lzoRle, lzoRle.size() - 3)},
        {"RLE2 over LZO damaged", garble(lzoRle, 40 + 8, 6)},
        {"RLE2 cut", cut(rle, rle.size() - 3)},
        {"RLE2 literal past the block", [&] { Bytes b = rle; b[40] = 0x7F; return b; }()},
        {"JPEG cut", cut(kind5.b, kind5.b.size() - 20)},
        {"not a JPEG", flip(kind5.b, 40)},
        {"JPEG damaged", garble(kind5.b, 40 + 200, 40)},
        {"JPEG of another size", [&] { Bytes b = kind5.b; b[4] = 7; return b; }()},
        {"NVI header cut", cut(nviRaw, 20)},
        {"NVI raw cut", cut(nviRaw, nviRaw.size() - 1)},
        {"NVI colour larger than its picture", imagedata::nvi(w, h, 16, colour.size() + 2, 0, 0, 0, 0).bytes(colour).zeros(2).b},
        {"NVI LZW cut", cut(nviLzw, nviLzw.size() - 2)},
        {"NVI LZW of another picture", imagedata::nvi(w + 1, h, 16, lzwColour.size(), 0, 0, 0, 2).bytes(lzwColour).b},
        {"NVI unknown kind", imagedata::nvi(w, h, 16, colour.size(), 0, 0, 0, 3).bytes(colour).b},
        {"legacy cut in its record", cut(legacy, 85)},
        {"legacy LZO cut", cut(legacy, legacy.size() - 4)},
        {"legacy alpha larger than the file", imagedata::legacy(300, 300, 4 | 0x400).bytes(lzoColour).b},
    };
    for (const Case& c : cases) {
        CImage image(nullptr);
        ASSERT_EQ(image.Load(CXString(put("good.img", raw).c_str()), false), 0);
        EXPECT_NE(image.Load(CXString(put("bad.img", c.file).c_str()), false), 0) << c.name;
        EXPECT_TRUE(empty(image, CGraphicsObject::ERROR_DAMAGED)) << c.name;
    }
    CImage missing(nullptr);
    EXPECT_EQ(missing.Load(CXString(at("none.img").c_str()), false), 2000);
    EXPECT_TRUE(empty(missing, 2000));
}

} // namespace
