#include "media/AnimoStream.h"

#include "base/File.h"

#include <cstring>

CAnimoReader::CAnimoReader(CFile* f) : file(f), start(0), position(0), end(0), failed(!f)
{
    if (failed)
        return;
    start = f->Tell();
    int64_t length = f->Length();
    end = length > start ? length - start : 0;
    failed = length < 0;
}

bool CAnimoReader::seek(int64_t offset)
{
    // A stream over memory answers Seek with the new position, a disk file
    // with 0: where the file stands is what counts.
    if (failed || offset < 0 || offset > end) {
        failed = true;
        return false;
    }
    file->Seek(int(start + offset), 0);
    if (file->Tell() != start + offset) {
        failed = true;
        return false;
    }
    position = offset;
    return true;
}

bool CAnimoReader::read(void* out, int64_t n)
{
    if (!has(n)) {
        failed = true;
        return false;
    }
    if (n == 0)
        return true;
    if (file->Read(out, int(n)) != n) {
        failed = true;
        std::memset(out, 0, size_t(n));
        return false;
    }
    position += n;
    return true;
}

bool CAnimoReader::peek(void* out, int n)
{
    if (!has(n))
        return false;
    int64_t at = position;
    return read(out, n) && seek(at);
}

uint8_t CAnimoReader::u8()
{
    unsigned char b = 0;
    read(&b, 1);
    return b;
}

int16_t CAnimoReader::i16()
{
    unsigned char b[2] = {0, 0};
    read(b, 2);
    return int16_t(uint16_t(b[0] | (b[1] << 8)));
}

int32_t CAnimoReader::i32()
{
    unsigned char b[4] = {0, 0, 0, 0};
    read(b, 4);
    return int32_t(uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24));
}

char* CAnimoReader::block(uint32_t n)
{
    if (n == 0 || !has(n)) {
        if (n != 0)
            failed = true;
        return nullptr;
    }
    char* out = new char[n];
    if (!read(out, n)) {
        delete[] out;
        return nullptr;
    }
    return out;
}

void CAnimoWriter::put(const void* data, int n)
{
    if (data && n > 0)
        bytes.insert(bytes.end(), static_cast<const char*>(data), static_cast<const char*>(data) + n);
}

bool CAnimoWriter::flush(CFile* file)
{
    bool ok = bytes.empty() || file->Write(bytes.data(), int(bytes.size())) == 1;
    bytes.clear();
    return ok;
}
