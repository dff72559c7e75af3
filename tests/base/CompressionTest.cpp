#include "base/Compression.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

struct Buffer {
    std::unique_ptr<char[]> data;
    Bytes bytes(int n) const { return Bytes(data.get(), data.get() + n); }
};

Bytes rle8(const Bytes& in)
{
    int packed = -1;
    Buffer out{std::unique_ptr<char[]>(
        CRLECompression::__compresschar(reinterpret_cast<char*>(const_cast<unsigned char*>(in.data())),
                                        int(in.size()), packed))};
    return out.bytes(packed);
}

Bytes rle16(const Bytes& in)
{
    int packed = -1;
    Buffer out{std::unique_ptr<char[]>(CRLECompression::__compress(
        reinterpret_cast<char*>(const_cast<unsigned char*>(in.data())), int(in.size()), packed))};
    return out.bytes(packed);
}

// Decoders are given a copy of exactly the packed bytes, so that a read past
// them is caught by the address sanitizer.
Bytes unrle8(const Bytes& packed, int length)
{
    Bytes in(packed);
    Buffer out{std::unique_ptr<char[]>(
        CRLECompression::__decompresschar(reinterpret_cast<char*>(in.data()), int(in.size()), length))};
    return out.bytes(length);
}

Bytes unrle16(const Bytes& packed, int length)
{
    Bytes in(packed);
    Buffer out{std::unique_ptr<char[]>(
        CRLECompression::__decompress(reinterpret_cast<char*>(in.data()), int(in.size()), length))};
    return out.bytes(length);
}

Bytes repeat(int n, unsigned char v) { return Bytes(size_t(n), v); }

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes ascending(int n)
{
    Bytes b;
    for (int i = 0; i < n; ++i)
        b.push_back(uint8_t(i));
    return b;
}

// Data of the kinds a codec meets, in blocks: a long stretch from a small
// alphabet (which carries LZW to its widest codes), then text-like runs of
// words, noise (which makes it reset), long runs and gradients.
Bytes mixedData(size_t size, unsigned seed)
{
    std::mt19937 rng(seed);
    static const char* words[] = {"scene", "anima", "button", "ONCLICK", "sprite", "frame",
                                  "QUARNEL", "alpha", "0x7FFF", "behaviour", " ", "\r\n"};
    Bytes out;
    while (out.size() < size / 3)
        out.push_back(uint8_t('a' + rng() % 16));
    while (out.size() < size) {
        switch (rng() % 4) {
        case 0:
            for (int i = 0; i < 40000; ++i) {
                const char* w = words[rng() % 12];
                out.insert(out.end(), w, w + std::strlen(w));
            }
            break;
        case 1:
            for (int i = 0; i < 30000; ++i)
                out.push_back(uint8_t(rng()));
            break;
        case 2:
            out.insert(out.end(), 5000 + rng() % 20000, uint8_t(rng()));
            break;
        default:
            for (int i = 0; i < 30000; ++i)
                out.push_back(uint8_t(i / 97 + (rng() % 3)));
        }
    }
    out.resize(size);
    return out;
}

TEST(CRLECompressionTest, ByteFormPacketsAndRoundTrip)
{
    struct Case {
        Bytes in, packed;
    } cases[] = {
        {repeat(10, 7), {0x8A, 0x07}},
        {{1, 2, 3}, {0x03, 1, 2, 3}},
        {{5, 5, 5, 9}, {0x03, 5, 5, 5, 0x01, 9}},
        {repeat(300, 4), {0xFF, 4, 0xFF, 4, 0xAE, 4}},
        {concat({ascending(2), repeat(4, 9), {1}}), {0x02, 0, 1, 0x84, 9, 0x01, 1}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rle8(c.in), c.packed);
        EXPECT_EQ(unrle8(c.packed, int(c.in.size())), c.in);
    }

    Bytes distinct = ascending(200);
    Bytes packed = rle8(distinct);
    ASSERT_EQ(packed.size(), 202u);
    EXPECT_EQ(packed[0], 127);
    EXPECT_EQ(packed[128], 73);
    EXPECT_EQ(unrle8(packed, 200), distinct);

    Bytes mixed = mixedData(300000, 1);
    EXPECT_EQ(unrle8(rle8(mixed), int(mixed.size())), mixed);
}

