#pragma once
// A small world for running behaviours: the pools and runners, a scene, and
// probe objects whose runner records every call ("P.LOG(a,b)") and answers
// GET with the INTEGER 42, STOP1..STOP3 with the stop values, and ACT with
// whatever the probe's action does. Also the window's timer and trash.
#include "ScriptTypes.h"
#include "ValueSupport.h"
#include "base/WindowServices.h"
#include "base/XTimer.h"
#include "platform/Clock.h"
#include "script/Behaviour.h"
#include "script/BehaviourEntry.h"
#include "script/Disposal.h"
#include "script/Runner.h"
#include "script/RunnerFactory.h"

#include <functional>
#include <string>
#include <vector>

namespace scripttest {

enum { PROBE_TYPE = 9100 };

inline std::vector<std::string>& calls()
{
    static std::vector<std::string> log;
    return log;
}

class Probe : public CMC_Object {
public:
    explicit Probe(const char* n) : CMC_Object(CXString(n), PROBE_TYPE) {}
    std::function<CMC_Variable*(CXVector*)> action;
};

class ProbeRunner : public CMC_Runner {
public:
    enum { LOG = 1, GET, STOP1, STOP2, STOP3, ACT, PLAY, STOP };
    void prepareMthHashSet() override
    {
        CMC_Runner::prepareMthHashSet();
        for (int id = LOG; id <= STOP; ++id)
            registerMethod(names()[id], id);
    }
    CMC_Variable* run(int id, CMC_Object* o, CMC_ObjectsContainer* c, CXVector* args) override
    {
        if (!o || o->getType() != PROBE_TYPE || (id != -1 && (id < LOG || id > STOP)))
            return CMC_Runner::run(id, o, c, args);
        std::string entry = std::string(o->getName().c_str()) + "." + (id < LOG ? "?" : names()[id]) + "(";
        for (int i = 0; i < getArgCount(args); ++i) {
            entry += i ? "," : "";
            entry += getArgument(args, i) ? getParameterString(args, i)->getValue().c_str() : "null";
        }
        calls().push_back(entry + ")");
        switch (id) {
        case GET: return CMC_Integer::temporary(42);
        case STOP1: return stopValue(-1);
        case STOP2: return stopValue(-2);
        case STOP3: return stopValue(-3);
        case ACT: return static_cast<Probe*>(o)->action ? static_cast<Probe*>(o)->action(args) : nullptr;
        default: return nullptr;
        }
    }
    using CMC_Runner::run;

private:
    static const char* const* names()
    {
        static const char* const list[] = {"", "LOG", "GET", "STOP1", "STOP2", "STOP3", "ACT", "PLAY", "STOP"};
        return list;
    }
};

struct Runners {
    Runners() { CMC_RunnerFactory::initialize(); }
    ~Runners() { CMC_RunnerFactory::done(); }
};

// The engine timer on a manual clock, with the trash, installed as the
// window's for one test.
struct WindowTimer {
    platform::ManualClock clock{1000};
    platform::ScopedClock scoped{&clock};
    CXTimer timer;
    CTrashList trash;
    WindowTimer()
    {
        CWindowServices::setTimer(&timer);
        CWindowServices::setTrash(&trash);
    }
    ~WindowTimer()
    {
        CWindowServices::setTimer(nullptr);
        CWindowServices::setTrash(nullptr);
    }
    // Advances the clock and runs the timers once, as a frame does.
    void frame(uint32_t ms)
    {
        clock.advance(ms);
        timer.domodal();
    }
};

// Pools, runners and a scene holding the probes P, ANIM and Q.
class World {
public:
    World()
    {
        calls().clear();
        for (const char* n : {"P", "ANIM", "Q"})
            scene.addObject(new Probe(n));
    }
    ~World() { CMC_Disposal::freeAll(); }

    Probe* probe(const char* n) { return static_cast<Probe*>(scene.getObject(n)); }
    // A behaviour added to the scene and initialised.
    CMC_Behaviour* behaviour(const char* n, const char* code)
    {
        CMC_Behaviour* b = new CMC_Behaviour(&scene, CXString(n), CXString(code));
        scene.addObject(b);
        b->init();
        return b;
    }
    // Parameter texts for a run; released by the World.
    CXArray* params(std::initializer_list<const char*> texts)
    {
        CXArray* list = new CXArray(101, 0.75f);
        for (const char* t : texts)
            list->add(new CXString(t));
        owned.emplace_back(list, &CXString::releaseToVector);
        return list;
    }
    // A new list of texts for a caller that takes it over.
    static CXArray* texts(std::initializer_list<const char*> list)
    {
        CXArray* made = new CXArray(101, 0.75f);
        for (const char* t : list)
            made->add(new CXString(t));
        return made;
    }
    // Runs code once in a fresh behaviour; true when it stopped with -1.
    bool run(const char* code, CXArray* params = nullptr)
    {
        CMC_Behaviour* b = behaviour("RUN_ME", code);
        return b->run(nullptr, params, false);
    }

    Pools pools;
    Runners runners;
    TestScene scene{"ROOM"};

private:
    std::vector<std::unique_ptr<CXArray, void (*)(CXArray*)>> owned;
};

inline int taken()
{
    int n = 0;
    for (int type : {MC_INTEGER, MC_STRING, MC_BOOL, MC_DOUBLE})
        n += CMC_VariableFactory::getTakenCount(type);
    return n;
}

} // namespace scripttest
