#pragma once
#include "script/Object.h"

// What the object model needs of a behaviour (type 13): running it for an
// owner and binding its condition by name. The behaviour class derives from
// this and fills both in; it also installs the maker that turns inline event
// code into an anonymous behaviour. How a behaviour that is running is
// deleted: CMC_Disposal.
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
    CMC_BehaviourBase(const CMC_BehaviourBase& other) : CMC_Object(other) {}

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
    // may still be held by the statements that run (CMC_Disposal).
    static bool isScriptRunning() { return nesting > 0; }
    // How deep script evaluation is nested now; each behaviour's run adds one.
    static int nestingDepth() { return nesting; }

protected:
    friend class CMC_Disposal;
    // How deep script evaluation is nested now.
    static int nesting;
    // Drops what reaches the scene, which is going; the behaviour may still
    // be freed (or run, doing nothing) later.
    virtual void leaveScene() { scene = nullptr; }
};
