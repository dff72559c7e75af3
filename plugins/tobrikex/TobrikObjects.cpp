#include "tobrikex/TobrikObjects.h"

#include "graphics/Window.h"
#include "media/Animo6.h"
#include "objects/ScriptAnimo.h"
#include "objects/ScriptImage.h"
#include "graphics/Image.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Values.h"
#include "ui/Keyboard.h"
#include "ui/ScriptKeyboard.h"

#include <cstdio>

namespace {

std::string keyOf(const CXString& s) { return std::string(s.c_str(), size_t(s.getLength())); }

CMC_Keyboard* keyboardObject(CMC_ObjectsContainer* container)
{
    CMC_Object* o = container ? container->getObject("KEYBOARD") : nullptr;
    return o && o->getType() == MC_KEYBOARD ? static_cast<CMC_Keyboard*>(o) : nullptr;
}

CAnimo6* animationOf(CMC_ObjectsContainer* container, const CXString& name)
{
    CMC_Object* o = container ? container->getObject(name) : nullptr;
    return o && o->getType() == MC_ANIMO ? static_cast<CMC_Animo*>(o)->getAnimo() : nullptr;
}

CImage* imageOf(CMC_ObjectsContainer* container, const char* name)
{
    CMC_Object* o = container ? container->getObject(name) : nullptr;
    return o && o->getType() == MC_IMAGE ? static_cast<CMC_Image*>(o)->getImage() : nullptr;
}

} // namespace

CMC_GameMouse_Runner::CMC_GameMouse_Runner() : CDispatchRunner(CMC_GameMouse::TYPE_ID) {}

void CMC_GameMouse_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerHandler("SHOW", SHOW, &CMC_GameMouse_Runner::show);
    registerHandler("GO", GO, &CMC_GameMouse_Runner::go);
    registerHandler("EMPTY", EMPTY, nullptr);
}

// Looks the scene's MOUSE up and leaves it be.
CMC_Variable* CMC_GameMouse_Runner::go(CMC_Object*, CMC_ObjectsContainer* container, CXVector*)
{
    if (container)
        container->getObject("MOUSE");
    return nullptr;
}

CMC_KeyMapper_Runner::CMC_KeyMapper_Runner() : CDispatchRunner(CMC_KeyMapper::TYPE_ID) {}

void CMC_KeyMapper_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerHandler("SHOW", SHOW, &CMC_KeyMapper_Runner::show);
    registerHandler("SETKEYMAPPING", SETKEYMAPPING, &CMC_KeyMapper_Runner::mapping);
    registerHandler("GETLATESTKEY", GETLATESTKEY, &CMC_KeyMapper_Runner::latestKey);
    registerHandler("MAPKEY", MAPKEY, &CMC_KeyMapper_Runner::map);
    registerHandler("ISKEYDOWN", ISKEYDOWN, &CMC_KeyMapper_Runner::keyDown);
    registerHandler("EMPTY", EMPTY, nullptr);
}

void CMC_KeyMapper_Runner::setKeyMapping(const CXString& key, const CXString& name)
{
    forward.emplace(keyOf(key), name);
    auto list = reverse.find(keyOf(name));
    if (list == reverse.end())
        list = reverse.emplace(keyOf(name), std::vector<CXString>{name}).first;
    list->second.push_back(key);
}

CXString CMC_KeyMapper_Runner::mapKey(const CXString& key)
{
    auto it = forward.find(keyOf(key));
    return it == forward.end() ? key : it->second;
}

bool CMC_KeyMapper_Runner::isKeyDown(CMC_ObjectsContainer* container, const CXString& name)
{
    CWindow* window = container ? container->getWindow() : nullptr;
    CKeyboard* keyboard = window ? window->getKeyboardInterface() : nullptr;
    if (!keyboard)
        return false;
    auto list = reverse.find(keyOf(name));
    if (list == reverse.end())
        return keyboard->isKeyPressed(name);
    CMC_Keyboard* keys = keyboardObject(container);
    if (!keys || !keys->isEnabled())
        return false;
    for (const CXString& key : list->second)
        if (keyboard->isKeyPressed(key))
            return true;
    return false;
}

CMC_Variable* CMC_KeyMapper_Runner::mapping(CMC_Object*, CMC_ObjectsContainer*, CXVector* args)
{
    if (getArgCount(args) >= 2)
        setKeyMapping(getParameterString(args, 0)->getValue(), getParameterString(args, 1)->getValue());
    return nullptr;
}

CMC_Variable* CMC_KeyMapper_Runner::latestKey(CMC_Object*, CMC_ObjectsContainer* container, CXVector*)
{
    CMC_Keyboard* keys = keyboardObject(container);
    return CMC_String::temporary(keys ? mapKey(keys->getLatestKey()) : CXString());
}

