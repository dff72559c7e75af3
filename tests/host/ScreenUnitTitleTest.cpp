// Titles played by the host that show what the scenes' screen unit does:
// a scene's BACKGROUND image (written by the engine's own writer) in the
// frames shown, its MUSIC kept, restarted or stopped from scene to scene
// and looked for in the folder the program starts in, the unit's cache
// under the application's, and a FONT object of font files compiled by the
// engine. The run is looked at between frames from the headless platform's
// event feed.
#include "HostTitle.h"
#include "base/ResourcesManager.h"
#include "graphics/ScreenSupport.h"
#include "media/MediaSupport.h"
#include "media/MusicPlayer.h"
#include "media/SndStream.h"
#include "ui/FontSupport.h"
#include "ui/Unit6.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using CUnit6Title = testsupport::HostTitle;

using testsupport::FeedInUse;

// The scene the unit is in now; "" before the first.
std::string unitScene()
{
    CUnit6* unit = CUnit6::getDefUnit();
    return unit && unit->isActive() ? unit->getUnitName().c_str() : "";
}

uint16_t backgroundPixel(int picture, int x, int y)
{
    return picture == 1 ? uint16_t((x * 31 / 800) << 11 | (y * 63 / 600) << 5) : uint16_t(x ^ y);
}

// An 800 x 600 picture written as an image file of that compression kind.
void writePicture(const std::string& name, int picture, _compression kind)
{
    auto p = screentest::drawable(nullptr, 800, 600, [picture](int x, int y) { return backgroundPixel(picture, x, y); });
    ASSERT_EQ(p->Save(CXString(platform::toEnginePath(name).c_str()), kind), 0) << name;
}

// Each scene's third frame, against what it should show.
struct Frames {
    std::map<std::string, int> seen;
    std::map<std::string, std::string> verdicts;
    static void feed(platform::HeadlessPlatform& platform, uint64_t, void* data)
    {
        Frames* f = static_cast<Frames*>(data);
        std::string scene = unitScene();
        if (scene.empty() || ++f->seen[scene] != 3)
            return;
        auto expected = [&scene](int x, int y) -> uint32_t {
            if (scene == "S")
                return backgroundPixel(1, x, y);
            if (scene == "T")
                return backgroundPixel(2, x, y);
            return 0x0020; // no picture: the screen's dark grey
        };
        ::testing::AssertionResult r = screentest::frameIs(platform.shownFrame(0), expected, "background_" + scene);
        f->verdicts[scene] = r ? "shown" : r.message();
    }
};

TEST_F(CUnit6Title, EachSceneShowsItsBackgroundPicture)
{
    title({{"Rara/application.def",
            "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E\nOBJECT=E\nE:TYPE=EPISODE\nE:SCENES=S,T,U\n"
            "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\nS:BACKGROUND=first.img\n"
            "OBJECT=T\nT:TYPE=SCENE\nT:PATH=\\T\nT:BACKGROUND=second.img\n"
            "OBJECT=U\nU:TYPE=SCENE\nU:PATH=\\U\n"},
           {"Rara/S/S.cnv", "OBJECT=ON\nON:TYPE=TIMER\nON:ELAPSE=200\nON:ONTICK={E^NEXT();}\n"},
           {"Rara/T/T.cnv", "OBJECT=ON\nON:TYPE=TIMER\nON:ELAPSE=200\nON:ONTICK={E^NEXT();}\n"},
           {"Rara/U/U.cnv", "OBJECT=ON\nON:TYPE=TIMER\nON:ELAPSE=200\nON:ONTICK={GAME^EXIT();}\n"}});
    writePicture(tmp.file("Rara/S/first.img"), 1, COMPRESSION_NONE);
    writePicture(tmp.file("Rara/T/second.img"), 2, COMPRESSION_LZO);
    Frames frames;
    FeedInUse feed(&Frames::feed, &frames);
    EXPECT_EQ(run("-nogfx -frames 200"), 0);
    EXPECT_EQ(frames.verdicts, (std::map<std::string, std::string>{{"S", "shown"}, {"T", "shown"}, {"U", "shown"}}));
}

