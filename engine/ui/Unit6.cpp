#include "ui/Unit6.h"

#include "base/ResourcesManager.h"
#include "base/XArray.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "media/Animo6.h"
#include "script/Application.h"
#include "script/Element.h"
#include "script/Scene.h"
#include "ui/Control.h"
#include "ui/EditBox6.h"
#include "ui/Keyboard.h"

#include <algorithm>

namespace {

// The application's cache, to which the units' caches are attached.
CResourcesManager* applicationResources(CWindow* window)
{
    CApplication* application = window ? window->GetApplicationInterface() : nullptr;
    return application ? application->getGeneralResourcesManager() : nullptr;
}
} // namespace

CUnit6::CUnit6(CWindow* w, const CXString& n)
    : CMC_PlainUnit(n, w), dragging(false), draggingMode(false), savedPriority(0), dragControl(nullptr),
      dragged(nullptr), parentResources(applicationResources(w)), retCode(0), retPath(new CXArray(101, 0.75f)),
      active(false), listening(false), resources(new CResourcesManager(w)), editCursor(nullptr),
      currentBox(nullptr)
{
    if (parentResources)
        parentResources->add(resources.get());
}

CUnit6::~CUnit6()
{
    stopDragging();
    // The window, and the application's cache with its application, may
    // have gone first.
    if (window != CWindow::getWindow())
        window = nullptr;
    listen(false);
    for (int id : timerIds)
        if (window)
            window->KillTimer(id);
    if (parentResources && applicationResources(window) == parentResources)
        parentResources->remove(resources.get());
    flushEditBoxes();
}

CUnit6* CUnit6::getDefUnit()
{
    CMC_ScreenUnit* unit = CMC_Scene::getDefUnit();
    return unit ? unit->getUnit6() : nullptr;
}

CRefreshScreen* CUnit6::getCanvas() { return window ? window->GetRefreshScreenInterface() : nullptr; }

void CUnit6::listen(bool on)
{
    if (!window || on == listening)
        return;
    listening = on;
    if (on) {
        window->registerKeyListener(this);
        window->registerMouseListener(this, MOUSE_PRIORITY);
    } else {
        window->removeKeyListener(this);
        window->removeMouseListener(this);
    }
}

void CUnit6::initialize(CMC_Scene* s, CMC_ScreenUnit* previous)
{
    retCode = 0;
    active = true;
    CMC_PlainUnit::initialize(s, previous);
    randomPlayables.reset(new CRandomPlayable(window, this));
    randomPlayables->addNotifier(this);
    setBackground();
    listen(true);
}

bool CUnit6::onInitialUpdate() { return CMC_PlainUnit::onInitialUpdate(); }

void CUnit6::done(CMC_Scene* s, CMC_ScreenUnit* next)
{
    // The scene's objects are gone by now, and with them what was dragged.
    stopDragging();
    if (CRefreshScreen* canvas = getCanvas()) {
        canvas->flush();
        canvas->SetBackground(static_cast<CGraphicsObject*>(nullptr));
    }
    CMC_PlainUnit::done(s, next);
    active = false;
    randomPlayables.reset();
    listen(false);
    resources->flush();
    retPath->removeAll();
}

void CUnit6::setBackground()
{
    if (!window)
        return;
    CXString name = getBackgroundFileName();
    if (name.IsString())
        window->SetBackground(name);
    else
        window->SetBackground(static_cast<CColor*>(nullptr));
}

// Timers

void CUnit6::setTimer(int id, int intervalMs, bool onlyWhileActive)
{
    if (!window)
        return;
    window->SetTimer(id, unsigned(intervalMs), this, onlyWhileActive);
    if (std::find(timerIds.begin(), timerIds.end(), id) == timerIds.end())
        timerIds.push_back(id);
}

void CUnit6::killTimer(int id)
{
    if (!window)
        return;
    window->KillTimer(id);
    timerIds.erase(std::remove(timerIds.begin(), timerIds.end(), id), timerIds.end());
}

// Random playables

void CUnit6::addRandomPlayable(CPlayable* playable, double probability, int interval, CXString event)
{
    if (randomPlayables)
        randomPlayables->add(playable, probability, interval, event);
}

void CUnit6::removeRandomPlayable(CPlayable* playable)
{
    if (randomPlayables)
        randomPlayables->remove(playable);
}

// Edit boxes

CEditBox6* CUnit6::addEditBox(CSimpleFont6* font, CXRect rect, int priority, CXString text)
{
    CEditBox6* box = new CEditBox6(window, this, font, rect, priority, text);
    if (editCursor)
        box->setCursor(editCursor);
    editBoxes.add(box, 0, box);
    return box;
}

void CUnit6::activateEditBox(CEditBox6* box)
{
    if (currentBox)
        currentBox->activate(false);
    currentBox = box;
    if (box)
        box->activate(true);
}

