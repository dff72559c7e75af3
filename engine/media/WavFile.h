#pragma once
#include "platform/Audio.h"

#include <cstdint>
#include <string>

class CFile;

// WAVEFORMATEX as a WAV file's "fmt " chunk stores it (18 bytes,
// little-endian): the platform's PCM format record and the size of the
// extra bytes after it.
struct tWAVEFORMATEX : platform::WaveFormat {
    uint16_t cbSize = 0;
};

// What the "fmt " chunk of the extensible format (tag 0xFFFE) adds: the
// valid bits of a sample and the format tag of its sub-format; 0 when the
// chunk does not hold them.
struct tWaveExtension {
    uint16_t validBits = 0;
    uint16_t subFormat = 0;
};

// PCM that the sound buffers play as it is stored: 8 or 16 bits a sample,
// mono or stereo.
bool isPlayedPcm(const tWAVEFORMATEX& format);

// The format as a person would name it: "16-bit PCM", "IMA ADPCM (format
// 0x11)", "24-bit PCM (extensible format)", with the channels when there
// are more than two.
std::string describeWaveFormat(const tWAVEFORMATEX& format, const tWaveExtension& extension);

// The chunk structure of a RIFF WAVE file read through a CFile, between
// two offsets of that file (a whole file, or an entry of the archive).
// Every size read from the file is checked against those bounds before it
// is used:
// - a chunk of odd size is followed by a pad byte, as RIFF requires;
// - a chunk that runs past the end ends the walk (nothing after it can be
//   found), except the "data" chunk, whose size is cut to the bytes that
//   are there (writers that stream a WAV often leave its size too large).
class CWavChunks {
public:
    CWavChunks(CFile* file, int64_t start, int64_t end) : file(file), start(start), end(end) {}

    // Reads the 12-byte header from the start: "RIFF", a size, "WAVE".
    bool readHeader();
    // Walks the chunks from the current position to the one with this
    // 4-byte id; leaves the file at its first data byte and gives its
    // size as stored. False when the bounds end first.
    bool find(const char* id, uint32_t* size);
    // From the start: the header, then the "fmt " chunk into format (at
    // most its 18 bytes; a chunk under 16 bytes is no format), and what an
    // extensible format adds into extension when it is given, leaving the
    // file after that chunk. False when either is missing or short.
    bool readFormat(tWAVEFORMATEX* format, tWaveExtension* extension = nullptr);
    // After readFormat: the "data" chunk's first byte and its size cut to
    // the bounds. False when there is none.
    bool findData(int64_t* dataStart, int* dataSize);

private:
    // Moves to an offset inside the bounds (the end itself included).
    bool seekTo(int64_t offset);

    CFile* file;
    int64_t start;
    int64_t end;
};
