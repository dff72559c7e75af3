// Format tag 2 goes through the outside decoder (libsndfile, loaded by the
// engine at run time). The test makes its ADPCM file with the same library.
#include "MediaSupport.h"
#include "media/Sound4.h"
#include "media/SoundCodec.h"

#include <cmath>

#ifdef QUARNEL_HAVE_SNDFILE
#include <sndfile.h>
#endif

using namespace mediatest;

namespace {

class CSoundCodecTest : public MediaFixture {
protected:
    void TearDown() override
    {
        CSoundCodec_ADPCM::done();
        MediaFixture::TearDown();
    }
};

TEST_F(CSoundCodecTest, AStereoAdpcmFileIsDecodedTo16BitPcm)
{
#ifndef QUARNEL_HAVE_SNDFILE
    GTEST_SKIP() << "libsndfile (Debian libsndfile1-dev) is missing: no ADPCM file can be made";
#else
    if (!CSoundCodec_ADPCM::initialize(window.get()))
        GTEST_SKIP() << "the engine cannot load " << CSoundCodec_ADPCM::LIBRARY_NAME;
    const int frames = 4410;
    std::string path = tmp.file("adpcm.wav");
    SF_INFO info = {};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM;
    SNDFILE* out = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(out, nullptr) << sf_strerror(nullptr);
    std::vector<short> wave(size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        wave[size_t(i) * 2] = short(8000 * std::sin(i * 0.05));
        wave[size_t(i) * 2 + 1] = short(-8000 * std::sin(i * 0.05));
    }
    ASSERT_EQ(sf_writef_short(out, wave.data(), frames), frames);
    sf_close(out);
    std::string bytes = tmp.read("adpcm.wav");
    ASSERT_GT(bytes.size(), 22u);
    ASSERT_EQ(bytes[20], 2); // the format tag
    // ADPCM fills its last block: the decoder counts the frames of whole blocks.
    SF_INFO stored = {};
    SNDFILE* in = sf_open(path.c_str(), SFM_READ, &stored);
    ASSERT_NE(in, nullptr);
    sf_close(in);
    ASSERT_GE(stored.frames, frames);

    CSound4 sound(window.get(), platform::toEnginePath(path).c_str(), false, true);
    ASSERT_TRUE(sound.isLoaded());
    platform::WaveFormat f = sound.getBuffer()->format();
    EXPECT_EQ(f.formatTag, 1);
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.samplesPerSec, 44100u);
    EXPECT_EQ(f.blockAlign, 4);
    EXPECT_EQ(f.avgBytesPerSec, 176400u);
    EXPECT_EQ(f.bitsPerSample, 16);
    EXPECT_EQ(sound.getBuffer()->size(), uint32_t(stored.frames) * 4);

    // The decoded wave follows the one written (ADPCM is lossy).
    void* p = nullptr;
    uint32_t n = 0;
    ASSERT_EQ(sound.getBuffer()->lock(0, 0, &p, &n, nullptr, nullptr, true), platform::AUDIO_OK);
    const short* decoded = static_cast<const short*>(p);
    int close = 0;
    for (int i = 0; i < frames * 2; ++i)
        close += std::abs(decoded[i] - wave[size_t(i)]) < 800 ? 1 : 0;
    sound.getBuffer()->unlock(p, 0, nullptr, 0);
    EXPECT_GT(close, frames * 2 * 95 / 100);
#endif
}

} // namespace
