// Streams on the headless backend: the buffer of 1.2 seconds, its refill by
// the 50 ms timer as the manual clock moves, the end of a stream, and the
// main thread waiting for a refill in progress.
#include "MediaSupport.h"
#include "base/BigFile.h"
#include "media/SndStream.h"
#include "media/Sound4.h"
#include "platform/Debug.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

using namespace mediatest;

namespace {

class CSndStreamTest : public MediaFixture {
protected:
    // A mono 22050 Hz file of n samples, with a "LIST" chunk after its data.
    std::string music(int n)
    {
        samples = ramp(n);
        return write("music.wav", riff(chunk("fmt ", fmtBody(1, 1, 22050, 16)) + chunk("data", samples16(samples)) +
                                       chunk("LIST", std::string(600, '\x55'))));
    }
    std::vector<int16_t> repeated(size_t n)
    {
        std::vector<int16_t> out(n);
        for (size_t i = 0; i < n; ++i)
            out[i] = samples[i % samples.size()];
        return out;
    }
    void playFor(uint32_t ms)
    {
        for (uint32_t t = 0; t < ms; t += 16)
            clockNow.advance(16);
    }

    std::vector<int16_t> samples;
};

TEST_F(CSndStreamTest, AShortFileFillsTheWholeBufferOfOnePointTwoSeconds)
{
    CSndStream stream(window.get(), music(11025).c_str());
    ASSERT_EQ(stream.LastError(), 0);
    EXPECT_EQ(stream.GetBufferSize(), 52920);
    platform::SoundBuffer* buffer = stream.getBuffer();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->size(), 52920u);
    void* p = nullptr;
    uint32_t n = 0;
    ASSERT_EQ(buffer->lock(0, 0, &p, &n, nullptr, nullptr, true), platform::AUDIO_OK);
    std::vector<int16_t> held(n / 2);
    std::memcpy(held.data(), p, n);
    buffer->unlock(p, 0, nullptr, 0);
    EXPECT_EQ(held, repeated(26460));
}

TEST_F(CSndStreamTest, ALoopingStreamRefillsWithoutGaps)
{
    CSndStream stream(window.get(), music(33075).c_str()); // 1.5 s
    headless.captureAudio(true);
    stream.Play(true);
    playFor(4000);
    EXPECT_TRUE(stream.IsPlaying());
    EXPECT_EQ(left(headless.takeCapturedAudio()), repeated(88200));

    // A lost buffer is restored by the next refill and plays on.
    headless.loseSoundBuffers();
    playFor(1000);
    std::vector<int16_t> after = left(headless.takeCapturedAudio());
    ASSERT_GT(after.size(), 4410u);
    EXPECT_TRUE(stream.IsPlaying());
    EXPECT_NE(std::count(after.end() - 4410, after.end(), 0), 4410);
}

// Silence past the end is 0 for 16-bit samples and 0x80 for 8-bit ones.
TEST_F(CSndStreamTest, AStreamThatDoesNotLoopEndsInSilence)
{
    for (int bits : {16, 8}) {
        std::string name = music(33075);
        std::vector<int16_t> expected = samples;
        if (bits == 8) {
            std::string bytes;
            for (int16_t& v : expected) {
                uint8_t b = uint8_t(v & 0xFF);
                bytes += char(b);
                v = int16_t((b - 128) * 256);
            }
            name = write("music8.wav", riff(chunk("fmt ", fmtBody(1, 1, 22050, 8)) + chunk("data", bytes)));
        }
        CSndStream stream(window.get(), name.c_str());
        headless.takeCapturedAudio();
        headless.captureAudio(true);
        stream.Play(false);
        playFor(1008);
        EXPECT_TRUE(stream.IsPlaying());
        playFor(2000);
        EXPECT_FALSE(stream.IsPlaying());
        stream.Stop();
        headless.captureAudio(false);
        std::vector<int16_t> heard = left(headless.takeCapturedAudio());
        expected.resize(heard.size(), 0);
        size_t first = 0;
        while (first < heard.size() && heard[first] == expected[first])
            ++first;
        EXPECT_EQ(first, heard.size()) << bits << " bits, from " << first;
    }
}

// At 11113 Hz, 1.2 seconds are 26671.2 bytes: the buffer holds whole
// frames, so the stream sounds as the whole file played as an effect does.
TEST_F(CSndStreamTest, ABufferOfAnUnusualRateHoldsWholeFrames)
{
    std::string name = write("odd.wav", pcmWav(ramp(30000), 1, 11113));
    CSndStream stream(window.get(), name.c_str());
    EXPECT_EQ(stream.GetBufferSize(), 26670);
    headless.captureAudio(true);
    stream.Play(false);
    playFor(2400);
    stream.Stop();
    std::vector<int16_t> streamed = headless.takeCapturedAudio();
    CSound4 effect(window.get(), name.c_str(), false, true);
    effect.play();
    playFor(2400);
    EXPECT_EQ(headless.takeCapturedAudio(), streamed);
}

