#include "platform/Audio.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace platform {

namespace {
constexpr int64_t MAX_BUFFER_BYTES = int64_t(256) << 20;
constexpr uint32_t MIN_RATE = 100, MAX_RATE = 200000;

// Hundredths of a decibel as a Q16 factor; -10000 and below is silence.
int32_t gainOf(int hundredthsDb)
{
    if (hundredthsDb <= -10000)
        return 0;
    if (hundredthsDb >= 0)
        return 65536;
    return int32_t(std::lround(65536.0 * std::pow(10.0, hundredthsDb / 2000.0)));
}
} // namespace

class MixerCore {
public:
    std::mutex lock;
    std::vector<SoundBuffer*> buffers;
    uint32_t rate = 22050;
    std::vector<int32_t> sum;

    void mixBuffer(SoundBuffer& b, int frames);
};

WaveFormat WaveFormat::pcm(int channels, uint32_t samplesPerSec, int bitsPerSample)
{
    WaveFormat f;
    f.formatTag = 1;
    f.channels = uint16_t(channels);
    f.samplesPerSec = samplesPerSec;
    f.bitsPerSample = uint16_t(bitsPerSample);
    f.blockAlign = uint16_t(channels * (bitsPerSample / 8));
    f.avgBytesPerSec = samplesPerSec * f.blockAlign;
    return f;
}

bool WaveFormat::isValidPcm() const
{
    return formatTag == 1 && (channels == 1 || channels == 2) && (bitsPerSample == 8 || bitsPerSample == 16) &&
           samplesPerSec >= MIN_RATE && samplesPerSec <= MAX_RATE &&
           blockAlign == channels * (bitsPerSample / 8) && avgBytesPerSec == samplesPerSec * blockAlign;
}

SoundBuffer::SoundBuffer(std::shared_ptr<MixerCore> mixer, uint32_t size, const WaveFormat& format)
    : core(std::move(mixer)), bytes(size), fmt(format), frames(size / format.blockAlign)
{
}

SoundBuffer::~SoundBuffer()
{
    std::lock_guard<std::mutex> g(core->lock);
    core->buffers.erase(std::remove(core->buffers.begin(), core->buffers.end(), this), core->buffers.end());
}

int SoundBuffer::lock(uint32_t offset, uint32_t count, void** part1, uint32_t* bytes1, void** part2,
                      uint32_t* bytes2, bool wholeBuffer)
{
    if (wholeBuffer) {
        offset = 0;
        count = bytes;
    }
    if (!part1 || !bytes1 || offset >= bytes || count > bytes || count == 0)
        return AUDIO_INVALID_PARAMS;
    std::lock_guard<std::mutex> g(core->lock);
    if (lost)
        return AUDIO_BUFFER_LOST;
    if (locked)
        return AUDIO_INVALID_CALL;
    uint32_t first = std::min(count, bytes - offset);
    uint32_t second = count - first;
    if (second && (!part2 || !bytes2))
        return AUDIO_INVALID_PARAMS;
    staging.assign(data.begin() + offset, data.begin() + offset + first);
    staging.insert(staging.end(), data.begin(), data.begin() + second);
    locked = true;
    lockOffset = offset;
    lockCount1 = first;
    lockCount2 = second;
    *part1 = staging.data();
    *bytes1 = first;
    if (part2)
        *part2 = second ? staging.data() + first : nullptr;
    if (bytes2)
        *bytes2 = second;
    return AUDIO_OK;
}

int SoundBuffer::unlock(void* part1, uint32_t written1, void* part2, uint32_t written2)
{
    std::lock_guard<std::mutex> g(core->lock);
    if (!locked || part1 != staging.data() || (part2 && part2 != staging.data() + lockCount1))
        return AUDIO_INVALID_CALL;
    locked = false;
    uint32_t n1 = std::min(written1, lockCount1);
    uint32_t n2 = part2 ? std::min(written2, lockCount2) : 0;
    // A buffer lost while it was locked keeps what it had.
    if (lost)
        return AUDIO_BUFFER_LOST;
    std::memcpy(data.data() + lockOffset, staging.data(), n1);
    std::memcpy(data.data(), staging.data() + lockCount1, n2);
    return AUDIO_OK;
}

int SoundBuffer::play(bool loop)
{
    std::lock_guard<std::mutex> g(core->lock);
    if (lost)
        return AUDIO_BUFFER_LOST;
    playing = frames > 0;
    looping = loop;
    return AUDIO_OK;
}

