#pragma once
// What the tests of hot spots, buttons and the mouse share: a headless
// window with a display and its real mouse device (polled by the frame
// tick), mouse records fed through the platform and delivered by frames, a
// scene whose objects come from definition lines, the engine's IMAGE
// objects over pictures written into the temp folder that is the current
// directory, and a screen unit for the controls that reports what it hears.
#include "collections/RecordsSupport.h"
#include "graphics/RefreshScreen.h"
#include "graphics/ScreenSupport.h"
#include "objects/ImageFiles.h"
#include "platform/Drives.h"
#include "script/Element.h"
#include "script/Runner.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneServices.h"
#include "script/VariableFactory.h"
#include "support/TestSupport.h"
#include "ui/Button.h"
#include "ui/Control.h"
#include "ui/ControlUnit.h"
#include "ui/HotSpot.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace uitest {

using Log = std::vector<std::string>;

inline std::string at(CXPoint p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

// Tells the log what a control reports, as "<name> clicked 10,20"; the
// moves over it (several for each record) only when asked.
struct LoggingNotifier : CControlNotifier {
    LoggingNotifier(const char* n, Log* l) : name(n), log(l) {}
    void note(const char* what, CXPoint p) { log->push_back(name + " " + what + " " + at(p)); }
    void onControlOnMove(CControl*, CXPoint p) override
    {
        if (moves)
            note("move", p);
    }
    void onControlFocusOn(CControl*, CXPoint p) override { note("focus on", p); }
    void onControlFocusOff(CControl*, CXPoint p) override { note("focus off", p); }
    void onControlClicked(CControl*, CXPoint p) override { note("clicked", p); }
    void onControlReleased(CControl*, CXPoint p) override { note("released", p); }
    void onControlAction(CControl*, CXPoint p) override { note("action", p); }
    void onControlPopup(CControl*, CXPoint p) override { note("popup", p); }
    void onStartDragging(CControl*, CXPoint p) override { note("start dragging", p); }
    void onDragging(CControl*, CXPoint p) override { note("dragging", p); }
    void onEndDragging(CControl*, CXPoint p) override { note("end dragging", p); }
    std::string name;
    Log* log;
    bool moves = false;
};

// The scenes' default unit as the controls see it: active and updated
// unless told otherwise; a drag it is asked for starts and lasts until
// endDrag, which ends it the way the unit does.
class ControlsUnit : public CMC_PlainUnit, public CControlUnit {
public:
    explicit ControlsUnit(const CXString& n) : CMC_PlainUnit(n) {}
    CControlUnit* getControlUnit() override { return this; }
    bool isActive() override { return active; }
    bool isDragging() override { return dragging; }
    bool wasInitiallyUpdated() override { return updated; }
    bool onStartDragging(CGraphicsObject* image, CXPoint p, CControl* c) override
    {
        dragged = image;
        control = c;
        dragging = true;
        c->onStartDragging(p);
        return true;
    }
    void endDrag(CXPoint p)
    {
        dragging = false;
        control->Enable(true);
        control->onEndDragging(p);
    }
    void setRetCode(int code) override { retCode = code; }
    void onControlClicked(CControl*, CXPoint) override { ++clicks; }

    bool active = true;
    bool dragging = false;
    bool updated = true;
    CGraphicsObject* dragged = nullptr;
    CControl* control = nullptr;
    int retCode = 0;
    int clicks = 0;
};

// A window with a display (of the desktop's depth) and the mouse, a scene
// "S" over it with the controls' default unit (or, without standIn, the
// engine's own screen unit), and the pools and runners.
class UiTest : public screentest::HeadlessScreen {
protected:
    explicit UiTest(bool standIn = true, int depth = 16)
    {
        EXPECT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(tmp.path())));
        backend.setDesktopDepth(depth);
        CMC_VariableFactory::initialize();
        CMC_RunnerFactory::initialize();
        CMC_Scene::doneDefUnit();
        if (standIn)
            CMC_Scene::setUnitMaker(
                [](CWindow*, const CXString& n) -> CMC_ScreenUnit* { return new ControlsUnit(n); });
        window = makeWindow();
        std::unique_ptr<CMElement> record(new CMElement(CXString("S")));
        scene = new CMC_Scene(window.get(), nullptr, record.get(), MC_SCENE);
        if (standIn)
            unit = static_cast<ControlsUnit*>(CMC_Scene::getDefUnit());
    }
    ~UiTest() override
    {
        delete scene;
        window.reset();
        CMC_Scene::doneDefUnit();
        CMC_Scene::setUnitMaker(unitMaker);
        CHotSpot::setMinPriority(0);
        CHotSpot::setMaxPriority(10000000);
        CMC_RunnerFactory::done();
        CMC_VariableFactory::done();
    }

    // Creates the scene's objects from "OBJECT:PROPERTY=VALUE" lines.
    void define(std::initializer_list<const char*> lines) { recordstest::defineObjects(scene, lines); }
    // Runs a script method with literal arguments ("\"a\"" a string, "5"
    // an integer, TRUE a bool); the result's text, "-" for none.
    std::string call(const char* object, const char* method, std::initializer_list<const char*> literals = {})
    {
        CMC_Object* o = scene->getObject(object);
        CMC_Runner* runner = o ? CMC_RunnerFactory::getRunner(o) : nullptr;
        if (!runner)
            return "no object";
        CXVector args;
        for (const char* l : literals)
            args.add(CMC_Variable::resolve(CXString(l)));
        CMC_Variable* r = runner->run(CXString(method), o, scene, &args);
        std::string result = r ? r->toString().c_str() : "-";
        CMC_Object::flush(r);
        for (int i = 0; i < args.getSize(); ++i)
            CMC_Object::flush(static_cast<CMC_Variable*>(args.at(i)));
        return result;
    }
    // An IMAGE shown at that priority over a picture of one colour, of
    // that size at that point, which it reads from "<name>.img".
    void picture(const char* name, CXPoint at, CXSize size, uint16_t colour, int priority)
    {
        const std::string n = name;
        EXPECT_TRUE(imagetest::writeImage(tmp.file(n + ".img"), size.cx, size.cy, imagetest::plain(colour), nullptr,
                                          at));
        recordstest::defineObjectLines(scene, std::vector<std::string>{n + ":TYPE=IMAGE", n + ":FILENAME=" + n + ".img",
                                                                       n + ":TOCANVAS=TRUE", n + ":VISIBLE=TRUE",
                                                                       n + ":PRIORITY=" + std::to_string(priority)});
    }
    CGraphicsObject* image(const char* name) { return scene->getGraphicsObject(CXString(name)); }
    std::string text(const char* name) { return scene->getObject(name)->toString().c_str(); }

    // The mouse as the platform feeds it; each frame delivers what came.
    platform::Mouse& mouse() { return backend.input().mouse(); }
    void frame()
    {
        clockNow.advance(16);
        window->Tick();
    }
    void moveTo(int x, int y)
    {
        mouse().moveTo(x, y);
        frame();
    }
    // A press and a release of button b (0 left, 1 right, 2 middle) where
    // the cursor is, in two frames.
    void click(int b = 0)
    {
        mouse().button(b, true);
        frame();
        mouse().button(b, false);
        frame();
    }
    // The pixel the last frame showed at (x, y).
    uint32_t shownAt(int x, int y)
    {
        const platform::Surface* f = backend.shownFrame(0);
        return f ? f->pixelAt(x, y) : 0xFFFFFFFF;
    }

    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
    // The maker in place before: the engine's own.
    CMC_Scene::UnitMaker unitMaker = CMC_Scene::getUnitMaker();
    std::unique_ptr<CWindow> window;
    CMC_Scene* scene = nullptr;
    ControlsUnit* unit = nullptr;
};

} // namespace uitest