// A file found only in the archive is read through a handle of the
// stream's own: the refills never move the archive's shared file.
TEST_F(CSndStreamTest, AnArchiveEntryIsStreamedUpToItsDataChunksEnd)
{
    music(33075);
    std::string bytes = tmp.read("music.wav");
    tmp.write("src/music.wav", bytes);
    tmp.write("src/after.bin", std::string(5000, '\x77'));
    std::remove(tmp.file("music.wav").c_str());
    CBigFile writer(false, "");
    ASSERT_TRUE(writer.Create(platform::toEnginePath(tmp.file("data.bf")).c_str(),
                              platform::toEnginePath(tmp.file("src")).c_str(), ""));
    CFile::openBigFile(platform::toEnginePath(tmp.file("data.bf")).c_str());
    ASSERT_NE(CFile::getBigFileHandle(), nullptr);

    CSndStream stream(window.get(), CXString("music.wav"));
    ASSERT_EQ(stream.LastError(), 0);
    ASSERT_NE(stream.getBuffer(), nullptr);
    int shared = CFile::getBigFileHandle()->Tell();
    headless.captureAudio(true);
    stream.Play(true);
    playFor(4000);
    EXPECT_EQ(left(headless.takeCapturedAudio()), repeated(88200));
    EXPECT_EQ(CFile::getBigFileHandle()->Tell(), shared);
    stream.Stop();
    CFile::closeBigFile();
}

TEST_F(CSndStreamTest, FilesThatCannotBeStreamed)
{
    CSndStream missing(window.get(), CXString("missing.wav"));
    EXPECT_EQ(missing.LastError(), 2000);
    EXPECT_FALSE(missing.isOpened());

    // A frame sound in the sound-effects folder is named as the title
    // names it, with the path looked at there (not in the current folder).
    window->SetSoundFXPath(CXString(platform::toEnginePath(tmp.file("Wavs")).c_str()));
    ::testing::internal::CaptureStderr();
    CSndStream effect(window.get(), window->GetSoundFXFullPath(CXString("gone.wav")));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Quarnel: sound \"gone.wav\" not found: " + tmp.file("Wavs/gone.wav") + "\n");

    // Not a WAV file: opened without a buffer, it plays nothing.
    testsupport::DebugCapture debug;
    CSndStream broken(window.get(), write("broken.wav", "RIFF\x10\0\0\0WAVEfmt ").c_str());
    EXPECT_EQ(broken.LastError(), 0);
    EXPECT_EQ(broken.getBuffer(), nullptr);
    broken.Play(true);
    EXPECT_FALSE(broken.IsPlaying());
    EXPECT_EQ(broken.getVolume(), 0);
    EXPECT_EQ(debug.lines.size(), 1u);

    // Without a refill timer the buffer would repeat its first 1.2 seconds:
    // the stream does not start.
    CSndStream stream(window.get(), music(33075).c_str());
    {
        platform::ScopedPlatform none(nullptr);
        stream.Play(true);
    }
    EXPECT_FALSE(stream.IsPlaying());
    EXPECT_EQ(stream.getBuffer()->status() & platform::SOUND_PLAYING, 0u);
}

// The refill that cannot lock the buffer (the test holds it) reports that
// on the debugger output; the sink holds the refill there.
struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    bool inRefill = false;
    bool release = false;

    static void sink(const char* text, void* context)
    {
        Gate* g = static_cast<Gate*>(context);
        if (!std::strstr(text, "could not lock"))
            return;
        std::unique_lock<std::mutex> held(g->lock);
        g->inRefill = true;
        g->changed.notify_all();
        g->changed.wait(held, [g] { return g->release; });
    }
};

TEST_F(CSndStreamTest, CloseWaitsForARefillInProgress)
{
    CSndStream stream(window.get(), music(33075).c_str());
    stream.Play(true);
    playFor(80);
    platform::SoundBuffer* buffer = stream.getBuffer();
    void* p = nullptr;
    uint32_t n = 0;
    ASSERT_EQ(buffer->lock(0, 0, &p, &n, nullptr, nullptr, true), platform::AUDIO_OK);
    Gate gate;
    platform::setDebugSink(&Gate::sink, &gate);
    std::thread mover([this] { clockNow.advance(50); });
    {
        std::unique_lock<std::mutex> held(gate.lock);
        gate.changed.wait(held, [&gate] { return gate.inRefill; });
    }
    std::atomic<bool> closed{false};
    std::thread closer([&stream, &closed] {
        stream.Close();
        closed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_FALSE(closed);
    buffer->unlock(p, 0, nullptr, 0);
    {
        std::lock_guard<std::mutex> held(gate.lock);
        gate.release = true;
        gate.changed.notify_all();
    }
    closer.join();
    mover.join();
    platform::setDebugSink(nullptr, nullptr);
    EXPECT_TRUE(closed);
    EXPECT_FALSE(stream.isOpened());
    EXPECT_EQ(stream.getBuffer(), nullptr);
}

} // namespace
