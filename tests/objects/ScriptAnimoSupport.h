#pragma once
// The scene of the ANIMO tests: the controls' test scene (real window,
// mouse and dispatch) with the engine's own screen unit, whose cache the
// scene's animations share, and an application, whose animation manager
// steps them in the window's frames. Animation files are built in memory
// and written by the engine's own writer into the temp folder, where the
// scene reads them. Behaviours write to the STRING LOG.
#include "media/Animo6.h"
#include "media/AnimoSupport.h"
#include "media/Frame.h"
#include "objects/ScriptAnimo.h"
#include "script/Application.h"
#include "script/BehaviourBase.h"
#include "ui/UiSupport.h"
#include "ui/Unit6.h"

#include <memory>
#include <string>
#include <vector>

namespace animotest {

// A frame of w x h pixels at (x, y) of its animation: one colour, or with
// count set the words seed, seed + 1, ... and alpha bytes 255, 254, ...
struct FrameSpec {
    int w, h, x, y;
    uint16_t colour;
    bool count = false;
};
// An event: its frames by position and the positions' frame names (null
// for a position without a name; the list may be shorter); a sound file
// on its first position when one is named.
struct EventSpec {
    const char* name;
    std::vector<uint16_t> frames;
    std::vector<const char*> names = {};
    const char* sound = nullptr;
};

inline CFrame* solidFrame(CWindow* window, const FrameSpec& s)
{
    if (s.count)
        return mediatest::plainFrame(window, s.w, s.h, s.x, s.y, true, s.colour);
    CFrame* f = mediatest::plainFrame(window, s.w, s.h, s.x, s.y, false, 0);
    uint16_t* words = reinterpret_cast<uint16_t*>(f->GetDataPtr());
    for (int i = 0; i < s.w * s.h; ++i)
        words[i] = s.colour;
    return f;
}

// Writes the animation file; false when the writer failed.
inline bool writeAnimation(CWindow* window, const std::string& path, const std::vector<FrameSpec>& frames,
                           const std::vector<EventSpec>& events)
{
    CAnimo a(window);
    for (const FrameSpec& s : frames)
        a.appendFrame(solidFrame(window, s));
    for (const EventSpec& e : events) {
        mediatest::addEvent(a, e.name, e.frames);
        const int index = a.GetNOE() - 1;
        for (size_t p = 0; p < e.names.size(); ++p)
            if (e.names[p])
                a.GetFrameInfo(index, int(p))->frameName = CXString(e.names[p]);
        if (e.sound)
            a.GetFrameInfo(index, 0)->sounds = CXString(e.sound);
    }
    return a.Save(CXString(platform::toEnginePath(path).c_str()), COMPRESSION_NONE) == 0;
}

// The animation most tests use ("hero.ann"):
// frame 0: 51 x 31 at (0, 0), words 0xFFFF, 0x0000, 0x0001, ... with
//          alpha 255, 254, ...;
// frames 1 to 7: 10 x 10 at (0, 0), frame 2 at (3, 4), each of one colour
//          0x0100 x frame.
// Events: 0 STAND [0] (sound "tone.wav"), 1 WALK [1 2 3] named "left", -,
// "Right", 2 JUMP [4 5 6 7], 3 RUN_REVERSE [3 2], 4 ONFOCUSON [5],
// 5 ONFOCUSOFF [6], 6 ONCLICK [7 7 7].
inline std::vector<FrameSpec> heroFrames()
{
    std::vector<FrameSpec> f = {{51, 31, 0, 0, 0xFFFF, true}};
    for (int i = 1; i < 8; ++i)
        f.push_back({10, 10, i == 2 ? 3 : 0, i == 2 ? 4 : 0, uint16_t(0x100 * i)});
    return f;
}
inline std::vector<EventSpec> heroEvents()
{
    return {{"STAND", {0}, {}, "tone.wav"},
            {"WALK", {1, 2, 3}, {"left", nullptr, "Right"}},
            {"JUMP", {4, 5, 6, 7}},
            {"RUN_REVERSE", {3, 2}},
            {"ONFOCUSON", {5}},
            {"ONFOCUSOFF", {6}},
            {"ONCLICK", {7, 7, 7}}};
}

class AnimoTest : public uitest::UiTest {
protected:
    AnimoTest() : UiTest(false), application(new CApplication(window.get(), "", "", nullptr))
    {
        EXPECT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(tmp.path())));
        tmp.write("tone.wav", mediatest::pcmWav(mediatest::ramp(2205)));
        EXPECT_TRUE(writeAnimation(window.get(), tmp.file("hero.ann"), heroFrames(), heroEvents()));
        screenUnit = CUnit6::getDefUnit();
        screenUnit->initialize(scene, screenUnit);
    }
    ~AnimoTest() override
    {
        // What scripts let go of, then the scene's objects, as when a scene
        // is left.
        CMC_BehaviourBase::flushTrash();
        delete scene;
        scene = nullptr;
        screenUnit->done(nullptr, nullptr);
        application.reset();
    }

    CMC_Animo* animo(const char* name)
    {
        CMC_Object* o = scene->getObject(name);
        EXPECT_TRUE(o && o->getType() == MC_ANIMO) << name;
        return o && o->getType() == MC_ANIMO ? static_cast<CMC_Animo*>(o) : nullptr;
    }
    CAnimo6* animation(const char* name)
    {
        CMC_Animo* o = animo(name);
        return o ? o->getAnimo() : nullptr;
    }
    CResourcesManager* cache() { return screenUnit->getResourcesManager(); }
    // Frames of the window that step animations of 15 frames a second
    // once each.
    void steps(int n)
    {
        for (int i = 0; i < n; ++i) {
            clockNow.advance(67);
            window->Tick();
        }
    }
    // What the behaviours wrote to LOG since the last look.
    std::string logged()
    {
        std::string s = text("LOG");
        call("LOG", "SET", {"\"\""});
        return s;
    }
    // Takes an object out of the scene as an unload does: done, then
    // deleted.
    void unloadObject(const char* name)
    {
        CMC_Object* o = scene->getObject(name);
        ASSERT_NE(o, nullptr);
        scene->removeObject(o);
        o->done(false);
        delete o;
    }

    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
    std::unique_ptr<CApplication> application;
    CUnit6* screenUnit = nullptr;
};

} // namespace animotest
