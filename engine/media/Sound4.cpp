#include "media/Sound4.h"

#include "base/DataBuffer.h"
#include "base/File.h"
#include "base/FileReport.h"
#include "graphics/Window.h"
#include "media/SoundCodec.h"
#include "media/SoundManager.h"
#include "platform/Debug.h"
#include "platform/Drives.h"
#include "platform/Platform.h"
#include "script/Element.h"

#include <cstring>
#include <string>

namespace {
std::unique_ptr<platform::AudioDevice> m_pDirectSound;
bool m_bSoundBufferCreated = false;

// The primary format: PCM mono 22050 Hz 16-bit.
const platform::WaveFormat PRIMARY_FORMAT = platform::WaveFormat::pcm(1, 22050, 16);

bool notLoaded(const CXString& name, const char* reason)
{
    CXString line("sound \"");
    // The name holds the sound-effects folder: the path on this machine.
    line += name.GetAt(1) == ':' ? CXString(platform::toHostPath(name.c_str()).c_str()) : name;
    line += "\" not loaded: ";
    line += reason;
    platform::OutputDebugString(line.c_str());
    return false;
}

// The same for a file that is missing or cannot be played, which the title's
// author is told of on standard error under the name the title gave (the
// sound-effects folder is put before it).
bool refused(CWindow* window, const CXString& name, const char* problem, const CXString& path)
{
    CFileReport::failedAt("sound", CSound4::titleName(window, name), problem, path);
    return notLoaded(name, problem);
}
} // namespace

platform::AudioDevice* CSound4::CreateDirectSoundInterface(CWindow*)
{
    if (!m_bSoundBufferCreated && !m_pDirectSound)
        if (platform::Platform* p = platform::currentPlatform())
            m_pDirectSound = p->createAudioDevice();
    return m_pDirectSound.get();
}

platform::AudioDevice* CSound4::CreatePrimarySoundBuffer(CWindow* window)
{
    if (!m_bSoundBufferCreated && m_pDirectSound) {
        if (m_pDirectSound->setPrimaryFormat(PRIMARY_FORMAT) == platform::AUDIO_OK)
            m_bSoundBufferCreated = true;
        else if (window)
            window->setErrorCode(CWindow::ERROR_SOUND_DEVICE);
    }
    return m_bSoundBufferCreated ? m_pDirectSound.get() : nullptr;
}

void CSound4::DestroySoundBuffer()
{
    m_pDirectSound.reset();
    m_bSoundBufferCreated = false;
}

platform::AudioDevice* CSound4::getDirectSound() { return m_pDirectSound.get(); }

CSound4::CSound4(CWindow* w)
    : CPlayable(w), loop(false), flushAfterPlayed(false), notifyOnFinish(true), pausedPosition(0)
{
}

CSound4::CSound4(CWindow* w, const CXString& fileName, bool flush, bool preload)
    : CPlayable(w), loop(false), flushAfterPlayed(flush), notifyOnFinish(true), pausedPosition(0)
{
    type = TYPE_SOUND;
    if (CSoundManager* m = manager())
        m->add(this, false);
    CreatePrimarySoundBuffer(window);
    setFilename(fileName);
    if (preload)
        load();
}

CSound4::CSound4(CWindow* w, CMElement* element)
    : CPlayable(w), loop(false), flushAfterPlayed(false), notifyOnFinish(true), pausedPosition(0)
{
    CreatePrimarySoundBuffer(window);
    CXString name = element ? element->getPropertyValue(CXString("FILENAME")) : CXString();
    setFilename(window ? window->GetSoundFXFullPath(name) : name);
    if (!element)
        return;
    if (element->getPropertyBoolValue(CXString("PRELOAD")) && name.IsString())
        load();
    loop = element->getPropertyBoolValue(CXString("LOOP"));
    flushAfterPlayed = element->getPropertyBoolValue(CXString("FLUSHAFTERPLAYED"));
}

CSound4::~CSound4()
{
    if (CSoundManager* m = manager())
        m->remove(this);
    if (buffer)
        buffer->stop();
    status = 0;
    Flush();
}

CSound4* CSound4::fromResources(CResourcesManager* resources, CWindow* w, const CXString& fileName, bool flush,
                                bool preload)
{
    if (!resources || !fileName.IsString())
        return nullptr;
    if (CFileResolver* found = resources->get(fileName)) {
        // Without RTTI: what the managers share are playables, and one of
        // the sound type is a CSound4.
        CPlayable* playable = static_cast<CPlayable*>(found);
        if (playable->getType() == TYPE_SOUND)
            return static_cast<CSound4*>(playable);
        resources->remove(found);
        return nullptr;
    }
    CSound4* sound = new CSound4(w, fileName, flush, preload);
    resources->add(sound);
    return sound;
}

CXString CSound4::titleName(CWindow* window, const CXString& name)
{
    return withoutFolder(window ? window->GetSoundFXPath() + "\\" : CXString(), name);
}

CXString CSound4::withoutFolder(const CXString& folder, const CXString& name)
{
    const bool inFolder = folder.getLength() > 1 && name.getLength() > folder.getLength() &&
                          name.Left(folder.getLength()).equalsIgnoreCase(folder);
    return inFolder ? name.Right(folder.getLength()) : name;
}

CSoundManager* CSound4::manager()
{
    CApplication* app = window ? window->GetApplicationInterface() : nullptr;
    return app ? app->getSoundManagerIfc() : nullptr;
}

