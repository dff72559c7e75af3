#include "script/ObjectsContainer.h"

#include "base/FileReport.h"
#include "base/Hashtable.h"
#include "script/BehaviourBase.h"
#include "script/Element.h"
#include "script/TypeRegistry.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
struct DrawableSlot {
    int typeId;
    CMC_ObjectsContainer::DrawableAccessor accessor;
};
DrawableSlot drawableSlots[16];
CMC_ObjectsContainer::SoundAccessor soundAccessor = nullptr;
CMC_ObjectsContainer::FontAccessor fontAccessor = nullptr;

CMC_ObjectsContainer::DrawableAccessor drawableAccessor(int typeId)
{
    for (const DrawableSlot& s : drawableSlots)
        if (s.accessor && s.typeId == typeId)
            return s.accessor;
    return nullptr;
}

// Applications, episodes and scenes are owned elsewhere; a container only
// lists them so that they are found by name.
bool ownedElsewhere(CMC_Object* obj)
{
    int t = obj->getType();
    return t == MC_APPLICATION || t == MC_EPISODE || t == MC_SCENE;
}

CMC_Object* objectAt(CXVector* list, int i) { return static_cast<CMC_Object*>((*list)[i]); }
} // namespace

unsigned CMC_ObjectsContainer::epoch = 0;

CMC_ObjectsContainer::CMC_ObjectsContainer(CWindow* w, CMC_ObjectsContainer* owner, CMElement* element, int type)
    : CMC_Object(owner, element, type), lookupKey(new CStringHashCode(CXString("temp"))),
      objects(new CXVector(1001, 0.75f)), table(new CHashtable(10001, 1.0, true)), parent(nullptr), window(w)
{
}

CMC_ObjectsContainer::CMC_ObjectsContainer(CWindow* w, CMC_ObjectsContainer* owner, const CXString& n, int type)
    : CMC_Object(n, type), lookupKey(new CStringHashCode(CXString("temp"))), objects(new CXVector(1001, 0.75f)),
      table(new CHashtable(10001, 1.0, true)), parent(nullptr), window(w)
{
    scene = owner;
}

// The base destructor may still raise "ONDONE"; lookups then find nothing.
// Behaviours that left the container but are deleted later must not reach it.
CMC_ObjectsContainer::~CMC_ObjectsContainer()
{
    CMC_BehaviourBase::containerGone(this);
    delete table;
    table = nullptr;
    delete objects;
    objects = nullptr;
    delete lookupKey;
    lookupKey = nullptr;
}

CMC_Object* CMC_ObjectsContainer::lookup(const char* name)
{
    if (!table)
        return nullptr;
    lookupKey->set(name);
    return static_cast<CMC_Object*>(table->get(lookupKey));
}

CMC_Object* CMC_ObjectsContainer::lookup(const CXString& name)
{
    if (!table)
        return nullptr;
    lookupKey->set(name);
    return static_cast<CMC_Object*>(table->get(lookupKey));
}

CMC_Object* CMC_ObjectsContainer::getObject(const char* name)
{
    if (!name)
        return nullptr;
    CMC_Object* found = lookup(name);
    if (!found) {
        size_t n = std::strlen(name);
        if (n >= 2 && name[n - 2] == '_' && name[n - 1] == '0') {
            char shortName[256];
            if (n - 2 < sizeof shortName) {
                std::memcpy(shortName, name, n - 2);
                shortName[n - 2] = 0;
                found = getObject(shortName);
            } else {
                found = getObject(CXString(name, int(n - 2)));
            }
        }
    }
    if (!found && parent)
        found = parent->getObject(name);
    return found;
}

CMC_Object* CMC_ObjectsContainer::getObject(int index)
{
    if (!objects || index < 0 || index >= objects->getSize())
        return nullptr;
    return objectAt(objects, index);
}

int CMC_ObjectsContainer::getObjectId(const CXString& n)
{
    for (int i = 0; objects && i < objects->getSize(); ++i)
        if (objectAt(objects, i)->getName() == n)
            return i;
    return -1;
}

int CMC_ObjectsContainer::getElementsNo() { return table ? table->getSize() : 0; }

bool CMC_ObjectsContainer::removeObject(CMC_Object* obj)
{
    if (!obj || !objects || !objects->contains(obj))
        return false;
    lookupKey->set(obj->getName());
    table->remove(obj, lookupKey);
    objects->remove(obj);
    if (finishing)
        finishing->erase(std::remove(finishing->begin(), finishing->end(), obj), finishing->end());
    if (!obj->isTemporary())
        ++epoch;
    return true;
}

