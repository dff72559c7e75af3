// Sound buffers and the mixer, on the headless backend whose devices mix as
// a manual clock advances.
#include "platform/Audio.h"
#include "platform/headless/Headless.h"

#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace platform;

const WaveFormat MONO16 = WaveFormat::pcm(1, 22050, 16);

// Fills a 16-bit buffer with one value in every sample.
void fillConstant(SoundBuffer& b, int16_t value)
{
    void *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    ASSERT_EQ(b.lock(0, 0, &p1, &n1, &p2, &n2, true), AUDIO_OK);
    ASSERT_EQ(n1, b.size());
    ASSERT_EQ(p2, nullptr);
    int16_t* s = static_cast<int16_t*>(p1);
    for (uint32_t i = 0; i < n1 / 2; ++i)
        s[i] = value;
    ASSERT_EQ(b.unlock(p1, n1, p2, n2), AUDIO_OK);
}

class HeadlessAudioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = platform.createAudioDevice();
        ASSERT_NE(device, nullptr);
        ASSERT_EQ(device->setPrimaryFormat(MONO16), AUDIO_OK);
    }
    std::unique_ptr<SoundBuffer> buffer(int bytes, const WaveFormat& format = MONO16)
    {
        int error = -1;
        std::unique_ptr<SoundBuffer> b = device->createBuffer(bytes, format, &error);
        EXPECT_EQ(error, AUDIO_OK);
        return b;
    }
    uint32_t cursor(SoundBuffer& b)
    {
        uint32_t play = 0, write = 0;
        EXPECT_EQ(b.getCurrentPosition(&play, &write), AUDIO_OK);
        EXPECT_EQ(play, write);
        return play;
    }

    ManualClock clock{1000};
    HeadlessPlatform platform{clock};
    std::unique_ptr<AudioDevice> device;
};

TEST_F(HeadlessAudioTest, SoundBufferLocksInTwoPartsAtTheWrap)
{
    auto b = buffer(1000);
    void *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    ASSERT_EQ(b->lock(900, 200, &p1, &n1, &p2, &n2), AUDIO_OK);
    EXPECT_EQ(n1, 100u);
    EXPECT_EQ(n2, 100u);
    ASSERT_NE(p2, nullptr);
    std::memset(p1, 0x11, n1);
    std::memset(p2, 0x22, n2);
    // A second lock while one is open is refused.
    void* q = nullptr;
    uint32_t m = 0;
    EXPECT_EQ(b->lock(0, 10, &q, &m, nullptr, nullptr), AUDIO_INVALID_CALL);
    // Only the bytes said to be written are written back.
    ASSERT_EQ(b->unlock(p1, n1, p2, 50), AUDIO_OK);

    ASSERT_EQ(b->lock(0, 0, &p1, &n1, &p2, &n2, true), AUDIO_OK);
    ASSERT_EQ(n1, 1000u);
    EXPECT_EQ(n2, 0u);
    const uint8_t* all = static_cast<const uint8_t*>(p1);
    EXPECT_EQ(all[0], 0x22);
    EXPECT_EQ(all[49], 0x22);
    EXPECT_EQ(all[50], 0);
    EXPECT_EQ(all[899], 0);
    EXPECT_EQ(all[900], 0x11);
    EXPECT_EQ(all[999], 0x11);
    EXPECT_EQ(b->unlock(p1, 0, p2, 0), AUDIO_OK);

    // A region that ends exactly at the end has no second part.
    ASSERT_EQ(b->lock(600, 400, &p1, &n1, &p2, &n2), AUDIO_OK);
    EXPECT_EQ(n1, 400u);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(n2, 0u);
    EXPECT_EQ(b->unlock(p1, n1, nullptr, 0), AUDIO_OK);
}

