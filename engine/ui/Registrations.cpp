// What the controls and input layer gives the layers below it: the window's
// mouse device and its hot-spot dispatch, the application's hot-spot
// priority window and shutdown, and the script BUTTON (its creation from
// definitions, from snapshots and at run time, its runner, and the engine
// button behind it for the script dialog).
#include "graphics/Window.h"
#include "script/Application.h"
#include "script/Dialog.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/TypeRegistry.h"
#include "ui/Button.h"
#include "ui/ControlUnit.h"
#include "ui/DXMouse.h"
#include "ui/HotSpot.h"
#include "ui/ScriptButton.h"

namespace {

CDXMouse* makeMouse(CWindow* w) { return new CDXMouse(w); }
void deleteMouse(CDXMouse* m) { delete m; }

CMC_Object* makeButton(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Button(c, e); }
CMC_Object* restoreButton(CMC_Scene* scene) { return new CMC_Button(scene); }

// A BUTTON made by a script: no area yet, heard by the default unit.
CMC_Object* makeButtonAtRunTime(CMC_Scene* scene, const CXString& name)
{
    CButton* button = new CButton(scene->getWindow(), CXRect(), -1, nullptr);
    if (CControlUnit* unit = CMC_Button::defaultControlUnit())
        button->addNotifier(unit);
    return new CMC_Button(scene, button, name);
}

CButton* buttonOf(CMC_Object* o)
{
    return o && o->getType() == MC_BUTTON ? static_cast<CMC_Button*>(o)->getButton() : nullptr;
}

CMC_RegisterType typeRegistration("BUTTON", 6, &makeButton);
CMC_RegisterSnapshotType snapshotRegistration(MC_BUTTON, &restoreButton);
CMC_RegisterRunner<CMC_Button_Runner> runnerRegistration({MC_BUTTON});

struct Registration {
    Registration()
    {
        CWindowLayers& w = CWindow::layers();
        w.makeMouse = &makeMouse;
        w.deleteMouse = &deleteMouse;
        w.hotSpotMouseEvent = [](int event, CXPoint p, int flags) { return CHotSpot::OnMouseEvent(event, p, flags); };
        w.hotSpotChar = [](int key, int data) { return CHotSpot::OnChar(key, data); };
        CApplicationLayers& a = CApplication::layers();
        a.setMinHotSpotPriority = &CHotSpot::setMinPriority;
        a.setMaxHotSpotPriority = &CHotSpot::setMaxPriority;
        a.getMinHotSpotPriority = &CHotSpot::getMinPriority;
        a.getMaxHotSpotPriority = &CHotSpot::getMaxPriority;
        a.doneHotSpots = &CHotSpot::done;
        CMC_Scene::setObjectMaker(CXString("BUTTON"), &makeButtonAtRunTime);
        CMC_Dialog::setButtonAccess(&buttonOf);
    }
} registration;

} // namespace
