#pragma once
#include "base/XArray.h"
#include "base/XString.h"
#include "script/Binding.h"

#include <cstdint>

class CHashtable;
class CMElement;
class CXArchive;
class CMC_ObjectsContainer;
class CMC_BehaviourBase;
class CMC_Class;
class CMC_Runner;
class CMC_Variable;

// Script type ids. Names and the two translation tables are in TypeNames.cpp.
enum CMC_TypeId {
    MC_PLACEHOLDER = 0,
    MC_INTEGER = 1,
    MC_STRING = 2,
    MC_BOOL = 3,
    MC_DOUBLE = 4,
    MC_VARIABLE = 5,
    MC_CONDITION = 10,
    MC_COMPLEXCONDITION = 11,
    MC_EXPRESSION = 12,
    MC_BEHAVIOUR = 13,
    MC_MOUSE = 100,
    MC_KEYBOARD = 101,
    MC_RANDOM = 102,
    MC_CANVASOBSERVER = 103,
    MC_APPLICATION = 1000,
    MC_EPISODE = 1001,
    MC_SCENE = 1002,
    MC_ANIMO = 2000,
    MC_BUTTON = 2001,
    MC_FONT = 2002,
    MC_SEQUENCE = 2004,
    MC_SOUND = 2005,
    MC_TEXT = 2006,
    MC_TIMER = 2007,
    MC_IMAGE = 2008,
    MC_EDITBOX = 2009,
    MC_NETPEER = 2010,
    MC_NETSERVER = 2011,
    MC_NETCLIENT = 2012,
    MC_DIALOG = 2013,
    MC_FILTER = 2014,
    MC_STATICFILTER = 2015,
    MC_VECTOR = 2016,
    MC_PATH = 2017,
    MC_FIFO = 2018,
    MC_LIFO = 2019,
    MC_CANVAS = 2020,
    MC_PATTERN = 2021,
    MC_SCROLL = 2022,
    MC_JOYSTICK = 2023,
    MC_MOVIE = 2024,
    MC_GRBUFFER = 2026,
    MC_GROUP = 3000,
    MC_ARRAY = 3001,
    MC_STRUCTURE = 3002,
    MC_DATABASE = 3003,
    MC_CLASS = 3004,
    MC_VIRTUAL_GRAPHICSOBJECT = 3005,
    MC_MULTIARRAY = 3006,
    MC_KOLOROWANKA = 10002,
    MC_MATRIX = 10003,
    MC_SWF = 10060,
    MC_SYSTEM = 11000,
    MC_CNVLOADER = 12000,
};

// Runner methods may return -1 (break), -2 (one break) or -3 (continue) in
// place of a value. These are never dereferenced or flushed.
inline bool isStopValue(const void* value)
{
    intptr_t v = reinterpret_cast<intptr_t>(value);
    return v >= -3 && v <= -1;
}
inline CMC_Variable* stopValue(int code) { return reinterpret_cast<CMC_Variable*>(intptr_t(code)); }

// The base of every script object: a name and a type id, behaviours bound to
// the object's events, raising events, clones and the base part of a
// snapshot record.
//
// Bindings: a table from binding key (an event name such as "ONCLICKED", or
// an event, a caret and a value such as "ONSIGNAL^GO") to the list of
// bindings under it (CMC_BindingList of CMC_Binding). They are made only by
// addBehaviour and initializeBehaviours, and read by everyone else.
//
// Deleting: CMC_Disposal says how a script object goes; finish() is the part
// a script sees.
//
// A type that can be cloned overrides clone() with `return new T(*this);`
// and adds `using CMC_Object::clone;` to keep clone(int) and clone(copy).
class CMC_Object : public CXObject {
public:
    CMC_Object(const CXString& name, int typeId);
    CMC_Object(CMC_ObjectsContainer* container, CMElement* element, int typeId);
    // For the types' own clone(): shares the event list, copies the bound
    // flags and everything else except the bindings and the anonymous
    // behaviour list, which stay with the original.
    CMC_Object(const CMC_Object& other);
    CMC_Object& operator=(const CMC_Object&) = delete;
    // Finishes the object when nobody did (see finish).
    ~CMC_Object() override;

    CXString toString() override { return name; }

    // Raises "ONINIT" when bound.
    virtual void init();
    // True makes the container's unload finish this object before the others.
    virtual bool doneFirst() { return false; }
    // Raises "ONDONE" when bound. Types that override it call it.
    virtual bool done(bool final);
    virtual void setScene(CMC_ObjectsContainer* container) { scene = container; }
    virtual CMC_ObjectsContainer* getScene() { return scene; }