int SoundBuffer::stop()
{
    std::lock_guard<std::mutex> g(core->lock);
    playing = false;
    return AUDIO_OK;
}

uint32_t SoundBuffer::status()
{
    std::lock_guard<std::mutex> g(core->lock);
    uint32_t s = 0;
    if (playing)
        s |= SOUND_PLAYING | (looping ? uint32_t(SOUND_LOOPING) : 0u);
    if (lost)
        s |= SOUND_LOST;
    return s;
}

int SoundBuffer::getCurrentPosition(uint32_t* play, uint32_t* write)
{
    std::lock_guard<std::mutex> g(core->lock);
    uint32_t cursor = uint32_t(position >> 16) * fmt.blockAlign;
    if (play)
        *play = cursor;
    if (write)
        *write = cursor;
    return AUDIO_OK;
}

int SoundBuffer::setCurrentPosition(uint32_t offset)
{
    if (offset >= bytes)
        return AUDIO_INVALID_PARAMS;
    std::lock_guard<std::mutex> g(core->lock);
    position = uint64_t(offset / fmt.blockAlign) << 16;
    return AUDIO_OK;
}

void SoundBuffer::updateGains()
{
    int32_t v = gainOf(volume);
    int32_t left = pan > 0 ? gainOf(-pan) : 65536;
    int32_t right = pan < 0 ? gainOf(pan) : 65536;
    gainLeft = int32_t((int64_t(v) * left) >> 16);
    gainRight = int32_t((int64_t(v) * right) >> 16);
}

int SoundBuffer::setVolume(int hundredthsDb)
{
    if (hundredthsDb < -10000 || hundredthsDb > 0)
        return AUDIO_INVALID_PARAMS;
    std::lock_guard<std::mutex> g(core->lock);
    volume = hundredthsDb;
    updateGains();
    return AUDIO_OK;
}

int SoundBuffer::getVolume(int* hundredthsDb)
{
    if (!hundredthsDb)
        return AUDIO_INVALID_PARAMS;
    std::lock_guard<std::mutex> g(core->lock);
    *hundredthsDb = volume;
    return AUDIO_OK;
}

int SoundBuffer::setPan(int value)
{
    if (value < -10000 || value > 10000)
        return AUDIO_INVALID_PARAMS;
    std::lock_guard<std::mutex> g(core->lock);
    pan = value;
    updateGains();
    return AUDIO_OK;
}

int SoundBuffer::getPan(int* value)
{
    if (!value)
        return AUDIO_INVALID_PARAMS;
    std::lock_guard<std::mutex> g(core->lock);
    *value = pan;
    return AUDIO_OK;
}

int SoundBuffer::setFrequency(uint32_t samplesPerSec)
{
    if (samplesPerSec != 0 && (samplesPerSec < MIN_RATE || samplesPerSec > MAX_RATE))
        return AUDIO_INVALID_PARAMS;
    std::lock_guard<std::mutex> g(core->lock);
    frequency = samplesPerSec;
    return AUDIO_OK;
}

int SoundBuffer::getFrequency(uint32_t* samplesPerSec)
{
    if (!samplesPerSec)
        return AUDIO_INVALID_PARAMS;
    std::lock_guard<std::mutex> g(core->lock);
    *samplesPerSec = frequency ? frequency : fmt.samplesPerSec;
    return AUDIO_OK;
}

int SoundBuffer::restore()
{
    std::lock_guard<std::mutex> g(core->lock);
    lost = false;
    return AUDIO_OK;
}

void SoundBuffer::markLost()
{
    std::lock_guard<std::mutex> g(core->lock);
    lost = true;
}

namespace {
inline int32_t sampleAt(const uint8_t* frame, int bits, int channel)
{
    if (bits == 8)
        return (int32_t(frame[channel]) - 128) * 256; // a shift of a negative value is undefined
    const uint8_t* p = frame + channel * 2;
    return int16_t(uint16_t(p[0] | p[1] << 8));
}
} // namespace

