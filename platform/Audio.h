#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

// Sound as the sound Parts use DirectSound: a device with a primary
// format, and sound buffers of PCM bytes that are locked in two parts at the
// wrap, played once or looping, and report a play cursor. The buffers and
// the mixer that mixes the playing ones into the device's stream are the
// same code in every backend; a backend only takes the mixed stream (the
// headless one as its clock advances, SDL from its audio thread).
//
// Units: sizes, offsets and cursors in bytes of the buffer's own format;
// volume in hundredths of a decibel, 0 (full) to -10000 (silent); pan from
// -10000 (left only) to 10000 (right only), attenuating the other side by
// that many hundredths of a decibel; frequency in samples a second, 100 to
// 200000, 0 for the buffer's own.
//
// Threads: every call is thread-safe (the main thread, the periodic timer
// thread and the backend's audio thread all touch buffers).
//
// Answers (AudioResult): 0 is success; no call crashes on a bad argument.

enum AudioResult : int {
    AUDIO_OK = 0,
    AUDIO_INVALID_PARAMS = 0x4501, // a size not above 0, an offset or count past the buffer, a value out of range
    AUDIO_BAD_FORMAT = 0x4502,     // not PCM of 1 or 2 channels, 8 or 16 bits, 100..200000 Hz, consistent sizes
    AUDIO_BUFFER_LOST = 0x4503,    // restore() the buffer and write its bytes again
    AUDIO_INVALID_CALL = 0x4504,   // unlock without lock, lock while locked
    AUDIO_OUT_OF_MEMORY = 0x4505
};

// Status bits (DirectSound's).
enum : uint32_t { SOUND_PLAYING = 1, SOUND_LOST = 2, SOUND_LOOPING = 4 };

// The PCM format of a buffer or of the device (WAVEFORMATEX's fields).
struct WaveFormat {
    uint16_t formatTag = 1;
    uint16_t channels = 1;
    uint32_t samplesPerSec = 22050;
    uint32_t avgBytesPerSec = 44100;
    uint16_t blockAlign = 2;
    uint16_t bitsPerSample = 16;

    static WaveFormat pcm(int channels, uint32_t samplesPerSec, int bitsPerSample);
    // PCM (tag 1), 1 or 2 channels, 8 or 16 bits, 100..200000 Hz, block
    // align = channels x bytes a sample, bytes a second = rate x align.
    bool isValidPcm() const;
};

class MixerCore;

// One sound buffer. Its bytes are its own memory; locking hands out a copy
// of the region that unlock writes back, so that the mixer never reads a
// half-written sample and a forgotten unlock blocks nobody.
class SoundBuffer {
public:
    ~SoundBuffer();
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    uint32_t size() const { return bytes; }
    WaveFormat format() const { return fmt; }

    // The region of `count` bytes from `offset`, in two parts when it runs
    // past the end of the buffer (the second starts at byte 0; without a
    // wrap it is null and 0 long). count 0 with wholeBuffer locks all of
    // it. The parts hold the buffer's current bytes. AUDIO_INVALID_PARAMS
    // for an offset at or past the end, a count above the size or a null
    // first part; AUDIO_BUFFER_LOST while lost; AUDIO_INVALID_CALL while a
    // lock is open.
    int lock(uint32_t offset, uint32_t count, void** part1, uint32_t* bytes1, void** part2, uint32_t* bytes2,
             bool wholeBuffer = false);
    // Writes back the first written1 and written2 bytes of the parts (at
    // most what was locked) and ends the lock. AUDIO_INVALID_CALL without
    // a lock or with other parts than lock gave.
    int unlock(void* part1, uint32_t written1, void* part2, uint32_t written2);

