// Sound effects on the headless backend: which WAV files load, what reaches
// the device's stream, and the sound manager's reports in the window's
// frames under the manual clock.
#include "MediaSupport.h"
#include "media/Sound4.h"
#include "media/SoundCodec.h"
#include "media/SoundManager.h"
#include "script/Element.h"

#include <algorithm>

using namespace mediatest;

namespace {

class CSound4Test : public MediaFixture {
protected:
    // A sound of the file, loaded at once.
    std::unique_ptr<CSound4> sound(const std::string& name, const std::string& bytes, bool flush = false)
    {
        return std::unique_ptr<CSound4>(new CSound4(window.get(), write(name, bytes).c_str(), flush, true));
    }
    // The bytes a loaded sound's buffer holds.
    static std::string bytesOf(CSound4& s)
    {
        platform::SoundBuffer* b = s.getBuffer();
        if (!b)
            return std::string();
        void* p = nullptr;
        uint32_t n = 0;
        b->lock(0, 0, &p, &n, nullptr, nullptr, true);
        std::string out(static_cast<char*>(p), n);
        b->unlock(p, 0, nullptr, 0);
        return out;
    }
};

TEST_F(CSound4Test, WhichWavFilesLoad)
{
    const std::string data = samples16(ramp(101));
    const std::string fmt = chunk("fmt ", fmtBody(1, 1, 22050, 16));
    std::string pastEnd = riff(chunk("junk", "abcd"));
    pastEnd[19] = char(0x7F); // the junk chunk claims about 2 GB
    std::string cutData = riff(fmt + chunk("data", data + data));
    cutData.resize(cutData.size() - data.size());
    struct Case {
        const char* what;
        std::string bytes;
        std::string loaded; // the buffer's bytes; empty when nothing loads
    } cases[] = {
        {"plain", riff(fmt + chunk("data", data)), data},
        // An odd chunk before the format is padded; the chunk after the
        // data is not sound.
        {"odd chunk and a trailing LIST", riff(chunk("junk", "abc") + fmt + chunk("data", data) + chunk("LIST", "INFOxx")),
         data},
        {"data size past the end", cutData, data},
        {"a longer format chunk", riff(chunk("fmt ", fmtBody(1, 1, 22050, 16) + "\x00\x00\x07\x07") + chunk("data", data)),
         data},
        {"short", std::string("RIFF\x04\x00\x00", 7), ""},
        {"header only", riff(""), ""},
        {"not RIFF", "RIFX" + riff(fmt + chunk("data", data)).substr(4), ""},
        {"chunk size past the end", pastEnd + fmt + chunk("data", data), ""},
        {"no data", riff(fmt), ""},
        {"format chunk too short", riff(chunk("fmt ", fmtBody(1, 1, 22050, 16).substr(0, 12)) + chunk("data", data)), ""},
        {"unknown format tag", riff(chunk("fmt ", fmtBody(3, 1, 22050, 16)) + chunk("data", data)), ""},
        {"zero channels", riff(chunk("fmt ", fmtBody(1, 0, 22050, 16)) + chunk("data", data)), ""},
        {"24-bit samples", riff(chunk("fmt ", fmtBody(1, 1, 22050, 24)) + chunk("data", data)), ""},
    };
    for (const Case& c : cases) {
        testsupport::DebugCapture debug;
        std::unique_ptr<CSound4> s = sound("s.wav", c.bytes);
        EXPECT_EQ(bytesOf(*s), c.loaded) << c.what;
        EXPECT_EQ(s->isLoaded(), !c.loaded.empty()) << c.what;
        // A file that does not load says so, and plays nothing.
        EXPECT_EQ(debug.lines.size(), c.loaded.empty() ? 1u : 0u) << c.what;
        Reports reports;
        s->addNotifier(&reports);
        s->play();
        EXPECT_EQ(reports.codes, c.loaded.empty() ? std::vector<int>{} : std::vector<int>{1}) << c.what;
    }
}

// A WAV the engine does not play is named with what it holds and what is
// played, on standard error.
TEST_F(CSound4Test, RefusedFormatsAreNamedByWhatTheFileHolds)
{
    // The extensible format: 16 bytes, then 22 more: valid bits, channel
    // mask and a GUID whose first word is the sub-format's tag.
    auto extensible = [](int channels, int bits, int validBits, int subFormat) {
        std::string b = fmtBody(0xFFFE, channels, 48000, bits);
        put16(b, 22);
        put16(b, uint32_t(validBits));
        put32(b, 3);
        put16(b, uint32_t(subFormat));
        b += std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
        return riff(chunk("fmt ", b) + chunk("data", std::string(48, '\0')));
    };
    auto plain = [](int tag, int channels, int bits) {
        return riff(chunk("fmt ", fmtBody(tag, channels, 22050, bits)) + chunk("data", std::string(48, '\0')));
    };
    const struct {
        std::string bytes;
        const char* holds;
    } cases[] = {
        {plain(0x11, 1, 4), "IMA ADPCM (format 0x11)"},
        {plain(1, 1, 24), "24-bit PCM"},
        {plain(3, 2, 32), "32-bit floating-point PCM (format 0x03)"},
        {plain(1, 6, 16), "16-bit PCM, 6 channels"},
        {extensible(2, 32, 24, 1), "24-bit PCM (extensible format)"},
        {extensible(2, 16, 16, 0x1234), "an unknown coding (extensible format, sub-format 0x1234)"},
        {plain(0x2000, 2, 16), "an unknown coding (format 0x2000)"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string name = "refused" + std::to_string(n++) + ".wav";
        ::testing::internal::CaptureStderr();
        std::unique_ptr<CSound4> s = sound(name, c.bytes);
        const std::string told = ::testing::internal::GetCapturedStderr();
        EXPECT_FALSE(s->isLoaded()) << c.holds;
        EXPECT_EQ(told, "Quarnel: sound \"" + platform::toEnginePath(tmp.file(name)) +
                            "\" cannot be played: it holds " + c.holds +
                            "; only 8- and 16-bit PCM and Microsoft ADPCM, mono or stereo, are played: " +
                            tmp.file(name) + "\n");
    }
}

TEST_F(CSound4Test, SpxNamesNeverLoadButLowerCaseOnesAreWavFiles)
{
    std::string bytes = pcmWav(ramp(50));
    EXPECT_FALSE(sound("a.SPX", bytes)->isLoaded());
    EXPECT_TRUE(sound("b.spx", bytes)->isLoaded());
    EXPECT_EQ(CSoundCodec::getCodec(0), nullptr);
    EXPECT_EQ(CSoundCodec::getCodec(3), nullptr);
    EXPECT_EQ(CSoundCodec::getCodec(-1), nullptr);
}

TEST_F(CSound4Test, APlayedSoundIsMixedIntoTheDeviceStream)
{
    std::vector<int16_t> samples = ramp(2205); // 100 ms
    std::unique_ptr<CSound4> s = sound("s.wav", pcmWav(samples));
    headless.captureAudio(true);
    s->play();
    clockNow.advance(150);
    std::vector<int16_t> mixed = headless.takeCapturedAudio();
    ASSERT_EQ(mixed.size(), 2u * 3307);
    std::vector<int16_t> expected = samples;
    expected.resize(3307, 0);
    EXPECT_EQ(left(mixed), expected);
    // Mono reaches both sides alike.
    for (size_t i = 0; i < mixed.size(); i += 2)
        ASSERT_EQ(mixed[i], mixed[i + 1]) << i;
}

// Volume in hundredths of a decibel, pan from -10000 to 10000 and the
// frequency in samples a second, as a script passes them on.
TEST_F(CSound4Test, VolumePanAndFrequencyReachTheMixer)
{
    std::vector<int16_t> samples(2205, 10000);
    struct Case {
        int volume, pan, frequency;
        int16_t left, right;
        size_t sounding; // output frames that carry the sound
    } cases[] = {
        {0, 0, 0, 10000, 10000, 2205},
        {-10000, 0, 0, 0, 0, 0},
        {-2000, 0, 0, 1000, 1000, 2205},
        {0, 10000, 0, 0, 10000, 2205},
        {0, -2000, 0, 10000, 1000, 2205},
        {0, 0, 44100, 10000, 10000, 1103},
    };
    std::unique_ptr<CSound4> s = sound("s.wav", pcmWav(samples));
    headless.captureAudio(true);
    for (const Case& c : cases) {
        s->setVolume(c.volume);
        s->setPanning(c.pan);
        s->setFrequency(c.frequency);
        EXPECT_EQ(s->getVolume(), c.volume);
        s->play();
        clockNow.advance(200);
        std::vector<int16_t> mixed = headless.takeCapturedAudio();
        size_t sounding = 0;
        for (size_t i = 0; i + 1 < mixed.size(); i += 2)
            if (mixed[i] || mixed[i + 1]) {
                ++sounding;
                ASSERT_NEAR(mixed[i], c.left, 1) << c.volume << " " << c.pan;
                ASSERT_NEAR(mixed[i + 1], c.right, 1) << c.volume << " " << c.pan;
            }
        EXPECT_EQ(sounding, c.sounding) << c.volume << " " << c.pan << " " << c.frequency;
    }
    // Values the buffer refuses change nothing there, and are kept all the same.
    s->setVolume(-20000);
    EXPECT_EQ(s->getVolume(), -20000);
    int v = 1;
    s->getBuffer()->getVolume(&v);
    EXPECT_EQ(v, 0);
}

// The manager looks at the sounds in the window's frame after the timers:
// the finish is reported in the first frame at or after the sound's end.
TEST_F(CSound4Test, FinishAndResumeAreReportedInOrderUnderTheClock)
{
    std::unique_ptr<CSound4> s = sound("s.wav", pcmWav(ramp(2205))); // 100 ms
    Reports reports;
    s->addNotifier(&reports);
    s->play();
    frames(6); // 96 ms
    EXPECT_EQ(reports.codes, (std::vector<int>{1}));
    frames(1); // 112 ms
    EXPECT_EQ(reports.codes, (std::vector<int>{1, 3}));
    EXPECT_EQ(reports.ticks.back(), 1112u);

    // Paused at 32 ms: no report while paused, however long; resumed, it
    // plays its last 68 ms.
    s->play();
    frames(2);
    s->pause();
    EXPECT_TRUE(s->isPaused());
    frames(20);
    s->resume();
    frames(4); // 64 ms
    EXPECT_EQ(reports.codes, (std::vector<int>{1, 3, 1, 4}));
    frames(1);
    EXPECT_EQ(reports.codes, (std::vector<int>{1, 3, 1, 4, 3}));

    // Stopped without a report, and with one at the next frame.
    s->play();
    s->stop(false);
    frames(2);
    s->play();
    frames(1);
    s->stop(true);
    EXPECT_EQ(reports.codes, (std::vector<int>{1, 3, 1, 4, 3, 1, 1}));
    frames(1);
    EXPECT_EQ(reports.codes, (std::vector<int>{1, 3, 1, 4, 3, 1, 1, 3}));

    // Looping through Play(true) is never reported finished.
    s->Play(true);
    frames(40);
    EXPECT_TRUE(s->IsPlaying());
    EXPECT_EQ(reports.codes.size(), 9u);
}

TEST_F(CSound4Test, APausedSoundResumesWhereItStopped)
{
    std::vector<int16_t> samples = ramp(2205);
    std::unique_ptr<CSound4> s = sound("s.wav", pcmWav(samples));
    headless.captureAudio(true);
    s->play();
    clockNow.advance(40); // 882 frames
    s->pause();
    clockNow.advance(40);
    s->resume();
    clockNow.advance(100);
    std::vector<int16_t> heard = left(headless.takeCapturedAudio());
    heard.erase(std::remove(heard.begin(), heard.end(), 0), heard.end());
    EXPECT_EQ(heard, samples);
}

TEST_F(CSound4Test, AFlushedSoundIsReadAgainOnItsNextPlay)
{
    std::string name = write("s.wav", pcmWav(ramp(441, 1)));
    CSound4 s(window.get(), name.c_str(), true, false);
    EXPECT_FALSE(s.isLoaded());
    s.play();
    frames(3);
    EXPECT_FALSE(s.isLoaded());
    write("s.wav", pcmWav(ramp(441, 2)));
    headless.captureAudio(true);
    s.play();
    frames(3);
    std::vector<int16_t> heard = left(headless.takeCapturedAudio());
    heard.resize(441);
    EXPECT_EQ(heard, ramp(441, 2));
}

// A sound deleted by an observer of another sound's finish is not looked
// at again; one whose observer plays it again plays on.
TEST_F(CSound4Test, ObserversMayDeleteOrReplaySoundsWhileTheManagerReports)
{
    std::unique_ptr<CSound4> a = sound("a.wav", pcmWav(ramp(441)));
    CSound4* b = sound("b.wav", pcmWav(ramp(441))).release();
    struct Deleter : CPlayableObserver {
        CSound4* victim;
        bool onPlayableFinished(CPlayable* p) override
        {
            delete victim;
            victim = nullptr;
            static_cast<CSound4*>(p)->play();
            return false;
        }
    } deleter;
    deleter.victim = b;
    a->addNotifier(&deleter);
    a->play();
    b->play();
    frames(2);
    EXPECT_EQ(deleter.victim, nullptr);
    EXPECT_TRUE(a->IsPlaying());
    CSoundManager* manager = application->getSoundManagerIfc();
    EXPECT_EQ(manager->getCount(), 1);
}

TEST_F(CSound4Test, TheManagerPausesAndResumesWhatPlays)
{
    std::unique_ptr<CSound4> a = sound("a.wav", pcmWav(ramp(2205)));
    std::unique_ptr<CSound4> b = sound("b.wav", pcmWav(ramp(2205)));
    Reports reports;
    a->addNotifier(&reports);
    b->addNotifier(&reports);
    a->play();
    CSoundManager* manager = application->getSoundManagerIfc();
    manager->pause();
    EXPECT_TRUE(a->isPaused());
    EXPECT_FALSE(b->isPaused());
    manager->resume();
    EXPECT_EQ(reports.codes, (std::vector<int>{1, 4}));
}

// A definition names its file in the sound-effects folder; such a sound is
// not registered with the manager, so its finish is never reported.
TEST_F(CSound4Test, ASoundFromADefinition)
{
    tmp.write("Wavs/d.wav", pcmWav(ramp(441)));
    CXString folder(platform::toEnginePath(tmp.file("Wavs")).c_str());
    window->SetSoundFXPath(folder);
    CMElement e("D");
    e.addProperty("FILENAME", "d.wav");
    e.addProperty("PRELOAD", "TRUE");
    e.addProperty("LOOP", "TRUE");
    e.addProperty("FLUSHAFTERPLAYED", "TRUE");
    CSound4 s(window.get(), &e);
    EXPECT_EQ(s.getFileName(), folder + "\\d.wav");
    EXPECT_TRUE(s.isLoaded());
    EXPECT_TRUE(s.getLoop());
    EXPECT_TRUE(s.getFlushAfterPlayed());
    EXPECT_EQ(s.getType(), 0);
    Reports reports;
    s.addNotifier(&reports);
    s.play();
    frames(5);
    EXPECT_FALSE(s.IsPlaying());
    EXPECT_EQ(reports.codes, (std::vector<int>{1}));
}

class CSound4DeviceTest : public MediaFixture {
protected:
    void SetUp() override {}
};

TEST_F(CSound4DeviceTest, WithoutADeviceNothingLoadsAndNothingIsReported)
{
    headless.setAudioAvailable(false);
    start();
    EXPECT_EQ(CSound4::getDirectSound(), nullptr);
    CSound4 s(window.get(), write("s.wav", pcmWav(ramp(100))).c_str(), false, true);
    Reports reports;
    s.addNotifier(&reports);
    s.play();
    EXPECT_FALSE(s.isLoaded());
    EXPECT_TRUE(reports.codes.empty());
    EXPECT_EQ(window->LastError(), 0);
}

TEST_F(CSound4DeviceTest, APrimaryFormatTheDeviceRefusesGivesTheWindowItsError)
{
    headless.refusePrimaryFormat(true);
    start();
    CSound4 s(window.get(), CXString("none.wav"), false, false);
    EXPECT_EQ(window->LastError(), CWindow::ERROR_SOUND_DEVICE);
    EXPECT_EQ(CSound4::CreatePrimarySoundBuffer(window.get()), nullptr);
    // The next sound tries again.
    headless.refusePrimaryFormat(false);
    platform::AudioDevice* device = CSound4::CreatePrimarySoundBuffer(window.get());
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->primaryFormat().samplesPerSec, 22050u);
    EXPECT_EQ(device->primaryFormat().channels, 1);
    EXPECT_EQ(CSound4::CreatePrimarySoundBuffer(window.get()), device);
}

} // namespace
