#pragma once
#include "media/Playable.h"
#include "platform/Audio.h"

#include <cstdint>
#include <memory>

class CMElement;
class CSoundManager;

// A sound effect: a RIFF WAV file decoded whole (by the codec of its format
// tag) into a sound buffer of its own, played once or looping. A sound made
// from a file name registers with the application's sound manager, which
// reports its finish one frame after it stopped sounding.
//
// The class also keeps the process's sound device: made when the window is
// built, its primary format (PCM mono 22050 Hz 16-bit) set by the first
// sound or stream that needs it, released when the window goes. Without a
// device nothing loads and nothing plays. Main thread only.
class CSound4 : public CPlayable {
public:
    // The playable type of a sound made from a file name.
    enum { TYPE_SOUND = 1 };

    // A bare sound: no file, not registered, no primary format.
    explicit CSound4(CWindow* window);
    // Registered with the sound manager (not owned); loads at once with preload.
    CSound4(CWindow* window, const CXString& fileName, bool flushAfterPlayed, bool preload);
    // From a definition: "FILENAME" (in the sound-effects folder),
    // "PRELOAD", "LOOP", "FLUSHAFTERPLAYED". Not registered.
    CSound4(CWindow* window, CMElement* element);
    ~CSound4() override;

    // The name a title gave to a sound that the sound-effects folder was
    // put before: without that folder.
    static CXString titleName(CWindow* window, const CXString& name);
    // The name without the folder the engine put before it (compared
    // ignoring case); the name itself when it is not below that folder.
    static CXString withoutFolder(const CXString& folder, const CXString& name);
    // The sound of the file registered with the resources manager, with
    // one user more; when there is none, a new one for the file made with
    // those flags and registered there. Null without a manager or a file
    // name, or when the name is registered for something that is no sound.
    static CSound4* fromResources(CResourcesManager* resources, CWindow* window, const CXString& fileName,
                                  bool flushAfterPlayed, bool preload);

    using CPlayable::play;
    // From the start, once.
    void play() override;
    // Whether the next finish is reported, then Stop.
    void stop(bool notify) override;
    // While playing: keeps the play cursor and stops.
    void pause() override;
    // While paused: plays on from the kept cursor.
    void resume() override;
    bool isPlaying() override { return IsPlaying(); }
    // The play cursor in bytes.
    void seek(int position) override { SetPosition(position); }
    // Passed to the buffer (when loaded) and kept in every case.
    void setVolume(int volume) override;
    void setPanning(int pan) override;
    void setFrequency(int frequency) override;

    // From position 0, looping when asked; neither changes the status nor
    // has the manager watch the sound, so it is never reported finished.
    virtual void Play(bool loop);
    // From the paused position, once, watched by the manager; reports
    // resumed after a pause, else started. Loads first when needed.
    virtual void Play();
    virtual void Stop();
    virtual void Mute() {}
    // Whether the buffer sounds.
    virtual bool IsPlaying();
    // The manager saw the sound end.
    virtual void OnWAVFinished();

    // Decodes the file into a new buffer; false (with a line on the
    // debugger output) when it cannot.
    bool load();
    bool Load(const CXString& fileName);
    void SetFileName(const CXString& fileName) { setFilename(fileName); }
    // Releases the buffer; the next play loads again.
    void Flush();
    void SetPosition(int bytes);
    bool getLoop() const { return loop; }
    bool getFlushAfterPlayed() const { return flushAfterPlayed; }
    platform::SoundBuffer* getBuffer() { return buffer.get(); }

    // The process's sound device: made for the window unless the primary
    // format is set already; null when there is none.
    static platform::AudioDevice* CreateDirectSoundInterface(CWindow* window);
    // Sets the primary format once; on failure the window's error code
    // becomes -997 and the next call tries again. The device once set, else null.
    static platform::AudioDevice* CreatePrimarySoundBuffer(CWindow* window);
    static void DestroySoundBuffer();
    static platform::AudioDevice* getDirectSound();

private:
    CSoundManager* manager();

    std::unique_ptr<platform::SoundBuffer> buffer;
    bool loop;
    bool flushAfterPlayed;
    bool notifyOnFinish;
    uint32_t pausedPosition;
};