TEST_F(HeadlessAudioTest, PlayCursorMovesWithTheClock)
{
    auto b = buffer(44100); // one second
    ASSERT_EQ(b->play(true), AUDIO_OK);
    EXPECT_EQ(b->status(), uint32_t(SOUND_PLAYING | SOUND_LOOPING));
    EXPECT_EQ(cursor(*b), 0u);
    clock.advance(100);
    EXPECT_EQ(cursor(*b), 4410u);
    // Past the end a looping buffer starts again.
    clock.advance(1000);
    EXPECT_EQ(cursor(*b), 4410u);
    EXPECT_NE(b->status() & SOUND_PLAYING, 0u);

    // Twice the frequency moves it twice as fast.
    ASSERT_EQ(b->setFrequency(44100), AUDIO_OK);
    clock.advance(100);
    EXPECT_EQ(cursor(*b), 4410u + 8820u);
    ASSERT_EQ(b->setFrequency(0), AUDIO_OK);
    uint32_t hz = 0;
    ASSERT_EQ(b->getFrequency(&hz), AUDIO_OK);
    EXPECT_EQ(hz, 22050u);

    // A stopped buffer keeps its cursor.
    ASSERT_EQ(b->stop(), AUDIO_OK);
    clock.advance(500);
    EXPECT_EQ(cursor(*b), 4410u + 8820u);
    EXPECT_EQ(b->status(), 0u);
    // Without the clock moving, nothing moves.
    ASSERT_EQ(b->setCurrentPosition(101), AUDIO_OK);
    EXPECT_EQ(cursor(*b), 100u); // a whole sample frame
    ASSERT_EQ(b->play(false), AUDIO_OK);
    EXPECT_EQ(cursor(*b), 100u);
}

TEST_F(HeadlessAudioTest, ANonLoopingBufferStopsAtItsEnd)
{
    auto b = buffer(22050); // half a second
    ASSERT_EQ(b->play(false), AUDIO_OK);
    EXPECT_EQ(b->status(), uint32_t(SOUND_PLAYING));
    clock.advance(400);
    EXPECT_EQ(b->status(), uint32_t(SOUND_PLAYING));
    EXPECT_EQ(cursor(*b), 17640u);
    clock.advance(99);
    EXPECT_EQ(b->status(), uint32_t(SOUND_PLAYING));
    clock.advance(1);
    EXPECT_EQ(b->status(), 0u);
    EXPECT_EQ(cursor(*b), 0u);
    // And plays again from the start.
    ASSERT_EQ(b->play(false), AUDIO_OK);
    clock.advance(10);
    EXPECT_EQ(cursor(*b), 440u);
}

TEST_F(HeadlessAudioTest, ALostBufferIsSilentUntilRestored)
{
    auto b = buffer(44100);
    fillConstant(*b, 1000);
    ASSERT_EQ(b->play(true), AUDIO_OK);
    clock.advance(100);
    platform.loseSoundBuffers();
    EXPECT_EQ(b->status(), uint32_t(SOUND_PLAYING | SOUND_LOOPING | SOUND_LOST));
    void* p = nullptr;
    uint32_t n = 0;
    EXPECT_EQ(b->lock(0, 10, &p, &n, nullptr, nullptr), AUDIO_BUFFER_LOST);
    EXPECT_EQ(b->play(true), AUDIO_BUFFER_LOST);
    platform.captureAudio(true);
    clock.advance(100);
    EXPECT_EQ(cursor(*b), 4410u);
    std::vector<int16_t> silent = platform.takeCapturedAudio();
    ASSERT_EQ(silent.size(), 2u * 2205u);
    for (int16_t s : silent)
        ASSERT_EQ(s, 0);
    ASSERT_EQ(b->restore(), AUDIO_OK);
    EXPECT_EQ(b->status(), uint32_t(SOUND_PLAYING | SOUND_LOOPING));
    clock.advance(10);
    EXPECT_EQ(cursor(*b), 4850u);
    std::vector<int16_t> heard = platform.takeCapturedAudio();
    ASSERT_EQ(heard.size(), 2u * 220u);
    EXPECT_EQ(heard[0], 1000);
}

