#include "script/ObjectsContainer.h"

#include "base/FileReport.h"
#include "base/Hashtable.h"
#include "base/LoadBounds.h"
#include "script/BehaviourBase.h"
#include "script/Disposal.h"
#include "script/Element.h"
#include "script/ObjectsIndex.h"
#include "script/TypeRegistry.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace {
struct DrawableSlot {
    int typeId;
    CMC_ObjectsContainer::DrawableAccessor accessor;
};
DrawableSlot drawableSlots[16];
CMC_ObjectsContainer::SoundAccessor soundAccessor = nullptr;
CMC_ObjectsContainer::FontAccessor fontAccessor = nullptr;

// The object of a record, made by its type. One that asked for more than
// the open load bounds allow is not kept: told, unbound (so that it raises
// nothing), its inline behaviours taken out of the container, and deleted.
CMC_Object* makeBounded(CMC_TypeRegistry::Factory factory, CMC_ObjectsContainer* container, CMElement* element)
{
    CLoadBounds* bounds = CLoadBounds::current();
    if (bounds)
        bounds->setObject(element);
    CMC_Object* made = factory(container, element);
    if (!bounds || !made || !bounds->refused(element))
        return made;
    bounds->leaveOut(element, element->getName());
    std::vector<CMC_Object*> inlined;
    if (CXVector* list = made->getTmpBehList())
        for (int i = 0; i < list->getSize(); ++i)
            inlined.push_back(static_cast<CMC_Object*>((*list)[i]));
    made->removeAllBehaviours();
    delete made;
    for (CMC_Object* behaviour : inlined)
        if (container->removeObject(behaviour))
            CMC_Disposal::dispose(behaviour, CMC_Disposal::WITHOUT_DONE);
    return nullptr;
}

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

std::string_view textOf(const CXString& name) { return std::string_view(name.c_str(), size_t(name.getLength())); }

// The table that scripts see walked (object queries by type, names by
// drawable) has this many slots and this load factor.
const int tableCapacity = 10001;
const double tableLoadFactor = 1.0;

// The walks of unload, numbered to mark what each has seen.
unsigned walks = 0;
} // namespace

unsigned CMC_ObjectsContainer::epoch = 0;

CMC_ObjectsContainer::CMC_ObjectsContainer(CWindow* w, CMC_ObjectsContainer* owner, CMElement* element, int type)
    : CMC_Object(owner, element, type), index(new CObjectsIndex(tableCapacity, tableLoadFactor)), parent(nullptr),
      window(w)
{
}

CMC_ObjectsContainer::CMC_ObjectsContainer(CWindow* w, CMC_ObjectsContainer* owner, const CXString& n, int type)
    : CMC_Object(n, type), index(new CObjectsIndex(tableCapacity, tableLoadFactor)), parent(nullptr),
      window(w)
{
    scene = owner;
}

// The base destructor may still raise "ONDONE"; lookups then find nothing.
// Behaviours that left the container but are deleted later must not reach it.
CMC_ObjectsContainer::~CMC_ObjectsContainer()
{
    CMC_Disposal::containerGone(this);
    delete index;
    index = nullptr;
    CMC_ObjectsContainer* grandParent = parent;
    if (parent)
        parent->lookupChildren.erase(this);
    parent = nullptr;
    std::unordered_set<CMC_ObjectsContainer*> children;
    children.swap(lookupChildren);
    for (CMC_ObjectsContainer* child : children)
        child->lookupParentGone(this, grandParent);
}

void CMC_ObjectsContainer::lookupParentGone(CMC_ObjectsContainer*, CMC_ObjectsContainer* grandParent)
{
    setParent(grandParent);
}

CMC_Object* CMC_ObjectsContainer::lookup(const char* name)
{
    return index && name ? index->find(std::string_view(name)) : nullptr;
}

CMC_Object* CMC_ObjectsContainer::lookup(const CXString& name)
{
    return index ? index->find(textOf(name)) : nullptr;
}

CMC_Object* CMC_ObjectsContainer::getOwnObject(const CXString& name) { return lookup(name); }

