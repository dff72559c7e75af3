#include "script/Behaviour.h"

#include "base/Archive.h"
#include "base/FileReport.h"
#include "base/WindowServices.h"
#include "script/BehaviourEntry.h"
#include "script/BehaviourRunner.h"
#include "script/Condition.h"
#include "script/Disposal.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/TypeRegistry.h"

#include <climits>

namespace {
CMC_Object* makeBehaviour(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Behaviour(c, e); }
CMC_RegisterType registerBehaviour("BEHAVIOUR", 1, &makeBehaviour);

CMC_BehaviourBase* makeInline(CMC_ObjectsContainer* c, const CXString& name, const CXString& code)
{
    return new CMC_Behaviour(c, name, code);
}
struct InstallMaker {
    InstallMaker() { CMC_BehaviourBase::setMaker(&makeInline); }
} installMaker;

// Timer ids come from a counter: an address does not fit an id.
int timerIds = 0;


CXString stripBraces(const CXString& text)
{
    if (text.GetAt(0) == '{')
        return text.Mid(1, text.getLength() - 1);
    return text;
}

CXString trimmed(CXString text)
{
    text.AllTrim(' ');
    return text;
}
} // namespace

long long CMC_Behaviour::stepLimit = 0;
long long CMC_Behaviour::steps = 0;
bool CMC_Behaviour::brokenOff = false;

void CMC_Behaviour::breakOff()
{
    static bool told = false;
    if (nesting >= MAX_NESTING && !told) {
        told = true;
        CFileReport::tell(CXString("script code nested more than 400 levels deep (code that calls itself without "
                                   "end); it is broken off where it stands"));
    }
    brokenOff = true;
}

void CMC_Behaviour::setStepLimit(long long limit)
{
    stepLimit = limit;
    steps = 0;
}

CMC_Behaviour::CMC_Behaviour(CMC_ObjectsContainer* container)
    : CMC_BehaviourBase(container, CXString()), condition(nullptr), conditionEpoch(0), lines(nullptr),
      retired(nullptr), tickCount(0), tickLimit(0), timerParams(nullptr), endBehaviour(nullptr), endEpoch(0),
      tempObjects(nullptr), enabled(true), breakpoint(-1), running(0), timerId(0), timerDone(false),
      inPublicTrash(false), orphaned(false)
{
}

CMC_Behaviour::CMC_Behaviour(CMC_ObjectsContainer* container, CMElement* element) : CMC_Behaviour(container)
{
    if (element) {
        name = element->getName();
        code = element->getPropertyValue(CXString("CODE"));
        if (code.GetAt(0) == '{' && code.lastChar() == '}')
            code = code.Mid(1, code.getLength() - 1);
        conditionName = element->getPropertyValue(CXString("CONDITION"));
    }
}

CMC_Behaviour::CMC_Behaviour(CMC_ObjectsContainer* container, const CXString& n, const CXString& text)
    : CMC_Behaviour(container)
{
    name = n;
    code = trimmed(text);
}

// Finished first, so that nothing its parts set off while they are taken
// apart runs it.
CMC_Behaviour::~CMC_Behaviour()
{
    finish();
    if (timerId && CWindowServices::getTimer())
        CWindowServices::getTimer()->remove(timerId);
    timerId = 0;
    if (inPublicTrash && CWindowServices::getTrash())
        CWindowServices::getTrash()->remove(this);
    releaseLines(false);
    freeRetired();
    dropTempObjects(0);
    delete tempObjects;
    releaseTimerParams();
}

void CMC_Behaviour::init()
{
    CMC_Object::init();
    code = stripBraces(code);
    // Parsed already as it stands: the lines stay (and so do the anonymous
    // behaviours they made, which the container may be initialising).
    if (lines && parsedText == code)
        return;
    parse(code);
}

void CMC_Behaviour::dropLines()
{
    if (running > 0)
        retireLines();
    else
        releaseLines(false);
}

void CMC_Behaviour::parse(const CXString& text)
{
    dropLines();
    parsedText = text;
    if (text.IsString())
        lines = CMC_Behaviour_Entry::getCodeLines(this, text);
}

