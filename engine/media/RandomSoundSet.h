#pragma once
#include "media/Sound4.h"

class CXArray;

// A sound effect made of several: each play picks one of them at random.
// An animation position whose sound list names several files (separated
// by ";") sounds through one. The set itself holds no buffer and is not
// watched by the sound manager; its sounds are. Main thread only.
class CRandomSoundSet : public CSound4 {
public:
    // One sound per name of the list; a name without ":" is taken from the
    // window's sound-effects folder, one with a drive as it is.
    CRandomSoundSet(CWindow* window, const CXString& names, bool flushAfterPlayed, bool preload);
    ~CRandomSoundSet() override;
    CRandomSoundSet(const CRandomSoundSet&) = delete;
    CRandomSoundSet& operator=(const CRandomSoundSet&) = delete;

    // A sound drawn at random plays; nothing without sounds.
    void Play() override;
    void Play(bool loop) override;
    // The sound drawn last.
    void Stop() override;
    bool IsPlaying() override;
    // Every sound of the set.
    void setVolume(int volume) override;
    void setPanning(int pan) override;
    void setFrequency(int frequency) override;

    int getCount();
    CSound4* getSound(int index);
    CSound4* getCurrent() { return current; }

private:
    // Draws the sound to play; false without sounds.
    bool pick();

    CXArray* sounds;
    CSound4* current;
};
