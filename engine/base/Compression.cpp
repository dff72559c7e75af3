#include "base/Compression.h"

#include <cstdint>
#include <cstring>
#include <lzo/lzo1x.h>
#include <memory>

namespace {

uint32_t readLE32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void writeLE32(unsigned char* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// Elements of the run-length forms are N bytes wide (1 or 2) and compared
// by value.
template <int N>
inline unsigned element(const unsigned char* p, int i)
{
    return N == 1 ? p[i] : unsigned(p[2 * i]) | unsigned(p[2 * i + 1]) << 8;
}

template <int N>
char* rleEncode(const char* source, int length, int& packedLength)
{
    const int n = source && length > 0 ? length / N : 0;
    if (n < 1) {
        packedLength = 0;
        return new char[0];
    }
    const unsigned char* in = reinterpret_cast<const unsigned char*>(source);
    // A single pending element costs 1 + N bytes, a pair 1 + 2N: twice the
    // input always holds the packets.
    std::unique_ptr<unsigned char[]> scratch(new unsigned char[2 * size_t(n) * N + 2]);
    unsigned char* out = scratch.get();
    int pendingStart = 0, pendingCount = 0;
    auto writeLiteral = [&](int start, int count) {
        *out++ = uint8_t(count);
        std::memcpy(out, in + size_t(start) * N, size_t(count) * N);
        out += size_t(count) * N;
    };
    int i = 0;
    while (i < n) {
        if (i + 1 < n && element<N>(in, i + 1) == element<N>(in, i)) {
            if (pendingCount) {
                writeLiteral(pendingStart, pendingCount);
                pendingCount = 0;
            }
            const unsigned value = element<N>(in, i);
            int r = 2;
            while (i + r < n && r < 127 && element<N>(in, i + r) == value)
                ++r;
            if (r < 4) {
                writeLiteral(i, r);
            } else {
                *out++ = uint8_t(128 + r);
                std::memcpy(out, in + size_t(i) * N, N);
                out += N;
            }
            i += r;
        } else {
            if (pendingCount == 0)
                pendingStart = i;
            if (++pendingCount == 127) {
                writeLiteral(pendingStart, pendingCount);
                pendingCount = 0;
            }
            ++i;
        }
    }
    if (pendingCount)
        writeLiteral(pendingStart, pendingCount);
    packedLength = int(out - scratch.get());
    char* result = new char[packedLength];
    std::memcpy(result, scratch.get(), packedLength);
    return result;
}

// Fills count bytes with the little-endian word lo, hi repeated; out sits on
// an even offset from the start of the output, which ends at end.
inline void fillWords(unsigned char* out, int count, unsigned char lo, unsigned char hi, const unsigned char* end)
{
    if (lo == hi) {
        std::memset(out, lo, count);
        return;
    }
    uint64_t pattern = uint64_t(lo | hi << 8) * 0x0001000100010001ull;
    int k = 0;
    // Whole 8-byte stores while they fit the output; a store may run past
    // count, into bytes that the next packets write.
    if (end - out >= ((count + 7) & ~7))
        for (; k < count; k += 8)
            std::memcpy(out + k, &pattern, 8);
    for (; k < count; ++k)
        out[k] = k & 1 ? hi : lo;
}

// The largest packet: a control byte and 127 elements of at most 2 bytes,
// rounded up to whole 32-byte steps.
const int PacketRoom = 1 + 256;

// Packets in the middle of the data, where both buffers have room for a
// whole packet and its last step: every copy and fill moves 32 bytes a
// step, which may run past the packet into bytes that the next packets
// write (or, at the input, read but not use). Fixed-size steps cost far
// less than a library call per packet of a few dozen bytes. Returns at the
// first packet that may come near either end.
template <int N>
inline void rleDecodeMiddle(const unsigned char*& in, const unsigned char* inEnd, unsigned char*& out,
                            const unsigned char* outEnd)
{
    while (inEnd - in >= PacketRoom && outEnd - out >= PacketRoom) {
        const unsigned c = *in++;
        if (c >= 128) {
            const int count = int(c - 128) * N;
            const uint64_t pattern = N == 1 ? in[0] * 0x0101010101010101ull
                                            : uint64_t(in[0] | in[N - 1] << 8) * 0x0001000100010001ull;
            for (int k = 0; k < count; k += 32) {
                std::memcpy(out + k, &pattern, 8);
                std::memcpy(out + k + 8, &pattern, 8);
                std::memcpy(out + k + 16, &pattern, 8);
                std::memcpy(out + k + 24, &pattern, 8);
            }
            in += N;
            out += count;
        } else {
            const int count = int(c) * N;
            for (int k = 0; k < count; k += 32) {
                std::memcpy(out + k, in + k, 16);
                std::memcpy(out + k + 16, in + k + 16, 16);
            }
            in += count;
            out += count;
        }
    }
}

template <int N>
char* rleDecode(const char* source, int packedLength, int length)
{
    if (length < 0)
        length = 0;
    char* result = new char[length];
    unsigned char* out = reinterpret_cast<unsigned char*>(result);
    unsigned char* const outEnd = out + length;
    const unsigned char* in = reinterpret_cast<const unsigned char*>(source);
    const unsigned char* const inEnd = source && packedLength > 0 ? in + packedLength : in;
    rleDecodeMiddle<N>(in, inEnd, out, outEnd);
    while (out < outEnd && in < inEnd) {
        const unsigned c = *in++;
        if (c >= 128) {
            if (inEnd - in < N)
                break;
            int count = int(c - 128) * N;
            if (count > outEnd - out)
                count = int(outEnd - out);
            if (N == 1)
                std::memset(out, in[0], count);
            else
                fillWords(out, count, in[0], in[N - 1], outEnd);
            in += N;
            out += count;
        } else {
            int count = int(c) * N;
            if (count > inEnd - in)
                count = int(inEnd - in);
            if (count > outEnd - out)
                count = int(outEnd - out);
            std::memcpy(out, in, count);
            in += count;
            out += count;
        }
    }
    std::memset(out, 0, outEnd - out);
    return result;
}

// The unpacked length of a block header, or -1 when it is absurd.
int headerLength(uint32_t value)
{
    return value > uint32_t(CCompression::MaxUnpackedLength) ? -1 : int(value);
}

bool lzoReady()
{
    static const bool ready = lzo_init() == LZO_E_OK;
    return ready;
}

} // namespace

CCompression::CCompression(char* block, int blockLength) : length(blockLength), data(block) {}

char* CRLECompression::__compresschar(char* in, int length, int& packedLength)
{
    return rleEncode<1>(in, length, packedLength);
}

char* CRLECompression::__compress(char* in, int length, int& packedLength)
{
    return rleEncode<2>(in, length, packedLength);
}

char* CRLECompression::__decompresschar(char* in, int packedLength, int length)
{
    return rleDecode<1>(in, packedLength, length);
}

char* CRLECompression::__decompress(char* in, int packedLength, int length)
{
    return rleDecode<2>(in, packedLength, length);
}

CRLECompression2::CRLECompression2(CXSize size, short* lengths, char* block, int dataLength)
    : CCompression(block, dataLength), width(size.cx), height(size.cy), rowLengths(lengths)
{
}

CRLECompression2::~CRLECompression2() { delete[] rowLengths; }

char* CRLECompression2::Decompress(int)
{
    const int64_t total = width > 0 && height > 0 ? int64_t(width) * height : 0;
    if (total > MaxUnpackedLength)
        return nullptr;
    char* result = new char[total];
    unsigned char* out = reinterpret_cast<unsigned char*>(result);
    unsigned char* const outEnd = out + total;
    const unsigned char* in = reinterpret_cast<const unsigned char*>(data);
    const int64_t available = data && length > 0 ? length : 0;
    // Rows follow each other by their table lengths, whatever their packets
    // consumed; the output runs on across rows.
    int64_t rowStart = 0;
    for (int row = 0; rowLengths && row < height && out < outEnd; ++row) {
        const int rowLength = rowLengths[row];
        if (rowLength <= 0)
            continue;
        int64_t pos = rowStart;
        const int64_t rowEnd = rowStart + rowLength;
        while (pos < rowEnd && pos < available && out < outEnd) {
            const int n = int8_t(in[pos++]);
            // -128 is no packet: writers pad rows with it.
            if (n == -128)
                continue;
            if (n >= 0) {
                int64_t count = n + 1;
                if (count > available - pos)
                    count = available - pos;
                if (count > outEnd - out)
                    count = outEnd - out;
                std::memcpy(out, in + pos, count);
                pos += n + 1;
                out += count;
            } else {
                if (pos >= available)
                    break;
                int64_t count = 1 - n;
                if (count > outEnd - out)
                    count = outEnd - out;
                std::memset(out, in[pos++], count);
                out += count;
            }
        }
        rowStart = rowEnd;
    }
    std::memset(out, 0, outEnd - out);
    return result;
}

char* CRLECompression2::Compress(int&) { return nullptr; }

char* CLZWCompression2::compress(int& packedLength)
{
    packedLength = 0;
    const int n = data && length > 0 ? length : 0;
    if (!lzoReady())
        return nullptr;
    // Twice the block, never less than LZO1X-1's worst case.
    lzo_uint capacity = lzo_uint(n) * 2;
    const lzo_uint worst = lzo_uint(n) + n / 16 + 67;
    if (capacity < worst)
        capacity = worst;
    std::unique_ptr<unsigned char[]> scratch(new unsigned char[8 + capacity]);
    std::unique_ptr<unsigned char[]> work(new unsigned char[LZO1X_1_MEM_COMPRESS]);
    lzo_uint packed = capacity;
    static const unsigned char nothing = 0;
    const unsigned char* source = n ? reinterpret_cast<const unsigned char*>(data) : &nothing;
    if (lzo1x_1_compress(source, lzo_uint(n), scratch.get() + 8, &packed, work.get()) != LZO_E_OK)
        return nullptr;
    writeLE32(scratch.get(), uint32_t(n));
    writeLE32(scratch.get() + 4, uint32_t(packed));
    char* result = new char[8 + packed];
    std::memcpy(result, scratch.get(), 8 + packed);
    packedLength = int(packed);
    return result;
}

char* CLZWCompression2::decompress()
{
    if (!data || (length > 0 && length < 8))
        return nullptr;
    const unsigned char* block = reinterpret_cast<const unsigned char*>(data);
    const int unpacked = headerLength(readLE32(block));
    if (unpacked < 0)
        return nullptr;
    lzo_uint packed = readLE32(block + 4);
    if (length > 0 && packed > lzo_uint(length - 8))
        packed = lzo_uint(length - 8);
    // An LZO1X byte unpacks to at most 255 more (a zero byte in a match's
    // length); a header that claims more than the packed bytes can give is
    // damage, not worth allocating and zeroing.
    if (uint64_t(unpacked) > uint64_t(packed) * 256 + 1024)
        return nullptr;
    char* result = new char[unpacked];
    // The safe decoder stops at either end and reports what it wrote, also
    // on damaged data; that prefix is kept and the rest left zero.
    lzo_uint produced = lzo_uint(unpacked);
    int status = LZO_E_ERROR;
    if (!lzoReady())
        produced = 0;
    else
        status = lzo1x_decompress_safe(block + 8, packed, reinterpret_cast<unsigned char*>(result), &produced, nullptr);
    if (produced > lzo_uint(unpacked))
        produced = 0;
    // Bytes left over after the stream's end do not spoil what it made.
    complete = (status == LZO_E_OK || status == LZO_E_INPUT_NOT_CONSUMED) && produced == lzo_uint(unpacked);
    std::memset(result + produced, 0, unpacked - produced);
    return result;
}