    // Starts playing from the play cursor; looping repeats the buffer,
    // otherwise it stops at its end with the cursor back at 0.
    // AUDIO_BUFFER_LOST while lost.
    int play(bool looping);
    int stop();
    // SOUND_PLAYING, SOUND_LOOPING (while playing looped), SOUND_LOST.
    uint32_t status();
    // The play cursor; the write cursor (where it is safe to write) is the
    // same, as the mixer takes bytes only as it plays them.
    int getCurrentPosition(uint32_t* play, uint32_t* write);
    // Moves the play cursor (rounded down to a whole sample frame);
    // AUDIO_INVALID_PARAMS at or past the end.
    int setCurrentPosition(uint32_t offset);
    int setVolume(int hundredthsDb);
    int getVolume(int* hundredthsDb);
    int setPan(int pan);
    int getPan(int* pan);
    int setFrequency(uint32_t samplesPerSec);
    int getFrequency(uint32_t* samplesPerSec);
    // A lost buffer stays lost until restored; it keeps playing state and
    // cursor, but is silent and its cursor stands still meanwhile.
    // Restoring keeps its bytes (write them again all the same).
    int restore();

    // The backend's (or a test's) side: the buffer is lost.
    void markLost();

private:
    friend class MixerCore;
    friend class Mixer;
    SoundBuffer(std::shared_ptr<MixerCore> mixer, uint32_t bytes, const WaveFormat& format);

    std::shared_ptr<MixerCore> core;
    const uint32_t bytes;
    const WaveFormat fmt;
    const uint32_t frames; // whole sample frames in the buffer
    // Guarded by the core's lock:
    std::vector<uint8_t> data;
    uint64_t position = 0; // in frames, 16 bits of fraction
    bool playing = false, looping = false, lost = false;
    int volume = 0, pan = 0;
    uint32_t frequency = 0;
    int32_t gainLeft = 65536, gainRight = 65536; // Q16
    bool locked = false;
    uint32_t lockOffset = 0, lockCount1 = 0, lockCount2 = 0;
    std::vector<uint8_t> staging;
    void updateGains();
};

// Mixes the playing buffers into a stream of 16-bit stereo frames at the
// device's rate: each buffer is resampled from its frequency (linear
// interpolation), scaled by its volume and pan, and summed; the sum is
// clipped to -32768..32767, never wrapped. Mixing advances the buffers'
// play cursors: that is the only thing that moves them.
class Mixer {
public:
    Mixer();
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // The output rate (100..200000 Hz; others are ignored).
    void setOutputRate(uint32_t samplesPerSec);
    uint32_t outputRate();
    // A new buffer of `bytes` bytes (silence) in `format`; null with *error
    // set (AUDIO_INVALID_PARAMS for a size not above 0 or above 256 MiB,
    // AUDIO_BAD_FORMAT, AUDIO_OUT_OF_MEMORY). The buffer may outlive the
    // mixer: it then answers as before but is mixed no more, so its cursor
    // stands still.
    std::unique_ptr<SoundBuffer> createBuffer(int bytes, const WaveFormat& format, int* error);
    // Mixes `frames` stereo frames (left, right interleaved) into out,
    // replacing what was there. A negative count or null out does nothing.
    void mix(int16_t* out, int frames);
    // Buffers that exist and are playing.
    int playingCount();
    // The backend's side: every buffer made by this mixer is lost.
    void markAllLost();

private:
    std::shared_ptr<MixerCore> core;
};

// A backend's sound device.
class AudioDevice {
public:
    virtual ~AudioDevice() {}
    // Sets the format of the device's stream: the mixer's output rate
    // becomes its rate (the stream itself is always 16-bit stereo).
    // AUDIO_BAD_FORMAT for a format isValidPcm refuses.
    virtual int setPrimaryFormat(const WaveFormat& format);
    WaveFormat primaryFormat();
    // As Mixer::createBuffer.
    std::unique_ptr<SoundBuffer> createBuffer(int bytes, const WaveFormat& format, int* error)
    {
        return mixer.createBuffer(bytes, format, error);
    }
    Mixer& getMixer() { return mixer; }

protected:
    Mixer mixer;
    std::mutex formatLock;
    WaveFormat primary;
};

} // namespace platform
