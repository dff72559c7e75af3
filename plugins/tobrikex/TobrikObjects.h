#pragma once
#include "common/PluginObjects.h"
#include "script/Object.h"

#include <map>
#include <string>
#include <vector>

// The script objects of the TobrikEx plug-in. Each raises no event of its
// own ("init" does nothing, so not even "ONINIT"); each has one runner,
// kept until the library is released.
template <int Type, class Runner>
class CMC_TobrikObject : public CMC_Object {
public:
    enum { TYPE_ID = Type };

    CMC_TobrikObject(CMC_ObjectsContainer* container, CMElement* element) : CMC_Object(container, element, Type)
    {
        initializeBehaviours(container, element);
    }
    // For a snapshot: named "temp"; tells so in a box.
    CMC_TobrikObject(CMC_ObjectsContainer* container, const char* className, const char* caption)
        : CMC_Object(CXString("temp"), Type)
    {
        scene = container;
        restoringNotice(className, caption);
    }

    void init() override {}
    CXString** getBehavioursList() override { return pluginEventList(); }
    CMC_Runner* getRunner() override { return PluginRunner<Runner>::get(); }
};

// GAMEMOUSE (10001): a placeholder whose one working method shows the
// credits.
class CMC_GameMouse_Runner : public CDispatchRunner<CMC_GameMouse_Runner> {
public:
    enum { SHOW = 1, GO = 2, EMPTY = 3 };
    CMC_GameMouse_Runner();
    void prepareMthHashSet() override;

private:
    CMC_Variable* go(CMC_Object*, CMC_ObjectsContainer* container, CXVector*);
};

class CMC_GameMouse : public CMC_TobrikObject<10001, CMC_GameMouse_Runner> {
public:
    using CMC_TobrikObject::CMC_TobrikObject;
    explicit CMC_GameMouse(CMC_ObjectsContainer* c) : CMC_TobrikObject(c, "GameMouse", "GameMouse") {}
};

// KEYMAPPER (10002): other names for keys. The mappings live in the runner,
// shared by every KEYMAPPER of the scenes that load the plug-in, until the
// library is released. A key mapped twice keeps its first name (the table
// finds the first entry put under a key); a name lists itself and every key
// mapped to it.
class CMC_KeyMapper_Runner : public CDispatchRunner<CMC_KeyMapper_Runner> {
public:
    enum { SHOW = 1, SETKEYMAPPING = 2, GETLATESTKEY = 3, MAPKEY = 4, ISKEYDOWN = 5, EMPTY = 6 };
    CMC_KeyMapper_Runner();
    void prepareMthHashSet() override;

    void setKeyMapping(const CXString& key, const CXString& name);
    // The key's name, the key itself when it has none.
    CXString mapKey(const CXString& key);
    // Whether the name, or a key mapped to it, is down. A name with keys
    // mapped to it is never down while the scene's KEYBOARD is disabled
    // (or missing); a name without is asked of the keyboard directly.
    bool isKeyDown(CMC_ObjectsContainer* container, const CXString& name);

private:
    CMC_Variable* mapping(CMC_Object*, CMC_ObjectsContainer*, CXVector* args);
    CMC_Variable* latestKey(CMC_Object*, CMC_ObjectsContainer* container, CXVector*);
    CMC_Variable* map(CMC_Object*, CMC_ObjectsContainer*, CXVector* args);
    CMC_Variable* keyDown(CMC_Object*, CMC_ObjectsContainer* container, CXVector* args);

    // Key -> name, and name -> the name itself and its keys, in the order
    // mapped (a key mapped twice to a name is listed twice).
    std::map<std::string, CXString> forward;
    std::map<std::string, std::vector<CXString>> reverse;
};

class CMC_KeyMapper : public CMC_TobrikObject<10002, CMC_KeyMapper_Runner> {
public:
    using CMC_TobrikObject::CMC_TobrikObject;
    explicit CMC_KeyMapper(CMC_ObjectsContainer* c) : CMC_TobrikObject(c, "KeyMapper", "KeyMapper") {}
};

// KULKI (10000): the ball game. A throw places the ball at a point, pushes
// it away from the centre (400, 410) while it lies on the image "IN" and
// pulls it in while it lies on "OUT", until it lies on neither (or after
// MAX_STEPS steps); there it is tested against the targets "KULA<row><col>"
// and shown either as itself or, on a target, as "SZKULA".
class CMC_Kulki_Runner : public CDispatchRunner<CMC_Kulki_Runner> {
public:
    enum { SHOW = 1, GO = 2, GO2 = 3, GO3 = 4, EMPTY = 5 };
    enum { MAX_STEPS = 10000 };
    CMC_Kulki_Runner();
    void prepareMthHashSet() override;

    // The throw on a grid of rows x columns; false, moving nothing, when
    // the ball or "SZKULA" is not an animation of the scene.
    static bool throwBall(CMC_ObjectsContainer* container, const CXString& ball, int x, int y, float step, int rows,
                          int columns);

private:
    CMC_Variable* go(CMC_Object*, CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* go2(CMC_Object*, CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* go3(CMC_Object*, CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* grid(CMC_ObjectsContainer* container, CXVector* args, int rows, int columns);
};

class CMC_Kulki : public CMC_TobrikObject<10000, CMC_Kulki_Runner> {
public:
    using CMC_TobrikObject::CMC_TobrikObject;
    explicit CMC_Kulki(CMC_ObjectsContainer* c) : CMC_TobrikObject(c, "Kulki", "Kulki") {}
};