bool CSound4::load()
{
    CXString name = getFileName();
    if (name.endsWith(CXString(".SPX")))
        return notLoaded(name, "no codec for \".SPX\" files");
    CFile file(window, name, CFile::MODE_READ | CFile::MODE_BINARY);
    if (file.LastError() != 0)
        return refused(window, name, "not found", file.getFileName());
    Flush();
    tWAVEFORMATEX format;
    tWaveExtension extension;
    if (!CWavChunks(&file, 0, file.Length()).readFormat(&format, &extension))
        return refused(window, name, "cannot be read: not a RIFF WAVE file with a format chunk",
                       file.getOpenedName());
    // What the codecs give and the sound buffers take.
    CSoundCodec* codec = CSoundCodec::getCodec(format.formatTag);
    if (!codec || format.channels == 0 || format.channels > 2 || (format.formatTag == 1 && !isPlayedPcm(format))) {
        const std::string unplayable = "cannot be played: it holds " + describeWaveFormat(format, extension) +
                                       "; only 8- and 16-bit PCM and Microsoft ADPCM, mono or stereo, are played";
        return refused(window, name, unplayable.c_str(), file.getOpenedName());
    }
    file.Seek(0, 0);
    codec->decode(&file);
    CDataBuffer* data = codec->getBufferIfc();
    const bool decoded = data && data->getMemoryUsage() > 0;
    platform::AudioDevice* device = getDirectSound();
    int error = platform::AUDIO_OK;
    if (decoded && device)
        buffer = device->createBuffer(data->getMemoryUsage(), *codec->getDesc(), &error);
    if (buffer) {
        void* part = nullptr;
        uint32_t bytes = 0;
        if (buffer->lock(0, 0, &part, &bytes, nullptr, nullptr, true) == platform::AUDIO_OK) {
            std::memcpy(part, data->getBuffer(), bytes);
            buffer->unlock(part, bytes, nullptr, 0);
        } else {
            buffer.reset();
        }
    }
    codec->flush();
    if (device && !decoded)
        return refused(window, name, "cannot be played: no sound data could be decoded", file.getOpenedName());
    if (device && error == platform::AUDIO_BAD_FORMAT) {
        const tWAVEFORMATEX* played = codec->getDesc();
        const std::string sizes = "cannot be played: its format's rate or sizes do not hold (" +
                                  std::to_string(played->samplesPerSec) + " Hz, " +
                                  std::to_string(played->avgBytesPerSec) + " bytes a second in frames of " +
                                  std::to_string(played->blockAlign) + " bytes)";
        return refused(window, name, sizes.c_str(), file.getOpenedName());
    }
    if (!buffer)
        return notLoaded(name, !device ? "no sound device" : "its format cannot be played");
    CFileResolver::load();
    return true;
}

bool CSound4::Load(const CXString& fileName)
{
    Flush();
    setFilename(fileName);
    return load();
}

void CSound4::Flush()
{
    buffer.reset();
    CFileResolver::release();
}

void CSound4::Play()
{
    if (!buffer)
        load();
    if (!buffer)
        return;
    buffer->setCurrentPosition(pausedPosition);
    if (CSoundManager* m = manager())
        m->play(this);
    buffer->play(false);
    pausedPosition = 0;
    notifyOnFinish = true;
    int old = status;
    status = STATUS_PLAYING;
    notify(old == STATUS_PAUSED ? NOTIFY_RESUMED : NOTIFY_STARTED);
}

void CSound4::Play(bool looping)
{
    if (!buffer)
        load();
    if (!buffer)
        return;
    buffer->setCurrentPosition(0);
    buffer->play(looping);
    notifyOnFinish = true;
    notify(NOTIFY_STARTED);
}

void CSound4::play()
{
    pausedPosition = 0;
    Play();
}

void CSound4::stop(bool notifyFinish)
{
    notifyOnFinish = notifyFinish;
    Stop();
}

void CSound4::Stop()
{
    if (buffer)
        buffer->stop();
    status = 0;
}

void CSound4::pause()
{
    if (status != STATUS_PLAYING)
        return;
    uint32_t cursor = 0;
    if (buffer)
        buffer->getCurrentPosition(&cursor, nullptr);
    pausedPosition = cursor;
    Stop();
    status = STATUS_PAUSED;
}

void CSound4::resume()
{
    if (status == STATUS_PAUSED)
        Play();
}

bool CSound4::IsPlaying() { return buffer && (buffer->status() & platform::SOUND_PLAYING) != 0; }

void CSound4::SetPosition(int bytes)
{
    if (buffer && bytes >= 0)
        buffer->setCurrentPosition(uint32_t(bytes));
}

void CSound4::setVolume(int v)
{
    if (buffer)
        buffer->setVolume(v);
    CPlayable::setVolume(v);
}

void CSound4::setPanning(int p)
{
    if (buffer)
        buffer->setPan(p);
    CPlayable::setPanning(p);
}

void CSound4::setFrequency(int f)
{
    if (buffer && f >= 0)
        buffer->setFrequency(uint32_t(f));
    CPlayable::setFrequency(f);
}

// The flags are settled and the buffer released before the observers hear
// of the finish: an observer may play the sound again (which a release
// afterwards would silence) or let it go.
void CSound4::OnWAVFinished()
{
    bool report = notifyOnFinish;
    notifyOnFinish = true;
    if (flushAfterPlayed)
        Flush();
    if (report)
        notify(NOTIFY_FINISHED);
}
