#include "media/WavFile.h"

#include "base/File.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
} // namespace

bool CWavChunks::seekTo(int64_t offset)
{
    if (offset < start || offset > end || offset > INT_MAX)
        return false;
    return file->Seek(int(offset), 0) == 0;
}

bool CWavChunks::readHeader()
{
    uint8_t h[12];
    if (end - start < 12 || !seekTo(start) || file->Read(h, 12) != 12)
        return false;
    return std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "WAVE", 4) == 0;
}

bool CWavChunks::find(const char* id, uint32_t* size)
{
    for (;;) {
        int64_t at = file->Tell();
        uint8_t h[8];
        if (at < start || end - at < 8 || file->Read(h, 8) != 8)
            return false;
        uint32_t n = le32(h + 4);
        if (std::memcmp(h, id, 4) == 0) {
            *size = n;
            return true;
        }
        if (!seekTo(at + 8 + int64_t(n) + (n & 1)))
            return false;
    }
}

bool CWavChunks::readFormat(tWAVEFORMATEX* format)
{
    uint32_t size = 0;
    if (!readHeader() || !find("fmt ", &size) || size < 16)
        return false;
    int64_t body = file->Tell();
    uint8_t b[18] = {};
    int wanted = int(std::min<uint32_t>(size, 18));
    if (end - body < wanted || file->Read(b, wanted) != wanted)
        return false;
    *format = tWAVEFORMATEX();
    format->formatTag = le16(b);
    format->channels = le16(b + 2);
    format->samplesPerSec = le32(b + 4);
    format->avgBytesPerSec = le32(b + 8);
    format->blockAlign = le16(b + 12);
    format->bitsPerSample = le16(b + 14);
    format->cbSize = le16(b + 16);
    // The rest of a longer chunk and its pad byte; a chunk that is cut
    // short by the end still gave its format.
    int64_t next = body + int64_t(size) + (size & 1);
    return seekTo(std::min(next, end));
}

bool CWavChunks::findData(int64_t* dataStart, int* dataSize)
{
    uint32_t size = 0;
    if (!find("data", &size))
        return false;
    *dataStart = file->Tell();
    *dataSize = int(std::min<int64_t>({int64_t(size), end - *dataStart, INT_MAX}));
    return true;
}
