// The window's music, and a scene's music played by the host: its MUSIC
// starts on the scene's first frame, plays on into a scene with the same
// music, and each pass through the file raises "ONMUSICLOOPED".
#include "MediaSupport.h"
#include "base/Config.h"
#include "base/WindowPaths.h"
#include "graphics/WindowSound.h"
#include "host/Host.h"
#include "media/MusicPlayer.h"
#include "media/SndStream.h"

#include <cstdlib>

using namespace mediatest;

namespace {

class CWindowMusicTest : public MediaFixture {
protected:
    CSndStream* stream() { return static_cast<CMusicPlayer*>(window->getMusicPlayer())->getStream(); }
};

TEST_F(CWindowMusicTest, MusicPlaysOnWhenTheSameFileIsAskedForInAnyCase)
{
    write("music.wav", pcmWav(ramp(33075)));
    window->StartMusic("music.wav", true);
    ASSERT_TRUE(window->isMusicPlaying());
    CSndStream* first = stream();
    EXPECT_EQ(window->getMusicPlayer()->getFileName(), CWindowPaths::getRootPath() + "music.wav");
    frames(10);
    window->StartMusic("MUSIC.WAV", true);
    EXPECT_EQ(stream(), first);

    // With sound or music off nothing starts, and what plays goes on.
    window->MusicOn(false);
    window->StartMusic("other.wav", true);
    EXPECT_EQ(stream(), first);
    window->MusicOn(true);
    window->SoundOn(false);
    window->StartMusic("other.wav", true);
    EXPECT_EQ(stream(), first);
    window->SoundOn(true);

    // Another name replaces it, even one that cannot be played.
    window->StartMusic("other.wav", true);
    EXPECT_NE(stream(), nullptr);
    EXPECT_FALSE(window->isMusicPlaying());
    window->StartMusic("music.wav", false);
    EXPECT_TRUE(window->isMusicPlaying());
    window->StopMusic();
    EXPECT_FALSE(window->isMusicPlaying());
    EXPECT_EQ(stream(), nullptr);
}

TEST_F(CWindowMusicTest, VolumePanAndFrequencyReachTheStream)
{
    // Without music the setters do nothing and the volume reads as silence.
    window->setMusicVolume(-500);
    window->setMusicPan(300);
    window->setMusicFreq(11025);
    EXPECT_EQ(window->getMusicVolume(), -10000);

    write("music.wav", pcmWav(ramp(33075)));
    window->StartMusic("music.wav", true);
    EXPECT_EQ(window->getMusicVolume(), 0);
    window->setMusicVolume(-500);
    window->setMusicPan(300);
    window->setMusicFreq(11025);
    EXPECT_EQ(window->getMusicVolume(), -500);
    int pan = 0;
    uint32_t frequency = 0;
    stream()->getBuffer()->getPan(&pan);
    stream()->getBuffer()->getFrequency(&frequency);
    EXPECT_EQ(pan, 300);
    EXPECT_EQ(frequency, 11025u);
}

TEST(MusicTitleTest, ASceneMusicLoopsAndPlaysOnIntoTheNextScene)
{
    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
    auto file = [&tmp](const char* name, const char* text) {
        std::string bytes;
        for (const char* c = text; *c; ++c)
            bytes += *c == '\n' ? std::string("\r\n") : std::string(1, *c);
        tmp.write(name, bytes);
    };
    file("Rara/application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E\n"
                                 "OBJECT=E\nE:TYPE=EPISODE\nE:SCENES=S,T\n"
                                 "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\nS:MUSIC=music.wav\n"
                                 "OBJECT=T\nT:TYPE=SCENE\nT:PATH=\\T\nT:MUSIC=music.wav\n");
    file("Rara/GAME.cnv", "OBJECT=TRACE\nTRACE:TYPE=STRING\nTRACE:TOINI=TRUE\n");
    file("Rara/S/S.cnv", "OBJECT=ENTER\nENTER:TYPE=BEHAVIOUR\n"
                         "ENTER:CODE={TRACE^SET(SYSTEM^GETSYSTEMTIME());TRACE^ADD(\".\");}\n"
                         "OBJECT=HEARD\nHEARD:TYPE=BEHAVIOUR\n"
                         "HEARD:CODE={TRACE^ADD(SYSTEM^GETSYSTEMTIME());TRACE^ADD(\".\");E^NEXT();}\n"
                         "OBJECT=S\nS:ONINIT=ENTER\nS:ONMUSICLOOPED=HEARD\n");
    file("Rara/T/T.cnv", "OBJECT=HEARD\nHEARD:TYPE=BEHAVIOUR\n"
                         "HEARD:CODE={TRACE^ADD(SYSTEM^GETSYSTEMTIME());GAME^EXIT();}\n"
                         "OBJECT=T\nT:ONMUSICLOOPED=HEARD\n");
    tmp.write("music.wav", pcmWav(ramp(33075))); // 1.5 s

    ASSERT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(tmp.path())));
    CXString message;
    ASSERT_EQ(quarnel::runHost("-nogfx -frames 1000", &message), quarnel::EXIT_ENDED) << message.c_str();
    CConfig settings(CXString(platform::toEnginePath(tmp.file("Quarnel.ini")).c_str()));
    std::string trace = settings.GetString("GAME", "TRACE").c_str();
    // Entered, heard the first loop, heard the second in the next scene.
    int entered = 0, first = 0, second = 0;
    ASSERT_EQ(std::sscanf(trace.c_str(), "%d.%d.%d", &entered, &first, &second), 3) << trace;
    // The music starts on the scene's first frame; the buffer holds its
    // first 1.2 seconds, so the refill wraps the file 0.3 s later, and then
    // every 1.5 s (a refill is 50 ms, a frame 16 ms).
    EXPECT_GE(first - entered, 300) << trace;
    EXPECT_LE(first - entered, 300 + 50 + 2 * 16) << trace;
    EXPECT_GE(second - first, 1500 - 50 - 16) << trace;
    EXPECT_LE(second - first, 1500 + 50 + 16) << trace;
}

} // namespace
