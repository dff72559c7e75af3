#pragma once
#include "objects/FilterEffect.h"
#include "script/Object.h"
#include "script/Runner.h"

// The script FILTER (type 2014): one timed effect, chosen by the
// definition's "ACTION" ("FADEIN", "FADEOUT", "FADEINOUT", "PATH",
// "WATER", "WAVING"), put on drawables of script objects by their names.
// Its links' starts, steps and ends are raised as "ONSTARTED", "ONTICK"
// and "ONFINISHED", first as "<event>^<linked object's name>", then plain
// when no behaviour took that form; only events with a behaviour bound
// are raised at all. An ACTION that names no effect leaves an object whose
// methods do nothing.
class CMC_Filter : public CMC_Object, public CFilterEffectListener {
public:
    enum { EVENT_ONSTARTED = 3, EVENT_ONFINISHED = 4, EVENT_ONTICK = 5 };

    CMC_Filter(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot: named "temp", no effect until serialize.
    explicit CMC_Filter(CMC_ObjectsContainer* container);
    ~CMC_Filter() override;
    CMC_Filter(const CMC_Filter&) = delete;
    CMC_Filter& operator=(const CMC_Filter&) = delete;

    CXString toString() override { return CXString("Filter"); }
    // Done before the other objects of a scene, so that its links go
    // while the drawables still exist.
    bool doneFirst() override { return true; }
    CXString** getBehavioursList() override;
    // The base record, then the ACTION; reading makes a fresh effect.
    void serialize(CXArchive* archive) override;

    void onStarted(CFilterEffectLink* link, CTimedFilterEffect* effect) override;
    void onTick(CFilterEffectLink* link, CTimedFilterEffect* effect) override;
    void onFinished(CFilterEffectLink* link, CTimedFilterEffect* effect) override;

    CTimedFilterEffect* getEffect() { return effect; }
    CXString getAction() const { return action; }

private:
    void createEffect();
    void raise(int index, const char* event, CFilterEffectLink* link);

    CTimedFilterEffect* effect;
    CXString action;
};

class CMC_Filter_Runner : public CMC_Runner {
public:
    enum { SETPROPERTY = 1, LINK = 2, UNLINK = 3, START = 4, STOP = 5, ISRUNNING = 6 };

    void prepareMthHashSet() override;
    // Names are looked up in the container the statement runs in; a name
    // without a drawable, or an object without an effect, changes nothing
    // (ISRUNNING: false).
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