bool CMC_Behaviour::done(bool final)
{
    if (running > 0)
        retireLines();
    else
        releaseLines(final);
    parsedText = CXString();
    return CMC_Object::done(final);
}

void CMC_Behaviour::releaseLines(bool final)
{
    CMC_Behaviour_Entry** old = lines;
    lines = nullptr;
    CMC_Behaviour_Entry::freeLines(old, !final);
}

// Lines that are running stay until the outermost run ends.
void CMC_Behaviour::retireLines()
{
    if (!lines)
        return;
    if (!retired)
        retired = new CXVector(11, 0.75f);
    retired->add(reinterpret_cast<CXObject*>(lines));
    lines = nullptr;
}

void CMC_Behaviour::freeRetired()
{
    if (!retired)
        return;
    for (int i = 0; i < retired->getSize(); ++i)
        CMC_Behaviour_Entry::freeLines(reinterpret_cast<CMC_Behaviour_Entry**>((*retired)[i]), !orphaned);
    delete retired;
    retired = nullptr;
}

void CMC_Behaviour::setParams(CXArray* params)
{
    CXString text = CMC_Behaviour_Entry::fillParams(code, params);
    if (lines && parsedText == text)
        return;
    CMC_Behaviour_Entry::ForOneRun parsing;
    parse(text);
}

void CMC_Behaviour::resolveCondition()
{
    condition = nullptr;
    conditionEpoch = CMC_ObjectsContainer::getEpoch();
    if (!conditionName.IsString() || !scene)
        return;
    CMC_Object* found = scene->getObject(conditionName);
    if (CMC_BasicCondition::isCondition(found))
        condition = found;
}

CMC_Object* CMC_Behaviour::getCondition()
{
    if (condition && conditionEpoch != CMC_ObjectsContainer::getEpoch())
        resolveCondition();
    return condition;
}

bool CMC_Behaviour::run(CMC_Object* owner, CXArray* params, bool checkCondition)
{
    if (!enabled || !lines || !lines[0])
        return false;
    Nesting guard;
    if (!guard.ok())
        return false;
    if (checkCondition && condition && getCondition() &&
        !static_cast<CMC_BasicCondition*>(condition)->valid(true))
        return false;
    int firstTemp = tempObjects ? tempObjects->getSize() : 0;
    // The container the names are looked up in is used up to the run's end,
    // also when the code deletes it (a class instance deleted by its own
    // method). The owner is held by whoever runs the behaviour for it (an
    // event it raises, a statement that names it).
    CMC_Hold hold(scene);
    ++running;
    bool result = false;
    // The lines are kept for this run even when replaced meanwhile.
    CMC_Behaviour_Entry** current = lines;
    for (int i = 0; current[i]; ++i) {
        CMC_Variable* r = current[i]->run(owner, params);
        if (isStopValue(r)) {
            result = r == stopValue(-1);
            break;
        }
        releaseResult(r, scene);
    }
    --running;
    if (tempObjects && tempObjects->getSize() > firstTemp)
        dropTempObjects(firstTemp);
    if (running == 0 && retired)
        freeRetired();
    return result;
}

void CMC_Behaviour::addTempObject(CMC_Object* object)
{
    if (!object)
        return;
    if (!tempObjects)
        tempObjects = new CXVector(101, 0.75f);
    tempObjects->add(object);
}

// The objects this run made for itself; they belong to the behaviour even
// when something took them out of the container already.
void CMC_Behaviour::dropTempObjects(int from)
{
    while (tempObjects && tempObjects->getSize() > from) {
        CMC_Object* object = static_cast<CMC_Object*>(tempObjects->takeAt(tempObjects->getSize() - 1));
        if (scene)
            scene->removeObject(object);
        CMC_Disposal::disposeTemporary(object);
    }
}

void CMC_Behaviour::serialize(CXArchive* ar)
{
    if (!ar)
        return;
    CMC_Object::serialize(ar);
    if (ar->isStoring()) {
        *ar << code << conditionName;
    } else {
        *ar >> &code;
        *ar >> &conditionName;
    }
}