CMC_Variable* CMC_KeyMapper_Runner::map(CMC_Object*, CMC_ObjectsContainer*, CXVector* args)
{
    if (getArgCount(args) < 1)
        return nullptr;
    return CMC_String::temporary(mapKey(getParameterString(args, 0)->getValue()));
}

CMC_Variable* CMC_KeyMapper_Runner::keyDown(CMC_Object*, CMC_ObjectsContainer* container, CXVector* args)
{
    if (getArgCount(args) < 1)
        return nullptr;
    return CMC_Bool::temporary(isKeyDown(container, getParameterString(args, 0)->getValue()));
}

CMC_Kulki_Runner::CMC_Kulki_Runner() : CDispatchRunner(CMC_Kulki::TYPE_ID) {}

void CMC_Kulki_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerHandler("SHOW", SHOW, &CMC_Kulki_Runner::show);
    registerHandler("GO", GO, &CMC_Kulki_Runner::go);
    registerHandler("GO2", GO2, &CMC_Kulki_Runner::go2);
    registerHandler("GO3", GO3, &CMC_Kulki_Runner::go3);
    registerHandler("EMPTY", EMPTY, nullptr);
}

// GO's step is read as an integer; without it the step is 0.05.
CMC_Variable* CMC_Kulki_Runner::go(CMC_Object*, CMC_ObjectsContainer* container, CXVector* args)
{
    if (getArgCount(args) < 3)
        return nullptr;
    float step = getArgCount(args) >= 4 ? float(getParameterInteger(args, 3)->getValue()) : 0.05f;
    return CMC_Bool::temporary(throwBall(container, getParameterString(args, 0)->getValue(),
                                         getParameterInteger(args, 1)->getValue(),
                                         getParameterInteger(args, 2)->getValue(), step, 2, 6));
}

CMC_Variable* CMC_Kulki_Runner::grid(CMC_ObjectsContainer* container, CXVector* args, int rows, int columns)
{
    if (getArgCount(args) < 4)
        return nullptr;
    float step = float(getParameterDouble(args, 3)->getValue());
    return CMC_Bool::temporary(throwBall(container, getParameterString(args, 0)->getValue(),
                                         getParameterInteger(args, 1)->getValue(),
                                         getParameterInteger(args, 2)->getValue(), step, rows, columns));
}

CMC_Variable* CMC_Kulki_Runner::go2(CMC_Object*, CMC_ObjectsContainer* container, CXVector* args)
{
    return grid(container, args, 2, 3);
}

CMC_Variable* CMC_Kulki_Runner::go3(CMC_Object*, CMC_ObjectsContainer* container, CXVector* args)
{
    return grid(container, args, 3, 3);
}

// The ball is placed where it stopped before the targets are tested, so
// that the test sees this throw's point, not the last one's.
bool CMC_Kulki_Runner::throwBall(CMC_ObjectsContainer* container, const CXString& ballName, int ix, int iy,
                                 float step, int rows, int columns)
{
    CAnimo6* ball = animationOf(container, ballName);
    CAnimo6* marker = animationOf(container, CXString("SZKULA"));
    if (!ball || !marker)
        return false;
    CImage* in = imageOf(container, "IN");
    CImage* out = imageOf(container, "OUT");
    float x = float(ix), y = float(iy);
    if (ix == 400 && iy == 410) {
        x = 135;
        y = 413;
    }
    for (int n = 0; n < MAX_STEPS; ++n) {
        CXPoint p(CMC_Double::truncate(x), CMC_Double::truncate(y));
        int a = in && in->isAt(p, true) ? 1 : 0;
        int b = out && out->isAt(p, true) ? 1 : 0;
        if (a == 0 && b == 0)
            break;
        float f = 1 + float(a - b) * step;
        x = 400 + (x - 400) * f;
        y = 410 + (y - 410) * f;
    }
    const int px = CMC_Double::truncate(x), py = CMC_Double::truncate(y);
    ball->Invalidate();
    ball->setPosition(px, py);
    bool hit = false;
    char name[32];
    for (int row = 0; row < rows && !hit; ++row)
        for (int column = 0; column < columns && !hit; ++column) {
            std::snprintf(name, sizeof name, "KULA%d%d", row, column);
            CAnimo6* target = animationOf(container, CXString(name));
            hit = target && target->isNear(ball, 1);
        }
    if (hit) {
        ball->hide();
        ball->setPosition(px, py);
        ball->Invalidate();
        marker->show();
        marker->setPosition(px, py);
        marker->Invalidate();
    } else {
        ball->show();
        ball->setPosition(px, py);
        ball->Invalidate();
        marker->hide();
    }
    return hit;
}
