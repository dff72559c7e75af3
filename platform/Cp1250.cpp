#include "platform/Cp1250.h"

#include <cstdint>

namespace platform {

namespace {

// Unicode code points of the bytes 0x80..0xFF.
const uint16_t kHigh[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, // F8
};

void appendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

char toCp1250(uint32_t cp)
{
    if (cp < 0x80)
        return char(cp);
    for (int i = 0; i < 128; ++i)
        if (kHigh[i] == cp)
            return char(0x80 + i);
    return '?';
}

// Decodes one UTF-8 sequence at text[i]; returns its length, 0 when the
// bytes there are not a valid sequence.
size_t decodeUtf8(const std::string& text, size_t i, uint32_t& cp)
{
    unsigned char c = (unsigned char)text[i];
    size_t n;
    uint32_t min;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > text.size())
        return 0;
    for (size_t k = 1; k < n; ++k) {
        unsigned char d = (unsigned char)text[i + k];
        if ((d & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

struct CaseTables : Cp1250Case {
    CaseTables()
    {
        for (int i = 0; i < 256; ++i) {
            upper[i] = lower[i] = (unsigned char)i;
            isUpper[i] = isLower[i] = false;
        }
        for (int c = 'a'; c <= 'z'; ++c)
            addPair(c - 32, c);
        static const unsigned char pairs[][2] = {
            {0xA5, 0xB9}, {0xC6, 0xE6}, {0xCA, 0xEA}, {0xA3, 0xB3}, {0xD1, 0xF1},
            {0xD3, 0xF3}, {0x8C, 0x9C}, {0x8F, 0x9F}, {0xAF, 0xBF}};
        for (const auto& p : pairs)
            addPair(p[0], p[1]);
    }
    void addPair(int up, int low)
    {
        upper[low] = (unsigned char)up;
        lower[up] = (unsigned char)low;
        isUpper[up] = true;
        isLower[low] = true;
    }
};

} // namespace

const Cp1250Case& cp1250Case()
{
    static const CaseTables tables;
    return tables;
}

std::string cp1250ToUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c < 0x80)
            out += char(c);
        else
            appendUtf8(out, kHigh[c - 0x80]);
    }
    return out;
}

std::string utf8ToCp1250(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = (unsigned char)text[i];
        if (c < 0x80) {
            out += char(c);
            ++i;
            continue;
        }
        uint32_t cp = 0;
        size_t n = decodeUtf8(text, i, cp);
        if (n == 0) {
            out += char(c);
            ++i;
        } else {
            out += toCp1250(cp);
            i += n;
        }
    }
    return out;
}

std::string upperCp1250(const std::string& text)
{
    const unsigned char* up = cp1250Case().upper;
    std::string out(text);
    for (char& c : out)
        c = char(up[(unsigned char)c]);
    return out;
}

} // namespace platform