// Re-adding an object is a no-op, and an application, episode or scene of
// the same name is only taken out: deleting it would pull the scene (or the
// object being added) from under its owner. A replaced behaviour may be the
// one running the statement that replaces it, and while a script runs the
// replaced object may be the statement's target or argument: both wait for
// the trash.
void CMC_ObjectsContainer::addObject(CMC_Object* obj)
{
    if (!obj || !table)
        return;
    CMC_Object* existing = lookup(obj->getName());
    if (existing == obj)
        return;
    if (existing) {
        removeObject(existing);
        ++epoch;
        bool owned = !ownedElsewhere(existing) && !existing->isTemporary();
        if (owned && (existing->getType() == MC_BEHAVIOUR || CMC_BehaviourBase::isScriptRunning()))
            CMC_BehaviourBase::addToTrash(existing);
        else if (owned)
            delete existing;
    }
    table->put(new CStringHashCode(obj->getName()), obj);
    objects->add(obj);
    // A name may now find this object where it found another, or nothing.
    if (!obj->isTemporary())
        ++epoch;
}

CXVector* CMC_ObjectsContainer::getObjectsOfType(int id)
{
    CXVector* list = new CXVector(101, 0.75f);
    CXVector* keys = table ? table->getKeys() : nullptr;
    for (int k = 0; keys && k < keys->getSize(); ++k) {
        CMC_Object* obj = static_cast<CMC_Object*>(table->get((*keys)[k]));
        if (obj && obj->getType() == id)
            list->add(obj);
    }
    delete keys;
    return list;
}

void CMC_ObjectsContainer::getObjects(const CXString& typeName, CMC_ObjectGroup* group)
{
    if (!group)
        return;
    group->removeAll();
    int id = getTypeId(typeName);
    for (int i = 0; objects && i < objects->getSize(); ++i)
        if (objectAt(objects, i)->getType() == id)
            group->add(objectAt(objects, i));
}

CMC_ObjectsContainer::DrawableAccessor CMC_ObjectsContainer::getDrawableAccessor(int typeId)
{
    return drawableAccessor(typeId);
}

void CMC_ObjectsContainer::setDrawableAccessor(int typeId, DrawableAccessor accessor)
{
    for (DrawableSlot& s : drawableSlots)
        if (s.accessor && s.typeId == typeId) {
            s.accessor = accessor;
            return;
        }
    for (DrawableSlot& s : drawableSlots)
        if (!s.accessor) {
            s = {typeId, accessor};
            return;
        }
}

CGraphicsObject* CMC_ObjectsContainer::getGraphicsObject(const CXString& spec)
{
    if (!spec.IsString())
        return nullptr;
    int bang = spec.Find('!');
    CXString objectName = bang >= 0 ? spec.Left(bang) : spec;
    CXString frame = bang >= 0 ? spec.Right(bang + 1) : CXString();
    CMC_Object* obj = getObject(objectName);
    if (!obj)
        return nullptr;
    switch (obj->getType()) {
    case MC_IMAGE:
    case MC_ANIMO:
    case MC_TEXT:
    case MC_CANVAS:
    case MC_PATTERN:
    case MC_VIRTUAL_GRAPHICSOBJECT:
    case MC_CANVASOBSERVER: {
        DrawableAccessor accessor = drawableAccessor(obj->getType());
        return accessor ? accessor(obj, frame) : nullptr;
    }
    default:
        return nullptr;
    }
}

void CMC_ObjectsContainer::setSoundAccessor(SoundAccessor accessor) { soundAccessor = accessor; }

CMC_ObjectsContainer::SoundAccessor CMC_ObjectsContainer::getSoundAccessor() { return soundAccessor; }

CSound4* CMC_ObjectsContainer::getSound(const CXString& name)
{
    CMC_Object* obj = name.IsString() ? getObject(name) : nullptr;
    return obj && obj->getType() == MC_SOUND && soundAccessor ? soundAccessor(obj) : nullptr;
}

void CMC_ObjectsContainer::setFontAccessor(FontAccessor accessor) { fontAccessor = accessor; }

CSimpleFont6* CMC_ObjectsContainer::getFont(const CXString& name)
{
    CMC_Object* obj = name.IsString() ? getObject(name) : nullptr;
    return obj && obj->getType() == MC_FONT && fontAccessor ? fontAccessor(obj) : nullptr;
}