void CUnit6::removeEditBox(CEditBox6* box)
{
    if (box == currentBox)
        currentBox = nullptr;
    while (editBoxes.remove(box)) {
    }
}

void CUnit6::flushEditBoxes()
{
    currentBox = nullptr;
    // A box may still reach the unit while it goes: the list is emptied
    // first.
    std::vector<CEditBox6*> boxes;
    editBoxes.forEach([&boxes](CEditBox6* box) { boxes.push_back(box); });
    editBoxes.removeAll();
    for (CEditBox6* box : boxes)
        delete box;
}

int CUnit6::getCurrentEditBoxIndex()
{
    return currentBox ? editBoxes.indexOf(currentBox) : -1;
}

void CUnit6::nextEditBox() { stepEditBox(1); }

void CUnit6::prevEditBox() { stepEditBox(-1); }

void CUnit6::stepEditBox(int step)
{
    const int start = getCurrentEditBoxIndex();
    if (start < 0)
        return;
    const int n = editBoxes.getSize();
    for (int i = (start + n + step) % n; i != start; i = (i + n + step) % n)
        if (editBoxes.at(i) && editBoxes.at(i)->isEnabled()) {
            activateEditBox(editBoxes.at(i));
            return;
        }
}

void CUnit6::onKeyDown(int key)
{
    if (key != TAB_KEY)
        return;
    CKeyboard* keyboard = window ? window->getKeyboardInterface() : nullptr;
    if (keyboard && (keyboard->isKeyPressed(CXString("lshift")) || keyboard->isKeyPressed(CXString("rshift"))))
        prevEditBox();
    else
        nextEditBox();
}

// Dragging

bool CUnit6::onStartDragging(CGraphicsObject* graphic, CXPoint point, CControl* control)
{
    stopDragging();
    dragging = true;
    dragControl = control;
    dragged = graphic;
    CRefreshScreen* canvas = getCanvas();
    if (graphic) {
        graphic->addInvalidateObserver(this);
        savedPriority = canvas ? canvas->GetPriority(graphic) : -1;
        if (canvas)
            canvas->SetPriority(graphic, DRAG_PRIORITY);
        dragStart = graphic->GetPosition();
    }
    lastDragPoint = point;
    if (control)
        control->onStartDragging(point);
    return true;
}

bool CUnit6::onDragging(CXPoint point)
{
    if (dragging && dragged) {
        dragged->Move(point.x - lastDragPoint.x, point.y - lastDragPoint.y);
        lastDragPoint = point;
        if (dragControl)
            dragControl->onDragging(point);
    }
    return dragging;
}

// The drag is over before the control is told, so that what the control's
// notifiers do (start another drag, delete the control) meets a unit at
// rest.
bool CUnit6::onEndDragging(CXPoint point)
{
    if (!dragging)
        return true;
    CGraphicsObject* graphic = dragged;
    CControl* control = dragControl;
    CXPoint at = graphic ? graphic->GetPosition() : point;
    if (graphic)
        if (CRefreshScreen* canvas = getCanvas())
            canvas->SetPriority(graphic, savedPriority);
    stopDragging();
    if (control) {
        control->Enable(true);
        control->onEndDragging(at);
    }
    return true;
}

void CUnit6::stopDragging()
{
    if (dragged)
        dragged->removeInvalidateObserver(this);
    dragging = false;
    dragged = nullptr;
    dragControl = nullptr;
}

void CUnit6::bringBackDraggingObjectPosition(CXPoint)
{
    if (!dragged)
        return;
    dragged->Invalidate();
    dragged->setPosition(dragStart);
    dragged->Invalidate();
}

void CUnit6::onControlGone(CControl* control)
{
    if (control && control == dragControl)
        stopDragging();
}

void CUnit6::onDestroy(CGraphicsObject* source)
{
    if (source == dragged)
        stopDragging();
}

void CUnit6::putOnCanvas(CAnimo6* animation, CMElement* element)
{
    if (!animation || !element)
        return;
    int priority = element->getPropertyBoolValue(CXString("ALWAYSONTOP"))
                       ? 1000
                       : element->getPropertyIntValue(CXString("PRIORITY"));
    if (element->getPropertyBoolValue(CXString("TOCANVAS")))
        if (CRefreshScreen* canvas = getCanvas())
            canvas->put(animation, priority);
}

// The mouse

bool CUnit6::onMouseMove(CXPoint p) { return dragging ? onDragging(p) : false; }

bool CUnit6::onClick(CXPoint p)
{
    if (dragging && draggingMode)
        onEndDragging(p);
    return false;
}

bool CUnit6::onRelease(CXPoint p)
{
    if (dragging && !draggingMode)
        onEndDragging(p);
    return false;
}
