#pragma once
#include "base/XObject.h"
#include "base/XString.h"
#include "media/WavFile.h"
#include "platform/Audio.h"

#include <memory>

class CFile;
class CWindow;

// The file side of a sound stream: parses a PCM WAV file's header, makes the
// stream's looping sound buffer of 1.2 seconds and reads the sample bytes
// of the "data" chunk, and nothing past it (a trailing "LIST" chunk is not
// sound). The file is looked for through the engine's search order, else
// as an entry of the open archive, which is then read through a handle of
// the reader's own: the refill thread never moves the archive's shared
// file under the main thread.
//
// Error code 2000 when the file is neither on disk nor in the archive; a
// file that is not a playable WAV opens without a buffer.
class CStreamedWAV : public CXObject {
public:
    // Opens the file; the buffer made (or null) is written to *bufferOut
    // and the file's format to *format. A file that cannot be used is
    // named on standard error by shown, the name the title gave (for a
    // name the engine put a folder before); when empty, by the name
    // without the sound-effects folder.
    CStreamedWAV(CWindow* window, const CXString& name, platform::SoundBuffer** bufferOut, tWAVEFORMATEX* format,
                 const CXString& shown = CXString());
    ~CStreamedWAV() override;
    CStreamedWAV(const CStreamedWAV&) = delete;
    CStreamedWAV& operator=(const CStreamedWAV&) = delete;

    void Open(const CXString& name);
    // The header and the buffer; false when the file is not a WAV whose
    // format a sound buffer can play.
    bool Open(CFile* file, int64_t start, int64_t end);
    // Up to count bytes of the data chunk from where the last read ended.
    int Read(int count, unsigned char* destination);
    // Back to the first sample byte.
    void StartRead();
    // Bytes of the data chunk read so far, and a new value for it (kept
    // inside the chunk).
    void setPosition(long bytes);
    long getPosition() { return readSoFar; }
    void Close();
    // Close, and release the buffer.
    void Flush();

    int getBufferSize() { return bufferSize; }
    int getDataLength() { return dataLength; }
    bool isInArchive() { return inArchive; }
    platform::SoundBuffer* getBuffer() { return buffer.get(); }

private:
    CXString titleName() const;

    CFile* file;
    CXString name;
    CXString shownName;
    CWindow* window;
    std::unique_ptr<platform::SoundBuffer> buffer;
    tWAVEFORMATEX* format;
    int dataLength;
    int bufferSize;
    int64_t dataStart;
    bool inArchive;
    int readSoFar;
};
