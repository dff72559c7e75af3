#include "ui/ScriptMouse.h"

#include "graphics/Window.h"
#include "platform/Platform.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Values.h"
#include "ui/DXMouse.h"

#include <algorithm>

namespace {

// Shared by every MOUSE object and outliving them: the cursor's clip
// rectangle in client coordinates; one without width or height is none.
platform::Rect clipRect;

bool hasClip() { return clipRect.right != clipRect.left && clipRect.bottom != clipRect.top; }

platform::Mouse* systemMouse()
{
    platform::Platform* p = platform::currentPlatform();
    return p ? &p->input().mouse() : nullptr;
}

void clipCursor(const platform::Rect* rect)
{
    if (platform::Mouse* m = systemMouse())
        m->clipCursor(rect);
}

const struct {
    const char* name;
    int id;
} methodNames[] = {
    {"SHOW", CMC_Mouse_Runner::SHOW},
    {"HIDE", CMC_Mouse_Runner::HIDE},
    {"ENABLE", CMC_Mouse_Runner::ENABLE},
    {"DISABLE", CMC_Mouse_Runner::DISABLE},
    {"GETPOSX", CMC_Mouse_Runner::GETPOSX},
    {"GETPOSY", CMC_Mouse_Runner::GETPOSY},
    {"GETLASTCLICKPOSX", CMC_Mouse_Runner::GETLASTCLICKPOSX},
    {"GETLASTCLICKPOSY", CMC_Mouse_Runner::GETLASTCLICKPOSY},
    {"SET", CMC_Mouse_Runner::SET},
    {"SETPOSITION", CMC_Mouse_Runner::SETPOSITION},
    {"MOVE", CMC_Mouse_Runner::MOVE},
    {"CLICK", CMC_Mouse_Runner::CLICK},
    {"ENABLESIGNAL", CMC_Mouse_Runner::ENABLESIGNAL},
    {"DISABLESIGNAL", CMC_Mouse_Runner::DISABLESIGNAL},
    {"MOUSERELEASE", CMC_Mouse_Runner::MOUSERELEASE},
    {"SETCLIPRECT", CMC_Mouse_Runner::SETCLIPRECT},
    {"LOCKACTIVECURSOR", CMC_Mouse_Runner::LOCKACTIVECURSOR},
    {"ISLBUTTONDOWN", CMC_Mouse_Runner::ISLBUTTONDOWN},
    {"ISRBUTTONDOWN", CMC_Mouse_Runner::ISRBUTTONDOWN},
};

} // namespace

CMC_Mouse::CMC_Mouse(CMC_ObjectsContainer* container) : CMC_Object(CXString("MOUSE"), MC_MOUSE)
{
    scene = container;
    listen();
}

CMC_Mouse::CMC_Mouse(CMC_ObjectsContainer* container, CMElement* element) : CMC_Object(container, element, MC_MOUSE)
{
    listen();
    initializeBehaviours(container, element);
}

void CMC_Mouse::listen()
{
    window = scene ? scene->getWindow() : nullptr;
    enabled = true;
    signalsEnabled = true;
    cursorShown = true;
    overideSignals(false);
    if (platform::Mouse* m = systemMouse()) {
        const platform::Point p = m->cursorPosition();
        position = CXPoint(p.x, p.y);
    }
    if (window)
        window->registerMouseListener(this, LISTENER_PRIORITY);
}

CMC_Mouse::~CMC_Mouse()
{
    if (window)
        window->removeMouseListener(this);
}

CXString** CMC_Mouse::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",  "ONDONE",    "ONSIGNAL",   "ONMOVE",
                                        "ONCLICK", "ONRELEASE", "ONDBLCLICK", nullptr};
    return makeEventList(names);
}

void CMC_Mouse::set(int kind)
{
    if (!window)
        return;
    switch (kind) {
    case 1: window->EndWaitCursor(); break;
    case 2: window->BeginWaitCursor(); break;
    case 3: window->BeginActiveCursor(); break;
    default: break;
    }
}

void CMC_Mouse::set(const CXString& kind)
{
    if (kind == "ARROW")
        set(1);
    else if (kind == "WAIT")
        set(2);
    else if (kind == "ACTIVE")
        set(3);
}

void CMC_Mouse::setPosition(int x, int y)
{
    position = CXPoint(x, y);
    if (platform::Mouse* m = systemMouse())
        m->setCursorPosition(platform::Point{x, y});
}

void CMC_Mouse::show()
{
    if (cursorShown)
        return;
    CWindow::ShowCursor();
    cursorShown = true;
}

void CMC_Mouse::hide()
{
    if (!cursorShown)
        return;
    CWindow::HideCursor();
    cursorShown = false;
}

void CMC_Mouse::enable()
{
    enabled = true;
    if (window)
        window->enableMouse(true);
}

void CMC_Mouse::disable()
{
    enabled = false;
    if (window)
        window->enableMouse(false);
}

void CMC_Mouse::setClipRect(int left, int top, int right, int bottom)
{
    clipRect = platform::Rect(std::min(left, right), std::min(top, bottom), std::max(left, right),
                              std::max(top, bottom));
    clipCursor(&clipRect);
}

