#pragma once
#include "base/PriorityList.h"
#include "base/XObject.h"

class CMC_BehaviourBase;
class CMC_Object;
class CMC_ObjectsContainer;
class CXArray;

// One behaviour bound to an event of an object: the behaviour to run, the
// parameter texts it runs with (a CXArray of CXString*, owned by the
// binding; null for none) and the container in whose scope it was bound.
//
// Only CMC_Object makes, changes and frees bindings; everyone else reads
// them. A binding to a behaviour is linked into that behaviour's list of
// binders, so that the behaviour, when it is finished, takes every binding
// to it out of its owner's table. After a snapshot was read, and until
// initializeBehaviours(scene, null) rebinds it, a binding holds a
// placeholder of its own instead: an object that carries only the
// behaviour's name.
class CMC_Binding {
public:
    CMC_Binding(const CMC_Binding&) = delete;
    CMC_Binding& operator=(const CMC_Binding&) = delete;

    // The behaviour; null while the binding holds a placeholder.
    CMC_BehaviourBase* getBehaviour() const;
    CXArray* getParams() const { return params; }
    CMC_ObjectsContainer* getContainer() const { return container; }
    // The object whose event it is.
    CMC_Object* getOwner() const { return owner; }

private:
    friend class CMC_Object;

    CMC_Binding(CMC_Object* owner, CMC_Object* target, CXArray* params, CMC_ObjectsContainer* container,
                bool placeholder);
    ~CMC_Binding();
    void link();
    void unlink();

    CMC_Object* owner;
    CMC_Object* target;
    CXArray* params;
    CMC_ObjectsContainer* container;
    bool placeholder;
    bool linked = false;
    // Runs of its behaviour under way: a binding taken out meanwhile is
    // freed (with its parameters) when the last of them ends.
    int running = 0;
    bool dropped = false;
    CMC_Binding* prev = nullptr;
    CMC_Binding* next = nullptr;
};

// The bindings under one key of an object's table, in binding order. A raise
// walks it while the behaviours it runs bind and unbind (CPriorityList's
// walk: a binding taken out before the raise reaches it does not run, one
// made during the raise runs from the next raise on).
class CMC_BindingList : public CXObject {
public:
    int getSize() const { return items.getSize(); }
    // The i-th binding; null out of range.
    const CMC_Binding* get(int i) const { return i >= 0 && i < items.getSize() ? items.at(i) : nullptr; }

private:
    friend class CMC_Object;
    // Keyed by the binding itself; every binding has the same priority, so
    // the order is the order of binding.
    using Items = CPriorityList<CMC_Binding*, CMC_Binding*>;
    Items items;
};
