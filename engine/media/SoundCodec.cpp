#include "media/SoundCodec.h"

#include "base/DataBuffer.h"
#include "base/File.h"
#include "base/WindowPaths.h"
#include "platform/Drives.h"
#include "platform/Module.h"

#include <cstdint>
#include <string>

namespace {
const int CODEC_SLOTS = 3;
CSoundCodec** codecs = nullptr;

// The outside decoder's record of an open file and its three entry points,
// with libsndfile's signatures.
struct SF_INFO {
    int64_t frames;
    int samplerate;
    int channels;
    int format;
    int sections;
    int seekable;
};
struct SNDFILE;
const int SFM_READ = 0x10;
using SfOpen = SNDFILE* (*)(const char* path, int mode, SF_INFO* info);
using SfReadfShort = int64_t (*)(SNDFILE* file, short* frames, int64_t count);
using SfClose = int (*)(SNDFILE* file);

platform::ModuleHandle hModule = nullptr;
SfOpen sf_open = nullptr;
SfReadfShort sf_readf_short = nullptr;
SfClose sf_close = nullptr;

// The most a decoded sound may take: what a sound buffer can hold.
const int64_t MAX_DECODED_BYTES = int64_t(256) << 20;

bool takeEntries(platform::ModuleHandle module)
{
    sf_open = reinterpret_cast<SfOpen>(platform::GetModuleSymbol(module, "sf_open"));
    sf_readf_short = reinterpret_cast<SfReadfShort>(platform::GetModuleSymbol(module, "sf_readf_short"));
    sf_close = reinterpret_cast<SfClose>(platform::GetModuleSymbol(module, "sf_close"));
    if (sf_open && sf_readf_short && sf_close)
        return true;
    sf_open = nullptr;
    sf_readf_short = nullptr;
    sf_close = nullptr;
    return false;
}
} // namespace

const char* const CSoundCodec_ADPCM::LIBRARY_NAME = "libsndfile.so.1";

CSoundCodec::~CSoundCodec() { flush(); }

void CSoundCodec::flush()
{
    delete data;
    data = nullptr;
}

void CSoundCodec::init_codecs()
{
    if (codecs)
        return;
    codecs = new CSoundCodec*[CODEC_SLOTS];
    codecs[0] = nullptr;
    codecs[1] = new CSoundCodec_PCM;
    codecs[2] = new CSoundCodec_ADPCM;
}

void CSoundCodec::done_codecs()
{
    if (!codecs)
        return;
    for (int i = 0; i < CODEC_SLOTS; ++i)
        delete codecs[i];
    delete[] codecs;
    codecs = nullptr;
}

CSoundCodec* CSoundCodec::getCodec(int formatTag)
{
    if (!codecs || formatTag < 0 || formatTag >= CODEC_SLOTS)
        return nullptr;
    return codecs[formatTag];
}

void CSoundCodec_PCM::decode(CFile* file)
{
    flush();
    CWavChunks chunks(file, 0, file->Length());
    int64_t start = 0;
    int size = 0;
    if (!chunks.readFormat(&format) || !chunks.findData(&start, &size))
        return;
    data = new CDataBuffer(size, 1);
    if (file->Read(data->getBuffer(), size) != size)
        flush();
}

bool CSoundCodec_ADPCM::initialize(CWindow*)
{
    if (hModule)
        return true;
    std::string folder = CWindowPaths::getExePath().c_str();
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    std::string own = folder.empty() ? std::string() : platform::toHostPath(folder + LIBRARY_NAME);
    platform::ModuleHandle module = own.empty() ? nullptr : platform::LoadModule(own.c_str());
    if (!module)
        module = platform::LoadModule(LIBRARY_NAME);
    if (module && !takeEntries(module)) {
        platform::FreeModule(module);
        module = nullptr;
    }
    hModule = module;
    return hModule != nullptr;
}

void CSoundCodec_ADPCM::done()
{
    platform::FreeModule(hModule);
    hModule = nullptr;
    takeEntries(nullptr);
}

bool CSoundCodec_ADPCM::isLoaded() { return hModule != nullptr; }

void CSoundCodec_ADPCM::decode(CFile* file)
{
    flush();
    if (!initialize(nullptr))
        return;
    std::string path = platform::toHostPath(file->getOpenedName().c_str());
    SF_INFO info = {};
    SNDFILE* sound = path.empty() ? nullptr : sf_open(path.c_str(), SFM_READ, &info);
    if (!sound)
        return;
    // Sizes come from the file: a frame count the buffer cannot hold gives
    // no sound rather than a wrapped size.
    const int64_t frameBytes = int64_t(info.channels) * 2;
    if (info.channels < 1 || info.channels > 2 || info.samplerate < 1 || info.frames < 1 ||
        info.frames > MAX_DECODED_BYTES / frameBytes) {
        sf_close(sound);
        return;
    }
    format = tWAVEFORMATEX();
    static_cast<platform::WaveFormat&>(format) = platform::WaveFormat::pcm(info.channels, uint32_t(info.samplerate), 16);
    data = new CDataBuffer(int(info.frames * frameBytes), 1);
    // A file that ends early leaves silence after its last frame.
    data->zero();
    sf_readf_short(sound, reinterpret_cast<short*>(data->getBuffer()), info.frames);
    sf_close(sound);
}
