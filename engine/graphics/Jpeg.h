#pragma once
#include <cstdio>

// Reads a JPEG image, from a file or from memory, as 15 or 16-bit pixels
// through libjpeg. The constructors read the header and start decoding;
// decompress then decodes every row once.
//
// Damaged input never ends the process: libjpeg's errors return to the
// reader, which then holds no image (isValid false, size 0 x 0) or answers
// decompress with null. Data that end before the last row count as damage.
class JPEG {
public:
    // path in the engine's form (see platform/FileIO.h).
    explicit JPEG(char* path);
    // A JPEG file image of size bytes in memory; the bytes are read in
    // place and must stay until decompress has returned.
    JPEG(char* data, long size);
    ~JPEG();
    JPEG(const JPEG&) = delete;
    JPEG& operator=(const JPEG&) = delete;

    // A new[] buffer of width x height pixels, top row first: 5-5-5 words
    // for bpp 15, 5-6-5 for any other. Null when the image cannot be
    // decoded, and on every call after the first.
    short* decompress(int bpp);
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    // Whether the header was read and the image can be decoded.
    bool isValid() const;

private:
    struct Decoder;
    // Reads the header from the file or the memory given; false on damage.
    bool start(const unsigned char* bytes, unsigned long size);
    // Frees libjpeg's state and any buffers of a decoding under way.
    void finish();

    FILE* file;
    int width;
    int height;
    Decoder* decoder;
};
