#pragma once
// A title on the test disk for the application's tests: the window link the
// engine window would give (recording what it is asked), the title's files,
// and the engine application made and started with a command line.
#include "SceneSupport.h"
#include "base/CommandLine.h"
#include "script/Application.h"
#include "script/Episode.h"
#include "script/Group.h"
#include "script/RunnerFactory.h"
#include "script/ScriptApplication.h"

#include <memory>

namespace scripttest {

class FakeLink : public CApplicationWindow {
public:
    void SetApplicationInterface(CApplication* a) override { app = a; }
    CApplication* GetApplicationInterface() override { return app; }
    void quit() override { ++quits; }
    void SetSoundFXPath(const CXString& f) override { soundFX = f.c_str(); }
    CXString GetSoundFXFullPath(const CXString& n) override { return CXString(soundFX.c_str()) + "\\" + n; }
    void MusicOn(bool on) override { music.push_back(on); }
    int getMusicVolume() override { return volume; }
    void setMusicVolume(int v) override { volume = v; }
    void setMusicPan(int p) override { pan = p; }
    void setMusicFreq(int f) override { frequency = f; }
    void pause() override { paused = true; }
    void resume() override { paused = false; }
    CXSize GetScreenSize() override { return CXSize(800, 600); }
    void print(const CXRect& r) override { printed.push_back(r); }
    CXRect getBoundingBox(CGraphicsObject*) override { return CXRect(1, 2, 3, 4); }

    // The pointer the engine is handed as its window.
    CWindow* window() { return reinterpret_cast<CWindow*>(this); }

    CApplication* app = nullptr;
    int quits = 0;
    std::string soundFX;
    std::vector<bool> music;
    int volume = -10000, pan = 0, frequency = 0;
    bool paused = false;
    std::vector<CXRect> printed;
};

// A title in "H:\title\" whose behaviours note their runs; the test starts
// in that folder, as the host does.
class AppFixture : public SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        CApplicationWindow::attach(link.window(), &link);
        ASSERT_TRUE(platform::setCurrentDirectory("H:\\title"));
    }
    void TearDown() override
    {
        app.reset();
        commandLine.reset();
        CApplicationWindow::detach(link.window());
        SceneFixture::TearDown();
    }

    // Makes the engine application with these switches and starts the title.
    CApplication* start(const char* switches = "")
    {
        app.reset();
        commandLine.reset(new CCommandLine6(switches));
        app.reset(new CApplication(link.window(), "Demo.ini", "", commandLine.get()));
        app->preinitializeApplication();
        return app.get();
    }
    CMC_Application* script() { return app ? app->getMCApplicationIfc() : nullptr; }
    // Runs a script method by name on an object, as a statement would.
    static CMC_Variable* call(CMC_Object* on, const char* method, std::vector<CMC_Variable*> args = {},
                              CMC_ObjectsContainer* from = nullptr)
    {
        CXVector list(101, 0.75f);
        for (CMC_Variable* a : args)
            list.add(a);
        return CMC_RunnerFactory::getRunner(on)->run(CXString(method), on, from, &list);
    }
    static CMC_Variable* text(const char* s) { return CMC_String::temporary(CXString(s)); }
    static CMC_Variable* number(int v) { return CMC_Integer::temporary(v); }
    static std::string textOf(CMC_Variable* v) { return v ? v->toString().c_str() : "(none)"; }
    static std::string running(CMC_Scene* s)
    {
        return s && s->getCurrentScene() ? s->getCurrentScene()->getName().c_str() : "";
    }

    // A title of one episode EP with scenes A, B and C, each folder below
    // "Rara" holding the scene's file; every scene notes its "ONINIT", A its
    // "ONDONE" too, and A holds a value kept in the settings file.
    void writeTitle(const char* applicationProperties = "GAME:EPISODES=EP\n")
    {
        writeData("application.def", std::string("OBJECT=GAME\nGAME:TYPE=APPLICATION\n") + applicationProperties +
                                         "OBJECT=EP\nEP:TYPE=EPISODE\nEP:SCENES=A, B,C\n"
                                         "OBJECT=A\nA:TYPE=SCENE\nA:PATH=\\A\n"
                                         "OBJECT=B\nB:TYPE=SCENE\nB:PATH=B\n"
                                         "OBJECT=C\nC:TYPE=SCENE\nC:PATH=\\C\n");
        writeData("GAME.cnv", "OBJECT=__INIT__\n__INIT__:TYPE=BEHAVIOUR\n"
                              "OBJECT=__ONEXIT__\n__ONEXIT__:TYPE=BEHAVIOUR\n"
                              "OBJECT=GAMEINIT\nGAMEINIT:TYPE=BEHAVIOUR\nOBJECT=GAME\nGAME:ONINIT=GAMEINIT\n"
                              "OBJECT=SCENEDONE\nSCENEDONE:TYPE=BEHAVIOUR\n");
        writeData("EP.cnv", "OBJECT=EPINIT\nEPINIT:TYPE=BEHAVIOUR\nOBJECT=EP\nEP:ONINIT=EPINIT\n");
        // A scene's own behaviours are gone when its "ONDONE" is raised.
        writeData("A/A.cnv", "OBJECT=AINIT\nAINIT:TYPE=BEHAVIOUR\n"
                             "OBJECT=SCORE\nSCORE:TYPE=INTEGER\nSCORE:VALUE=5\nSCORE:TOINI=TRUE\n"
                             "OBJECT=A\nA:ONINIT=AINIT\nA:ONDONE=SCENEDONE\n");
        writeData("B/B.cnv", "OBJECT=BINIT\nBINIT:TYPE=BEHAVIOUR\nOBJECT=B\nB:ONINIT=BINIT\n");
        writeData("C/C.cnv", "OBJECT=CINIT\nCINIT:TYPE=BEHAVIOUR\nOBJECT=C\nC:ONINIT=CINIT\n");
    }
    // The behaviours' runs, in order.
    std::vector<std::string> ran()
    {
        std::vector<std::string> out;
        for (const std::string& s : steps())
            if (s.rfind("run ", 0) == 0)
                out.push_back(s.substr(4));
        return out;
    }

    FakeLink link;
    std::unique_ptr<CCommandLine6> commandLine;
    std::unique_ptr<CApplication> app;
};

} // namespace scripttest

namespace scripttest {

// The member names of a group object the engine made.
inline std::vector<std::string> memberNames(CMC_Object* group)
{
    std::vector<std::string> out;
    CMC_GroupMembers* members = CMC_Groups::membersOf(group);
    for (int i = 0; members && i < members->getMembersNo(); ++i)
        out.push_back(members->getMember(i)->getName().c_str());
    return out;
}

} // namespace scripttest
