#include "base/DataBuffer.h"

#include "base/File.h"

#include <climits>
#include <cstdint>
#include <cstring>

namespace {
const int defaultChunkSize = 102400;

// Whether elements x elementSize bytes can be counted in an int. Sizes come
// from file headers; a product that does not fit would wrap to a small
// buffer that its users then write past.
bool fits(int64_t elements, int elementSize)
{
    return elements * (elementSize > 0 ? elementSize : 1) <= INT_MAX;
}

// Whether a plane of that size has a byte count.
bool planeFits(CXSize size, int elementSize)
{
    return size.cx <= 0 || size.cy <= 0 || fits(int64_t(size.cx) * size.cy, elementSize);
}
} // namespace

CDataBuffer::CDataBuffer(int elements, int size)
    : buffer(nullptr), backupCopy(nullptr), cursor(nullptr), count(elements > 0 ? elements : 0),
      elementSize(size > 0 ? size : 0)
{
    if (!fits(count, elementSize))
        count = 0;
    buffer = new char[getMemoryUsage()];
    cursor = buffer;
}

CDataBuffer::CDataBuffer(char* source, int elements, int size) : CDataBuffer(elements, size)
{
    if (source)
        std::memcpy(buffer, source, getMemoryUsage());
}

CDataBuffer::~CDataBuffer()
{
    delete[] buffer;
    delete[] backupCopy;
}

void CDataBuffer::copyInto(CDataBuffer* target) const
{
    if (buffer)
        std::memcpy(target->buffer, buffer, getMemoryUsage());
    target->cursor = target->buffer + (cursor - buffer);
    if (backupCopy) {
        target->backupCopy = new char[getMemoryUsage()];
        std::memcpy(target->backupCopy, backupCopy, getMemoryUsage());
    }
}

CXObject* CDataBuffer::clone()
{
    CDataBuffer* copy = new CDataBuffer(count, elementSize);
    copyInto(copy);
    return copy;
}

void CDataBuffer::flush()
{
    delete[] buffer;
    delete[] backupCopy;
    buffer = nullptr;
    backupCopy = nullptr;
}

void CDataBuffer::backup()
{
    delete[] backupCopy;
    backupCopy = nullptr;
    if (!buffer)
        return;
    backupCopy = new char[getMemoryUsage()];
    std::memcpy(backupCopy, buffer, getMemoryUsage());
}

void CDataBuffer::restore(bool discard)
{
    if (!backupCopy)
        return;
    if (buffer)
        std::memcpy(buffer, backupCopy, getMemoryUsage());
    if (discard) {
        delete[] backupCopy;
        backupCopy = nullptr;
    }
}

CDataBuffer& CDataBuffer::operator++()
{
    cursor += elementSize;
    return *this;
}

CDataBuffer& CDataBuffer::operator--()
{
    cursor -= elementSize;
    return *this;
}

CDataBuffer& CDataBuffer::operator+=(int n)
{
    cursor += n * elementSize;
    return *this;
}

CDataBuffer& CDataBuffer::operator-=(int n)
{
    cursor -= n * elementSize;
    return *this;
}

void CDataBuffer::zero()
{
    if (buffer)
        std::memset(buffer, 0, getMemoryUsage());
}

CDataBuffer2Dim::CDataBuffer2Dim(CXSize size, int elementSize)
    : CDataBuffer(size.cx > 0 && size.cy > 0 && planeFits(size, elementSize) ? size.cx * size.cy : 0, elementSize),
      width(size.cx), height(size.cy)
{
    if (!planeFits(size, elementSize))
        width = height = 0;
}

CDataBuffer2Dim::CDataBuffer2Dim(char* source, CXSize size, int elementSize) : CDataBuffer2Dim(size, elementSize)
{
    if (source)
        std::memcpy(buffer, source, getMemoryUsage());
}

CDataBuffer2Dim::~CDataBuffer2Dim() {}

CXObject* CDataBuffer2Dim::clone()
{
    CDataBuffer2Dim* copy = new CDataBuffer2Dim(CXSize(width, height), elementSize);
    copyInto(copy);
    return copy;
}

void CDataBuffer2Dim::at(int x, int y) { cursor = buffer + (width * y + x) * elementSize; }

void CDataBuffer2Dim::nextLine() { cursor += width * elementSize; }

void CDataBuffer2Dim::prevLine() { cursor -= width * elementSize; }

CMemStorage::CMemStorage(int size)
    : chunkSize(size == -1 ? defaultChunkSize : (size > 0 ? size : 0)), chunks(nullptr), chunkUsed(nullptr),
      chunkCapacity(nullptr), chunkCount(0), totalSize(0)
{
    addChunk(chunkSize);
}