TEST_F(HeadlessAudioTest, NoDeviceAndARefusedPrimaryFormat)
{
    platform.setAudioAvailable(false);
    EXPECT_EQ(platform.createAudioDevice(), nullptr);
    platform.setAudioAvailable(true);
    auto other = platform.createAudioDevice();
    ASSERT_NE(other, nullptr);
    platform.refusePrimaryFormat(true);
    EXPECT_EQ(other->setPrimaryFormat(MONO16), AUDIO_BAD_FORMAT);
    platform.refusePrimaryFormat(false);
    EXPECT_EQ(other->setPrimaryFormat(WaveFormat::pcm(2, 44100, 16)), AUDIO_OK);
    EXPECT_EQ(other->primaryFormat().samplesPerSec, 44100u);
    EXPECT_EQ(other->getMixer().outputRate(), 44100u);
}

TEST_F(HeadlessAudioTest, BadArgumentsGiveTheirErrors)
{
    int error = 0;
    EXPECT_EQ(device->createBuffer(-4, MONO16, &error), nullptr);
    EXPECT_EQ(error, AUDIO_INVALID_PARAMS);
    EXPECT_EQ(device->createBuffer(0, MONO16, &error), nullptr);
    EXPECT_EQ(error, AUDIO_INVALID_PARAMS);
    WaveFormat odd = MONO16;
    odd.blockAlign = 3;
    EXPECT_EQ(device->createBuffer(100, odd, &error), nullptr);
    EXPECT_EQ(error, AUDIO_BAD_FORMAT);
    WaveFormat adpcm = MONO16;
    adpcm.formatTag = 2;
    EXPECT_EQ(device->createBuffer(100, adpcm, &error), nullptr);
    EXPECT_EQ(error, AUDIO_BAD_FORMAT);
    EXPECT_EQ(device->setPrimaryFormat(odd), AUDIO_BAD_FORMAT);

    auto b = buffer(100);
    void *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    EXPECT_EQ(b->lock(100, 1, &p1, &n1, &p2, &n2), AUDIO_INVALID_PARAMS);
    EXPECT_EQ(b->lock(0, 101, &p1, &n1, &p2, &n2), AUDIO_INVALID_PARAMS);
    EXPECT_EQ(b->lock(0, 0, &p1, &n1, &p2, &n2), AUDIO_INVALID_PARAMS);
    EXPECT_EQ(b->lock(0, 10, nullptr, &n1, &p2, &n2), AUDIO_INVALID_PARAMS);
    // A wrapping region needs somewhere to put its second part.
    EXPECT_EQ(b->lock(90, 20, &p1, &n1, nullptr, nullptr), AUDIO_INVALID_PARAMS);
    EXPECT_EQ(b->unlock(p1, 1, nullptr, 0), AUDIO_INVALID_CALL);
    EXPECT_EQ(b->setCurrentPosition(100), AUDIO_INVALID_PARAMS);
    EXPECT_EQ(b->setVolume(1), AUDIO_INVALID_PARAMS);
    EXPECT_EQ(b->setVolume(-10001), AUDIO_INVALID_PARAMS);
    EXPECT_EQ(b->setPan(10001), AUDIO_INVALID_PARAMS);
    EXPECT_EQ(b->setFrequency(99), AUDIO_INVALID_PARAMS);
    EXPECT_EQ(b->setFrequency(200001), AUDIO_INVALID_PARAMS);
    EXPECT_EQ(b->getVolume(nullptr), AUDIO_INVALID_PARAMS);
    int volume = 1;
    ASSERT_EQ(b->getVolume(&volume), AUDIO_OK);
    EXPECT_EQ(volume, 0);
}

// The mixer alone, as a backend's audio thread pulls from it.
class MixerTest : public ::testing::Test {
protected:
    std::unique_ptr<SoundBuffer> constant(int16_t value, int volume, int pan)
    {
        int error = -1;
        std::unique_ptr<SoundBuffer> b = mixer.createBuffer(2000, MONO16, &error);
        EXPECT_EQ(error, AUDIO_OK);
        fillConstant(*b, value);
        EXPECT_EQ(b->setVolume(volume), AUDIO_OK);
        EXPECT_EQ(b->setPan(pan), AUDIO_OK);
        EXPECT_EQ(b->play(true), AUDIO_OK);
        return b;
    }
    static double gain(int hundredthsDb) { return std::pow(10.0, hundredthsDb / 2000.0); }