// Under the core's lock. The position advances by the buffer's frequency
// over the output rate per output frame; a buffer that is not looping stops
// once it has played its last frame.
void MixerCore::mixBuffer(SoundBuffer& b, int count)
{
    const uint32_t freq = b.frequency ? b.frequency : b.fmt.samplesPerSec;
    const uint64_t step = (uint64_t(freq) << 16) / rate;
    const uint64_t end = uint64_t(b.frames) << 16;
    const int bits = b.fmt.bitsPerSample, align = b.fmt.blockAlign;
    const bool stereo = b.fmt.channels == 2;
    const uint8_t* base = b.data.data();
    for (int i = 0; i < count; ++i) {
        uint32_t index = uint32_t(b.position >> 16);
        int32_t frac = int32_t(b.position & 0xFFFF);
        uint32_t next = index + 1 < b.frames ? index + 1 : (b.looping ? 0 : index);
        const uint8_t* f0 = base + size_t(index) * size_t(align);
        const uint8_t* f1 = base + size_t(next) * size_t(align);
        int32_t l0 = sampleAt(f0, bits, 0), l1 = sampleAt(f1, bits, 0);
        int32_t r0 = stereo ? sampleAt(f0, bits, 1) : l0, r1 = stereo ? sampleAt(f1, bits, 1) : l1;
        int32_t l = l0 + int32_t((int64_t(l1 - l0) * frac) >> 16);
        int32_t r = r0 + int32_t((int64_t(r1 - r0) * frac) >> 16);
        sum[size_t(i) * 2] += int32_t((int64_t(l) * b.gainLeft) >> 16);
        sum[size_t(i) * 2 + 1] += int32_t((int64_t(r) * b.gainRight) >> 16);
        b.position += step;
        if (b.position >= end) {
            if (!b.looping) {
                b.playing = false;
                b.position = 0;
                return;
            }
            b.position %= end;
        }
    }
}

Mixer::Mixer() : core(std::make_shared<MixerCore>()) {}

Mixer::~Mixer() {}

void Mixer::setOutputRate(uint32_t samplesPerSec)
{
    if (samplesPerSec < MIN_RATE || samplesPerSec > MAX_RATE)
        return;
    std::lock_guard<std::mutex> g(core->lock);
    core->rate = samplesPerSec;
}

uint32_t Mixer::outputRate()
{
    std::lock_guard<std::mutex> g(core->lock);
    return core->rate;
}

std::unique_ptr<SoundBuffer> Mixer::createBuffer(int size, const WaveFormat& format, int* error)
{
    int code = AUDIO_OK;
    std::unique_ptr<SoundBuffer> b;
    if (size <= 0 || size > MAX_BUFFER_BYTES)
        code = AUDIO_INVALID_PARAMS;
    else if (!format.isValidPcm())
        code = AUDIO_BAD_FORMAT;
    else {
        b.reset(new (std::nothrow) SoundBuffer(core, uint32_t(size), format));
        if (!b)
            code = AUDIO_OUT_OF_MEMORY;
        else {
            // 8-bit silence is 0x80, 16-bit silence 0.
            b->data.assign(size_t(size), format.bitsPerSample == 8 ? 0x80 : 0);
            b->updateGains();
            std::lock_guard<std::mutex> g(core->lock);
            core->buffers.push_back(b.get());
        }
    }
    if (error)
        *error = code;
    return b;
}

void Mixer::mix(int16_t* out, int frames)
{
    if (!out || frames <= 0)
        return;
    std::lock_guard<std::mutex> g(core->lock);
    core->sum.assign(size_t(frames) * 2, 0);
    for (SoundBuffer* b : core->buffers)
        if (b->playing && !b->lost && b->frames > 0)
            core->mixBuffer(*b, frames);
    for (size_t i = 0; i < core->sum.size(); ++i)
        out[i] = int16_t(std::min(std::max(core->sum[i], -32768), 32767));
}

int Mixer::playingCount()
{
    std::lock_guard<std::mutex> g(core->lock);
    int n = 0;
    for (SoundBuffer* b : core->buffers)
        n += b->playing ? 1 : 0;
    return n;
}

void Mixer::markAllLost()
{
    std::lock_guard<std::mutex> g(core->lock);
    for (SoundBuffer* b : core->buffers)
        b->lost = true;
}

int AudioDevice::setPrimaryFormat(const WaveFormat& format)
{
    if (!format.isValidPcm())
        return AUDIO_BAD_FORMAT;
    {
        std::lock_guard<std::mutex> g(formatLock);
        primary = format;
    }
    mixer.setOutputRate(format.samplesPerSec);
    return AUDIO_OK;
}

WaveFormat AudioDevice::primaryFormat()
{
    std::lock_guard<std::mutex> g(formatLock);
    return primary;
}

} // namespace platform
