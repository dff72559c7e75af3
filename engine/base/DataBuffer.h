#pragma once
#include "base/Geometry.h"
#include "base/XObject.h"

class CFile;

// An owned block of count elements of elementSize bytes, a cursor on the
// current element and one optional backup copy. The cursor is not bounded:
// callers keep it inside the block. A block whose bytes an int cannot count
// is made empty.
class CDataBuffer : public CXObject {
public:
    CDataBuffer(int count, int elementSize);
    CDataBuffer(char* source, int count, int elementSize);
    ~CDataBuffer() override;
    CDataBuffer(const CDataBuffer&) = delete;
    CDataBuffer& operator=(const CDataBuffer&) = delete;

    CXObject* clone() override;
    // Frees the storage and the backup; only destruction is valid afterwards.
    virtual void flush();
    virtual void backup();
    // Copies the backup back over the storage; discard frees the backup.
    virtual void restore(bool discard);

    char* getBuffer() { return buffer; }
    char* getPtr() { return cursor; }
    operator char*() { return cursor; }
    operator short int*() { return reinterpret_cast<short int*>(cursor); }
    int getMemoryUsage() const { return count * elementSize; }

    void start() { cursor = buffer; }
    CDataBuffer& operator++();
    CDataBuffer& operator--();
    CDataBuffer& operator+=(int n);
    CDataBuffer& operator-=(int n);
    void zero();

protected:
    // Copies storage, cursor offset and backup into a fresh buffer.
    void copyInto(CDataBuffer* target) const;

    char* buffer;
    char* backupCopy;
    char* cursor;
    int count;
    int elementSize;
};

// A CDataBuffer of width x height elements, line after line with no gap; a
// plane too large for an int byte count is made 0 x 0.
class CDataBuffer2Dim : public CDataBuffer {
public:
    CDataBuffer2Dim(CXSize size, int elementSize);
    CDataBuffer2Dim(char* source, CXSize size, int elementSize);
    ~CDataBuffer2Dim() override;

    CXObject* clone() override;
    virtual int getWidth() { return width; }
    virtual int getHeight() { return height; }
    // Moves the cursor to column x of line y.
    virtual void at(int x, int y);
    virtual void nextLine();
    virtual void prevLine();

private:
    int width;
    int height;
};

// Collects pieces in chunks and hands them back end to end. A piece is never
// split: one that does not fit the last chunk opens a new chunk, and one
// longer than the chunk size gets a chunk of its own length.
class CMemStorage {
public:
    // -1 gives the default of 102,400 bytes.
    explicit CMemStorage(int chunkSize = -1);
    ~CMemStorage();
    CMemStorage(const CMemStorage&) = delete;
    CMemStorage& operator=(const CMemStorage&) = delete;

    void put(void* data, int length);
    int getTotalSize() const { return totalSize; }
    // target must hold getTotalSize() bytes.
    void copy(void* target) const;

private:
    void addChunk(int capacity);

    int chunkSize;
    char** chunks;
    int* chunkUsed;
    int* chunkCapacity;
    int chunkCount;
    int totalSize;
};

// Reads a block of bytes bit by bit (most significant bit first) or byte by
// byte (multi-byte values little-endian). Reads past the end give 0 and do
// not move.
class CMemStream {
public:
    // Reads the open file from its current position to its end; a file
    // that is not open gives an empty stream.
    explicit CMemStream(CFile* file);
    // Copies size bytes of data.
    CMemStream(const void* data, int size);
    ~CMemStream();
    CMemStream(const CMemStream&) = delete;
    CMemStream& operator=(const CMemStream&) = delete;

    char* getPtr() { return current; }
    int get_bit();
    int get_bits(int n);
    int get_signed_bits(int n);
    // Copies n bytes without aligning; what lies past the end is given as 0.
    void get_bytes(void* target, int n);
    unsigned char get_char();
    short get_shortint();
    int get_int();
    // Aligns, then skips n bytes (kept inside the data).
    void move(int n);

private:
    void align();
    // Aligns, then reads n bytes as one little-endian number.
    unsigned readLittleEndian(int n);
    // Whether n whole bytes remain from the current position.
    bool hasBytes(int n) const { return n <= end() - current; }
    char* end() const;

    int size;
    CDataBuffer* data;
    char* current;
    int bitPosition;
};