CMemStorage::~CMemStorage()
{
    for (int i = 0; i < chunkCount; ++i)
        delete[] chunks[i];
    delete[] chunks;
    delete[] chunkUsed;
    delete[] chunkCapacity;
}

void CMemStorage::addChunk(int capacity)
{
    char** newChunks = new char*[chunkCount + 1];
    int* newUsed = new int[chunkCount + 1];
    int* newCapacity = new int[chunkCount + 1];
    for (int i = 0; i < chunkCount; ++i) {
        newChunks[i] = chunks[i];
        newUsed[i] = chunkUsed[i];
        newCapacity[i] = chunkCapacity[i];
    }
    newChunks[chunkCount] = new char[capacity];
    newUsed[chunkCount] = 0;
    newCapacity[chunkCount] = capacity;
    delete[] chunks;
    delete[] chunkUsed;
    delete[] chunkCapacity;
    chunks = newChunks;
    chunkUsed = newUsed;
    chunkCapacity = newCapacity;
    ++chunkCount;
}

void CMemStorage::put(void* data, int length)
{
    if (!data || length <= 0)
        return;
    const int last = chunkCount - 1;
    // The rest of a chunk that a piece does not fit stays empty.
    if (chunkUsed[last] + length > chunkCapacity[last])
        addChunk(length > chunkSize ? length : chunkSize);
    const int target = chunkCount - 1;
    std::memcpy(chunks[target] + chunkUsed[target], data, length);
    chunkUsed[target] += length;
    totalSize += length;
}

void CMemStorage::copy(void* target) const
{
    char* out = static_cast<char*>(target);
    for (int i = 0; i < chunkCount; ++i) {
        std::memcpy(out, chunks[i], chunkUsed[i]);
        out += chunkUsed[i];
    }
}

CMemStream::CMemStream(const void* bytes, int length)
    : size(bytes && length > 0 ? length : 0), data(new CDataBuffer(size, 1)), current(nullptr), bitPosition(0)
{
    if (size)
        std::memcpy(data->getBuffer(), bytes, size);
    current = data->getBuffer();
}

CMemStream::CMemStream(CFile* file) : size(0), data(nullptr), current(nullptr), bitPosition(0)
{
    const int length = file ? file->Length() : -1;
    data = new CDataBuffer(length > 0 ? length : 0, 1);
    // Only what was really read counts as data.
    if (length > 0)
        size = file->Read(data->getBuffer(), length);
    current = data->getBuffer();
}

CMemStream::~CMemStream() { delete data; }

char* CMemStream::end() const { return data->getBuffer() + size; }

int CMemStream::get_bit()
{
    if (current >= end())
        return 0;
    const int bit = (static_cast<unsigned char>(*current) >> (7 - bitPosition)) & 1;
    if (++bitPosition == 8) {
        bitPosition = 0;
        ++current;
    }
    return bit;
}

int CMemStream::get_bits(int n)
{
    unsigned result = 0;
    for (int i = 0; i < n; ++i)
        result = result << 1 | unsigned(get_bit());
    return int(result);
}

int CMemStream::get_signed_bits(int n)
{
    if (n < 1)
        return 0;
    unsigned result = get_bit() ? ~0u : 0u;
    for (int i = 1; i < n; ++i)
        result = result << 1 | unsigned(get_bit());
    return int(result);
}

void CMemStream::get_bytes(void* target, int n)
{
    if (n <= 0)
        return;
    int available = int(end() - current);
    if (available > n)
        available = n;
    std::memcpy(target, current, available);
    std::memset(static_cast<char*>(target) + available, 0, n - available);
    current += available;
}

// A byte begun and then copied past by get_bytes may leave the position at
// the end with bits counted: aligning never steps beyond the end.
void CMemStream::align()
{
    if (bitPosition > 0) {
        if (current < end())
            ++current;
        bitPosition = 0;
    }
}

unsigned CMemStream::readLittleEndian(int n)
{
    align();
    if (!hasBytes(n))
        return 0;
    unsigned value = 0;
    for (int i = n - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(current[i]);
    current += n;
    return value;
}

unsigned char CMemStream::get_char() { return static_cast<unsigned char>(readLittleEndian(1)); }

short CMemStream::get_shortint() { return static_cast<short>(readLittleEndian(2)); }

int CMemStream::get_int() { return static_cast<int>(readLittleEndian(4)); }

void CMemStream::move(int n)
{
    align();
    const char* start = data->getBuffer();
    if (n > end() - current)
        current = end();
    else if (n < start - current)
        current = data->getBuffer();
    else
        current += n;
}
