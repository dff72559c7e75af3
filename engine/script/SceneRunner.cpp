#include "script/SceneRunner.h"

#include "base/EngineTimer.h"
#include "base/XTimer.h"
#include "script/Application.h"
#include "script/BehaviourBase.h"
#include "script/Disposal.h"
#include "script/Group.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/ScriptApplication.h"
#include "script/String.h"
#include "script/Values.h"

#include <cstdint>

namespace {
CMC_RegisterRunner<CMC_Scene_Runner> registration({MC_SCENE});
CMC_Scene_Runner::ArrayValues arrayValues = nullptr;

CApplicationWindow* linkOf(CMC_ObjectsContainer* scene) { return CApplicationWindow::of(scene->getWindow()); }

CApplication* applicationOf(CMC_ObjectsContainer* scene)
{
    CApplicationWindow* link = linkOf(scene);
    return link ? link->GetApplicationInterface() : nullptr;
}

// Arithmetic of 32-bit integers that wraps as the original's did.
int wrapSub(int a, int b) { return int32_t(uint32_t(a) - uint32_t(b)); }
int wrapMul(int a, int b) { return int32_t(uint32_t(a) * uint32_t(b)); }

// Anything that collects query results: a group takes members, an array
// copies of values.
class ArrayTarget : public CMC_ObjectGroup {
public:
    explicit ArrayTarget(CMC_Object* array) : array(array), adder(CMC_Runner::getMemberAdder(MC_ARRAY)) {}
    void add(CMC_Object* member) override
    {
        if (adder)
            adder(array, member);
    }
    void removeAll() override {}

private:
    CMC_Object* array;
    CMC_Runner::MemberAdder adder;
};
} // namespace

void CMC_Scene_Runner::setArrayValues(ArrayValues access) { arrayValues = access; }

void CMC_Scene_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("STARTMUSIC", STARTMUSIC);
    registerMethod("STOPMUSIC", STOPMUSIC);
    registerMethod("GETDRAGGEDNAME", GETDRAGGEDNAME);
    registerMethod("GETPLAYINGSEQ", GETPLAYINGSEQ);
    registerMethod("RUN", RUN);
    registerMethod("RUNCLONES", RUNCLONES);
    registerMethod("CREATEOBJECT", CREATEOBJECT);
    registerMethod("REMOVE", REMOVE);
    registerMethod("REMOVECLONES", REMOVECLONES);
    registerMethod("SETMUSICVOLUME", SETMUSICVOLUME);
    registerMethod("GETMUSICVOLUME", GETMUSICVOLUME);
    registerMethod("SETMUSICPAN", SETMUSICPAN);
    registerMethod("SETMUSICFREQ", SETMUSICFREQ);
    registerMethod("PAUSE", PAUSE);
    registerMethod("RESUME", RESUME);
    registerMethod("SETMINHSPRIORITY", SETMINHSPRIORITY);
    registerMethod("SETMAXHSPRIORITY", SETMAXHSPRIORITY);
    registerMethod("GETELEMENTSNO", GETELEMENTSNO);
    registerMethod("TOTIME", TOTIME);
    registerMethod("ISPAUSED", ISPAUSED);
    registerMethod("GETPLAYINGANIMO", GETPLAYINGANIMO);
    registerMethod("RESUMEONLY", RESUMEONLY);
    registerMethod("GETMINHSPRIORITY", GETMINHSPRIORITY);
    registerMethod("GETMAXHSPRIORITY", GETMAXHSPRIORITY);
    registerMethod("GETRUNNINGTIMER", GETRUNNINGTIMER);
    registerMethod("GETOBJECTS", GETOBJECTS);
    registerMethod("RESUMESEQONLY", RESUMESEQONLY);
}

int CMC_Scene_Runner::volumeOf(int level)
{
    int d = wrapMul(wrapSub(level, 800), 3200) / 800;
    return d <= -3100 ? -10000 : d;
}

int CMC_Scene_Runner::levelOf(int volume) { return volume <= -3100 ? 0 : 800 + volume / 4; }

int CMC_Scene_Runner::panOf(int pan)
{
    int p = wrapMul(wrapSub(pan, 400), 3200) / 800 / 2;
    if (p <= -3100)
        return -10000;
    return p >= 3100 ? 10000 : p;
}

CXString CMC_Scene_Runner::toTime(int seconds)
{
    int m = seconds / 60;
    int s = seconds % 60;
    CXString text = CXString::toString(m / 10);
    text += CXString::toString(m % 10);
    text += CXString::toString(s / 10);
    text += CXString::toString(s % 10);
    return text;
}

