#pragma once
#include "base/XString.h"

class CWindow;

// The background music the window owns, as the window drives it.
class CWindowMusic {
public:
    virtual ~CWindowMusic() {}
    // Plays a file (a full path) as a new stream, looping when asked.
    virtual void play(const CXString& fileName, bool loop) = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() = 0;
    // Whether there is a stream at all (playing or not).
    virtual bool hasStream() = 0;
    // Volume in hundredths of a decibel (0 full, -10000 silent), pan from
    // -10000 (left) to 10000 (right), frequency in samples a second; the
    // setters do nothing without a stream, the volume then reads 0.
    virtual void setVolume(int volume) = 0;
    virtual int getVolume() = 0;
    virtual void setPan(int pan) = 0;
    virtual void setFreq(int frequency) = 0;
    virtual CXString getFileName() = 0;
};

// What the window asks of the sound layer above it, which fills these in
// once; an empty entry does nothing (no sound device, no music).
struct CWindowSoundLayer {
    // Makes the sound device for the window (at construction) and releases
    // it (at destruction).
    void (*createSoundDevice)(CWindow* window);
    void (*destroySoundDevice)();
    // The window's music player; the window deletes it.
    CWindowMusic* (*makeMusicPlayer)(CWindow* window);
    // The frame's sound step: the application's sound manager reports the
    // sounds that finished, and the music's loop reports queued by the
    // refill thread are raised.
    void (*soundStep)(CWindow* window);

    static CWindowSoundLayer& get();
};
