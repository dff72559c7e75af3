#include "media/StreamedWAV.h"

#include "base/File.h"
#include "base/FileReport.h"
#include "media/Sound4.h"
#include "platform/Debug.h"

#include <algorithm>
#include <climits>
#include <string>

CStreamedWAV::CStreamedWAV(CWindow* w, const CXString& n, platform::SoundBuffer** bufferOut, tWAVEFORMATEX* f,
                           const CXString& shown)
    : file(nullptr), name(n), shownName(shown), window(w), format(f), dataLength(0), bufferSize(0), dataStart(0),
      inArchive(false), readSoFar(0)
{
    Open(n);
    if (bufferOut)
        *bufferOut = buffer.get();
}

CStreamedWAV::~CStreamedWAV() { Flush(); }

CXString CStreamedWAV::titleName() const
{
    return shownName.IsString() ? shownName : CSound4::titleName(window, name);
}

void CStreamedWAV::Open(const CXString& n)
{
    Flush();
    name = n;
    inArchive = false;
    const int mode = CFile::MODE_READ | CFile::MODE_BINARY;
    file = new CFile(window, name, mode);
    if (file->LastError() == 0) {
        Open(file, 0, file->Length());
        return;
    }
    // Where the search order looked first: the name may be a full path.
    const CXString lookedAt = file->getFileName();
    delete file;
    file = nullptr;
    CBigFileIfc* archive = CFile::getBigFileIfc();
    CFile* shared = CFile::getBigFileHandle();
    int entry = archive && shared ? archive->Seek(name) : -1;
    if (entry >= 0) {
        int64_t end = int64_t(entry) + std::max(archive->GetSize(name), 0);
        file = new CFile(nullptr, shared->getOpenedName(), mode);
        if (file->LastError() == 0) {
            inArchive = true;
            Open(file, entry, std::min<int64_t>(end, file->Length()));
            return;
        }
        delete file;
        file = nullptr;
    }
    setErrorCode(CFile::ERROR_OPEN);
    CFileReport::failedAt("sound", titleName(), "not found", lookedAt);
}

bool CStreamedWAV::Open(CFile* f, int64_t start, int64_t end)
{
    CWavChunks chunks(f, start, end);
    tWaveExtension extension;
    if (!chunks.readFormat(format, &extension) || !chunks.findData(&dataStart, &dataLength)) {
        platform::OutputDebugString((CXString("sound stream \"") + name + "\": not a RIFF WAVE file").c_str());
        CFileReport::failedAt("sound", titleName(), "cannot be read: not a RIFF WAVE file",
                              f->getOpenedName());
        return false;
    }
    // 1.2 seconds of sound, counted in 32 bits as the format's fields are,
    // in whole sample frames: the refills write where the play cursor
    // stands, and a part frame at the end would shift every sample after
    // the wrap by a byte.
    bufferSize = int(uint32_t(format->avgBytesPerSec) * 1200u / 1000u);
    if (format->blockAlign > 0)
        bufferSize -= bufferSize % format->blockAlign;
    readSoFar = 0;
    platform::AudioDevice* device = CSound4::getDirectSound();
    int error = platform::AUDIO_OK;
    if (device)
        buffer = device->createBuffer(bufferSize, *format, &error);
    if (!buffer)
        platform::OutputDebugString(
            (CXString("sound stream \"") + name + "\": no sound buffer for its format").c_str());
    // A stream is played as it is stored, without a codec.
    if (device && error == platform::AUDIO_BAD_FORMAT) {
        const std::string why =
            isPlayedPcm(*format)
                ? "cannot be played as a stream: its format's rate or sizes do not hold (" +
                      std::to_string(format->samplesPerSec) + " Hz, frames of " +
                      std::to_string(format->blockAlign) + " bytes)"
                : "cannot be played as a stream: it holds " + describeWaveFormat(*format, extension) +
                      "; streams play 8- and 16-bit PCM, mono or stereo";
        CFileReport::failedAt("sound", titleName(), why.c_str(), f->getOpenedName());
    }
    return buffer != nullptr;
}

int CStreamedWAV::Read(int count, unsigned char* destination)
{
    int n = std::min(count, dataLength - readSoFar);
    if (!file || !destination || n <= 0)
        return 0;
    int64_t at = dataStart + readSoFar;
    if (file->Tell() != at)
        file->Seek(int(at), 0);
    int got = file->Read(destination, n);
    if (got <= 0)
        return 0;
    readSoFar += got;
    return got;
}

void CStreamedWAV::StartRead() { setPosition(0); }

void CStreamedWAV::setPosition(long bytes)
{
    readSoFar = int(std::min<long>(std::max<long>(bytes, 0), dataLength));
    if (file)
        file->Seek(int(dataStart + readSoFar), 0);
}

void CStreamedWAV::Close()
{
    delete file;
    file = nullptr;
}

void CStreamedWAV::Flush()
{
    Close();
    buffer.reset();
}
