#include "media/WavFile.h"

#include "base/File.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
const char* codingName(uint16_t tag)
{
    switch (tag) {
    case 0x0001: return "PCM";
    case 0x0002: return "Microsoft ADPCM";
    case 0x0003: return "floating-point PCM";
    case 0x0006: return "A-law";
    case 0x0007: return "mu-law";
    case 0x0011: return "IMA ADPCM";
    case 0x0031: return "GSM 6.10";
    case 0x0050: return "MPEG audio";
    case 0x0055: return "MP3";
    default: return nullptr;
    }
}
} // namespace

bool isPlayedPcm(const tWAVEFORMATEX& format)
{
    return format.formatTag == 1 && (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
           (format.channels == 1 || format.channels == 2);
}

std::string describeWaveFormat(const tWAVEFORMATEX& format, const tWaveExtension& extension)
{
    const bool extensible = format.formatTag == 0xFFFE;
    const uint16_t tag = extensible ? extension.subFormat : format.formatTag;
    const int bits = extensible && extension.validBits ? extension.validBits : format.bitsPerSample;
    const char* name = codingName(tag);
    std::string text;
    if (extensible && !tag)
        text = "the extensible format without its sub-format";
    else if (tag == 1 || tag == 3)
        text = std::to_string(bits) + "-bit " + name;
    else
        text = name ? name : "an unknown coding";
    char number[32];
    std::snprintf(number, sizeof number, tag < 0x100 ? "0x%02X" : "0x%04X", unsigned(tag));
    if (extensible && tag)
        text += name ? " (extensible format)" : std::string(" (extensible format, sub-format ") + number + ")";
    else if (!extensible && tag != 1)
        text += std::string(" (format ") + number + ")";
    if (format.channels > 2)
        text += ", " + std::to_string(format.channels) + " channels";
    return text;
}

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

bool CWavChunks::readFormat(tWAVEFORMATEX* format, tWaveExtension* extension)
{
    uint32_t size = 0;
    if (!readHeader() || !find("fmt ", &size) || size < 16)
        return false;
    int64_t body = file->Tell();
    // The extensible format's sub-format tag is the first word of its GUID,
    // at offset 24.
    uint8_t b[26] = {};
    int wanted = int(std::min<uint32_t>(size, extension ? 26 : 18));
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
    if (extension) {
        *extension = tWaveExtension();
        if (format->formatTag == 0xFFFE && wanted >= 26) {
            extension->validBits = le16(b + 18);
            extension->subFormat = le16(b + 24);
        }
    }
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