    Mixer mixer;
};

TEST_F(MixerTest, TwoBuffersAtDifferentVolumesAndPans)
{
    mixer.setOutputRate(22050);
    // A at -6 dB in the middle; B at full volume, panned right by 20 dB.
    auto a = constant(10000, -600, 0);
    auto b = constant(8000, 0, 2000);
    int16_t out[2 * 64];
    mixer.mix(out, 64);
    const double left = 10000 * gain(-600) + 8000 * gain(-2000);
    const double right = 10000 * gain(-600) + 8000;
    for (int i = 0; i < 64; ++i) {
        EXPECT_NEAR(out[2 * i], left, 2.0) << i;
        EXPECT_NEAR(out[2 * i + 1], right, 2.0) << i;
    }
    // Fully to one side silences the other; -10000 silences the buffer.
    ASSERT_EQ(b->setPan(-10000), AUDIO_OK);
    ASSERT_EQ(a->setVolume(-10000), AUDIO_OK);
    mixer.mix(out, 4);
    EXPECT_EQ(out[0], 8000);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(mixer.playingCount(), 2);
}

TEST_F(MixerTest, FullScaleClipsInsteadOfWrapping)
{
    auto a = constant(30000, 0, 0);
    auto b = constant(30000, 0, 0);
    int16_t out[8];
    mixer.mix(out, 4);
    for (int16_t s : out)
        EXPECT_EQ(s, 32767);
    fillConstant(*a, -30000);
    fillConstant(*b, -30000);
    mixer.mix(out, 4);
    for (int16_t s : out)
        EXPECT_EQ(s, -32768);
}

TEST_F(MixerTest, EightBitStereoAndResampling)
{
    int error = -1;
    auto b = mixer.createBuffer(8, WaveFormat::pcm(2, 11025, 8), &error);
    ASSERT_NE(b, nullptr);
    void *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    ASSERT_EQ(b->lock(0, 0, &p1, &n1, &p2, &n2, true), AUDIO_OK);
    // Silence is 0x80; frames (left, right): (0x80, 0x90), (0xA0, 0x80), ...
    const uint8_t bytes[8] = {0x80, 0x90, 0xA0, 0x80, 0x80, 0x80, 0x80, 0x80};
    std::memcpy(p1, bytes, 8);
    ASSERT_EQ(b->unlock(p1, 8, p2, 0), AUDIO_OK);
    ASSERT_EQ(b->play(false), AUDIO_OK);
    mixer.setOutputRate(22050);
    int16_t out[2 * 10] = {};
    mixer.mix(out, 10);
    // Half steps: frame 0, then halfway to frame 1, then frame 1.
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0x10 << 8);
    EXPECT_EQ(out[2], 0x10 << 8);
    EXPECT_EQ(out[3], 0x08 << 8);
    EXPECT_EQ(out[4], 0x20 << 8);
    EXPECT_EQ(out[5], 0);
    // Four frames at half speed: eight output frames, then silence.
    EXPECT_EQ(out[16], 0);
    EXPECT_EQ(b->status(), 0u);
    mixer.mix(nullptr, 5);
    mixer.mix(out, -1);
}

TEST_F(MixerTest, ABufferMayOutliveItsMixer)
{
    std::unique_ptr<Mixer> own(new Mixer);
    int error = -1;
    auto b = own->createBuffer(100, MONO16, &error);
    ASSERT_NE(b, nullptr);
    own.reset();
    EXPECT_EQ(b->play(true), AUDIO_OK);
    EXPECT_EQ(b->status(), uint32_t(SOUND_PLAYING | SOUND_LOOPING));
}

} // namespace
