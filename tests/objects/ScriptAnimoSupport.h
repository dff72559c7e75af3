#pragma once
// The scene of the ANIMO tests: the controls' test scene (real window,
// mouse and dispatch) with the engine's own screen unit, whose cache the
// scene's animations share, and an application, whose animation manager
// steps them in the window's frames. Animation files are built in memory
// and written by the engine's own writer into the temp folder (see
// AnimoFiles.h), where the scene reads them. Behaviours write to the
// STRING LOG.
#include "AnimoFiles.h"
#include "base/Archive.h"
#include "base/File.h"
#include "media/Animo6.h"
#include "objects/ScriptAnimo.h"
#include "script/Application.h"
#include "script/BehaviourBase.h"
#include "script/Disposal.h"
#include "ui/UiSupport.h"
#include "ui/Unit6.h"

#include <memory>
#include <string>
#include <vector>

namespace animotest {

class AnimoTest : public uitest::UiTest {
protected:
    AnimoTest() : UiTest(false), application(new CApplication(window.get(), "", "", nullptr))
    {
        tmp.write("tone.wav", mediatest::pcmWav(mediatest::ramp(2205)));
        EXPECT_TRUE(writeAnimation(window.get(), tmp.file("hero.ann"), heroFrames(), heroEvents()));
        screenUnit = CUnit6::getDefUnit();
        screenUnit->initialize(scene, screenUnit);
    }
    ~AnimoTest() override
    {
        // What scripts let go of, then the scene's objects, as when a scene
        // is left.
        CMC_Disposal::freeWaiting();
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

    // The scene's snapshot written to S.bin; its bytes.
    std::string writeSnapshot()
    {
        {
            CFile file(nullptr, CXString("S.bin"), CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY);
            CXArchive archive(&file, true);
            scene->writeSnapshot(&archive);
        }
        return tmp.read("S.bin");
    }
    // A new scene read from those snapshot bytes, entered as a scene is.
    void reread(const std::string& bytes)
    {
        CMC_Disposal::freeWaiting();
        delete scene;
        screenUnit->done(nullptr, nullptr);
        tmp.write("S.bin", bytes);
        scene = new CMC_Scene(window.get(), MC_SCENE);
        screenUnit->initialize(scene, screenUnit);
        CFile file(nullptr, CXString("S.bin"), CFile::MODE_READ | CFile::MODE_BINARY);
        CXArchive archive(&file, false);
        EXPECT_TRUE(scene->readSnapshot(&archive));
        scene->onInit();
    }

    std::unique_ptr<CApplication> application;
    CUnit6* screenUnit = nullptr;
};

} // namespace animotest
