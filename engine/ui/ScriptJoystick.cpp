#include "ui/ScriptJoystick.h"

#include "base/Archive.h"
#include "graphics/Window.h"
#include "platform/Input.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Values.h"

#include <cstdlib>

namespace {

const struct {
    const char* name;
    int id;
} methodNames[] = {
    {"GETBUTTONSTATE", CMC_Joystick_Runner::GETBUTTONSTATE},
    {"GETPOSITION", CMC_Joystick_Runner::GETPOSITION},
    {"ISLEFT", CMC_Joystick_Runner::ISLEFT},
    {"ISRIGHT", CMC_Joystick_Runner::ISRIGHT},
};

// |a - b| without overflowing.
int64_t distance(int a, int b) { return std::llabs(int64_t(a) - int64_t(b)); }

} // namespace

CMC_Joystick::CMC_Joystick(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_JOYSTICK), window(container ? container->getWindow() : nullptr),
      device(nullptr), port(1), buttonCount(0), lastX(-1), lastY(-1), lastZ(-1), yCounter(0), zCounter(0)
{
    const CXString index = element ? element->getPropertyValue(CXString("PORT")) : CXString();
    if (index.IsString())
        port = index.toNumber();
    initialize();
    initializeBehaviours(container, element);
}

CMC_Joystick::CMC_Joystick(CWindow* w)
    : CMC_Object(CXString("JOYSTICK"), MC_JOYSTICK), window(w), device(nullptr), port(1), buttonCount(0), lastX(-1),
      lastY(-1), lastZ(-1), yCounter(0), zCounter(0)
{
    initialize();
}

CMC_Joystick::CMC_Joystick(CMC_ObjectsContainer* container)
    : CMC_Object(CXString(""), MC_JOYSTICK), window(container ? container->getWindow() : nullptr), device(nullptr),
      port(1), buttonCount(0), lastX(-1), lastY(-1), lastZ(-1), yCounter(0), zCounter(0)
{
    scene = container;
}

CMC_Joystick::~CMC_Joystick()
{
    release();
    flushSignals(false);
}

CXString** CMC_Joystick::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",       "ONDONE", "ONSIGNAL", "ONBUTTONUP",
                                        "ONBUTTONDOWN", "ONMOVE", nullptr};
    return makeEventList(names);
}

void CMC_Joystick::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    if (!archive->isStoring())
        initialize();
}

// Every axis reports in -1000..1000, so that the signs of Y and Z tell the
// direction as they do for X, and a stick at rest reports nothing.
void CMC_Joystick::initialize()
{
    release();
    platform::Input* input = window ? window->getDIIfc() : nullptr;
    device = input && port >= 0 ? input->joystick(port) : nullptr;
    if (!device)
        return;
    for (int axis = 0; axis < 3; ++axis)
        device->setAxisRange(axis, AXIS_MIN, AXIS_MAX);
    device->acquire();
    buttonCount = device->buttonCount();
    buttonStates.assign(size_t(buttonCount), 0);
    yCounter = 0;
    zCounter = 0;
    window->addIPoller(this);
}

void CMC_Joystick::release()
{
    if (!device)
        return;
    window->removeIPoller(this);
    device->unacquire();
    device = nullptr;
}

void CMC_Joystick::setPort(int index)
{
    if (index == port && device)
        return;
    port = index;
    initialize();
}

bool CMC_Joystick::getButtonState(int n) { return n >= 0 && n < int(buttonStates.size()) && buttonStates[size_t(n)]; }

int CMC_Joystick::getAxis(int n) { return n == 0 ? lastX : n == 1 ? lastY : -1; }

void CMC_Joystick::tick()
{
    if (!device)
        return;
    // A lost controller is acquired once a tick until it comes back.
    if (device->poll() != platform::INPUT_OK) {
        device->acquire();
        return;
    }
    platform::JoystickState s;
    if (device->state(&s) != platform::INPUT_OK)
        return;
    for (size_t i = 0; i < buttonStates.size(); ++i) {
        const uint8_t now = s.buttons[i];
        if (now == 0 && buttonStates[i] == 1)
            queue.push_back(Record{BUTTON_UP, int(i), nullptr, nullptr});
        else if ((now & 0x80) && buttonStates[i] == 0)
            queue.push_back(Record{BUTTON_DOWN, int(i), nullptr, nullptr});
        buttonStates[i] = uint8_t(now >> 7);
    }
    if (distance(lastX, s.x) > 50) {
        queue.push_back(Record{MOVE, 0, s.x > 5 ? "RIGHT" : "LEFT", "X"});
        lastX = s.x;
    }
    slowAxis(s.y, lastY, yCounter, "DOWN", "UP", "Y");
    slowAxis(s.z, lastZ, zCounter, "IN", "OUT", "Z");
}

void CMC_Joystick::slowAxis(int32_t value, int& last, int& counter, const char* more, const char* less,
                            const char* name)
{
    if (distance(last, value) <= 300) {
        counter = 0;
        return;
    }
    if (++counter > 3) {
        queue.push_back(Record{MOVE, 0, value > 0 ? more : less, name});
        last = value;
    }
}

// The queue is taken first: a behaviour may reach this object again.
void CMC_Joystick::flushSignals(bool deliver)
{
    if (queue.empty())
        return;
    std::vector<Record> taken;
    taken.swap(queue);
    if (!deliver)
        return;
    for (const Record& r : taken) {
        if (r.kind == MOVE) {
            if (isEventBound(EVENT_ONMOVE) && !onSignal(CXString("ONMOVE^") + r.direction) &&
                !onSignal(CXString("ONMOVE^") + r.axis))
                onSignal(CXString("ONMOVE"));
            continue;
        }
        const bool down = r.kind == BUTTON_DOWN;
        if (!isEventBound(down ? EVENT_ONBUTTONDOWN : EVENT_ONBUTTONUP))
            continue;
        const CXString event(down ? "ONBUTTONDOWN" : "ONBUTTONUP");
        CXString withButton = event + "^";
        withButton += r.button;
        if (!onSignal(withButton))
            onSignal(event);
    }
}

// The runner

void CMC_Joystick_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (const auto& m : methodNames)
        registerMethod(m.name, m.id);
}

CMC_Variable* CMC_Joystick_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_JOYSTICK)
        return CMC_Runner::run(id, object, container, args);
    CMC_Joystick* joystick = static_cast<CMC_Joystick*>(object);
    switch (id) {
    case GETBUTTONSTATE:
        return CMC_Integer::temporary(joystick->getButtonState(getParameterInteger(args, 0)->getValue()) ? 1 : 0);
    case GETPOSITION: {
        const CXString axis = getParameterString(args, 0)->getValue();
        const int value = joystick->getAxis(axis == "X" ? 0 : axis == "Y" ? 1 : 2);
        return CMC_Integer::temporary(int(value * (800.0 / 65535.0)));
    }
    case ISLEFT: return CMC_Bool::temporary(joystick->getAxis(0) < 0);
    case ISRIGHT: return CMC_Bool::temporary(joystick->getAxis(0) > 0);
    default: return CMC_Runner::run(id, object, container, args);
    }
}
