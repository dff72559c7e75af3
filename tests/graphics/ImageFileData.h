#pragma once
// Picture files for the image file tests, built byte by byte: the engine
// image file in its three layouts, Targa and PSD, with the LZO and LZW
// blocks made by the engine's own encoders.
#include "base/Compression.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace imagedata {

using Bytes = std::vector<unsigned char>;

struct Writer {
    Bytes b;
    Writer& le16(int v) { return put(v, 2, false); }
    Writer& le32(int64_t v) { return put(v, 4, false); }
    Writer& be16(int v) { return put(v, 2, true); }
    Writer& be32(int64_t v) { return put(v, 4, true); }
    Writer& u8(int v) { return put(v, 1, false); }
    Writer& text(const std::string& s)
    {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Writer& bytes(const Bytes& more)
    {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
    Writer& zeros(int n)
    {
        b.insert(b.end(), size_t(n), 0);
        return *this;
    }
    std::string str() const { return std::string(b.begin(), b.end()); }

private:
    Writer& put(int64_t v, int n, bool bigEndian)
    {
        for (int i = 0; i < n; ++i)
            b.push_back(uint8_t(uint64_t(v) >> (8 * (bigEndian ? n - 1 - i : i))));
        return *this;
    }
};

// 16-bit words as little-endian bytes.
inline Bytes words(const std::vector<uint16_t>& w)
{
    Writer out;
    for (uint16_t v : w)
        out.le16(v);
    return out.b;
}

inline Bytes lzo(Bytes content)
{
    CLZWCompression2 packer(reinterpret_cast<char*>(content.data()), int(content.size()));
    int packed = 0;
    std::unique_ptr<char[]> block(packer.compress(packed));
    return Bytes(block.get(), block.get() + packed + 8);
}

inline Bytes lzw(Bytes content)
{
    CLZWCompression packer(reinterpret_cast<char*>(content.data()), int(content.size()));
    int packed = 0;
    std::unique_ptr<char[]> block(packer.compress(packed));
    return Bytes(block.get(), block.get() + packed);
}

// The 40-byte "PIK" header.
inline Writer pik(int w, int h, int depth, int kind, int64_t alphaSize, int x = 0, int y = 0)
{
    Writer out;
    out.text(std::string("PIK", 4)).le32(w).le32(h).le32(depth).le32(int64_t(w) * h * 2).le32(0).le32(kind);
    out.le32(alphaSize).le32(x).le32(y);
    return out;
}

// The 37-byte "NVI" header.
inline Writer nvi(int w, int h, int depth, int64_t colourSize, int64_t alphaSize, int x, int y, int kind)
{
    Writer out;
    out.text(std::string("NVI", 4)).le16(w).le16(h).u8(depth).le32(colourSize).le32(alphaSize);
    out.le16(x).le16(y).le32(kind).zeros(12);
    return out;
}

// The legacy header: 80 bytes the reader skips, then its 12-byte record.
inline Writer legacy(int w, int h, int flags)
{
    Writer out;
    out.text("LEGACY").zeros(74).le16(w).le16(h).zeros(6).le16(flags);
    return out;
}

// A Targa header of an uncompressed true-colour picture.
inline Writer targa(int w, int h, int depth, int idLength = 0)
{
    Writer out;
    out.u8(idLength).u8(0).u8(2).zeros(9).le16(w).le16(h).u8(depth).u8(0);
    return out;
}

// PackBits rows: runs of three or more equal bytes as runs, the rest as
// literals; one packed length per row.
inline std::pair<std::vector<int>, Bytes> packBits(const Bytes& plane, int w, int h)
{
    std::pair<std::vector<int>, Bytes> out;
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = plane.data() + size_t(y) * w;
        const size_t start = out.second.size();
        for (int x = 0; x < w;) {
            int run = 1;
            while (x + run < w && run < 128 && row[x + run] == row[x])
                ++run;
            if (run >= 3) {
                out.second.push_back(uint8_t(1 - run));
                out.second.push_back(row[x]);
                x += run;
                continue;
            }
            int literal = 0;
            while (x + literal < w && literal < 128 &&
                   !(x + literal + 2 < w && row[x + literal] == row[x + literal + 1] && row[x + literal] == row[x + literal + 2]))
                ++literal;
            out.second.push_back(uint8_t(literal - 1));
            out.second.insert(out.second.end(), row + x, row + x + literal);
            x += literal;
        }
        out.first.push_back(int(out.second.size() - start));
    }
    return out;
}

struct PsdChannel {
    int id;
    int compression; // 0 raw, 1 PackBits, other: data stored as given
    Bytes data;      // the plane (width x height bytes), or the stored bytes
};

struct PsdLayer {
    int top, left, bottom, right;
    std::string name;
    std::vector<PsdChannel> channels;
    Bytes mask;            // the layer mask data
    bool extraBlock = false; // a further "8BIM" block after the name
};

// A PSD document with these layers; count is the layer count field (its
// absolute value is the number of layers).
inline Bytes psd(const std::vector<PsdLayer>& layers, int count)
{
    Writer records;
    Writer images;
    for (const PsdLayer& l : layers) {
        const int w = l.right - l.left, h = l.bottom - l.top;
        records.be32(l.top).be32(l.left).be32(l.bottom).be32(l.right).be16(int(l.channels.size()));
        std::vector<Bytes> stored;
        for (const PsdChannel& c : l.channels) {
            Writer data;
            data.be16(c.compression);
            if (c.compression == 1) {
                auto packed = packBits(c.data, w, h);
                for (int n : packed.first)
                    data.be16(n);
                data.bytes(packed.second);
            } else {
                data.bytes(c.data);
            }
            records.be16(c.id).be32(int64_t(data.b.size()));
            stored.push_back(data.b);
        }
        Writer extra;
        extra.be32(int64_t(l.mask.size())).bytes(l.mask).be32(8).zeros(8);
        extra.u8(int(l.name.size())).text(l.name);
        extra.zeros(int((l.name.size() + 4) / 4 * 4 - 1 - l.name.size()));
        if (l.extraBlock)
            extra.text("8BIMluni").be32(4).zeros(4);
        records.text("8BIMnorm").u8(255).u8(0).u8(0).u8(0).be32(int64_t(extra.b.size())).bytes(extra.b);
        for (const Bytes& b : stored)
            images.bytes(b);
    }
    Writer layerInfo;
    layerInfo.be16(count).bytes(records.b).bytes(images.b);
    Writer out;
    out.text("8BPS").be16(1).zeros(6).be16(3).be32(16).be32(16).be16(8).be16(3);
    out.be32(0).be32(0);
    out.be32(int64_t(layerInfo.b.size()) + 8).be32(int64_t(layerInfo.b.size())).bytes(layerInfo.b).be32(0);
    return out.b;
}

} // namespace imagedata
