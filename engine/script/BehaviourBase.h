#pragma once
#include "script/Object.h"

// What the object model needs of a behaviour (type 13): running it for an
// owner and binding its condition by name. The behaviour class derives from
// this and fills both in; it also installs the maker that turns inline event
// code into an anonymous behaviour.
//
// The behaviour trash: objects that cannot be deleted where they are let go
// (above all a behaviour that is running) are put there and deleted by
// flushTrash, once per application frame. A behaviour deleted by someone
// else withdraws itself from the trash.
class CMC_BehaviourBase : public CMC_Object {
public:
    CMC_BehaviourBase(CMC_ObjectsContainer* container, CMElement* element)
        : CMC_Object(container, element, MC_BEHAVIOUR)
    {
    }
    CMC_BehaviourBase(CMC_ObjectsContainer* container, const CXString& name) : CMC_Object(name, MC_BEHAVIOUR)
    {
        scene = container;
    }
    CMC_BehaviourBase(const CMC_BehaviourBase& other) : CMC_Object(other), inKept(false) {}
    ~CMC_BehaviourBase() override;

    // Runs the statements for owner with these parameters; checks the
    // condition first when asked. True when a statement broke with -1.
    virtual bool run(CMC_Object* owner, CXArray* params, bool checkCondition) = 0;
    // Binds the condition named in the definition, once the conditions exist.
    virtual void resolveCondition() = 0;

    // Makes an anonymous behaviour named `name` for inline code (braces
    // included) in the container; null when no maker is installed.
    using Maker = CMC_BehaviourBase* (*)(CMC_ObjectsContainer* container, const CXString& name,
                                         const CXString& code);
    static void setMaker(Maker maker);
    static CMC_BehaviourBase* make(CMC_ObjectsContainer* container, const CXString& name, const CXString& code);
    static Maker getMaker();

    // Whether the behaviour is running now (then it must not be deleted).
    virtual bool isRunning() const { return false; }
    // Whether script code is being evaluated now: objects let go meanwhile
    // may still be held by the statements that run (as their target or an
    // argument) and go to the trash instead of being deleted.
    static bool isScriptRunning() { return nesting > 0; }

    static void initTrash();
    // Appends the object, once.
    static void addToTrash(CMC_Object* object);
    // Takes out an object that is being deleted by someone else.
    static void leftTrash(CMC_Object* object);
    // Deletes every member; what their deletion puts in the trash waits for
    // the next flush.
    static void flushTrash();
    // Deletes the members and the kept objects (see keep).
    static void doneTrash();
    // Keeps a behaviour that has left its container but may still be bound
    // to events elsewhere until doneTrash.
    static void keep(CMC_BehaviourBase* behaviour);
    static bool isInTrash(CMC_Object* object);
    // The container is being deleted: the kept behaviours and those in the
    // trash that it was the scene of let go of everything that reaches it,
    // while its table can still be looked in.
    static void containerGone(CMC_ObjectsContainer* container);
    // Deletes an object that has left its container; a running behaviour
    // goes to the trash instead.
    static void discard(CMC_Object* object);

protected:
    // How deep script evaluation is nested now.
    static int nesting;
    // Drops what reaches the scene, which is going; the behaviour may still
    // be deleted (or run, doing nothing) later.
    virtual void leaveScene() { scene = nullptr; }

private:
    bool inKept = false;
};
