#include "ui/ScriptKeyboard.h"

#include "collections/Array.h"
#include "graphics/Window.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Values.h"
#include "ui/Keyboard.h"

namespace {

// The key names by scan code.
struct KeyNames {
    const char* names[256] = {};
    KeyNames()
    {
        static const char* const digits[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"};
        static const char* const top[] = {"Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P"};
        static const char* const middle[] = {"A", "S", "D", "F", "G", "H", "J", "K", "L"};
        static const char* const bottom[] = {"Z", "X", "C", "V", "B", "N", "M"};
        static const char* const functions[] = {"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10"};
        put(1, {"ESC"});
        put(2, digits);
        put(15, {"TAB"});
        put(16, top);
        put(28, {"ENTER", "LCTRL"});
        put(30, middle);
        put(42, {"LSHIFT"});
        put(44, bottom);
        put(54, {"RSHIFT"});
        put(56, {"LALT", "SPACE", "CAPSLOCK"});
        put(59, functions);
        // The keypad's digits, named as the main row's.
        put(71, {"7", "8", "9"});
        put(75, {"4", "5", "6"});
        put(79, {"1", "2", "3", "0"});
        put(87, {"F11", "F12"});
        put(157, {"RCTRL"});
        put(184, {"RALT"});
        put(199, {"HOME", "UP", "PGUP"});
        put(203, {"LEFT"});
        put(205, {"RIGHT"});
        put(207, {"END", "DOWN", "PGDN", "INSERT", "DELETE"});
    }
    template <size_t N>
    void put(int code, const char* const (&list)[N])
    {
        for (const char* n : list)
            names[code++] = n;
    }
    void put(int code, std::initializer_list<const char*> list)
    {
        for (const char* n : list)
            names[code++] = n;
    }
};

const struct {
    const char* name;
    int id;
} methodNames[] = {
    {"ENABLE", CMC_Keyboard_Runner::ENABLE},
    {"DISABLE", CMC_Keyboard_Runner::DISABLE},
    {"SETAUTOREPEAT", CMC_Keyboard_Runner::SETAUTOREPEAT},
    {"ISKEYDOWN", CMC_Keyboard_Runner::ISKEYDOWN},
    {"GETLATESTKEY", CMC_Keyboard_Runner::GETLATESTKEY},
    {"ISENABLED", CMC_Keyboard_Runner::ISENABLED},
    {"GETLATESTKEYS", CMC_Keyboard_Runner::GETLATESTKEYS},
};

} // namespace

CXString CMC_Keyboard::getKeySignal(int code)
{
    static const KeyNames table;
    return code >= 0 && code < 256 && table.names[code] ? CXString(table.names[code]) : CXString();
}

CMC_Keyboard::CMC_Keyboard(CMC_ObjectsContainer* container)
    : CMC_Object(CXString("KEYBOARD"), MC_KEYBOARD), window(container ? container->getWindow() : nullptr),
      lastChar(255), enabled(true)
{
    scene = container;
    listen();
}

CMC_Keyboard::CMC_Keyboard(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(CXString("KEYBOARD"), MC_KEYBOARD), window(container ? container->getWindow() : nullptr),
      lastChar(255), enabled(true)
{
    scene = container;
    listen();
    initializeBehaviours(container, element);
}

void CMC_Keyboard::listen()
{
    overideSignals(false);
    if (window)
        window->registerKeyListener(this);
}

CMC_Keyboard::~CMC_Keyboard()
{
    if (window)
        window->removeKeyListener(this);
}

CXString** CMC_Keyboard::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", "ONCHAR", "ONKEYDOWN", "ONKEYUP", nullptr};
    return makeEventList(names);
}

CKeyboard* CMC_Keyboard::getKeyboard() { return window ? window->getKeyboardInterface() : nullptr; }

void CMC_Keyboard::raiseKey(int index, const char* event, int code)
{
    if (!enabled || !isEventBound(index))
        return;
    const CXString key = getKeySignal(code);
    latestKey = key;
    if (key.IsString() && onSignal(CXString(event) + "^" + key))
        return;
    onSignal(CXString(event));
}

void CMC_Keyboard::onKeyDown(int code) { raiseKey(EVENT_ONKEYDOWN, "ONKEYDOWN", code); }

void CMC_Keyboard::onKeyUp(int code) { raiseKey(EVENT_ONKEYUP, "ONKEYUP", code); }

void CMC_Keyboard::onChar(unsigned char c)
{
    if (!enabled || !isEventBound(EVENT_ONCHAR))
        return;
    lastChar = c;
    latestKey = CXString();
    latestKey += char(c);
    if (!onSignal(CXString("ONCHAR^") + latestKey))
        onSignal(CXString("ONCHAR"));
}

// The runner

void CMC_Keyboard_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (const auto& m : methodNames)
        registerMethod(m.name, m.id);
}

CMC_Variable* CMC_Keyboard_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_KEYBOARD)
        return CMC_Runner::run(id, object, container, args);
    CMC_Keyboard* keys = static_cast<CMC_Keyboard*>(object);
    switch (id) {
    case ENABLE: keys->enable(); return nullptr;
    case DISABLE: keys->disable(); return nullptr;
    case SETAUTOREPEAT:
        if (CKeyboard* device = keys->getKeyboard())
            device->setAutoRepeat(getParameterBool(args, 0)->getValue());
        return nullptr;
    case ISKEYDOWN: {
        CKeyboard* device = keys->getKeyboard();
        if (getArgCount(args) == 0)
            return CMC_Bool::temporary(device && device->isAnyKeyPressed());
        const CXString key = getParameterString(args, 0)->getValue();
        return CMC_Bool::temporary(keys->isEnabled() && device && device->isKeyPressed(key));
    }
    case GETLATESTKEY: return CMC_String::temporary(keys->getLatestKey());
    case ISENABLED: return CMC_Bool::temporary(keys->isEnabled());
    case GETLATESTKEYS: {
        // Only an ARRAY takes the keys; any other name leaves them queued.
        CMC_ObjectsContainer* names = container ? container : object->getScene();
        CMC_Object* target = names ? names->getObject(getParameterString(args, 0)->getValue()) : nullptr;
        if (!target || target->getType() != MC_ARRAY)
            return nullptr;
        std::deque<CXString>* queue = keys->getLatestKeys();
        for (size_t n = queue->size(); n > 0 && !queue->empty(); --n) {
            CMC_String* value = CMC_String::temporary(queue->front());
            queue->pop_front();
            static_cast<CMC_Array*>(target)->add(value);
            CMC_Object::flush(value);
        }
        return nullptr;
    }
    default: return CMC_Runner::run(id, object, container, args);
    }
}
