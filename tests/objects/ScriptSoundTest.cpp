// The script SOUND in a scene with the engine's screen unit and an
// application, whose sound manager reports a sound's end in the window's
// frames: its methods on the real sound buffer, the sound shared per file
// through the unit's resources manager, objects let go of, CREATE and the
// snapshot record. The events a title sees are played in SoundTitleTest.
#include "ScriptAnimoSupport.h"
#include "base/ResourcesManager.h"
#include "media/Sound4.h"
#include "objects/ScriptSound.h"
#include "script/BehaviourBase.h"
#include "collections/RecordsSupport.h"

#include <gtest/gtest.h>

namespace {

class CMC_SoundTest : public animotest::AnimoTest {
protected:
    CMC_Sound* object(const char* name)
    {
        CMC_Object* o = scene->getObject(name);
        EXPECT_TRUE(o && o->getType() == MC_SOUND) << name;
        return o && o->getType() == MC_SOUND ? static_cast<CMC_Sound*>(o) : nullptr;
    }
    CSound4* soundOf(const char* name)
    {
        CMC_Sound* o = object(name);
        return o ? o->getSound() : nullptr;
    }
    void frames(int n)
    {
        for (int i = 0; i < n; ++i)
            frame();
    }
};

// The script's volume and pan become the buffer's hundredths of a decibel
// and pan; the frequency passes as it is. A call without its argument
// changes nothing.
TEST_F(CMC_SoundTest, VolumePanAndFrequencyReachTheBuffer)
{
    define({"S:TYPE=SOUND", "S:FILENAME=tone.wav", "S:PRELOAD=TRUE"});
    platform::SoundBuffer* buffer = soundOf("S")->getBuffer();
    ASSERT_NE(buffer, nullptr);
    struct {
        const char* method;
        const char* value;
        int expected;
    } cases[] = {
        {"SETVOLUME", "800", 0},     {"SETVOLUME", "26", -3096},  {"SETVOLUME", "25", -10000},
        {"SETVOLUME", "0", -10000},  {"SETPAN", "400", 0},        {"SETPAN", "0", -800},
        {"SETPAN", "800", 800},      {"SETPAN", "-1150", -10000}, {"SETPAN", "1950", 10000},
        {"SETFREQ", "11025", 11025},
    };
    auto read = [buffer](const std::string& method) {
        int v = 0;
        uint32_t hz = 0;
        if (method == "SETVOLUME")
            buffer->getVolume(&v);
        else if (method == "SETPAN")
            buffer->getPan(&v);
        else
            buffer->getFrequency(&hz), v = int(hz);
        return v;
    };
    for (const auto& c : cases) {
        EXPECT_EQ(call("S", c.method, {c.value}), "-");
        EXPECT_EQ(read(c.method), c.expected) << c.method << "(" << c.value << ")";
        EXPECT_EQ(call("S", c.method), "-");
        EXPECT_EQ(read(c.method), c.expected) << c.method << " without its argument";
    }
}

// Objects of a scene naming one file in any letter case share its sound,
// and all hear its reports; one in another container has its own, as has
// an object naming another file. An object let go of hears nothing more
// (its sharer plays on), and the last one returns the sound.
TEST_F(CMC_SoundTest, OneSoundPerFileInTheScenesOwnInOtherContainers)
{
    tmp.write("other.wav", tmp.read("tone.wav"));
    define({"LOG:TYPE=STRING", "A:TYPE=SOUND", "A:FILENAME=tone.wav", "A:ONSTARTED={LOG^ADD(\"A\");}",
            "B:TYPE=SOUND", "B:FILENAME=TONE.WAV", "B:ONSTARTED={LOG^ADD(\"B\");}", "C:TYPE=SOUND",
            "C:FILENAME=other.wav"});
    CMC_ObjectsContainer episode(window.get(), nullptr, CXString("E"), MC_EPISODE);
    recordstest::defineObjects(&episode, {"X:TYPE=SOUND", "X:FILENAME=tone.wav"});
    CSound4* shared = soundOf("A");
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(soundOf("B"), shared);
    EXPECT_NE(soundOf("C"), shared);
    EXPECT_TRUE(cache()->contains(shared));
    CSound4* own = static_cast<CMC_Sound*>(episode.getObject("X"))->getSound();
    ASSERT_NE(own, nullptr);
    EXPECT_NE(own, shared);
    EXPECT_FALSE(cache()->contains(own));
    // What a BUTTON's sounds are looked up by.
    EXPECT_EQ(scene->getSound(CXString("B")), shared);
    EXPECT_EQ(scene->getSound(CXString("LOG")), nullptr);

    call("B", "PLAY");
    EXPECT_EQ(logged(), "AB");
    EXPECT_EQ(call("A", "ISPLAYING"), "TRUE");
    unloadObject("A");
    EXPECT_TRUE(cache()->contains(shared));
    call("B", "PLAY");
    frames(3);
    EXPECT_EQ(logged(), "B");
    unloadObject("B");
    EXPECT_FALSE(cache()->contains(shared));
    episode.unload();
}

// A missing file plays nothing; LOAD replaces the data (the name taken as
// it is), and while the sound plays its end follows in the next frame.
// An object made by CREATE has no sound until LOAD gives it one.
TEST_F(CMC_SoundTest, LoadAMissingFileAndCreate)
{
    tmp.write("long.wav", mediatest::pcmWav(mediatest::ramp(22050)));
    define({"LOG:TYPE=STRING", "S:TYPE=SOUND", "S:FILENAME=none.wav", "S:ONSTARTED={LOG^ADD(\"s\");}",
            "S:ONFINISHED={LOG^ADD(\"f\");}", "GO:TYPE=BEHAVIOUR", "GO:CODE={@CREATE(SOUND,N);}"});
    EXPECT_EQ(call("S", "PLAY"), "-");
    EXPECT_EQ(call("S", "ISPLAYING"), "FALSE");
    EXPECT_EQ(call("S", "LOAD", {"\"missing.wav\""}), "FALSE");
    EXPECT_EQ(call("S", "LOAD"), "FALSE");
    EXPECT_EQ(call("S", "LOAD", {"\"long.wav\""}), "TRUE");
    call("S", "PLAY");
    frames(2);
    EXPECT_EQ(call("S", "ISPLAYING"), "TRUE");
    EXPECT_EQ(call("S", "LOAD", {"\"tone.wav\""}), "TRUE");
    EXPECT_EQ(logged(), "s");
    frame();
    EXPECT_EQ(logged(), "f");
    EXPECT_EQ(soundOf("S")->getFileName(), "tone.wav");

    static_cast<CMC_BehaviourBase*>(scene->getObject("GO"))->run(nullptr, nullptr, false);
    ASSERT_NE(object("N"), nullptr);
    EXPECT_EQ(soundOf("N"), nullptr);
    for (const char* method : {"PLAY", "STOP", "PAUSE", "RESUME", "SETVOLUME", "SETPAN", "SETFREQ"})
        EXPECT_EQ(call("N", method, {"1"}), "-") << method;
    EXPECT_EQ(call("N", "ISPLAYING"), "FALSE");
    EXPECT_EQ(call("N", "LOAD", {"\"tone.wav\""}), "TRUE");
    call("N", "PLAY");
    EXPECT_EQ(call("N", "ISPLAYING"), "TRUE");
}

// The record keeps the sound's file name, which holds the sound-effects
// folder: read back it names the same file, not one under the folder
// twice; a name of another machine's folder is found by its pure name in
// this one. PRELOAD and FLUSHAFTERPLAYED come back with it.
TEST_F(CMC_SoundTest, TheSnapshotRecordNamesTheSameFile)
{
    tmp.write("Wavs/tone.wav", tmp.read("tone.wav"));
    const CXString folder(platform::toEnginePath(tmp.file("Wavs")).c_str());
    window->SetSoundFXPath(folder);
    const CXString path = folder + "\\tone.wav";
    define({"LOG:TYPE=STRING", "A:TYPE=SOUND", "A:FILENAME=tone.wav", "A:PRELOAD=TRUE",
            "A:FLUSHAFTERPLAYED=TRUE", "A:ONSTARTED={LOG^ADD(\"A\");}", "B:TYPE=SOUND", "B:FILENAME=tone.wav"});
    EXPECT_EQ(soundOf("A")->getFileName(), path);
    soundOf("B")->SetFileName(CXString("C:\\Games\\Title\\Wavs\\tone.wav"));
    reread(writeSnapshot());
    for (const char* name : {"A", "B"})
        EXPECT_EQ(soundOf(name)->getFileName(), path) << name;
    EXPECT_EQ(soundOf("A"), soundOf("B"));
    EXPECT_TRUE(soundOf("A")->isLoaded());
    EXPECT_TRUE(soundOf("A")->getFlushAfterPlayed());
    call("A", "PLAY");
    EXPECT_EQ(logged(), "A");
}

} // namespace
