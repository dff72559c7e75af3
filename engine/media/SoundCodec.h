#pragma once
#include "media/WavFile.h"

#include <cstdint>

class CDataBuffer;
class CFile;
class CWindow;

// Decodes a whole WAV file into memory: a data buffer of 16- or 8-bit PCM
// samples and its wave format, which a sound effect copies into its sound
// buffer and then frees with flush. The codecs sit in a table indexed by the
// file's format tag, made while an engine application exists. Main thread
// only.
class CSoundCodec {
public:
    CSoundCodec() : data(nullptr) {}
    virtual ~CSoundCodec();
    CSoundCodec(const CSoundCodec&) = delete;
    CSoundCodec& operator=(const CSoundCodec&) = delete;

    // Frees the decoded data.
    virtual void flush();
    // Decodes the file, opened and at its start; leaves no data buffer when
    // it cannot.
    virtual void decode(CFile* file) = 0;
    virtual tWAVEFORMATEX* getDesc() = 0;
    CDataBuffer* getBufferIfc() { return data; }

    // The table: slot 0 empty, 1 PCM, 2 ADPCM (through the outside decoder).
    static void init_codecs();
    static void done_codecs();
    // The codec of a format tag; null for 0 and for tags past the table.
    static CSoundCodec* getCodec(int formatTag);

protected:
    CDataBuffer* data;
};

// PCM: the "data" chunk's bytes as they are.
class CSoundCodec_PCM : public CSoundCodec {
public:
    void decode(CFile* file) override;
    tWAVEFORMATEX* getDesc() override { return &format; }

private:
    tWAVEFORMATEX format;
};

// Format tag 2 (ADPCM): decoded to 16-bit PCM by the outside decoder, a
// library with libsndfile's interface (sf_open, sf_readf_short, sf_close),
// loaded at run time from the program's folder or else from the system.
// Without it such files do not load; everything else plays. The decoder
// reads the file itself, by the name the file object opened, so a file
// found only inside the archive cannot be decoded.
class CSoundCodec_ADPCM : public CSoundCodec {
public:
    // The library's file name, looked for in the program's folder first.
    static const char* const LIBRARY_NAME;

    void decode(CFile* file) override;
    tWAVEFORMATEX* getDesc() override { return &format; }

    // Loads the library (when it is not loaded yet); false without it.
    static bool initialize(CWindow* window);
    static void done();
    static bool isLoaded();

private:
    tWAVEFORMATEX format;
};