std::vector<CMC_Object*> CMC_ObjectsContainer::inTableOrder()
{
    return index ? index->tableOrder() : std::vector<CMC_Object*>();
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

CMC_Object* CMC_ObjectsContainer::getObject(int i)
{
    if (!index || i < 0)
        return nullptr;
    const std::vector<CObjectsIndex::Listed>& list = index->compact();
    return size_t(i) < list.size() ? list[size_t(i)].object : nullptr;
}

bool CMC_ObjectsContainer::holds(CMC_Object* obj) const { return index && obj && index->holds(obj); }

// Names are fixed while an object is held (the engine names an object
// before adding it), so the object added under a name is the first one
// listed with it.
int CMC_ObjectsContainer::getObjectId(const CXString& n)
{
    CMC_Object* found = lookup(n);
    return found ? index->position(found) : -1;
}

int CMC_ObjectsContainer::getElementsNo() { return index ? index->size() : 0; }

bool CMC_ObjectsContainer::removeObject(CMC_Object* obj)
{
    if (!obj || !index || !index->remove(obj))
        return false;
    if (!obj->isTemporary())
        ++epoch;
    return true;
}

// Re-adding an object is a no-op, and an application, episode or scene of
// the same name is only taken out: deleting it would pull the scene (or the
// object being added) from under its owner. The object replaced is deleted
// when the name is taken (CMC_Disposal); its "ONDONE" may give the name to
// another object, which goes the same way.
void CMC_ObjectsContainer::addObject(CMC_Object* obj)
{
    if (!obj || !index)
        return;
    CXString name = obj->getName();
    for (CMC_Object* existing = lookup(name); existing && existing != obj; existing = lookup(name)) {
        removeObject(existing);
        ++epoch;
        if (!ownedElsewhere(existing) && !existing->isTemporary())
            CMC_Disposal::dispose(existing, CMC_Disposal::WITHOUT_DONE);
    }
    if (!index || lookup(name) == obj)
        return;
    index->add(obj, textOf(name));
    obj->setListed();
    // A name may now find this object where it found another, or nothing.
    if (!obj->isTemporary())
        ++epoch;
}

CXVector* CMC_ObjectsContainer::getObjectsOfType(int id)
{
    CXVector* list = new CXVector(101, 0.75f);
    for (CMC_Object* obj : inTableOrder())
        if (obj->getType() == id)
            list->add(obj);
    return list;
}

void CMC_ObjectsContainer::getObjects(const CXString& typeName, CMC_ObjectGroup* group)
{
    if (!group)
        return;
    group->removeAll();
    int id = getTypeId(typeName);
    for (int i = 0; CMC_Object* obj = getObject(i); ++i)
        if (obj->getType() == id)
            group->add(obj);
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
    for (CMC_Object* obj : inTableOrder()) {
        switch (obj->getType()) {
        case MC_ANIMO:
        case MC_TEXT:
        case MC_IMAGE:
        case MC_PATTERN:
        case MC_VIRTUAL_GRAPHICSOBJECT: {
            DrawableAccessor accessor = drawableAccessor(obj->getType());
            if (accessor && accessor(obj, CXString()) == g)
                return obj->getName();
            break;
        }
        case MC_CLASS:
            if (static_cast<CMC_ObjectsContainer*>(obj)->getGraphicsObjectName(g, false) != unknown)
                return obj->getName();
            break;
        default:
            break;
        }
    }
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
        parent->lookupChildren.erase(this);
    }
    parent = p;
    if (!p)
        return;
    p->lookupChildren.insert(this);
    addObject(p);
    if (p->getParent())
        addObject(p->getParent());
}

// The scene being left keeps its own bindings until it has raised its
// "ONDONE"; it drops them itself.
void CMC_ObjectsContainer::onSubSceneDone(CMC_ObjectsContainer* sub)
{
    for (int i = 0; CMC_Object* obj = getObject(i); ++i)
        if (obj != sub)
            obj->onSceneDone(sub);
    if (parent)
        parent->onSubSceneDone(sub);
}

template <class Pick>
void CMC_ObjectsContainer::finishEach(Pick pick)
{
    // Objects taken out forget that they were seen: a new object may be
    // made at the same address. Each walk has a mark of its own.
    if (++walks == 0) // 0 is no mark
        ++walks;
    unsigned mark = walks;
    for (bool added = true; added && index;) {
        added = false;
        for (const CObjectsIndex::Listed& listing : index->snapshot()) {
            if (!index || !index->markSeen(listing, mark))
                continue;
            added = true;
            if (pick(listing.object))
                listing.object->done(true);
        }
    }
}

void CMC_ObjectsContainer::unload()
{
    if (!index)
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

    deleteObjects();

    // The container's own "ONDONE", raised as done() raises it, so that its
    // destruction does not raise it once more.
    CMC_Object::done(true);
}

void CMC_ObjectsContainer::deleteObjects()
{
    if (!index)
        return;
    ++epoch;
    std::vector<CObjectsIndex::Listed> old = index->snapshot();
    delete index;
    index = new CObjectsIndex(tableCapacity, tableLoadFactor);
    for (const CObjectsIndex::Listed& listing : old) {
        CMC_Object* obj = listing.object;
        // Temporary objects (local variables) belong to whoever made them.
        if (!ownedElsewhere(obj) && !obj->isTemporary())
            CMC_Disposal::dispose(obj, CMC_Disposal::WITHOUT_DONE);
    }
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
    CMC_Object* obj = entry && entry->factory ? makeBounded(entry->factory, this, element) : askPlugins(element);
    if (!obj)
        return made;
    made->add(obj);
    if (group) {
        CXString** names = obj->getBehavioursList();
        for (int i = 0; names && names[i]; ++i) {
            const CMC_BindingList* list = obj->getBehaviour(*names[i]);
            for (int b = 0; list && b < list->getSize(); ++b) {
                CMC_BehaviourBase* behaviour = list->get(b)->getBehaviour();
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
    CLoadBounds bounds("definition file", CXString(), elements->getSource());
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
                    obj = makeBounded(entry->factory, this, element);
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
            for (int i = 0; CMC_Object* obj = getObject(i); ++i)
                if (obj->getType() == MC_BEHAVIOUR)
                    static_cast<CMC_BehaviourBase*>(obj)->resolveCondition();
    }

    for (int i = 0; i < n; ++i)
        if (!made[size_t(i)])
            rest->add(elements->getAt(i));
    return rest;
}