// What the music player plays at each frame, by scene: the file, whether
// it plays, and how far its stream has come.
struct Music {
    struct Step {
        std::string scene, file;
        bool playing;
        int progress;
    };
    std::vector<Step> steps;
    std::string cache;
    static void feed(platform::HeadlessPlatform&, uint64_t, void* data)
    {
        Music* m = static_cast<Music*>(data);
        CWindow* w = CWindow::getWindow();
        CMusicPlayer* player = w ? static_cast<CMusicPlayer*>(w->getMusicPlayer()) : nullptr;
        std::string scene = unitScene();
        if (!player || scene.empty())
            return;
        CSndStream* stream = player->getStream();
        std::string file = player->getFileName().c_str();
        m->steps.push_back({scene, file.substr(file.find_last_of("\\/") + 1), player->isPlaying(),
                            stream ? stream->GetProgress() : 0});
        m->checkCache(w, scene);
    }
    // A resource in the unit's cache is found from the application's while
    // the scene lasts; the next scene's cache starts empty.
    void checkCache(CWindow* w, const std::string& scene)
    {
        CResourcesManager* general = w->GetApplicationInterface()->getGeneralResourcesManager();
        CResourcesManager* own = CUnit6::getDefUnit()->getResourcesManager();
        if (scene == "S" && cache.empty()) {
            CFileResolver* r = new CFileResolver;
            r->setFilename("shared.ann");
            own->add(r);
            cache = general->get("SHARED.ANN") == r ? "found" : "not found";
            own->remove(r);
        } else if (scene == "T" && cache == "found") {
            cache = general->get("shared.ann") ? "kept" : "gone";
        }
    }
    // The steps of a scene.
    std::vector<Step> in(const std::string& scene) const
    {
        std::vector<Step> out;
        for (const Step& s : steps)
            if (s.scene == scene)
                out.push_back(s);
        return out;
    }
};

TEST_F(CUnit6Title, MusicPlaysOnRestartsOrStopsFromSceneToScene)
{
    // S and T share a.wav; U plays b.wav and stops it before X, which has
    // b.wav too and so does not start it, until its STARTMUSIC forces it;
    // V has no music.
    std::string next = "OBJECT=ON\nON:TYPE=TIMER\nON:ELAPSE=300\nON:ONTICK={E^NEXT();}\n";
    title({{"Rara/application.def",
            "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E\nOBJECT=E\nE:TYPE=EPISODE\nE:SCENES=S,T,U,X,V\n"
            "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\nS:MUSIC=a.wav\n"
            "OBJECT=T\nT:TYPE=SCENE\nT:PATH=\\T\nT:MUSIC=a.wav\n"
            "OBJECT=U\nU:TYPE=SCENE\nU:PATH=\\U\nU:MUSIC=b.wav\n"
            "OBJECT=X\nX:TYPE=SCENE\nX:PATH=\\X\nX:MUSIC=b.wav\n"
            "OBJECT=V\nV:TYPE=SCENE\nV:PATH=\\V\n"},
           {"Rara/S/S.cnv", next},
           {"Rara/T/T.cnv", next},
           {"Rara/U/U.cnv", "OBJECT=ON\nON:TYPE=TIMER\nON:ELAPSE=300\nON:ONTICK={U^STOPMUSIC();E^NEXT();}\n"},
           {"Rara/X/X.cnv", "OBJECT=FORCE\nFORCE:TYPE=TIMER\nFORCE:ELAPSE=300\nFORCE:TICKS=1\n"
                            "FORCE:ONTICK={X^STARTMUSIC();}\n"
                            "OBJECT=ON\nON:TYPE=TIMER\nON:ELAPSE=600\nON:ONTICK={E^NEXT();}\n"},
           {"Rara/V/V.cnv", "OBJECT=ON\nON:TYPE=TIMER\nON:ELAPSE=300\nON:ONTICK={GAME^EXIT();}\n"}});
    tmp.write("a.wav", mediatest::pcmWav(mediatest::ramp(44100)));
    tmp.write("b.wav", mediatest::pcmWav(mediatest::ramp(44100, 2)));
    Music music;
    FeedInUse feed(&Music::feed, &music);
    EXPECT_EQ(run("-nogfx -frames 500"), 0);

    auto s = music.in("S"), t = music.in("T"), u = music.in("U"), x = music.in("X"), v = music.in("V");
    ASSERT_TRUE(s.size() > 2 && t.size() > 2 && u.size() > 2 && x.size() > 2 && v.size() > 2);
    // Playing from S's first frame on, on through T without a restart.
    EXPECT_EQ(s[1].file, "a.wav");
    EXPECT_TRUE(s[1].playing);
    for (const auto& step : t) {
        EXPECT_EQ(step.file, "a.wav");
        EXPECT_TRUE(step.playing);
    }
    EXPECT_GE(t.front().progress, s.back().progress);
    // Another file restarts.
    EXPECT_EQ(u[1].file, "b.wav");
    EXPECT_TRUE(u[1].playing);
    EXPECT_LT(u[1].progress, t.back().progress);
    // X, with the music U stopped, starts it only when forced.
    EXPECT_FALSE(x[1].playing);
    EXPECT_TRUE(x.back().playing);
    EXPECT_EQ(x.back().file, "b.wav");
    // V has none: the music stops and nothing starts.
    for (size_t i = 1; i < v.size(); ++i)
        EXPECT_FALSE(v[i].playing) << i;
    EXPECT_EQ(music.cache, "gone");
}