TEST(CRLECompressionTest, WordFormPacketsAndRoundTrip)
{
    Bytes words = concat({{0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12}, {0xCD, 0xAB}});
    EXPECT_EQ(rle16(words), (Bytes{0x84, 0x34, 0x12, 0x01, 0xCD, 0xAB}));
    // Words differing only in their high byte are not a run.
    EXPECT_EQ(rle16({1, 0, 1, 2}), (Bytes{0x02, 1, 0, 1, 2}));
    EXPECT_EQ(rle16({1, 2, 3}), (Bytes{0x01, 1, 2})); // the odd byte is not packed

    Bytes mixed = mixedData(400000, 2);
    EXPECT_EQ(unrle16(rle16(mixed), int(mixed.size())), mixed);
}

TEST(CRLECompressionTest, DamagedPacketsStayInsideBothBuffers)
{
    // A run longer than the output, a literal cut off by the input's end,
    // a run without its element, a stream shorter than the output.
    EXPECT_EQ(unrle8({0xFF, 7}, 3), (Bytes{7, 7, 7}));
    EXPECT_EQ(unrle8({0x05, 1, 2}, 4), (Bytes{1, 2, 0, 0}));
    EXPECT_EQ(unrle8({0x01, 1, 0x85}, 3), (Bytes{1, 0, 0}));
    EXPECT_EQ(unrle8({}, 2), (Bytes{0, 0}));

    EXPECT_EQ(unrle16({0x83, 0x34, 0x12}, 5), (Bytes{0x34, 0x12, 0x34, 0x12, 0x34}));
    EXPECT_EQ(unrle16({0x03, 1, 2, 3}, 6), (Bytes{1, 2, 3, 0, 0, 0}));
    EXPECT_EQ(unrle16({0x01, 1, 2, 0x83, 9}, 4), (Bytes{1, 2, 0, 0}));

    // The packed length bounds the read even when more bytes follow.
    Bytes in{0x02, 1, 2, 0x02, 3, 4};
    std::unique_ptr<char[]> out(CRLECompression::__decompresschar(reinterpret_cast<char*>(in.data()), 3, 4));
    EXPECT_EQ(Bytes(out.get(), out.get() + 4), (Bytes{1, 2, 0, 0}));
}

Bytes unpackBits(CXSize size, std::vector<short> rows, Bytes data)
{
    short* table = new short[rows.size() + 1];
    std::copy(rows.begin(), rows.end(), table);
    CRLECompression2 codec(size, table, reinterpret_cast<char*>(data.data()), int(data.size()));
    std::unique_ptr<char[]> out(codec.Decompress(0));
    return Bytes(out.get(), out.get() + size.cx * size.cy);
}

TEST(CRLECompression2Test, RowsFollowTheirTableLengths)
{
    EXPECT_EQ(unpackBits(CXSize(6, 1), {6}, {0xFE, 0x41, 0x02, 1, 2, 3}), (Bytes{0x41, 0x41, 0x41, 1, 2, 3}));
    // Row 0 says 1 byte but its packet takes 3: row 1 still starts at byte 1.
    // The output runs on across rows; a row of length 0 (or below) adds
    // nothing.
    EXPECT_EQ(unpackBits(CXSize(2, 2), {1, 2}, {0x01, 0x00, 0x05}), (Bytes{0, 5, 5, 0}));
    EXPECT_EQ(unpackBits(CXSize(2, 3), {2, 0, 2}, {0xFF, 7, 0x00, 9}), (Bytes{7, 7, 9, 0, 0, 0}));
    EXPECT_EQ(unpackBits(CXSize(2, 2), {-3, 2}, {0x00, 5}), (Bytes{5, 0, 0, 0}));
    // -128 is no packet, as other writers pad their rows with it; a run is
    // clipped to the plane.
    EXPECT_EQ(unpackBits(CXSize(2, 2), {3, 3}, {0xFF, 7, 0x80, 0xFF, 9, 0x80}), (Bytes{7, 7, 9, 9}));
    EXPECT_EQ(unpackBits(CXSize(3, 1), {3}, {0x80, 0x81, 1}), (Bytes{1, 1, 1}));
    // A table that claims more than the data holds.
    EXPECT_EQ(unpackBits(CXSize(4, 2), {3, 30}, {0x01, 1, 2, 0x7F, 4}), (Bytes{1, 2, 4, 0, 0, 0, 0, 0}));

    CRLECompression2 none(CXSize(0, 5), nullptr, nullptr, 0);
    std::unique_ptr<char[]> empty(none.Decompress(0));
    EXPECT_NE(empty, nullptr);
    int packed = 42;
    EXPECT_EQ(none.Compress(packed), nullptr);
    EXPECT_EQ(packed, 42);
}