CXString CMC_ObjectsContainer::getGraphicsObjectName(CGraphicsObject* g, bool searchParents)
{
    CXString unknown("UNKNOWN");
    if (!g)
        return unknown;
    CXVector* keys = table ? table->getKeys() : nullptr;
    for (int k = 0; keys && k < keys->getSize(); ++k) {
        CMC_Object* obj = static_cast<CMC_Object*>(table->get((*keys)[k]));
        switch (obj->getType()) {
        case MC_ANIMO:
        case MC_TEXT:
        case MC_IMAGE:
        case MC_PATTERN:
        case MC_VIRTUAL_GRAPHICSOBJECT: {
            DrawableAccessor accessor = drawableAccessor(obj->getType());
            if (accessor && accessor(obj, CXString()) == g) {
                delete keys;
                return obj->getName();
            }
            break;
        }
        case MC_CLASS:
            if (static_cast<CMC_ObjectsContainer*>(obj)->getGraphicsObjectName(g, false) != unknown) {
                delete keys;
                return obj->getName();
            }
            break;
        default:
            break;
        }
    }
    delete keys;
    if (searchParents && parent)
        return parent->getGraphicsObjectName(g, true);
    return unknown;
}

void CMC_ObjectsContainer::setParent(CMC_ObjectsContainer* p)
{
    if (parent) {
        CMC_ObjectsContainer* grand = parent->getParent();
        removeObject(parent);
        if (grand)
            removeObject(grand);
    }
    parent = p;
    if (!p)
        return;
    addObject(p);
    if (p->getParent())
        addObject(p->getParent());
}

// The scene being left keeps its own bindings until it has raised its
// "ONDONE"; it drops them itself.
void CMC_ObjectsContainer::onSubSceneDone(CMC_ObjectsContainer* sub)
{
    for (int i = 0; objects && i < objects->getSize(); ++i)
        if (objectAt(objects, i) != sub)
            objectAt(objects, i)->onSceneDone(sub);
    if (parent)
        parent->onSubSceneDone(sub);
}

template <class Pick>
void CMC_ObjectsContainer::finishEach(Pick pick)
{
    // Objects taken out forget that they were seen: a new object may be
    // made at the same address.
    std::vector<CMC_Object*> seen;
    std::vector<CMC_Object*>* outer = finishing;
    finishing = &seen;
    for (bool added = true; added;) {
        added = false;
        CXVector* current = static_cast<CXVector*>(objects->clone());
        for (int i = 0; i < current->getSize(); ++i) {
            CMC_Object* obj = objectAt(current, i);
            if (std::find(seen.begin(), seen.end(), obj) != seen.end() || !objects->contains(obj))
                continue;
            seen.push_back(obj);
            added = true;
            if (pick(obj))
                obj->done(true);
        }
        delete current;
    }
    finishing = outer;
}

void CMC_ObjectsContainer::unload()
{
    if (!table)
        return;
    // Finished in three rounds. done() may add or take out objects (a class
    // deleting its instances, a loader releasing what it made), so each round
    // walks the objects as they stand, each object once, and never one that
    // an earlier done() took out. The applications, episodes and scenes
    // listed here (a scene lists itself and its parents) are finished by their
    // own life cycle, not by every container that lists them.
    finishEach([](CMC_Object* obj) { return obj->getType() == MC_CLASS; });
    finishEach([](CMC_Object* obj) {
        return obj->getType() != MC_CLASS && !ownedElsewhere(obj) && obj->doneFirst();
    });
    finishEach([](CMC_Object* obj) {
        return obj->getType() != MC_CLASS && !ownedElsewhere(obj) && !obj->doneFirst();
    });

    // The container is emptied before the objects go, so that whatever runs
    // while they are deleted finds none of them.
    ++epoch;
    CXVector* old = objects;
    delete table;
    table = new CHashtable(10001, 1.0, true);
    objects = new CXVector(1001, 0.75f);
    for (int i = 0; i < old->getSize(); ++i) {
        CMC_Object* obj = objectAt(old, i);
        // Temporary objects (local variables) belong to whoever made them.
        if (ownedElsewhere(obj) || obj->isTemporary())
            continue;
        // The container's own "ONDONE" below must not reach a deleted behaviour.
        if (obj->getType() == MC_BEHAVIOUR)
            removeBindingsTo(obj);
        delete obj;
    }
    delete old;

    // The container's own "ONDONE", raised as done() raises it, so that its
    // destruction does not raise it once more.
    CMC_Object::done(true);
}

