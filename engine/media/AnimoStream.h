#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class CFile;

// Reads the little-endian fields of an animation file from a CFile, from
// the position it stands at to its end. Every read is checked against the
// bytes that are left before anything is read or allocated; the first one
// that cannot be satisfied fails the reader for good, after which every
// read gives zero and reads nothing. So a caller reads a whole record and
// tests ok() once, and a truncated or damaged file costs no more than the
// bytes it really has.
class CAnimoReader {
public:
    explicit CAnimoReader(CFile* file);

    bool ok() const { return !failed; }
    void fail() { failed = true; }
    // Offsets from the position the reader started at.
    int64_t tell() const { return position; }
    int64_t remaining() const { return failed ? 0 : end - position; }
    // Whether n more bytes are there (false once failed).
    bool has(int64_t n) const { return n >= 0 && n <= remaining(); }
    bool seek(int64_t offset);
    bool skip(int64_t n) { return seek(position + n); }
    bool read(void* out, int64_t n);
    // The next n bytes, unchanged, without moving; false when fewer remain.
    bool peek(void* out, int n);

    uint8_t u8();
    int16_t i16();
    uint16_t u16() { return uint16_t(i16()); }
    int32_t i32();
    uint32_t u32() { return uint32_t(i32()); }
    // A new block (new[]) of n bytes read from the file; null when they
    // are not there. n = 0 gives null without failing.
    char* block(uint32_t n);

private:
    CFile* file;
    int64_t start;
    int64_t position;
    int64_t end;
    bool failed;
};

// Collects the fields of an animation file in memory, little-endian, for
// one write at the end.
class CAnimoWriter {
public:
    void u8(unsigned v) { bytes.push_back(char(v)); }
    void u16(unsigned v)
    {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void zeros(int n) { bytes.insert(bytes.end(), size_t(n > 0 ? n : 0), '\0'); }
    void put(const void* data, int n);
    // Zeros up to the given length of what is collected.
    void padTo(size_t length)
    {
        if (bytes.size() < length)
            bytes.resize(length, '\0');
    }
    size_t size() const { return bytes.size(); }
    // Writes what was collected; false when the file took less.
    bool flush(CFile* file);

    std::vector<char> bytes;
};