    virtual int getClonesNo() { return clonesNo; }
    // The number after the last '_' of the name; 0 when there is none.
    virtual int getCloneIdx();
    // The next clone name: name + "_" + the incremented clone count.
    virtual CXString getCloneName();
    // Makes copy a clone of this object and adds it to this object's scene.
    virtual void clone(CMC_Object* copy);
    // n clones through the type's own clone(); stops when a type cannot copy.
    virtual void clone(int n);
    virtual void resetClones() { clonesNo = 0; }
    using CXObject::clone;

    // Index of the first event name that `name` begins with; -1 when none.
    virtual int getBehaviourIndex(const CXString& name);
    // Binds the events of a definition record (element), or, without one,
    // replaces the placeholders left by a snapshot with the behaviours of
    // that name in the container.
    virtual void initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element);
    // The type's event names: a new null-terminated array of new strings
    // (see makeEventList), "ONINIT", "ONDONE", "ONSIGNAL" first. Null in the base.
    virtual CXString** getBehavioursList() { return nullptr; }
    virtual CMC_Runner* getRunner() { return nullptr; }
    // Whether the object accepts a binding under this key.
    virtual bool verifyBehaviour(const CXString&) { return true; }
    // Takes ownership of params, also when the binding is refused.
    virtual void addBehaviour(const CXString& name, CMC_BehaviourBase* behaviour, CXArray* params,
                              CMC_ObjectsContainer* container);
    virtual void removeBehaviour(const CXString& name, CMC_ObjectsContainer* container);
    virtual void removeBehaviourForce(const CXString& name);
    virtual void removeAllBehaviours();
    // The binding list under exactly this key, or null.
    virtual const CMC_BindingList* getBehaviour(const CXString& name);
    virtual const CMC_Binding* getSingleBehaviour(const CXString& name, int index);
    // The anonymous behaviours made for this object's inline code.
    virtual CXVector* getTmpBehList() { return tmpBehaviours; }
    virtual CMC_Class* getClass() { return scriptClass; }
    virtual void setClass(CMC_Class* c) { scriptClass = c; }
    // Runs every binding under exactly this key in binding order; true when
    // the key has bindings. With args, every behaviour gets them in place of
    // the binding's own parameters. A type that overrides one of the two
    // adds `using CMC_Object::onSignal;` to keep the other.
    virtual bool onSignal(const CXString& name, CXArray* args);
    virtual bool onSignal(const CXString& name);
    // The base part of a snapshot record.
    virtual void serialize(CXArchive* archive);
    // What the object's snapshot record leaves out, which the scene snapshot
    // carries after its records (CMC_SnapshotTypes): a function that writes
    // or reads it, as the archive says; null when there is nothing. The
    // engine's types register theirs by type id; a plug-in's types, which
    // the engine does not know, answer here from the plug-in's own code.
    using SnapshotState = void (*)(CMC_Object* object, CXArchive* archive);
    virtual SnapshotState getSnapshotState() { return nullptr; }
    // Drops the bindings made in the scope of that container.
    virtual void onSceneDone(CMC_ObjectsContainer* container);

    CXString getName() const { return name; }
    void setName(const CXString& n) { name = n; }
    int getType() const { return typeId; }
    bool isClone() const { return cloneFlag; }
    // Whether a container ever held the object (CMC_ObjectsContainer sets
    // it): a clone that one held is a script's object even once it left.
    bool wasListed() const { return listed; }
    void setListed() { listed = true; }
    bool isTemporary() const { return temporary; }
    // Whether the object is raising an event now (its behaviours run).
    bool isRaising() const { return raising > 0; }
    // Everything a script sees of the object's deletion, once: a class
    // instance runs its "DESTRUCTOR" and its own objects are finished and
    // disposed of (finishContents), "ONDONE" is raised when it is bound and
    // done() has not raised it, the object leaves every group, the bindings
    // that run it drop, and it raises no events from then on. The memory
    // stays (CMC_Disposal). It runs script, so the object must be whole:
    // the destructor does only the part that runs none (finishQuietly).
    void finish();
    void setAsTemporary() { temporary = true; }
    void overideSignals(bool on) { signalsOverridden = on; }
    bool areSignalsOverridden() const { return signalsOverridden; }
    // Index of the event equal to the part of name before its first '^'.
    int getSignalIndex(const CXString& name);
    // Releases the event list and the bound flags, and forgets the anonymous
    // behaviour list (the behaviours belong to their container).
    void flushBehList();

    int getEventCount() const { return eventCount; }
    bool isEventBound(int index) const
    {
        return eventBound && index >= 0 && index < eventCount && eventBound[index];
    }
    // The event names in use (shared with clones); null before binding.
    CXString** getEventNames() const;

    // Runs the binding's behaviour for owner, with the condition check, and
    // with args (useArgs) or else the binding's own parameters.
    static void runBinding(const CMC_Binding* binding, CMC_Object* owner, CXArray* args, bool useArgs);
    // Gives a pooled temporary back to its pool; null and stop values are
    // left alone, and so are named variables and objects that are not values
    // (the pools tell them apart).
    static void flush(CMC_Variable* value, bool unused = false);
    // The variable pools install how a value goes back: the function is
    // given every non-null, non-stop value that reaches flush.
    using VariableRelease = void (*)(CMC_Variable* value);
    static void setVariableRelease(VariableRelease release);

    // Builds what getBehavioursList returns from a null-terminated list.
    static CXString** makeEventList(const char* const* names);
    static void freeEventList(CXString** names);

    // Type names: the names of definitions and scripts to ids (-1 when
    // unknown, case-sensitive), and ids to the names scripts compare with.
    static int getTypeId(const CXString& name);
    static CXString typeToString(int typeId);

