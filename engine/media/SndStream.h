#pragma once
#include "base/XObject.h"
#include "base/XString.h"
#include "media/WavFile.h"

#include <atomic>
#include <cstdint>

class CStreamedWAV;
class CWindow;
namespace platform {
class AudioDevice;
class PeriodicTimers;
class SoundBuffer;
} // namespace platform

// Music and other long sounds, streamed from a PCM WAV file through a sound
// buffer of 1.2 seconds that plays in a loop while a 50 ms periodic timer
// refills what has just been played. A looping stream rewinds its file and
// queues a loop report on each pass; the window's sound step raises it as
// "ONMUSICLOOPED" on the current scene, on the main thread.
//
// Threads: the refill runs on the timer thread. The busy flag keeps it
// apart from the main thread's Stop, Close, Resume, ResetWavePlayer and
// destruction, which kill the timer and wait for a refill in progress; a
// stream is never played without its timer. The setters and queries touch
// only the sound buffer, which is thread-safe.
class CSndStream : public CXObject {
public:
    explicit CSndStream(CWindow* window);
    // Opens the file; the error code is the reader's (2000 when the file
    // is missing) when it cannot. shown: the name the title gave, when the
    // engine put a folder before it (the reader's).
    CSndStream(CWindow* window, const CXString& name, const CXString& shown = CXString());
    // Stop, Close; no refill runs once it returned.
    ~CSndStream() override;
    CSndStream(const CSndStream&) = delete;
    CSndStream& operator=(const CSndStream&) = delete;

    bool Open(const CXString& name);
    bool StreamBufferSetup(const CXString& name);
    // Starts the buffer looping and the refill timer (when there is a
    // buffer); nothing plays when no timer can be had.
    void Play(bool loop);
    void Stop();
    void Close();
    // Starts again from 2.4 seconds before the file position reached.
    void Resume();
    void ResetWavePlayer();
    bool IsPlaying() { return playing && !donePlaying; }

    void setVolume(int volume);
    void setPan(int pan);
    void setFreq(int frequency);
    // The buffer's volume; 0 without a buffer.
    int getVolume();
    // Queues a loop report (refill thread).
    void loopStarted();

    int GetProgress() { return progress; }
    int GetNextWriteOffset() { return nextWriteOffset; }
    void AddNextWriteOffset(int bytes) { nextWriteOffset += bytes; }
    int GetBytesRemaining() { return bytesRemaining; }
    void SetBytesRemaining(int bytes) { bytesRemaining = bytes; }
    int GetBufferSize() { return bufferSize; }
    int GetBitsPerSample() { return format.bitsPerSample; }
    bool FoundEnd() { return foundEnd; }
    void SetFoundEnd(bool on) { foundEnd = on; }
    bool DonePlaying() { return donePlaying; }
    void SetDonePlaying(bool on) { donePlaying = on; }
    bool IsLooped() { return looped; }
    bool HasReachedEnd() { return false; }
    void MoveProgress(int bytes) { progress += bytes; }
    void SWStartRead();
    void SWClose();
    int SWRead(int count, unsigned char* destination);
    bool isOpened() { return opened; }
    platform::SoundBuffer* getBuffer() { return buffer; }

    // Raises the queued loop reports on the current scene (main thread,
    // once a frame), one "ONMUSICLOOPED" each.
    static void raiseLoopReports(CWindow* window);
    // Forgets the queued reports (the sound device goes).
    static void dropLoopReports();

private:
    static void TimeFunc(uint32_t id, void* user);
    void refill();
    // Fills the whole buffer from the reader's position, rewinding a file
    // shorter than the buffer; silence where there is nothing to read.
    void FillDataBuffer();
    // One locked part from the reader; past the file's end silence, or the
    // file again from its start when looped.
    void fillPart(uint8_t* part, uint32_t length, uint32_t cursor);
    // Reads on into the part after the bytes it has, rewinding the reader
    // each time it runs out, until the part is full or a read right after
    // a rewind gives nothing; wrapped tells whether a rewind gave bytes.
    uint32_t readRewinding(uint8_t* part, uint32_t length, uint32_t have, bool* wrapped);
    // 0x80 for 8-bit samples, 0 for 16-bit ones (the only depths a sound
    // buffer takes).
    void silence(uint8_t* part, uint32_t length);
    void killTimer();
    void takeBusy();
    void releaseBusy() { busy.store(0); }

    CWindow* window;
    CXString shownName;
    bool opened;
    std::atomic<bool> playing;
    bool timerRunning;
    std::atomic<int32_t> busy;
    uint32_t timerId;
    platform::PeriodicTimers* timers;
    platform::AudioDevice* primary;
    platform::SoundBuffer* buffer;
    CStreamedWAV* reader;
    std::atomic<bool> foundEnd;
    std::atomic<bool> donePlaying;
    std::atomic<bool> looped;
    std::atomic<int> progress;
    int bufferSize;
    std::atomic<int> bytesRemaining;
    std::atomic<int> nextWriteOffset;
    tWAVEFORMATEX format;
};
