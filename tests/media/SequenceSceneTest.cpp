// Sequence elements and talking animations in a running scene: an element
// naming a scene animation object plays that object's animation and is
// listed by it; a talking animation's sound is another element's, a scene
// sound object's or a file's, in that order.
#include "SequenceSupport.h"
#include "media/AnimoEventPlayable.h"
#include "media/SpeakingAnimation.h"
#include "script/Scene.h"
#include "script/ScriptApplication.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <map>

using namespace mediatest;

namespace {

// The script animation and sound objects as the scene's objects give them:
// plain objects of their types, whose engine animation and sound the test
// holds, and the lists of playables each animation object keeps.
struct SceneMedia {
    static SceneMedia*& current()
    {
        static SceneMedia* media = nullptr;
        return media;
    }
    SceneMedia()
    {
        current() = this;
        CSceneAnimoLink::install(
            [](CMC_Object* o) -> CAnimo* {
                auto it = current()->animations.find(o);
                return it == current()->animations.end() ? nullptr : it->second;
            },
            [](CMC_Object* o, CPlayable* p) { current()->listed[o].push_back(p); },
            [](CMC_Object* o, CPlayable* p) {
                std::vector<CPlayable*>& l = current()->listed[o];
                l.erase(std::remove(l.begin(), l.end(), p), l.end());
            });
        CMC_ObjectsContainer::setSoundAccessor([](CMC_Object* o) { return current()->sounds[o]; });
    }
    ~SceneMedia()
    {
        CSceneAnimoLink::install(nullptr, nullptr, nullptr);
        CMC_ObjectsContainer::setSoundAccessor(nullptr);
        current() = nullptr;
    }
    std::map<CMC_Object*, CAnimo*> animations;
    std::map<CMC_Object*, CSound4*> sounds;
    std::map<CMC_Object*, std::vector<CPlayable*>> listed;
};

class SequenceSceneTest : public SequenceFixture {
protected:
    void SetUp() override
    {
        SequenceFixture::SetUp();
        tmp.write("Rara/application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E\n"
                                          "OBJECT=E\nE:TYPE=EPISODE\nE:SCENES=S\n"
                                          "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\n");
        tmp.write("Rara/S/S.cnv", "OBJECT=X\nX:TYPE=INTEGER\n");
        application->preinitializeApplication();
        scene = CSceneAnimoLink::currentScene(window.get());
        ASSERT_NE(scene, nullptr);
        ASSERT_EQ(scene->getName(), "S");
        window->SetSoundFXPath(CXString(platform::toEnginePath(tmp.file("Rara/S")).c_str()));

        hero.reset(new CAnimo(window.get()));
        addFrames(*hero, window.get(), 2);
        addEvent(*hero, "idle", {0});
        addEvent(*hero, "wave", {0, 1});
        heroObject = new CMC_Object("HERO", MC_ANIMO);
        scene->addObject(heroObject);
        media.animations[heroObject] = hero.get();
        voice.reset(new CSound4(window.get(), CXString("VOICE.WAV"), false, false));
        CMC_Object* voiceObject = new CMC_Object("VOICE", MC_SOUND);
        scene->addObject(voiceObject);
        media.sounds[voiceObject] = voice.get();
    }
    void TearDown() override
    {
        // The scene's objects go with the application, the animation and
        // sound while the window stands.
        application.reset();
        voice.reset();
        hero.reset();
        SequenceFixture::TearDown();
    }
    std::string file(const std::string& name, const std::string& text) { return write("Rara/S/" + name, text); }

