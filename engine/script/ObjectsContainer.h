#pragma once
#include <unordered_set>
#include <vector>
#include "script/Object.h"

class CGraphicsObject;
class CMElements;
class CObjectsIndex;
class CSimpleFont6;
class CSound4;
class CWindow;

// What a container needs of a group object: add a member, empty it. The
// script group type implements it.
class CMC_ObjectGroup {
public:
    virtual void add(CMC_Object* member) = 0;
    virtual void removeAll() = 0;

protected:
    ~CMC_ObjectGroup() {}
};

// A named scope of script objects (application, episode, scene, script
// class). Finds objects by name through a parent chain, creates objects from
// definition records by their "TYPE" in six passes (the types come from
// CMC_TypeRegistry), owns its objects from addObject on, and finishes and
// deletes them in unload. Temporary objects (local variables) are only
// listed: whoever made them deletes them. Adding, finding and taking out an
// object cost the same however many the container holds.
class CMC_ObjectsContainer : public CMC_Object {
public:
    // The owner becomes the object's scene, not its lookup parent.
    CMC_ObjectsContainer(CWindow* window, CMC_ObjectsContainer* owner, CMElement* element, int typeId);
    CMC_ObjectsContainer(CWindow* window, CMC_ObjectsContainer* owner, const CXString& name, int typeId);
    CMC_ObjectsContainer(const CMC_ObjectsContainer&) = delete;
    CMC_ObjectsContainer& operator=(const CMC_ObjectsContainer&) = delete;
    // Frees the names and the list, not the objects (unload does that).
    ~CMC_ObjectsContainer() override;

    // Takes obj out of the names and the list without deleting it.
    virtual bool removeObject(CMC_Object* obj);
    // Stores obj under its name; an object already stored under that name is
    // removed and deleted first (CMC_Disposal). An application, episode or
    // scene, and a temporary object (whoever made it deletes it), are only
    // removed.
    virtual void addObject(CMC_Object* obj);
    // Empties the group and adds every object of that type name, in the
    // order they were added.
    virtual void getObjects(const CXString& typeName, CMC_ObjectGroup* group);
    virtual void onSubSceneDone(CMC_ObjectsContainer* sub);
    virtual void unload();
    // Creates an object of a type the engine does not know: the scene asks
    // its plug-ins in load order. Null here.
    virtual CMC_Object* resolveEx(CMElement* element);

    // By name: this container's names, then the name without a trailing
    // "_0" (again and again), then the parent with the whole name. Exact
    // and case-sensitive.
    CMC_Object* getObject(const char* name);
    CMC_Object* getObject(const CXString& name) { return getObject(name.c_str()); }
    // The object added under exactly that whole name to this container
    // itself: no "_0" retry, no parent.
    CMC_Object* getOwnObject(const CXString& name);
    // The i-th object in insertion order; null out of range.
    CMC_Object* getObject(int i);
    // Whether obj is in this container's own list now. Only the address is
    // compared: obj may have been deleted.
    bool holds(CMC_Object* obj) const;
    // getObject when it is an INTEGER, STRING, BOOL or DOUBLE; defined with
    // the variable base.
    CMC_Variable* getVariable(const char* name);
    int getObjectId(const CXString& name);
    int getElementsNo();
    // A new vector (the caller's) of the objects of that type in table
    // order: the slot order of a CHashtable (10001 slots, load factor 1.0)
    // that every name was put into and taken out of, as scripts see it.
    CXVector* getObjectsOfType(int typeId);

    // The drawable named by "OBJECT" or "OBJECT!FRAME"; null for an empty
    // text, an unknown object or a type without a drawable.
    CGraphicsObject* getGraphicsObject(const CXString& spec);
    // The name of the object whose drawable is g, else "UNKNOWN".
    CXString getGraphicsObjectName(CGraphicsObject* g, bool searchParents);
    // How a type's object gives its drawable; frame is empty or the text
    // after '!'. Installed by the graphics script types.
    using DrawableAccessor = CGraphicsObject* (*)(CMC_Object* object, const CXString& frame);
    static void setDrawableAccessor(int typeId, DrawableAccessor accessor);
    static DrawableAccessor getDrawableAccessor(int typeId);
    // The sound of the named SOUND object (type 2005); null for an empty
    // text, an unknown name or an object of another type.
    CSound4* getSound(const CXString& name);
    // How a SOUND object gives its sound; installed by the script sound type.
    using SoundAccessor = CSound4* (*)(CMC_Object* sound);
    static void setSoundAccessor(SoundAccessor accessor);
    static SoundAccessor getSoundAccessor();
    // The font of the named FONT object (type 2002); null for an empty
    // text, an unknown name or an object of another type.
    CSimpleFont6* getFont(const CXString& name);
    // How a FONT object gives its font; installed by the script font type.
    using FontAccessor = CSimpleFont6* (*)(CMC_Object* font);
    static void setFontAccessor(FontAccessor accessor);

    // Adds the parent and its own parent to this container, so that they
    // are found by name, after taking out those of an earlier parent.
    void setParent(CMC_ObjectsContainer* parent);
    // The lookup parent is being deleted: this container looks up through
    // that parent's own parent from now on.
    virtual void lookupParentGone(CMC_ObjectsContainer* gone, CMC_ObjectsContainer* grandParent);
    CMC_ObjectsContainer* getParent() { return parent; }
    CWindow* getWindow() { return window; }

    // Counts the times an object that is not temporary came to a container
    // or left one (added, removed, replaced or unloaded), in any container.
    // Whoever keeps pointers to objects found by name looks them up again
    // when it moved.
    static unsigned getEpoch() { return epoch; }

    // One object for one record, not added; a new vector (the caller's)
    // holding it, empty when none was made. With a group, the anonymous
    // behaviours bound to the object's events are added to it.
    CXVector* resolve(CMElement* element, CMC_ObjectGroup* group);
    // Creates and adds the objects of the records in six passes; returns a
    // new non-owning list (the caller's) of the records that made nothing.
    // A record whose type nothing makes is named on standard error with its
    // definition file (the list's source).
    CMElements* resolveObjects(CMElements* elements);
    // Names on standard error, once, a record of definitionFile whose "TYPE"
    // neither the engine nor a plug-in of the scene makes; nothing for a
    // record without "TYPE" or of a type the engine knows.
    static void tellUnmade(CMElement* element, const CXString& definitionFile);
    // Empties the container, then deletes each object it held (CMC_Disposal)
    // without calling its done(): unload has called it on every one, and a
    // class instance deleted without its done() deletes its objects so.
    // Whatever runs meanwhile finds none of them.
    void deleteObjects();

private:
    // Calls done(true) on each listed object the test picks (see unload).
    template <class Pick>
    void finishEach(Pick pick);
    static unsigned epoch;

    CMC_Object* lookup(const char* name);
    // By the whole name, as it was added: a name read from a snapshot may
    // hold NUL bytes.
    CMC_Object* lookup(const CXString& name);
    // The objects listed in table order (see getObjectsOfType).
    std::vector<CMC_Object*> inTableOrder();
    CMC_Object* askPlugins(CMElement* element);

    // The objects and their names; null once the container is being
    // destroyed.
    CObjectsIndex* index;
    CMC_ObjectsContainer* parent;
    CWindow* window;
    // The containers whose lookup parent this one is.
    std::unordered_set<CMC_ObjectsContainer*> lookupChildren;
};
