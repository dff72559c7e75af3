#include "base/Archive.h"

#include "base/File.h"
#include "base/LoadBounds.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

void putLE(unsigned char* out, uint64_t v, int n)
{
    for (int i = 0; i < n; ++i)
        out[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint64_t getLE(const unsigned char* in, int n)
{
    uint64_t v = 0;
    for (int i = 0; i < n; ++i)
        v |= uint64_t(in[i]) << (8 * i);
    return v;
}

bool isBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Strings up to this length are read straight into a buffer; a short read
// then reports the damage. Longer ones are first checked against the file.
const int SMALL_TEXT = 4096;

} // namespace

CXArchive::CXArchive(CFile* f, bool s) : file(f), separator(0), storing(s) {}

CXArchive::~CXArchive() {}

void CXArchive::Close()
{
    if (file)
        file->Close();
}

bool CXArchive::put(const void* bytes, int n)
{
    if (!file) {
        fail();
        return false;
    }
    FILE* f = file->GetHandle();
    bool ok = f ? std::fwrite(bytes, 1, size_t(n), f) == size_t(n) : file->Write(bytes, n) == 1;
    if (!ok)
        fail();
    return ok;
}

bool CXArchive::get(void* bytes, int n)
{
    int got = 0;
    if (file && errorCode == 0) {
        FILE* f = file->GetHandle();
        got = f ? int(std::fread(bytes, 1, size_t(n), f)) : file->Read(bytes, n);
    }
    if (got == n)
        return true;
    std::memset(bytes, 0, size_t(n));
    fail();
    return false;
}

bool CXArchive::available(int64_t n)
{
    if (!file || errorCode != 0)
        return false;
    int64_t left = int64_t(file->Length()) - file->Tell();
    return n <= left;
}

int32_t CXArchive::toThousandths(double value)
{
    if (std::isnan(value))
        return 0;
    double t = value * 1000.0;
    if (t >= 2147483647.0)
        return INT32_MAX;
    if (t <= -2147483648.0)
        return INT32_MIN;
    // 2.01 * 1000 is 2009.9999999999998 in binary; a value that lies within
    // rounding noise of a whole thousandth keeps that thousandth, anything
    // else is cut toward zero (0.0015 stays 1).
    double nearest = std::round(t);
    if (std::fabs(t - nearest) < 1e-6)
        return int32_t(nearest);
    return int32_t(std::trunc(t));
}

CXArchive& CXArchive::operator<<(int value) { return *this << uint32_t(value); }

CXArchive& CXArchive::operator<<(uint32_t value)
{
    unsigned char b[4];
    putLE(b, value, 4);
    put(b, 4);
    return *this;
}

CXArchive& CXArchive::operator<<(int64_t value)
{
    unsigned char b[8];
    putLE(b, uint64_t(value), 8);
    put(b, 8);
    return *this;
}

CXArchive& CXArchive::operator<<(bool value)
{
    unsigned char b = value ? 1 : 0;
    put(&b, 1);
    return *this;
}

CXArchive& CXArchive::operator<<(double value) { return *this << int(toThousandths(value)); }

CXArchive& CXArchive::operator<<(CXRect value)
{
    return *this << value.left << value.top << value.right << value.bottom;
}

CXArchive& CXArchive::operator<<(const char* text)
{
    int n = text ? int(std::strlen(text)) : 0;
    *this << n;
    if (n > 0)
        put(text, n);
    return *this;
}

CXArchive& CXArchive::operator<<(CXString value)
{
    int n = value.getLength();
    *this << n;
    if (n > 0)
        put(value.c_str(), n);
    return *this;
}

CXArchive& CXArchive::operator>>(int* value)
{
    uint32_t v = 0;
    *this >> &v;
    if (value)
        *value = int32_t(v);
    return *this;
}

CXArchive& CXArchive::operator>>(uint32_t* value)
{
    unsigned char b[4];
    get(b, 4);
    if (value)
        *value = uint32_t(getLE(b, 4));
    return *this;
}

CXArchive& CXArchive::operator>>(int64_t* value)
{
    unsigned char b[8];
    get(b, 8);
    if (value)
        *value = int64_t(getLE(b, 8));
    return *this;
}

CXArchive& CXArchive::operator>>(bool* value)
{
    unsigned char b = 0;
    get(&b, 1);
    if (value)
        *value = b != 0;
    return *this;
}

CXArchive& CXArchive::operator>>(double* value)
{
    int n = 0;
    *this >> &n;
    if (value)
        *value = n / 1000.0;
    return *this;
}

CXArchive& CXArchive::operator>>(CXRect* value)
{
    CXRect r;
    *this >> &r.left >> &r.top >> &r.right >> &r.bottom;
    if (value)
        *value = r;
    return *this;
}

void CXArchive::skip(int64_t n)
{
    if (n <= 0 || errorCode != 0)
        return;
    if (!available(n)) {
        fail();
        return;
    }
    FILE* f = file->GetHandle();
    if (f ? std::fseek(f, long(n), SEEK_CUR) != 0 : file->Seek(int(n), SEEK_CUR) < 0)
        fail();
}

void CXArchive::readText(int n, CXString* value)
{
    CXString text;
    // A string past what the file being loaded may ask for is passed over,
    // so that what follows it is read.
    if (errorCode == 0 && !CLoadBounds::claim(int64_t(n > 0 ? n : 0) + CLoadBounds::STRING_BYTES)) {
        skip(n);
    } else if (n > 0) {
        if (n <= SMALL_TEXT || available(n)) {
            std::vector<char> buffer(static_cast<size_t>(n));
            if (get(buffer.data(), n))
                text = CXString(buffer.data(), n);
        } else {
            fail();
        }
    }
    if (value)
        *value = text;
}

CXArchive& CXArchive::operator>>(CXString* value)
{
    int n = 0;
    *this >> &n;
    readText(n, value);
    return *this;
}

CXArchive& CXArchive::operator>>(char** text)
{
    CXString s;
    *this >> &s;
    char* out = new char[size_t(s.getLength()) + 1];
    std::memcpy(out, s.c_str(), size_t(s.getLength()) + 1);
    if (text)
        *text = out;
    else
        delete[] out;
    return *this;
}

CXArchive& CXArchive::operator>>(char* c)
{
    char b = 0;
    get(&b, 1);
    if (c)
        *c = b;
    return *this;
}

CXArchive& CXArchive::operator>>(unsigned char* c) { return *this >> reinterpret_cast<char*>(c); }

void CXArchive::writeShortString(CXString value)
{
    int n = value.getLength();
    if (n > SHORT_STRING_MAX)
        n = SHORT_STRING_MAX;
    unsigned char b = static_cast<unsigned char>(n);
    put(&b, 1);
    if (n > 0)
        put(value.c_str(), n);
}

void CXArchive::readShortString(CXString* value)
{
    unsigned char b = 0;
    get(&b, 1);
    readText(b, value);
}

void CXArchive::FWrite(const CXString& text)
{
    if (text.getLength() > 0)
        put(text.c_str(), text.getLength());
}

void CXArchive::FRead(CXString& word)
{
    word = "";
    if (!file)
        return;
    FILE* f = file->GetHandle();
    // One byte at a time; the blank that ends the word is given back, as
    // the C library's "%s" conversion leaves it unread.
    auto next = [&]() -> int {
        if (f)
            return std::fgetc(f);
        unsigned char b;
        return file->Read(&b, 1) == 1 ? b : EOF;
    };
    auto giveBack = [&](int c) {
        if (f)
            std::ungetc(c, f);
        else
            file->Seek(-1, SEEK_CUR);
    };
    int c = next();
    while (c != EOF && isBlank(c))
        c = next();
    while (c != EOF && !isBlank(c)) {
        word += char(c);
        c = next();
    }
    if (c != EOF)
        giveBack(c);
}

void CXArchive::CopyFileA(const CXString& name)
{
    if (!file)
        return;
    CFile source(nullptr, name, CFile::MODE_READ | CFile::MODE_BINARY);
    if (source.LastError() != 0)
        return;
    std::vector<char> chunk(65536);
    int n;
    while ((n = source.Read(chunk.data(), int(chunk.size()))) > 0)
        if (file->Write(chunk.data(), n) != 1) {
            fail();
            return;
        }
}