CMC_Object* CMC_ObjectsContainer::resolveEx(CMElement*) { return nullptr; }

// Types the engine does not create go to the plug-ins of the scene that owns
// this container (a script class has none of its own).
CMC_Object* CMC_ObjectsContainer::askPlugins(CMElement* element)
{
    CMC_ObjectsContainer* owner = getScene();
    return owner ? owner->resolveEx(element) : resolveEx(element);
}

void CMC_ObjectsContainer::tellUnmade(CMElement* element, const CXString& definitionFile)
{
    CXString word = element ? element->getPropertyValue(CXString("TYPE")) : CXString();
    const CMC_TypeRegistry::Entry* entry = word.IsString() ? CMC_TypeRegistry::find(word) : nullptr;
    if (!word.IsString() || (entry && entry->factory))
        return;
    CFileReport::mistakeAt(CXString("object \"") + element->getName() + "\" of the type \"" + word +
                               "\" is made by nothing (no engine type, no plug-in of the scene)",
                           definitionFile);
}

CXVector* CMC_ObjectsContainer::resolve(CMElement* element, CMC_ObjectGroup* group)
{
    CXVector* made = new CXVector(101, 0.75f);
    if (!element)
        return made;
    CXString word = element->getPropertyValue(CXString("TYPE"));
    if (!word.IsString())
        return made;
    const CMC_TypeRegistry::Entry* entry = CMC_TypeRegistry::find(word);
    CMC_Object* obj = entry && entry->factory ? entry->factory(this, element) : askPlugins(element);
    if (!obj)
        return made;
    made->add(obj);
    if (group) {
        CXString** names = obj->getBehavioursList();
        for (int i = 0; names && names[i]; ++i) {
            CXVector* list = obj->getBehaviour(*names[i]);
            for (int b = 0; list && b < list->getSize(); ++b) {
                CMC_BehaviourBase* behaviour = bindingBehaviour(static_cast<CXTriple*>((*list)[b]));
                if (behaviour && behaviour->getName().startsWith(CXString("beh_")))
                    group->add(behaviour);
            }
        }
        freeEventList(names);
    }
    return made;
}

CMElements* CMC_ObjectsContainer::resolveObjects(CMElements* elements)
{
    CMElements* rest = new CMElements(false);
    if (!elements)
        return rest;
    int n = elements->getSize();
    std::vector<const CMC_TypeRegistry::Entry*> entries(size_t(n), nullptr);
    std::vector<char> typed(size_t(n), 0);
    std::vector<char> made(size_t(n), 0);
    for (int i = 0; i < n; ++i) {
        CXString word = elements->getAt(i)->getPropertyValue(CXString("TYPE"));
        // A record without "TYPE" is never matched.
        typed[size_t(i)] = word.IsString();
        entries[size_t(i)] = typed[size_t(i)] ? CMC_TypeRegistry::find(word) : nullptr;
    }

    for (int pass = 1; pass <= 6; ++pass) {
        for (int i = 0; i < n; ++i) {
            if (!typed[size_t(i)] || made[size_t(i)])
                continue;
            CMElement* element = elements->getAt(i);
            const CMC_TypeRegistry::Entry* entry = entries[size_t(i)];
            bool known = entry && entry->factory;
            CMC_Object* obj = nullptr;
            if (entry && entry->pass == pass) {
                // A singleton record binds onto the object that exists and
                // stays among the records that made nothing.
                if (entry->singletonName) {
                    CMC_Object* existing = getObject(entry->singletonName);
                    if (existing &&
                        (!entry->singletonNameMustMatch || element->getName() == entry->singletonName)) {
                        existing->initializeBehaviours(this, element);
                        continue;
                    }
                }
                if (known)
                    obj = entry->factory(this, element);
            }
            if (pass == 6 && !known) {
                obj = askPlugins(element);
                if (!obj)
                    tellUnmade(element, elements->getSource());
            }
            if (obj) {
                made[size_t(i)] = 1;
                addObject(obj);
            }
        }
        if (pass == 4)
            for (int i = 0; i < objects->getSize(); ++i)
                if (objectAt(objects, i)->getType() == MC_BEHAVIOUR)
                    static_cast<CMC_BehaviourBase*>(objectAt(objects, i))->resolveCondition();
    }

    for (int i = 0; i < n; ++i)
        if (!made[size_t(i)])
            rest->add(elements->getAt(i));
    return rest;
}