// Whether the music player played at some frame.
struct MusicHeard {
    bool heard = false;
    static void feed(platform::HeadlessPlatform&, uint64_t, void* data)
    {
        CWindow* w = CWindow::getWindow();
        CMusicPlayer* player = w ? static_cast<CMusicPlayer*>(w->getMusicPlayer()) : nullptr;
        if (player && player->isPlaying())
            static_cast<MusicHeard*>(data)->heard = true;
    }
};

// A title played with -path from another folder: its MUSIC is looked for
// in the folder the program starts in (where its settings are), and, for
// a name through one of the title's folders ("Wavs"), then in the title's.
// A music file that is not found is named as the title names it, with the
// path looked at.
TEST_F(CUnit6Title, MusicIsLookedForInTheFolderTheProgramStartsIn)
{
    const struct {
        const char* what;
        const char* music; // the scene's MUSIC
        const char* file;  // where the file is, below the start folder
        bool heard;
        const char* told; // after "Quarnel: ", the path looked at follows
    } cases[] = {
        {"in the start folder", "tune.wav", "tune.wav", true, ""},
        {"in the title's folder only", "tune.wav", "%T/tune.wav", false, "sound \"tune.wav\" not found: "},
        {"in the title's Wavs, named through it", "Wavs\\tune.wav", "%T/Wavs/tune.wav", true, ""},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = "title" + std::to_string(n++);
        std::string file = c.file;
        if (file.compare(0, 2, "%T") == 0)
            file.replace(0, 2, folder);
        title({{folder + "/Rara/application.def", oneScene() + "S:MUSIC=" + c.music + "\n"},
               {folder + "/Rara/S/S.cnv", "OBJECT=ON\nON:TYPE=TIMER\nON:ELAPSE=300\nON:ONTICK={GAME^EXIT();}\n"}});
        tmp.write(file, mediatest::pcmWav(mediatest::ramp(44100)));
        MusicHeard music;
        FeedInUse feed(&MusicHeard::feed, &music);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(run(("-nogfx -frames 500 -path " + tmp.file(folder)).c_str()), 0);
        const std::string told = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(music.heard, c.heard);
        EXPECT_EQ(told, *c.told ? "Quarnel: " + std::string(c.told) + tmp.file("tune.wav") + "\n" : "");
        std::remove(tmp.file(file).c_str());
    }
}

// A FONT of two font files compiled by the engine, drawn with nothing yet:
// its GETHEIGHT is its first font's.
TEST_F(CUnit6Title, AFontObjectMeasuresWithItsFirstFont)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", kept("H") + onInit("H^SET(F^GETHEIGHT());GAME^EXIT();") +
                                "OBJECT=F\nF:TYPE=FONT\nF:DEF_Arial_Standard_12=glyphs.fnt\n"
                                "F:DEF_Arial_Bold_12=nosuch.fnt\n"}});
    CSimpleFont6 font(nullptr);
    ASSERT_EQ(fonttest::compile(font, platform::toEnginePath(tmp.file("Rara/S/glyphs.fnt"))), 0);
    EXPECT_EQ(run("-nogfx -frames 50"), 0);
    EXPECT_EQ(setting("S", "H"), "5");

    // From the scene's snapshot: the fonts' files come with it.
    EXPECT_EQ(run("-nogfx -2bin"), 0);
    ASSERT_EQ(std::remove(tmp.file("Rara/S/S.cnv").c_str()), 0);
    tmp.write("Quarnel.ini", "");
    EXPECT_EQ(run("-nogfx -frames 50"), 0);
    EXPECT_EQ(setting("S", "H"), "5");
}

} // namespace
