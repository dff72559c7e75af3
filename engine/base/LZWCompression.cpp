// The LZW block codec of CLZWCompression (declared in Compression.h).
//
// Codes grow from 9 to 16 bits. The decoder learns each dictionary entry one
// code later than the encoder makes it, so the encoder widens its codes by a
// countdown that matches the decoder's "next code reached 2^width" rule, and
// a reset (chosen when the compression ratio falls) is written two codes
// before a width change so that both sides read the clear code with the same
// width.
#include "base/Compression.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const unsigned ClearCode = 256;
const unsigned FirstCode = 257;
const unsigned CodeLimit = 65536;
const int HeaderSize = 12;

uint32_t readLE32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The most bytes a code stream can unpack to: every code is at least 9 bits
// wide, and the j-th code after a clear code gives at most j bytes (an
// entry is one byte longer than the string before it), at most the longest
// entry the dictionary can hold. A header that claims more is damage, not
// worth allocating and zeroing.
uint64_t mostProduced(uint32_t streamLength, uint32_t codeCount)
{
    uint64_t codes = uint64_t(streamLength) * 8 / 9;
    if (codes > codeCount)
        codes = codeCount;
    const uint64_t growing = codes < CodeLimit ? codes : CodeLimit;
    return growing * (growing + 1) / 2 + (codes - growing) * CodeLimit;
}

class BitWriter {
public:
    explicit BitWriter(size_t reserve) { bytes.reserve(reserve); }
    void put(unsigned code, int width)
    {
        acc |= uint64_t(code) << bits;
        bits += width;
        while (bits >= 8) {
            bytes.push_back(uint8_t(acc));
            acc >>= 8;
            bits -= 8;
        }
    }
    void finish()
    {
        if (bits > 0)
            bytes.push_back(uint8_t(acc));
        acc = 0;
        bits = 0;
    }
    std::vector<unsigned char> bytes;

private:
    uint64_t acc = 0;
    int bits = 0;
};

// The encoder's (prefix, byte) -> code index: open addressing over twice
// the largest dictionary.
class PairIndex {
public:
    PairIndex() : keys(new uint32_t[Slots]), codes(new uint16_t[Slots]) { clear(); }
    void clear() { std::memset(keys.get(), 0, Slots * sizeof(uint32_t)); }
    int find(unsigned prefix, unsigned byte) const
    {
        const uint32_t key = (prefix << 8 | byte) + 1;
        for (uint32_t s = slot(key);; s = (s + 1) & (Slots - 1)) {
            if (keys[s] == key)
                return codes[s];
            if (keys[s] == 0)
                return -1;
        }
    }
    void add(unsigned prefix, unsigned byte, unsigned code)
    {
        const uint32_t key = (prefix << 8 | byte) + 1;
        uint32_t s = slot(key);
        while (keys[s] != 0)
            s = (s + 1) & (Slots - 1);
        keys[s] = key;
        codes[s] = uint16_t(code);
    }

private:
    static const uint32_t Slots = 1u << 17;
    static uint32_t slot(uint32_t key) { return (key * 2654435761u) >> 15; }
    std::unique_ptr<uint32_t[]> keys;
    std::unique_ptr<uint16_t[]> codes;
};

class BitReader {
public:
    BitReader(const unsigned char* from, const unsigned char* to) : p(from), end(to) {}
    bool get(int width, unsigned& code)
    {
        while (bits < width) {
            if (p == end)
                return false;
            acc |= uint64_t(*p++) << bits;
            bits += 8;
        }
        code = unsigned(acc) & ((1u << width) - 1);
        acc >>= width;
        bits -= width;
        return true;
    }

private:
    const unsigned char* p;
    const unsigned char* end;
    uint64_t acc = 0;
    int bits = 0;
};

// Every dictionary entry is the previous string plus the first byte of the
// one after it, and the two stand side by side in the output. So the
// decoder keeps, per entry, where its string already lies in the output and
// how long it is, and decodes a code by copying those bytes.
struct Dictionary {
    Dictionary() : offset(new uint32_t[CodeLimit]), size(new uint32_t[CodeLimit]) {}
    std::unique_ptr<uint32_t[]> offset;
    std::unique_ptr<uint32_t[]> size;
};

// Copies n bytes from an earlier place of the output, clipped at end;
// returns the new out.
inline unsigned char* copyBack(const unsigned char* from, uint32_t n, unsigned char* out, unsigned char* end)
{
    if (n <= 16 && end - out >= 16) {
        // The common short string: two fixed loads, then two stores. Bytes
        // past n are rewritten by the next string or cleared at the end.
        uint64_t a, b;
        std::memcpy(&a, from, 8);
        std::memcpy(&b, from + 8, 8);
        std::memcpy(out, &a, 8);
        std::memcpy(out + 8, &b, 8);
        return out + n;
    }
    if (uint32_t(end - out) < n)
        n = uint32_t(end - out);
    std::memmove(out, from, n);
    return out + n;
}

} // namespace