protected:
    // For the types' own clone() when they build the copy from scratch.
    void markAsClone() { cloneFlag = true; }
    // Appends a binding under key whose behaviour is a placeholder named
    // behaviourName, as a snapshot record gives it.
    void addPlaceholderBinding(const CXString& key, const CXString& behaviourName, CXArray* params);
    // What finish lets go of besides the object itself, before its "ONDONE":
    // nothing here; a class instance runs its "DESTRUCTOR" and finishes its
    // objects.
    virtual void finishContents() {}
    // The part of finish that runs no script: from now on the object raises
    // nothing, it leaves every group and the bindings that run it drop.
    // For destructors, where the object is no longer whole.
    void finishQuietly();
    // Whether done() ran.
    bool isDone() const { return doneCalled; }
    // Whether the object is finished: deleted as far as scripts go, it
    // raises nothing (its own "ONDONE" is raised before).
    bool isFinished() const { return finished; }

    CXString name;
    int typeId;
    CMC_ObjectsContainer* scene;

private:
    struct EventList;
    friend class CMC_Binding;
    friend class CMC_Disposal;

    void takeEventList();
    void copyBoundFlags(const CMC_Object& other);
    void releaseEventList();
    void setBoundByPrefix(const CXString& key);
    bool bindProperty(CMC_ObjectsContainer* container, const CXString& property, const CXString& value,
                      CMC_BehaviourBase** inlineBehaviour);
    bool raise(const CXString& key, CXArray* args, bool useArgs);
    void rebindPlaceholders(CMC_ObjectsContainer* container);
    CXString freeInlineName(CMC_ObjectsContainer* container, const CXString& wanted);
    CMC_BindingList* bindingList(const CXString& key, bool create);
    void appendBinding(const CXString& key, CMC_Object* target, CXArray* params, CMC_ObjectsContainer* container,
                       bool placeholder);
    void freeBindings();
    // Drops every binding whose behaviour is this one.
    void removeBindingsTo(CMC_Object* behaviour);
    // Every object's bindings that run this one drop them.
    void unbindEverywhere();
    static void freeBinding(CMC_Binding* binding);
    template <class Match>
    static bool removeBindings(CMC_BindingList* list, Match match);

    bool cloneFlag;
    bool temporary;
    bool signalsOverridden;
    bool doneCalled;
    int raising = 0;
    EventList* events;
    CHashtable* bindings;
    CXVector* tmpBehaviours;
    bool* eventBound;
    int eventCount;
    CMC_Class* scriptClass;
    int clonesNo;
    // The bindings of any object that run this one, linked through them.
    CMC_Binding* binders = nullptr;
    bool finishing = false;
    bool finished = false;
    // Waiting in the trash, or kept aside, by CMC_Disposal; freed by
    // someone else first, it takes itself out.
    bool inTrash = false;
    bool inKept = false;
    // Added to a container once: a script's object, never a copy that a
    // method made for its result.
    bool listed = false;
};
