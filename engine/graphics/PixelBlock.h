#pragma once
#include "base/Compression.h"
#include "base/Geometry.h"

#include <cstddef>
#include <cstdint>

// Sizes of pixel blocks, shared by the drawable's sources.

// Byte length of width x height pixels of that size; 0 for negative or
// absurd sizes, which would otherwise wrap to a small buffer.
inline int64_t blockBytes(int w, int h, int pixelSize)
{
    if (w <= 0 || h <= 0)
        return 0;
    int64_t bytes = int64_t(w) * h * pixelSize;
    return bytes > CCompression::MaxUnpackedLength ? 0 : bytes;
}

inline char* zeroedBlock(int64_t bytes) { return bytes > 0 ? new char[size_t(bytes)]() : nullptr; }

inline bool hasArea(const CXRect& r) { return r.right > r.left && r.bottom > r.top; }