void CMC_Mouse::restore() { clipCursor(hasClip() ? &clipRect : nullptr); }

void CMC_Mouse::reset(bool clear)
{
    if (clear)
        clipRect = platform::Rect();
    clipCursor(nullptr);
}

CXString CMC_Mouse::getButton(int code)
{
    switch (code) {
    case 0: return CXString("LEFT");
    case 1: return CXString("MIDDLE");
    case 2: return CXString("RIGHT");
    default: return CXString();
    }
}

bool CMC_Mouse::onMouseMove(CXPoint p, bool relative) { return onMouseMove(relative ? position + p : p); }

bool CMC_Mouse::onMouseMove(CXPoint p)
{
    position = p;
    if (enabled && isEventBound(EVENT_ONMOVE))
        onSignal(CXString("ONMOVE"));
    return false;
}

void CMC_Mouse::raiseButton(int index, const char* event, int button)
{
    if (!enabled || !signalsEnabled || !isEventBound(index))
        return;
    if (!onSignal(CXString(event) + "^" + getButton(button)))
        onSignal(CXString(event));
}

bool CMC_Mouse::onClick(int button, CXPoint p)
{
    if (button == 0)
        lastClickPosition = p;
    raiseButton(EVENT_ONCLICK, "ONCLICK", button);
    return false;
}

bool CMC_Mouse::onRelease(int button, CXPoint)
{
    raiseButton(EVENT_ONRELEASE, "ONRELEASE", button);
    return false;
}

bool CMC_Mouse::onDblClick(CXPoint)
{
    if (enabled && signalsEnabled && isEventBound(EVENT_ONDBLCLICK))
        onSignal(CXString("ONDBLCLICK"));
    return false;
}

// The runner

void CMC_Mouse_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (const auto& m : methodNames)
        registerMethod(m.name, m.id);
}

void CMC_Mouse_Runner::simulate(CMC_Mouse* mouse, CXVector* args, bool press)
{
    CWindow* window = mouse->getWindow();
    const CXPoint p(getParameterInteger(args, 0)->getValue(), getParameterInteger(args, 1)->getValue());
    const CXString button = getArgCount(args) > 2 ? getParameterString(args, 2)->getValue() : CXString("LEFT");
    if (!window)
        return;
    if (button == "LEFT")
        press ? window->OnLButtonDown(p, 0) : window->OnLButtonUp(p, 0);
    else if (button == "MIDDLE")
        press ? window->OnMButtonDown(p, 0) : window->OnMButtonUp(p, 0);
    else if (button == "RIGHT")
        press ? window->OnRButtonDown(p, 0) : window->OnRButtonUp(p, 0);
}

CMC_Variable* CMC_Mouse_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_MOUSE)
        return CMC_Runner::run(id, object, container, args);
    CMC_Mouse* mouse = static_cast<CMC_Mouse*>(object);
    auto integer = [&](int index) { return getParameterInteger(args, index)->getValue(); };
    switch (id) {
    case SHOW: mouse->show(); return nullptr;
    case HIDE: mouse->hide(); return nullptr;
    case ENABLE: mouse->enable(); return nullptr;
    case DISABLE: mouse->disable(); return nullptr;
    case GETPOSX: return CMC_Integer::temporary(mouse->getPosition().x);
    case GETPOSY: return CMC_Integer::temporary(mouse->getPosition().y);
    case GETLASTCLICKPOSX: return CMC_Integer::temporary(mouse->getLastClickPosition().x);
    case GETLASTCLICKPOSY: return CMC_Integer::temporary(mouse->getLastClickPosition().y);
    case SET: mouse->set(getParameterString(args, 0)->getValue()); return nullptr;
    case SETPOSITION: mouse->setPosition(integer(0), integer(1)); return nullptr;
    case MOVE: mouse->move(CXPoint(integer(0), integer(1))); return nullptr;
    case CLICK: simulate(mouse, args, true); return nullptr;
    case MOUSERELEASE: simulate(mouse, args, false); return nullptr;
    case ENABLESIGNAL: mouse->enableSignal(); return nullptr;
    case DISABLESIGNAL: mouse->disableSignal(); return nullptr;
    case SETCLIPRECT: {
        const int l = integer(0), t = integer(1), r = integer(2), b = integer(3);
        if (l == 0 && t == 0 && r == 0 && b == 0)
            CMC_Mouse::reset(true);
        else
            mouse->setClipRect(l, t, r, b);
        return nullptr;
    }
    case LOCKACTIVECURSOR:
        if (CWindow* window = mouse->getWindow())
            window->lockActiveCursor(getParameterBool(args, 0)->getValue());
        return nullptr;
    case ISLBUTTONDOWN:
    case ISRBUTTONDOWN: {
        CDXMouse* device = CDXMouse::getSingleton();
        const bool down = device && (id == ISLBUTTONDOWN ? device->isLeftDown() : device->isRightDown());
        return CMC_Bool::temporary(down);
    }
    default: return CMC_Runner::run(id, object, container, args);
    }
}