char* CLZWCompression::compress(int& packedLength)
{
    const unsigned char* in = reinterpret_cast<const unsigned char*>(data);
    const int n = data && length > 0 ? length : 0;
    // About one code of up to 16 bits per input byte, plus clear codes.
    BitWriter out(HeaderSize + 2 * size_t(n) + size_t(n) / 256 + 16);
    out.bytes.resize(HeaderSize);
    PairIndex index;
    uint32_t codes = 0;
    int width = 9;
    unsigned next = FirstCode;
    out.put(ClearCode, width);
    ++codes;
    if (n > 0) {
        unsigned prefix = in[0];
        bool havePrefix = true;
        int countdown = 256;
        int64_t periodCodes = 0, periodBytes = 0, totalIn = 0, totalOut = 0;
        for (int i = 1; i < n; ++i) {
            const unsigned c = in[i];
            if (!havePrefix) {
                prefix = c;
                havePrefix = true;
                continue;
            }
            ++periodBytes;
            const int known = index.find(prefix, c);
            if (known >= 0) {
                prefix = unsigned(known);
                continue;
            }
            if (next < CodeLimit)
                index.add(prefix, c, next++);
            out.put(prefix, width);
            ++codes;
            prefix = c;
            ++periodCodes;
            --countdown;
            if (countdown == 2) {
                const int64_t outBits = width * periodCodes, inBits = 8 * periodBytes;
                totalOut += outBits;
                totalIn += inBits;
                periodCodes = periodBytes = 0;
                if (width >= 12 && outBits > 0 && 100 * totalIn / totalOut > 100 * inBits / outBits) {
                    out.put(prefix, width);
                    out.put(ClearCode, width);
                    codes += 2;
                    index.clear();
                    width = 9;
                    next = FirstCode;
                    countdown = 256;
                    totalIn = totalOut = 0;
                    periodCodes = periodBytes = 1;
                    havePrefix = false; // the next byte starts afresh
                }
            } else if (countdown == 0) {
                if (width < 16) {
                    countdown = 1 << width;
                    ++width;
                } else {
                    countdown = 2048;
                }
                periodCodes = periodBytes = 0;
            }
        }
        // A reset on the last byte leaves nothing to write: the stream then
        // ends with its clear code.
        if (havePrefix) {
            out.put(prefix, width);
            ++codes;
        }
    }
    out.finish();
    const uint32_t streamLength = uint32_t(out.bytes.size() - HeaderSize);
    const uint32_t header[3] = {uint32_t(n), streamLength, codes};
    for (int k = 0; k < 3; ++k)
        for (int b = 0; b < 4; ++b)
            out.bytes[4 * k + b] = uint8_t(header[k] >> (8 * b));
    packedLength = int(out.bytes.size());
    char* result = new char[packedLength];
    std::memcpy(result, out.bytes.data(), packedLength);
    return result;
}

char* CLZWCompression::decompress(int minSize)
{
    if (!data || (length > 0 && length < HeaderSize))
        return nullptr;
    const unsigned char* block = reinterpret_cast<const unsigned char*>(data);
    const uint32_t unpacked = readLE32(block);
    if (unpacked > uint32_t(MaxUnpackedLength))
        return nullptr;
    uint32_t streamLength = readLE32(block + 4);
    if (length > 0 && streamLength > uint32_t(length - HeaderSize))
        streamLength = uint32_t(length - HeaderSize);
    const uint32_t codeCount = readLE32(block + 8);
    if (unpacked > mostProduced(streamLength, codeCount))
        return nullptr;

    const size_t room = minSize > int(unpacked) ? size_t(minSize) : size_t(unpacked);
    char* result = new char[room];
    unsigned char* const begin = reinterpret_cast<unsigned char*>(result);
    unsigned char* out = begin;
    unsigned char* const outEnd = begin + unpacked;

    Dictionary d;
    BitReader bits(block + HeaderSize, block + HeaderSize + streamLength);
    int width = 9;
    unsigned next = FirstCode;
    // Where the previous code's string lies in the output; a stream that
    // does not open with a clear code starts as if it did.
    uint32_t previousAt = 0, previousSize = 0;
    bool afterClear = true;
    uint32_t read = 0;
    unsigned code;
    while (read < codeCount && out < outEnd && bits.get(width, code)) {
        ++read;
        if (code == ClearCode) {
            width = 9;
            next = FirstCode;
            afterClear = true;
            continue;
        }
        const uint32_t at = uint32_t(out - begin);
        if (afterClear) {
            // The code after a clear is a plain byte.
            *out++ = uint8_t(code);
            afterClear = false;
            previousAt = at;
            previousSize = 1;
            continue;
        }
        uint32_t n;
        if (code < 256) {
            *out++ = uint8_t(code);
            n = 1;
        } else if (code < next) {
            n = d.size[code];
            out = copyBack(begin + d.offset[code], n, out, outEnd);
        } else {
            // Not yet known: the previous string and its own first byte.
            // Codes beyond the next one only come from damage and are read
            // the same way.
            n = previousSize + 1;
            out = copyBack(begin + previousAt, previousSize, out, outEnd);
            if (out < outEnd)
                *out++ = begin[previousAt];
        }
        if (next < CodeLimit) {
            d.offset[next] = previousAt;
            d.size[next] = previousSize + 1;
            ++next;
        }
        previousAt = at;
        previousSize = n;
        if (width < 16 && next >= (1u << width))
            ++width;
    }
    std::memset(out, 0, result + room - reinterpret_cast<char*>(out));
    length = int(unpacked);
    return result;
}
