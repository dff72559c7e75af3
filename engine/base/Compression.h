#pragma once
#include "base/Geometry.h"
#include "base/XObject.h"

// Block codecs for pixel planes. Every packed or unpacked result is a new
// buffer allocated with new[] that the caller owns and frees with delete[];
// no codec frees the block it works on.
//
// The decoders are given damaged data as often as good data (truncated
// files, broken archives), so each one reads only the packed bytes that
// exist and writes only the unpacked bytes that fit; what a damaged block
// cannot fill is left zero.

// A block of bytes and its length; the block is not owned.
class CCompression : public CXObject {
public:
    CCompression(char* data, int length);

    virtual void setData(char* block) { data = block; }
    virtual int GetSize() { return length; }

    // Unpacked lengths read from a block header above this are taken as
    // damage: no picture or frame comes near it.
    static const int MaxUnpackedLength = 1 << 28;

protected:
    int length;
    char* data;
};

// Run-length packets over bytes or 16-bit words: a control byte c >= 128
// repeats the next element c - 128 times, c < 128 is followed by c literal
// elements. No header; the caller knows the unpacked length.
class CRLECompression : public CCompression {
public:
    CRLECompression(char* data, int length) : CCompression(data, length) {}

    // Byte form.
    static char* __compresschar(char* in, int length, int& packedLength);
    // Word form; length is in bytes (a trailing odd byte is not packed).
    static char* __compress(char* in, int length, int& packedLength);
    // Both decoders return a buffer of exactly length bytes and read at most
    // packedLength bytes of in.
    static char* __decompresschar(char* in, int packedLength, int length);
    static char* __decompress(char* in, int packedLength, int length);
};

// PackBits rows of a width x height byte plane. rowLengths holds one packed
// length per row; the object owns it (new[]) and frees it.
class CRLECompression2 : public CCompression {
public:
    CRLECompression2(CXSize size, short* rowLengths, char* data, int dataLength);
    ~CRLECompression2() override;
    CRLECompression2(const CRLECompression2&) = delete;
    CRLECompression2& operator=(const CRLECompression2&) = delete;

    // A new plane of width x height bytes; null when that size is absurd.
    char* Decompress(int unused);
    // There is no encoder for this form: null, packedLength untouched.
    char* Compress(int& packedLength);

private:
    int width;
    int height;
    short* rowLengths;
};

// LZW block: uint32 unpacked length, uint32 code-stream length, uint32 code
// count, then 9- to 16-bit codes packed least significant bit first.
// 256 is the clear code.
class CLZWCompression : public CCompression {
public:
    CLZWCompression(char* data, int length) : CCompression(data, length) {}

    // Packs the object's block; packedLength receives the total length.
    char* compress(int& packedLength);
    // Unpacks the object's block and sets the object's length to the
    // unpacked length. The buffer holds at least minSize bytes, so a caller
    // that expects a given picture size never reads past it. A length given
    // to the constructor bounds the bytes read; 0 trusts the header. Null
    // when the header is missing, claims an absurd length or more than its
    // code stream can unpack to.
    char* decompress(int minSize);
};

// LZO1X block: uint32 unpacked length, uint32 packed length, then the
// packed bytes.
class CLZWCompression2 : public CCompression {
public:
    CLZWCompression2(char* data, int length) : CCompression(data, length), complete(false) {}

    // The block's header and LZO1X-1 data; packedLength receives the length
    // of the data without the 8-byte header. Null and 0 on failure.
    char* compress(int& packedLength);
    // A buffer of the header's unpacked length; damaged data leaves it zero.
    // A length given to the constructor bounds the bytes read; 0 trusts the
    // header. Null when the header is missing, claims an absurd length or
    // more than its packed bytes can unpack to.
    char* decompress();
    // Whether the last decompress decoded a whole stream of the header's
    // unpacked length (not a damaged or cut one).
    bool isComplete() const { return complete; }

private:
    bool complete;
};