CMC_Variable* CMC_Scene_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_SCENE)
        return CMC_Runner::run(id, object, container, args);
    CMC_Scene* scene = static_cast<CMC_Scene*>(object);
    int argc = getArgCount(args);
    const CApplicationLayers& layers = CApplication::layers();
    CApplicationWindow* link = linkOf(scene);
    switch (id) {
    case STARTMUSIC: {
        CXString name = argc >= 1 ? getParameterString(args, 0)->getValue() : CXString();
        scene->startMusic(argc >= 1 ? name.c_str() : nullptr, true);
        return nullptr;
    }
    case STOPMUSIC: scene->stopMusic(); return nullptr;
    case GETDRAGGEDNAME: return CMC_String::temporary(scene->getDraggedName());
    case RUN: {
        if (argc < 2)
            return nullptr;
        CMC_Object* target = scene->getObject(getParameterString(args, 0)->getValue());
        CXString method = getParameterString(args, 1)->getValue();
        return CMC_Application_Runner::runOn(this, target, method, scene, scene, args, 2, true);
    }
    case RUNCLONES: return runClones(scene, args);
    case CREATEOBJECT:
        if (argc >= 2) {
            CXString type = getParameterString(args, 0)->getValue();
            scene->createObject(type, getParameterString(args, 1)->getValue());
        }
        return nullptr;
    case REMOVE: {
        CMC_Object* target = argc >= 1 ? scene->getObject(getParameterString(args, 0)->getValue()) : nullptr;
        int type = target ? target->getType() : MC_SCENE;
        if (type != MC_APPLICATION && type != MC_EPISODE && type != MC_SCENE && scene->removeObject(target))
            CMC_Disposal::dispose(target, CMC_Disposal::WITHOUT_DONE);
        return nullptr;
    }
    case REMOVECLONES: return removeClones(scene, args);
    case SETMUSICVOLUME:
        if (link && argc >= 1)
            link->setMusicVolume(volumeOf(getParameterInteger(args, 0)->getValue()));
        return nullptr;
    case GETMUSICVOLUME: return CMC_Integer::temporary(levelOf(link ? link->getMusicVolume() : -10000));
    case SETMUSICPAN:
        if (link && argc >= 1)
            link->setMusicPan(panOf(getParameterInteger(args, 0)->getValue()));
        return nullptr;
    case SETMUSICFREQ:
        if (link && argc >= 1)
            link->setMusicFreq(getParameterInteger(args, 0)->getValue());
        return nullptr;
    case PAUSE: return pause(scene, args);
    case RESUME:
    case RESUMEONLY: return resume(scene, args, id);
    case SETMINHSPRIORITY:
    case SETMAXHSPRIORITY: {
        void (*set)(int) = id == SETMINHSPRIORITY ? layers.setMinHotSpotPriority : layers.setMaxHotSpotPriority;
        if (set && argc >= 1)
            set(getParameterInteger(args, 0)->getValue());
        return nullptr;
    }
    case GETMINHSPRIORITY:
    case GETMAXHSPRIORITY: {
        int (*get)() = id == GETMINHSPRIORITY ? layers.getMinHotSpotPriority : layers.getMaxHotSpotPriority;
        return CMC_Integer::temporary(get ? get() : 0);
    }
    case GETELEMENTSNO: return CMC_Integer::temporary(scene->getElementsNo());
    case TOTIME: return CMC_String::temporary(toTime(argc >= 1 ? getParameterInteger(args, 0)->getValue() : 0));
    case ISPAUSED: return CMC_Bool::temporary(paused);
    case GETPLAYINGSEQ:
    case GETPLAYINGANIMO:
    case GETRUNNINGTIMER:
    case GETOBJECTS:
    case RESUMESEQONLY: return query(id, scene, args);
    default: return CMC_Runner::run(id, scene, scene, args);
    }
}

CMC_Variable* CMC_Scene_Runner::pause(CMC_ObjectsContainer* scene, CXVector* args)
{
    if (paused)
        return nullptr;
    paused = true;
    const CApplicationLayers& layers = CApplication::layers();
    if (CApplication* app = applicationOf(scene)) {
        if (layers.pauseAnimations && app->getAnimoManagerIfc())
            layers.pauseAnimations(app->getAnimoManagerIfc());
        if (layers.pauseSounds && app->getSoundManagerIfc())
            layers.pauseSounds(app->getSoundManagerIfc());
    }
    if (CApplicationWindow* link = linkOf(scene))
        link->pause();
    bool keep = getArgCount(args) >= 1 && getParameterBool(args, 0)->getValue();
    if (!keep)
        if (CXTimer* timer = getEngineTimer())
            timer->pause();
    CXTimer::enable(keep);
    return nullptr;
}

CMC_Variable* CMC_Scene_Runner::resume(CMC_ObjectsContainer* scene, CXVector* args, int id)
{
    if (!paused)
        return nullptr;
    // RESUMEONLY names the group whose animations resume; its flag for the
    // timers comes second.
    int flagAt = id == RESUMEONLY ? 1 : 0;
    CMC_GroupMembers* only = nullptr;
    if (id == RESUMEONLY && getArgCount(args) >= 1)
        only = CMC_Groups::membersOf(scene->getObject(getParameterString(args, 0)->getValue()));
    paused = false;
    const CApplicationLayers& layers = CApplication::layers();
    if (CApplication* app = applicationOf(scene)) {
        if (layers.resumeAnimations && app->getAnimoManagerIfc())
            layers.resumeAnimations(app->getAnimoManagerIfc(), only);
        if (layers.resumeSounds && app->getSoundManagerIfc())
            layers.resumeSounds(app->getSoundManagerIfc());
    }
    if (CApplicationWindow* link = linkOf(scene))
        link->resume();
    resumeTimers(getArgCount(args) > flagAt ? getParameterBool(args, flagAt)->getValue() : true);
    return nullptr;
}

