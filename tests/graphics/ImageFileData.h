#pragma once
// Picture files for the image file tests, built byte by byte: the engine
// image file in its three layouts, Targa and PSD, with the LZO and LZW
// blocks made by the engine's own encoders.
#include "base/Compression.h"

#include <cstdint>
#include <memory>
#include <string>
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

} // namespace imagedata