uint32_t le32(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

Bytes lzw(const Bytes& in)
{
    Bytes copy(in);
    CLZWCompression codec(reinterpret_cast<char*>(copy.data()), int(copy.size()));
    int packed = -1;
    std::unique_ptr<char[]> out(codec.compress(packed));
    EXPECT_EQ(uint32_t(packed), 12 + le32(Bytes(out.get(), out.get() + 12), 4));
    return Bytes(out.get(), out.get() + packed);
}

Bytes unlzw(Bytes block, int blockLength)
{
    CLZWCompression codec(reinterpret_cast<char*>(block.data()), blockLength);
    std::unique_ptr<char[]> out(codec.decompress(0));
    if (!out)
        return Bytes{0xDE, 0xAD};
    return Bytes(out.get(), out.get() + codec.GetSize());
}

// Codes of the given widths, least significant bit first.
Bytes lzwBlock(uint32_t unpacked, const std::vector<std::pair<unsigned, int>>& codes)
{
    Bytes stream;
    uint64_t acc = 0;
    int bits = 0;
    for (auto [code, width] : codes) {
        acc |= uint64_t(code) << bits;
        for (bits += width; bits >= 8; bits -= 8, acc >>= 8)
            stream.push_back(uint8_t(acc));
    }
    if (bits)
        stream.push_back(uint8_t(acc));
    Bytes block;
    for (uint32_t v : {unpacked, uint32_t(stream.size()), uint32_t(codes.size())})
        for (int k = 0; k < 4; ++k)
            block.push_back(uint8_t(v >> (8 * k)));
    block.insert(block.end(), stream.begin(), stream.end());
    return block;
}

// What a stream's codes say about its shape: the widest code, the unpacked
// offsets at which a later clear code resets the dictionary, and whether the
// last code is a clear.
struct Shape {
    int maxWidth = 9;
    std::vector<size_t> resetsAt;
    bool endsWithClear = false;
};

Shape shapeOf(const Bytes& block)
{
    Shape shape;
    std::vector<uint32_t> lengths(65536, 1);
    size_t pos = 12, produced = 0;
    uint64_t acc = 0;
    int bits = 0;
    auto read = [&](int width) {
        while (bits < width) {
            acc |= uint64_t(block[pos++]) << bits;
            bits += 8;
        }
        unsigned code = unsigned(acc) & ((1u << width) - 1);
        acc >>= width;
        bits -= width;
        return code;
    };
    int width = 9;
    unsigned next = 257;
    uint32_t previous = 1;
    const uint32_t count = le32(block, 8);
    for (uint32_t i = 0; i < count; ++i) {
        unsigned code = read(width);
        if (code == 256) {
            if (i > 0)
                shape.resetsAt.push_back(produced);
            width = 9;
            next = 257;
            if (i + 1 == count) {
                shape.endsWithClear = true;
                break;
            }
            read(9);
            ++i;
            ++produced;
            previous = 1;
            continue;
        }
        uint32_t n = code < 256 ? 1 : code < next ? lengths[code] : previous + 1;
        produced += n;
        if (next < 65536)
            lengths[next++] = previous + 1;
        previous = n;
        if (width < 16 && next >= (1u << width))
            shape.maxWidth = ++width;
    }
    return shape;
}

TEST(CLZWCompressionTest, SmallBlocksHaveTheirCodes)
{
    const unsigned char X = 'X';
    Bytes xxx = lzw({X, X, X});
    EXPECT_EQ(xxx, lzwBlock(3, {{256, 9}, {X, 9}, {257, 9}}));
    EXPECT_EQ(le32(xxx, 4), 4u);
    EXPECT_EQ(le32(xxx, 8), 3u);
    EXPECT_EQ(unlzw(xxx, int(xxx.size())), (Bytes{X, X, X}));

    Bytes one = lzw({0x41});
    EXPECT_EQ(one, lzwBlock(1, {{256, 9}, {0x41, 9}}));
    EXPECT_EQ(one.size(), 15u);
    EXPECT_EQ(unlzw(one, int(one.size())), Bytes{0x41});

    EXPECT_EQ(unlzw(lzw({}), 14), Bytes{});
}

TEST(CLZWCompressionTest, DecoderResetsAtEveryClearCode)
{
    // "AB", then a clear in mid-stream: 257 is unknown again and is read as
    // the previous string plus its first byte; the 9-bit codes go on.
    Bytes block = lzwBlock(10, {{256, 9}, {'A', 9}, {'B', 9}, {257, 9}, {256, 9}, {'C', 9}, {257, 9}, {258, 9}});
    EXPECT_EQ(unlzw(block, int(block.size())), (Bytes{'A', 'B', 'A', 'B', 'C', 'C', 'C', 'C', 'C', 'C'}));
    // A stream may end with its clear code.
    Bytes ending = lzwBlock(2, {{256, 9}, {'A', 9}, {'B', 9}, {256, 9}});
    EXPECT_EQ(unlzw(ending, int(ending.size())), (Bytes{'A', 'B'}));
}

TEST(CLZWCompressionTest, MegabyteRoundTripThroughEveryWidthAndReset)
{
    Bytes data = mixedData(1 << 20, 3);
    Bytes block = lzw(data);
    Shape shape = shapeOf(block);
    EXPECT_EQ(shape.maxWidth, 16);
    ASSERT_FALSE(shape.resetsAt.empty());
    EXPECT_FALSE(shape.endsWithClear);
    EXPECT_EQ(unlzw(block, int(block.size())), data);
    // Without a length the header alone bounds the stream.
    EXPECT_EQ(unlzw(block, 0), data);

    // Cut just after a reset's byte: the stream ends with the clear code and
    // still decodes to exactly the input.
    Bytes head(data.begin(), data.begin() + long(shape.resetsAt[0]));
    Bytes headBlock = lzw(head);
    EXPECT_TRUE(shapeOf(headBlock).endsWithClear);
    EXPECT_EQ(unlzw(headBlock, int(headBlock.size())), head);
}

TEST(CLZWCompressionTest, DamagedBlocksStayInsideBothBuffers)
{
    Bytes data = mixedData(100000, 4);
    Bytes block = lzw(data);

    // Truncated: the constructor's length bounds the stream the header claims.
    Bytes cut = unlzw(block, int(block.size() / 2));
    ASSERT_EQ(cut.size(), data.size());
    EXPECT_TRUE(std::equal(cut.begin(), cut.begin() + 1000, data.begin()));

    // More codes than the stream holds, a smaller unpacked length, codes
    // above the next free one, a header alone, an absurd length.
    Bytes moreCodes(block);
    moreCodes[8] = moreCodes[9] = moreCodes[10] = 0xFF;
    EXPECT_EQ(unlzw(moreCodes, int(moreCodes.size())), data);
    Bytes shorter(block);
    shorter[0] = 100, shorter[1] = shorter[2] = 0;
    EXPECT_EQ(unlzw(shorter, int(shorter.size())), Bytes(data.begin(), data.begin() + 100));
    Bytes wild = lzwBlock(6, {{'A', 9}, {500, 9}, {300, 9}, {511, 9}});
    EXPECT_EQ(unlzw(wild, int(wild.size())), (Bytes{'A', 'A', 'A', 'A', 'A', 'A'}));
    EXPECT_EQ(unlzw(Bytes(block.begin(), block.begin() + 11), 11), (Bytes{0xDE, 0xAD}));
    Bytes absurd(block);
    absurd[3] = 0x7F;
    EXPECT_EQ(unlzw(absurd, int(absurd.size())), (Bytes{0xDE, 0xAD}));
    // A length within bounds that the few codes after it cannot give is
    // refused before anything is allocated.
    Bytes claims = lzwBlock(200 << 20, {{256, 9}, {'A', 9}});
    EXPECT_EQ(unlzw(claims, int(claims.size())), (Bytes{0xDE, 0xAD}));
    Bytes fits = lzwBlock(3, {{256, 9}, {'A', 9}, {257, 9}});
    EXPECT_EQ(unlzw(fits, int(fits.size())), (Bytes{'A', 'A', 'A'}));

    // A caller that expects more than the header gives reads zeros, not
    // memory beyond the buffer.
    CLZWCompression codec(reinterpret_cast<char*>(block.data()), int(block.size()));
    std::unique_ptr<char[]> out(codec.decompress(int(data.size()) + 64));
    EXPECT_EQ(codec.GetSize(), int(data.size()));
    EXPECT_EQ(out[data.size() + 63], 0);
}

Bytes lzo(Bytes in, int& packed)
{
    CLZWCompression2 codec(reinterpret_cast<char*>(in.data()), int(in.size()));
    std::unique_ptr<char[]> out(codec.compress(packed));
    if (!out)
        return {};
    return Bytes(out.get(), out.get() + 8 + packed);
}

Bytes unlzo(Bytes block, int blockLength, size_t expect)
{
    CLZWCompression2 codec(reinterpret_cast<char*>(block.data()), blockLength);
    std::unique_ptr<char[]> out(codec.decompress());
    if (!out)
        return Bytes{0xDE, 0xAD};
    EXPECT_EQ(codec.GetSize(), blockLength);
    return Bytes(out.get(), out.get() + expect);
}

TEST(CLZWCompression2Test, RoundTripThroughLiblzo2)
{
    for (const Bytes& data : {mixedData(1 << 20, 5), Bytes{9}, Bytes{}}) {
        int packed = -1;
        Bytes block = lzo(data, packed);
        ASSERT_EQ(block.size(), 8 + size_t(packed));
        EXPECT_EQ(le32(block, 0), data.size());
        EXPECT_EQ(le32(block, 4), uint32_t(packed));
        EXPECT_EQ(unlzo(block, int(block.size()), data.size()), data);
        // The image object passes no length: the header alone tells.
        EXPECT_EQ(unlzo(block, 0, data.size()), data);
    }
}

TEST(CLZWCompression2Test, DamagedBlocksStayInsideBothBuffers)
{
    Bytes data = mixedData(200000, 6);
    int packed = 0;
    Bytes block = lzo(data, packed);

    // Cut short, or a header that claims more packed bytes than there are:
    // a buffer of the unpacked length all the same.
    EXPECT_EQ(unlzo(block, int(block.size()) / 3, data.size()).size(), data.size());
    Bytes longer(block);
    longer[6] = 0x7F;
    EXPECT_EQ(unlzo(longer, int(longer.size()), data.size()), data);

    // An unpacked length smaller than the data: the library stops at the
    // buffer's end.
    Bytes smaller(block);
    smaller[0] = 0x10, smaller[1] = smaller[2] = smaller[3] = 0;
    EXPECT_EQ(unlzo(smaller, int(smaller.size()), 16).size(), 16u);

    // Garbage after a valid header.
    std::mt19937 rng(7);
    Bytes garbage(block);
    for (size_t i = 8; i < garbage.size(); i += 1 + rng() % 50)
        garbage[i] = uint8_t(rng());
    EXPECT_EQ(unlzo(garbage, int(garbage.size()), data.size()).size(), data.size());

    EXPECT_EQ(unlzo(Bytes(block.begin(), block.begin() + 7), 7, 0), (Bytes{0xDE, 0xAD}));
    Bytes absurd(block);
    absurd[3] = 0xFF;
    EXPECT_EQ(unlzo(absurd, int(absurd.size()), 0), (Bytes{0xDE, 0xAD}));
    // A length within bounds that five packed bytes cannot give.
    Bytes claims = {0x00, 0x00, 0x80, 0x0C, 5, 0, 0, 0, 0x11, 0, 0, 0, 0};
    EXPECT_EQ(unlzo(claims, int(claims.size()), 0), (Bytes{0xDE, 0xAD}));
}

} // namespace
