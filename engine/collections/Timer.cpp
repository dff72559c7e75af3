#include "collections/Timer.h"

#include "base/Archive.h"
#include "base/EngineTimer.h"
#include "script/Element.h"
#include "script/RunnerFactory.h"
#include "script/TypeRegistry.h"
#include "script/Values.h"

namespace {

CMC_Object* makeTimer(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Timer(c, e); }

CMC_RegisterType typeRegistration("TIMER", 6, &makeTimer);
CMC_RegisterRunner<CMC_Timer_Runner> runnerRegistration({MC_TIMER});

// Registry ids of script timers: unique for the life of the process, from
// a range of their own (type id 2007 in the upper half) so that they do not
// meet the small ids of the window's own entries.
int nextTimerId()
{
    static int next = MC_TIMER << 16;
    return next++;
}

const struct {
    const char* name;
    int id;
} methodNames[] = {
    {"ENABLE", CMC_Timer_Runner::ENABLE},   {"DISABLE", CMC_Timer_Runner::DISABLE},
    {"PAUSE", CMC_Timer_Runner::PAUSE},     {"RESUME", CMC_Timer_Runner::RESUME},
    {"GETTICKS", CMC_Timer_Runner::GETTICKS}, {"RESET", CMC_Timer_Runner::RESET},
    {"SET", CMC_Timer_Runner::SET},         {"SETELAPSE", CMC_Timer_Runner::SETELAPSE},
};

} // namespace

CMC_Timer::CMC_Timer(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_TIMER), timerId(nextTimerId()), enabled(true), ticks(0), maxTicks(0)
{
    if (element) {
        elapse = element->getPropertyValue(CXString("ELAPSE"));
        registerEntry();
        maxTicks = element->getPropertyIntValue(CXString("TICKS"));
        if (element->isPropertyAvailable(CXString("ENABLED")) &&
            !element->getPropertyValue(CXString("ENABLED")).equalsIgnoreCase(CXString("true")))
            enabled = false;
    }
    initializeBehaviours(container, element);
}

CMC_Timer::CMC_Timer(CMC_ObjectsContainer* container)
    : CMC_Object(CXString("temp"), MC_TIMER), timerId(nextTimerId()), enabled(true), ticks(0), maxTicks(0)
{
    scene = container;
}

// The registry drops the entry at its next pass and never calls it again.
CMC_Timer::~CMC_Timer()
{
    if (CXTimer* registry = getEngineTimer())
        registry->remove(timerId);
}

void CMC_Timer::registerEntry()
{
    CXTimer* registry = getEngineTimer();
    if (!elapse.IsString() || !registry || registry->find(timerId))
        return;
    registry->add(timerId, unsigned(CXString::atoi(elapse.c_str())), static_cast<CTimerNotificator*>(this));
}

CXString** CMC_Timer::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", "ONTICK", nullptr};
    return makeEventList(names);
}

void CMC_Timer::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << elapse << maxTicks;
        return;
    }
    *archive >> &elapse;
    *archive >> &maxTicks;
    registerEntry();
}

void CMC_Timer::onTimer(int)
{
    if (!enabled)
        return;
    ++ticks;
    if (maxTicks > 0 && ticks == maxTicks)
        enabled = false;
    if (isEventBound(EVENT_ONTICK) && !onSignal(CXString("ONTICK^") + CXString::toString(ticks)))
        onSignal(CXString("ONTICK"));
}

void CMC_Timer::enable()
{
    if (enabled)
        return;
    ticks = 0;
    enabled = true;
    if (CXTimer* registry = getEngineTimer())
        registry->reset(timerId);
}

void CMC_Timer::disable() { enabled = false; }

void CMC_Timer::pause()
{
    enabled = false;
    if (CXTimer* registry = getEngineTimer())
        registry->pause();
}

void CMC_Timer::resume()
{
    if (enabled)
        return;
    enabled = true;
    if (CXTimer* registry = getEngineTimer())
        registry->resume();
}

void CMC_Timer::reset()
{
    if (CXTimer* registry = getEngineTimer())
        registry->reset(timerId);
    ticks = 0;
}

void CMC_Timer::set(int n)
{
    if (CXTimer* registry = getEngineTimer())
        registry->reset(timerId);
    ticks = n;
}

void CMC_Timer::setElapse(unsigned int ms)
{
    CXTimer* registry = getEngineTimer();
    CTimerObject* entry = registry ? registry->find(timerId) : nullptr;
    if (entry)
        entry->setInterval(ms);
}

void CMC_Timer_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (const auto& m : methodNames)
        registerMethod(m.name, m.id);
}

// SET and SETELAPSE without their argument do nothing.
CMC_Variable* CMC_Timer_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_TIMER)
        return CMC_Runner::run(id, object, container, args);
    CMC_Timer* timer = static_cast<CMC_Timer*>(object);
    switch (id) {
    case ENABLE: timer->enable(); return nullptr;
    case DISABLE: timer->disable(); return nullptr;
    case PAUSE: timer->pause(); return nullptr;
    case RESUME: timer->resume(); return nullptr;
    case GETTICKS: return CMC_Integer::temporary(timer->getTick());
    case RESET: timer->reset(); return nullptr;
    case SET:
        if (getArgCount(args) > 0)
            timer->set(getParameterInteger(args, 0)->getValue());
        return nullptr;
    case SETELAPSE:
        if (getArgCount(args) > 0)
            timer->setElapse(unsigned(getParameterInteger(args, 0)->getValue()));
        return nullptr;
    default: return CMC_Runner::run(id, object, container, args);
    }
}