    SceneMedia media;
    CMC_Scene* scene = nullptr;
    std::unique_ptr<CAnimo> hero;
    CMC_Object* heroObject = nullptr;
    std::unique_ptr<CSound4> voice;
};

TEST_F(SequenceSceneTest, SceneAnimationsAreListedUntilTheirElementsGo)
{
    Named reports;
    CSequencedPlayable* s = sequence(load(file("S1.SEQ", "NAME S1\nS1 TYPE SEQUENCE\n"
                                                         "NAME W\nW FILENAME HERO\nW EVENT WAVE\nW TYPE SIMPLE\nW ADD S1\n"
                                                         "NAME T\nT TYPE SPEAKING\nT ANIMOFN HERO\nT ADD S1\n"),
                                              &reports));
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->getChildrenNo(), 2);
    CAnimoEventPlayable* w = static_cast<CAnimoEventPlayable*>(s->getChild(0));
    CSpeakingAnimation* t = static_cast<CSpeakingAnimation*>(s->getChild(1));
    EXPECT_EQ(w->getAnimation(), hero.get());
    EXPECT_EQ(w->getEventIndex(), 1);
    EXPECT_EQ(t->getAnimation(), hero.get());
    EXPECT_EQ(media.listed[heroObject], (std::vector<CPlayable*>{w, t}));
    s->play();
    EXPECT_TRUE(hero->isPlaying());
    EXPECT_EQ(hero->getCurrentEventName(), "wave");

    // The object lets its animation go: the elements play nothing more.
    w->substAnimation(nullptr);
    t->substAnimation(nullptr);
    hero->Stop();
    EXPECT_EQ(w->getAnimation(), nullptr);
    s->stop(false);
    reports.taken();
    s->play();
    EXPECT_FALSE(hero->isPlaying());
    EXPECT_EQ(reports.taken(), (std::vector<std::string>{"S S1", "S W"}));
    // Detached elements leave the list to the object, which empties it.
    delete s;
    EXPECT_EQ(media.listed[heroObject].size(), 2u);
    media.listed[heroObject].clear();

    // Listed until deleted.
    s = sequence(load(file("S2.SEQ", "NAME S2\nS2 TYPE SEQUENCE\nNAME W\nW FILENAME HERO\nW TYPE SIMPLE\nW ADD S2\n"),
                      nullptr));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(static_cast<CAnimoEventPlayable*>(s->getChild(0))->getEventIndex(), 0);
    EXPECT_EQ(media.listed[heroObject].size(), 1u);
    delete s;
    EXPECT_EQ(media.listed[heroObject].size(), 0u);
}

// The sound of a talking animation: an element of the file that is a
// sound, else the scene's sound object, else the file in the sound-effects
// folder; an element of another kind gives none.
TEST_F(SequenceSceneTest, WhereATalkingAnimationsSoundComesFrom)
{
    soundFile("Rara/S/LINE.WAV", 100);
    const std::string text = "NAME S3\nS3 TYPE SEQUENCE\nNAME LINE\nLINE FILENAME LINE.WAV\nLINE TYPE SIMPLE\n"
                             "NAME T1\nT1 TYPE SPEAKING\nT1 WAVFN LINE\nT1 ADD S3\n"
                             "NAME T2\nT2 TYPE SPEAKING\nT2 WAVFN VOICE\nT2 ADD S3\n"
                             "NAME T3\nT3 TYPE SPEAKING\nT3 WAVFN LINE.WAV\nT3 ADD S3\n"
                             "NAME T4\nT4 TYPE SPEAKING\nT4 WAVFN S3\nT4 ADD S3\n"
                             "NAME T5\nT5 TYPE SPEAKING\nT5 WAVFN T5\nT5 ADD S3\n";
    CSequencedPlayable* s = sequence(load(file("S3.SEQ", text), nullptr));
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->getChildrenNo(), 5);
    auto soundOf = [&](int i) { return static_cast<CSpeakingAnimation*>(s->getChild(i))->getSound(); };
    const CXString path = window->GetSoundFXFullPath("LINE.WAV");
    CFileResolver* line = resources->get(path);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(soundOf(0), line);
    EXPECT_EQ(soundOf(1), voice.get());
    EXPECT_EQ(soundOf(2), line);
    EXPECT_EQ(soundOf(3), nullptr);
    EXPECT_EQ(soundOf(4), nullptr);
    EXPECT_EQ(static_cast<CSpeakingAnimation*>(s->getChild(2))->getFileName(), path);
    delete s;
    // The file's use of the sound and the test's are left.
    EXPECT_FALSE(resources->remove(line));
    EXPECT_TRUE(resources->remove(line));
}

} // namespace
