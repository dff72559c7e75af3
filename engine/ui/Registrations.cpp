// What the controls and input layer gives the layers below it: the window's
// keyboard and mouse devices and its hot-spot dispatch, the application's
// hot-spot priority window and shutdown, the scenes' screen unit, the panel
// of the script DIALOG, the script BUTTON (its creation
// from definitions, from snapshots and at run time, its runner, and the
// engine button behind it for the script dialog), the script EDITBOX, and
// the script KEYBOARD, MOUSE (with the cursor limits the window and the
// scenes reset) and JOYSTICK.
#include "base/Archive.h"
#include "graphics/Window.h"
#include "script/Application.h"
#include "script/BuiltinRunner.h"
#include "script/Dialog.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/TypeRegistry.h"
#include "ui/Button.h"
#include "ui/ControlUnit.h"
#include "ui/DXMouse.h"
#include "ui/Dialog6.h"
#include "ui/HotSpot.h"
#include "ui/Keyboard.h"
#include "ui/ScriptButton.h"
#include "ui/ScriptEditBox.h"
#include "ui/ScriptJoystick.h"
#include "ui/ScriptKeyboard.h"
#include "ui/ScriptMouse.h"
#include "ui/Unit6.h"

namespace {

CDXMouse* makeMouse(CWindow* w) { return new CDXMouse(w); }
void deleteMouse(CDXMouse* m) { delete m; }
CKeyboard* makeKeyboard(CWindow* w) { return new CKeyboard(w); }
void deleteKeyboard(CKeyboard* k) { delete k; }

CMC_ScreenUnit* makeUnit(CWindow* w, const CXString& name) { return new CUnit6(w, name); }
CXDialog* makeDialog(CMC_ObjectsContainer* c) { return new CDialog6(c); }

CMC_Object* makeButton(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Button(c, e); }
CMC_Object* restoreButton(CMC_Scene* scene) { return new CMC_Button(scene); }

// CREATE's BUTTON: the object a snapshot record would fill, in the container
// that CREATE adds it to; it has no engine button.
CMC_Object* createButton(CMC_ObjectsContainer* c)
{
    CMC_Button* made = new CMC_Button(c);
    made->setScene(c);
    return made;
}

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

template <class T>
CMC_Object* make(CMC_ObjectsContainer* c, CMElement* e)
{
    return new T(c, e);
}
template <class T>
CMC_Object* restore(CMC_Scene* scene)
{
    return new T(scene);
}

// A joystick's record is the base record alone; its controller's index
// follows the records in the snapshot's state.
void joystickState(CMC_Object* o, CXArchive* archive)
{
    CMC_Joystick* joystick = static_cast<CMC_Joystick*>(o);
    if (archive->isStoring()) {
        *archive << joystick->getPort();
        return;
    }
    int port = 1;
    *archive >> &port;
    if (archive->LastError() == 0)
        joystick->setPort(port);
}

CMC_RegisterType editBoxType("EDITBOX", 6, &make<CMC_EditBox>);
CMC_RegisterSnapshotType editBoxSnapshot(MC_EDITBOX, &restore<CMC_EditBox>);
CMC_RegisterRunner<CMC_EditBox_Runner> editBoxRunner({MC_EDITBOX});

CMC_RegisterType keyboardType("KEYBOARD", 6, &make<CMC_Keyboard>);
CMC_RegisterType mouseType("MOUSE", 6, &make<CMC_Mouse>);
CMC_RegisterType joystickType("JOYSTICK", 6, &make<CMC_Joystick>);
CMC_RegisterSnapshotType keyboardSnapshot(MC_KEYBOARD, &restore<CMC_Keyboard>);
CMC_RegisterSnapshotType mouseSnapshot(MC_MOUSE, &restore<CMC_Mouse>);
CMC_RegisterSnapshotType joystickSnapshot(MC_JOYSTICK, &restore<CMC_Joystick>, &joystickState);
CMC_RegisterRunner<CMC_Keyboard_Runner> keyboardRunner({MC_KEYBOARD});
CMC_RegisterRunner<CMC_Mouse_Runner> mouseRunner({MC_MOUSE});
CMC_RegisterRunner<CMC_Joystick_Runner> joystickRunner({MC_JOYSTICK});

struct Registration {
    Registration()
    {
        CWindowLayers& w = CWindow::layers();
        w.makeMouse = &makeMouse;
        w.deleteMouse = &deleteMouse;
        w.makeKeyboard = &makeKeyboard;
        w.deleteKeyboard = &deleteKeyboard;
        w.resetScriptMouse = &CMC_Mouse::reset;
        w.restoreScriptMouse = &CMC_Mouse::restore;
        CMC_Scene::setMouseReset(&CMC_Mouse::reset);
        w.hotSpotMouseEvent = [](int event, CXPoint p, int flags) { return CHotSpot::OnMouseEvent(event, p, flags); };
        w.hotSpotChar = [](int key, int data) { return CHotSpot::OnChar(key, data); };
        CApplicationLayers& a = CApplication::layers();
        a.setMinHotSpotPriority = &CHotSpot::setMinPriority;
        a.setMaxHotSpotPriority = &CHotSpot::setMaxPriority;
        a.getMinHotSpotPriority = &CHotSpot::getMinPriority;
        a.getMaxHotSpotPriority = &CHotSpot::getMaxPriority;
        a.doneHotSpots = &CHotSpot::done;
        CMC_Scene::setObjectMaker(CXString("BUTTON"), &makeButtonAtRunTime);
        CMC_Builtin_Runner::setCreator("BUTTON", &createButton);
        CMC_Dialog::setButtonAccess(&buttonOf);
        CMC_Scene::setUnitMaker(&makeUnit);
        CXDialog::setMaker(&makeDialog);
    }
} registration;

} // namespace
