#pragma once
// A title's data tree for scene tests: a hard disk H: with the title in
// "H:\title\" and an installation medium M:, the test plug-in beside the
// program, the title's settings file, a manual clock, a default unit that
// reports what it is asked, and an application that runs scenes the way
// the real one does (its unload leaves the running child).
#include "ValueSupport.h"
#include "base/WindowPaths.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace scripttest {

// Steps reported to the debugger output by the unit, the plug-in and the
// behaviours, in one ordered list.
inline void note(const std::string& text) { platform::OutputDebugString(text.c_str()); }

class ReportingUnit : public CMC_PlainUnit {
public:
    explicit ReportingUnit(const CXString& n) : CMC_PlainUnit(n) {}
    void initialize(CMC_Scene* s, CMC_ScreenUnit* d) override
    {
        note(std::string("unit initialize ") + s->getName().c_str() + (d == this ? " default" : ""));
    }
    void done(CMC_Scene* s, CMC_ScreenUnit* d) override
    {
        note(std::string("unit done ") + s->getName().c_str() + (d ? " default" : " null"));
    }
    void startMusic(const char* name, bool force) override
    {
        note(std::string("unit startMusic ") + (name ? name : "null") + (force ? " force" : ""));
    }
    void stopMusic() override { note("unit stopMusic"); }

    static CMC_ScreenUnit* make(CWindow*, const CXString& n) { return new ReportingUnit(n); }
};

// The application's own unload: it leaves its running child.
class TestApp : public CMC_Scene {
public:
    explicit TestApp(const char* n, int type = MC_APPLICATION,
                     std::vector<std::pair<const char*, const char*>> properties = {})
        : CMC_Scene(nullptr, nullptr, std::unique_ptr<CMElement>(record(n, properties)).get(), type)
    {
    }
    // Children go before their parent, and out of its list first.
    ~TestApp() override
    {
        while (subScenes->getSize() > 0)
            drop(static_cast<CMC_Scene*>((*subScenes)[0]));
    }
    void unload(CMC_Scene* next) override
    {
        if (currentScene)
            currentScene->unload(next);
        currentScene = nullptr;
    }
    using CMC_Scene::unload;

    // Adds a scene made from a record with these properties as a child.
    CMC_Scene* addScene(const char* n, std::vector<std::pair<const char*, const char*>> properties)
    {
        std::unique_ptr<CMElement> e(record(n, properties));
        return adopt(new CMC_Scene(nullptr, this, e.get(), MC_SCENE));
    }
    CMC_Scene* adopt(CMC_Scene* child)
    {
        if (child->getParent() != this)
            child->setParent(this);
        subScenes->add(child);
        addObject(child);
        return child;
    }
    void drop(CMC_Scene* child)
    {
        removeObject(child);
        subScenes->remove(child);
        delete child;
    }
};

// Behaviours that note each run as "run NAME@OWNER".
inline FakeBehaviour* noting(FakeBehaviour* b)
{
    b->action = [b](CMC_Object* owner) {
        note(std::string("run ") + b->getName().c_str() + "@" + (owner ? owner->getName().c_str() : "-"));
    };
    return b;
}
inline CMC_Object* makeNotingBehaviour(CMC_ObjectsContainer* c, CMElement* e) { return noting(new FakeBehaviour(c, e)); }
inline CMC_Object* restoreNotingBehaviour(CMC_Scene* s) { return noting(new FakeBehaviour(s, CXString(), CXString())); }

// The folder the test plug-in was built into, in engine form.
inline std::string pluginFolder()
{
    std::string path = QUARNEL_TEST_PLUGIN;
    return platform::toEnginePath(path.substr(0, path.rfind('/')));
}

class SceneFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::makeDirs(tmp.file("hdd/title/Rara"));
        testsupport::makeDirs(tmp.file("cd/Rara"));
        platform::mapDrive('H', tmp.file("hdd"), platform::DriveKind::FixedDisk);
        platform::mapDrive('M', tmp.file("cd"), platform::DriveKind::Medium);
        CWindowPaths::setRootPath("H:\\title\\");
        CWindowPaths::setCDPath("M:\\");
        CWindowPaths::setExePath(pluginFolder().c_str());
        CMC_Scene::doneDefUnit();
        CMC_Scene::setUnitMaker(&ReportingUnit::make);
        types.add("BEHAVIOUR", &makeNotingBehaviour);
        savedRestorer = CMC_SnapshotTypes::getRestorer(MC_BEHAVIOUR);
        CMC_SnapshotTypes::registerType(MC_BEHAVIOUR, &restoreNotingBehaviour);
        runs().clear();
        clockNow.set(100000);
    }
    void TearDown() override
    {
        CMC_SnapshotTypes::registerType(MC_BEHAVIOUR, savedRestorer);
        CMC_Scene::doneDefUnit();
        CMC_Scene::setUnitMaker(nullptr);
        CWindowPaths::reset();
        runs().clear();
    }

    // A file below "H:\title\Rara" (disk) or "M:\Rara" (medium), CR LF lines.
    void writeData(const std::string& relative, const std::string& text, bool medium = false)
    {
        std::string crlf;
        for (char c : text)
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        tmp.write((medium ? "cd/Rara/" : "hdd/title/Rara/") + relative, crlf);
    }
    // The debugger lines of the unit, the plug-in and the behaviours' notes.
    std::vector<std::string> steps(bool clear = true)
    {
        std::vector<std::string> out;
        for (const std::string& l : debug.lines)
            if (l.rfind("unit ", 0) == 0 || l.rfind("plugin ", 0) == 0 || l.rfind("run ", 0) == 0)
                out.push_back(l);
        if (clear)
            debug.lines.clear();
        return out;
    }
    // A behaviour of the application that notes its runs.
    FakeBehaviour* appBehaviour(CMC_Scene* app, const char* n)
    {
        FakeBehaviour* b = noting(new FakeBehaviour(app, n, ""));
        app->addObject(b);
        return b;
    }

    CMC_SnapshotTypes::Restorer savedRestorer = nullptr;
    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
    platform::ScopedDriveMap drives;
    platform::ManualClock clockNow;
    platform::ScopedClock clock{&clockNow};
    Settings settings;
    Types types;
    testsupport::DebugCapture debug;
};

} // namespace scripttest