void CMC_Scene_Runner::resumeTimers(bool on)
{
    if (on)
        if (CXTimer* timer = getEngineTimer())
            timer->resume();
    CXTimer::enable(on);
}

// The clones' names are built from the text of the first argument; code
// that names no object runs as an anonymous behaviour that is not kept.
CMC_Variable* CMC_Scene_Runner::runClones(CMC_ObjectsContainer* scene, CXVector* args)
{
    int argc = getArgCount(args);
    if (argc < 4)
        return nullptr;
    CXString name = getParameterString(args, 0)->getValue();
    CMC_Object* target = scene->getObject(name);
    if (!target)
        return nullptr;
    int first = getParameterInteger(args, 1)->getValue();
    int last = getParameterInteger(args, 2)->getValue();
    first = first > 0 ? first : 1;
    last = last > 0 ? last : target->getClonesNo();
    CXString code = getParameterString(args, 3)->getValue();
    CMC_Object* found = scene->getObject(code);
    CMC_BehaviourBase* made = found ? nullptr : CMC_BehaviourBase::make(scene, CXString("temp"), code);
    CMC_Object* behaviour = found ? found : made;
    if (!behaviour || behaviour->getType() != MC_BEHAVIOUR) {
        delete made;
        return nullptr;
    }
    for (int i = first; i <= last; ++i) {
        CXArray params(101, 0.75f);
        params.add(new CXString(name + "_" + CXString::toString(i)));
        for (int a = 4; a < argc; ++a)
            params.add(new CXString(getParameterString(args, a)->getValue()));
        static_cast<CMC_BehaviourBase*>(behaviour)->run(scene, &params, false);
        for (int p = 0; p < params.getSize(); ++p)
            delete params.stringAt(p);
    }
    delete made;
    return nullptr;
}

// Only clones the scene holds itself are deleted; the clone count stays.
// The clones' names come from the object's name, not its text form (the
// value of an INTEGER, the elements of an ARRAY).
// Clone 0 is the object itself (its name with "_0" finds it): a range from 0
// removes it as well, and the clones' names come from the name it had. An
// application, episode or scene found so stays, as REMOVE leaves them. The
// range may end at the largest integer.
CMC_Variable* CMC_Scene_Runner::removeClones(CMC_ObjectsContainer* scene, CXVector* args)
{
    if (getArgCount(args) < 3)
        return nullptr;
    CMC_Object* target = scene->getObject(getParameterString(args, 0)->getValue());
    if (!target)
        return nullptr;
    int a = getParameterInteger(args, 1)->getValue();
    int b = getParameterInteger(args, 2)->getValue();
    const CXString prefix = target->getName() + "_";
    const int64_t first = a == -1 ? 1 : a;
    const int64_t last = b == -1 ? target->getClonesNo() : b;
    for (int64_t i = first; i <= last; ++i) {
        CMC_Object* clone = scene->getObject(prefix + CXString::toString(int(i)));
        const int type = clone ? clone->getType() : MC_SCENE;
        if (type == MC_APPLICATION || type == MC_EPISODE || type == MC_SCENE || !scene->removeObject(clone))
            continue;
        CMC_Disposal::dispose(clone, CMC_Disposal::WITH_DONE);
    }
    return nullptr;
}

// A name that finds no group (or array) hands the scene nothing to fill.
CMC_Variable* CMC_Scene_Runner::query(int id, CMC_ObjectsContainer* container, CXVector* args)
{
    CMC_Scene* scene = static_cast<CMC_Scene*>(container);
    int argc = getArgCount(args);
    int nameAt = id == GETOBJECTS ? 1 : 0;
    if (argc <= nameAt)
        return nullptr;
    CMC_Object* target = scene->getObject(getParameterString(args, nameAt)->getValue());
    if (!target)
        return nullptr;
    if (id == GETPLAYINGSEQ || id == RESUMESEQONLY) {
        if (target->getType() != MC_ARRAY)
            return nullptr;
        if (id == GETPLAYINGSEQ) {
            ArrayTarget out(target);
            scene->getPlayingSeq(&out);
        } else if (CXArray* names = arrayValues ? arrayValues(target) : nullptr) {
            scene->resumeExcept(names);
        }
        return nullptr;
    }
    CMC_GroupMembers* group = CMC_Groups::membersOf(target);
    if (!group)
        return nullptr;
    if (id == GETPLAYINGANIMO)
        scene->getPlayingAnimo(group);
    else if (id == GETRUNNINGTIMER)
        scene->getRunningTimers(group);
    else
        scene->getObjects(getParameterString(args, 0)->getValue(), group);
    return nullptr;
}