void CMC_Behaviour::runOnTimer(int interval, int limit, CXArray* params, CMC_Behaviour* end)
{
    CXTimer* timer = CWindowServices::getTimer();
    if (timerId && timer)
        timer->remove(timerId);
    if (timerParams != params)
        releaseTimerParams();
    tickCount = 0;
    tickLimit = limit;
    timerParams = params;
    endBehaviour = end;
    endName = end ? end->getName() : CXString();
    endEpoch = CMC_ObjectsContainer::getEpoch();
    timerDone = false;
    timerIds = timerIds == INT_MAX ? 1 : timerIds + 1;
    timerId = timerIds;
    if (timer)
        timer->add(timerId, unsigned(interval), static_cast<CTimerNotificator*>(this));
    CDeferredTrash* trash = CWindowServices::getTrash();
    if (trash && !inPublicTrash) {
        trash->add(this);
        inPublicTrash = true;
    }
}

void CMC_Behaviour::onTimer(int id)
{
    if (id != timerId || timerDone)
        return;
    ++tickCount;
    if (!timerParams)
        timerParams = new CXArray(101, 0.75f);
    if (timerParams->getSize() == 0)
        timerParams->add(new CXString);
    *static_cast<CXString*>((*timerParams)[0]) = CXString::toString(tickCount);
    bool stop = run(this, timerParams, false);
    if (timerDone) {
        // Broken from inside the run: only the parameters were left.
        releaseTimerParams();
        return;
    }
    if (stop || (tickLimit > 0 && tickCount == tickLimit))
        endTimedRun(true);
}

// The end behaviour as it is now: looked up again by name after objects
// left a container.
CMC_Behaviour* CMC_Behaviour::endBehaviourNow()
{
    if (!endBehaviour || endEpoch == CMC_ObjectsContainer::getEpoch())
        return endBehaviour;
    CMC_Object* found = scene ? scene->getObject(endName) : nullptr;
    return found && found->getType() == MC_BEHAVIOUR ? static_cast<CMC_Behaviour*>(found) : nullptr;
}

void CMC_Behaviour::endTimedRun(bool runEnd)
{
    CXTimer* timer = CWindowServices::getTimer();
    if (timerId && timer)
        timer->remove(timerId);
    timerDone = true;
    CMC_Behaviour* end = runEnd ? endBehaviourNow() : nullptr;
    endBehaviour = nullptr;
    if (end) {
        end->run(this, timerParams, true);
        if (end->getName() == "temp" && scene && scene->removeObject(end))
            CMC_Disposal::dispose(end, CMC_Disposal::WITHOUT_DONE);
    }
    leaveContainer();
    if (running == 0)
        releaseTimerParams();
}

// Out of the container and marked for deletion: the window's trash frees
// it, or, without one, CMC_Disposal at the start of the next frame. That
// may be after the container is gone (the title ends, a class instance is
// deleted), so nothing that reaches the container is kept: the lines and
// the anonymous behaviours they made go now.
void CMC_Behaviour::leaveContainer()
{
    if (scene)
        scene->removeObject(this);
    setToDelete();
    dropLines();
    parsedText = CXString();
    if (!inPublicTrash)
        CMC_Disposal::deferFree(this);
}

// Called while the container's table still answers: the anonymous
// behaviours are looked up there as at any release. Lines that are running
// go when their run ends, without looking anything up.
void CMC_Behaviour::leaveScene()
{
    dropLines();
    parsedText = CXString();
    orphaned = true;
    condition = nullptr;
    endBehaviour = nullptr;
    scene = nullptr;
}

// A behaviour that was not on a timer may be bound to events: it is kept
// (not deleted) until the application ends.
void CMC_Behaviour::_break()
{
    bool timed = timerId != 0 || timerDone;
    CXTimer* timer = CWindowServices::getTimer();
    if (timerId && timer)
        timer->remove(timerId);
    timerDone = true;
    endBehaviour = nullptr;
    if (timed) {
        leaveContainer();
    } else {
        if (scene)
            scene->removeObject(this);
        CMC_Disposal::keep(this);
    }
    if (running == 0)
        releaseTimerParams();
}

void CMC_Behaviour::releaseTimerParams()
{
    CMC_Behaviour_Runner::flushParams(timerParams);
    timerParams = nullptr;
}
