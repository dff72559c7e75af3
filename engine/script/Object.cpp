#include "script/Object.h"

#include "base/Archive.h"
#include "base/Check.h"
#include "base/Hashtable.h"
#include "script/BehaviourBase.h"
#include "script/Disposal.h"
#include "script/Element.h"
#include "script/Group.h"
#include "script/ObjectsContainer.h"

// The event names of a type, shared by an object and its clones; the last
// one to let go frees them, so a clone may outlive its original.
struct CMC_Object::EventList {
    CXString** names;
    int count;
    int refs;
};

namespace {
CMC_Object::VariableRelease variableRelease = nullptr;

// Binding tables are searched with one reused key, so that raising an event
// allocates nothing. Main thread only, like everything that raises events.
CStringHashCode& bindingKey()
{
    static CStringHashCode key(CXString("temp"));
    return key;
}

CXArray* copyParams(CXArray* params)
{
    if (!params)
        return nullptr;
    CXArray* copy = new CXArray(101, 0.75f);
    for (int i = 0; i < params->getSize(); ++i)
        copy->add(new CXString(*static_cast<CXString*>((*params)[i])));
    return copy;
}

} // namespace

CMC_Binding::CMC_Binding(CMC_Object* o, CMC_Object* t, CXArray* p, CMC_ObjectsContainer* c, bool ph)
    : owner(o), target(t), params(p), container(c), placeholder(ph)
{
    link();
}

CMC_Binding::~CMC_Binding()
{
    unlink();
    if (placeholder)
        delete target;
    CXString::releaseToVector(params);
}

// Only behaviours are ever bound, so a binding that holds no placeholder
// holds a behaviour (or null, once cut loose).
CMC_BehaviourBase* CMC_Binding::getBehaviour() const
{
    return placeholder ? nullptr : static_cast<CMC_BehaviourBase*>(target);
}

void CMC_Binding::link()
{
    if (placeholder || !target)
        return;
    next = target->binders;
    if (next)
        next->prev = this;
    target->binders = this;
    linked = true;
}

void CMC_Binding::unlink()
{
    if (!linked)
        return;
    if (prev)
        prev->next = next;
    else
        target->binders = next;
    if (next)
        next->prev = prev;
    prev = next = nullptr;
    linked = false;
}

namespace {
// Visits each key of a binding table with its list. The keys are taken
// first, so the visitor may take entries out of the table.
template <class Visit>
void forEachList(CHashtable* table, Visit visit)
{
    if (!table)
        return;
    CXVector* keys = table->getKeys();
    for (int k = 0; keys && k < keys->getSize(); ++k) {
        CStringHashCode* key = static_cast<CStringHashCode*>((*keys)[k]);
        visit(key, static_cast<CMC_BindingList*>(table->get(key)));
    }
    delete keys;
}
} // namespace

// A binding whose behaviour is running stays until that run ends: the run
// reads its parameters.
void CMC_Object::freeBinding(CMC_Binding* binding)
{
    binding->unlink();
    if (binding->running > 0)
        binding->dropped = true;
    else
        delete binding;
}

// Takes out and frees the bindings of a list that match; true when any did.
// A raise that walks the list meanwhile skips them.
template <class Match>
bool CMC_Object::removeBindings(CMC_BindingList* list, Match match)
{
    if (!list)
        return false;
    bool removed = false;
    CMC_BindingList::Items::Walk walk(list->items);
    while (CMC_Binding** item = walk.next()) {
        CMC_Binding* b = *item;
        if (match(b)) {
            list->items.remove(b);
            freeBinding(b);
            removed = true;
        }
    }
    return removed;
}

CMC_Object::CMC_Object(const CXString& n, int type)
    : name(n), typeId(type), scene(nullptr), cloneFlag(false), temporary(false), signalsOverridden(true),
      doneCalled(false), events(nullptr), bindings(nullptr), tmpBehaviours(nullptr), eventBound(nullptr),
      eventCount(0), scriptClass(nullptr), clonesNo(0)
{
}

CMC_Object::CMC_Object(CMC_ObjectsContainer* container, CMElement* element, int type)
    : CMC_Object(element ? element->getName() : CXString(), type)
{
    scene = container;
}

CMC_Object::CMC_Object(const CMC_Object& o)
    : CXObject(o), name(o.name), typeId(o.typeId), scene(o.scene), cloneFlag(o.cloneFlag),
      temporary(o.temporary), signalsOverridden(o.signalsOverridden), doneCalled(false), events(o.events),
      bindings(nullptr), tmpBehaviours(nullptr), eventBound(nullptr), eventCount(0), scriptClass(o.scriptClass),
      clonesNo(o.clonesNo)
{
    if (events)
        ++events->refs;
    copyBoundFlags(o);
}

void CMC_Object::copyBoundFlags(const CMC_Object& o)
{
    delete[] eventBound;
    eventBound = nullptr;
    eventCount = 0;
    if (o.eventBound) {
        eventCount = o.eventCount;
        eventBound = new bool[eventCount];
        for (int i = 0; i < eventCount; ++i)
            eventBound[i] = o.eventBound[i];
    }
}

// The parts of the derived type are gone: nothing here runs script. An
// object whose deletion a script could see is finished before (CMC_Disposal).
CMC_Object::~CMC_Object()
{
    QUARNEL_CHECK(raising == 0, "a script object is deleted while it raises an event");
    QUARNEL_CHECK_CHECKED(finishing || doneCalled || !isEventBound(1),
                          "a script object with ONDONE bound is deleted without being finished");
    finishQuietly();
    if (inTrash || inKept)
        CMC_Disposal::left(this);
    releaseEventList();
    delete[] eventBound;
    freeBindings();
    delete tmpBehaviours;
}

// "ONDONE" is raised only for an object whose done() never ran: after
// done() its behaviours may already be gone (the container finishes them
// in the same sweep), and raising it twice would run them twice.
void CMC_Object::finish()
{
    if (finishing)
        return;
    finishing = true;
    finishContents();
    if (!doneCalled && isEventBound(1)) {
        doneCalled = true;
        CMC_Object::onSignal(CXString("ONDONE"));
    }
    finishQuietly();
}

void CMC_Object::finishQuietly()
{
    finishing = true;
    if (finished)
        return;
    finished = true;
    CMC_Groups::objectGone(this);
    unbindEverywhere();
}

void CMC_Object::init()
{
    if (isEventBound(0))
        onSignal(CXString("ONINIT"));
}

bool CMC_Object::done(bool)
{
    doneCalled = true;
    if (isEventBound(1))
        onSignal(CXString("ONDONE"));
    return true;
}

int CMC_Object::getCloneIdx()
{
    int p = name.FindLast('_');
    if (p < 1 || p == name.getLength() - 1)
        return 0;
    return CXString::atoi(name.c_str() + p + 1);
}

CXString CMC_Object::getCloneName()
{
    ++clonesNo;
    return name + "_" + CXString::toString(clonesNo);
}

void CMC_Object::clone(int n)
{
    if (!scene)
        return;
    for (int i = 0; i < n; ++i) {
        CXObject* copy = clone();
        if (!copy)
            return;
        clone(static_cast<CMC_Object*>(copy));
    }
}

void CMC_Object::clone(CMC_Object* copy)
{
    if (!copy || copy == this)
        return;
    copy->cloneFlag = true;
    copy->scene = scene;
    copy->name = getCloneName();
    if (copy->events != events) {
        copy->releaseEventList();
        copy->events = events;
        if (events)
            ++events->refs;
    }
    copy->copyBoundFlags(*this);
    copy->freeBindings();
    if (bindings) {
        copy->bindings = new CHashtable(11, 0.75, true);
        forEachList(bindings, [copy](CStringHashCode* key, CMC_BindingList* list) {
            CXString keyText = key->getString();
            if (keyText == "ONINIT")
                return;
            CMC_BindingList* copyList = new CMC_BindingList;
            list->items.forEach([copy, copyList](CMC_Binding* b) {
                CMC_Object* target = b->target;
                // A placeholder belongs to its binding: the copy gets its own.
                if (b->placeholder)
                    target = new CMC_Object(target->name, MC_PLACEHOLDER);
                CMC_Binding* made = new CMC_Binding(copy, target, copyParams(b->params), b->container, b->placeholder);
                copyList->items.add(made, 0, made);
            });
            copy->bindings->put(new CStringHashCode(keyText), copyList);
            copy->verifyBehaviour(keyText);
        });
        if (copy->bindings->getSize() == 0) {
            delete copy->bindings;
            copy->bindings = nullptr;
        }
    }
    if (scene)
        scene->addObject(copy);
}

int CMC_Object::getBehaviourIndex(const CXString& n)
{
    for (int i = 0; events && i < events->count; ++i)
        if (n.startsWith(*events->names[i]))
            return i;
    return -1;
}

int CMC_Object::getSignalIndex(const CXString& n)
{
    if (!events)
        return -1;
    int caret = n.Find('^');
    CXString event = caret >= 0 ? n.Left(caret) : n;
    for (int i = 0; i < events->count; ++i)
        if (*events->names[i] == event)
            return i;
    return -1;
}

void CMC_Object::takeEventList()
{
    CXString** names = getBehavioursList();
    if (!names)
        return;
    int count = 0;
    while (names[count])
        ++count;
    events = new EventList{names, count, 1};
    if (eventBound && eventCount != count) {
        delete[] eventBound;
        eventBound = nullptr;
        eventCount = 0;
    }
}

void CMC_Object::releaseEventList()
{
    if (events && --events->refs == 0) {
        freeEventList(events->names);
        delete events;
    }
    events = nullptr;
}

CXString** CMC_Object::getEventNames() const { return events ? events->names : nullptr; }

void CMC_Object::flushBehList()
{
    releaseEventList();
    delete[] eventBound;
    eventBound = nullptr;
    eventCount = 0;
    delete tmpBehaviours;
    tmpBehaviours = nullptr;
}

void CMC_Object::initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element)
{
    delete tmpBehaviours;
    tmpBehaviours = new CXVector(101, 0.75f);
    if (!events)
        takeEventList();
    if (!events)
        return;
    if (!eventBound) {
        eventCount = events->count;
        eventBound = new bool[eventCount]();
    }
    if (!element) {
        rebindPlaceholders(container);
        return;
    }
    CMProperties* properties = element->getProperties();
    for (int p = 0; p < properties->getSize(); ++p) {
        CMProperty* property = properties->getAt(p);
        CXString key = property->getName();
        // A property may begin with several event names (ONINIT and
        // ONINITIALUPDATE); its inline code still makes one behaviour.
        CMC_BehaviourBase* inlineBehaviour = nullptr;
        for (int e = 0; e < events->count; ++e)
            if (key.startsWith(*events->names[e]))
                if (bindProperty(container, key, property->getValue(), &inlineBehaviour))
                    eventBound[e] = true;
    }
}

// One event property: inline code in braces, or a behaviour name with an
// optional parameter list in parentheses. False when nothing was bound.
bool CMC_Object::bindProperty(CMC_ObjectsContainer* container, const CXString& key, const CXString& rawValue,
                              CMC_BehaviourBase** inlineBehaviour)
{
    if (!container || !rawValue.IsString())
        return false;
    CXString value = rawValue;
    value.AllTrim(' ');
    if (value.GetAt(0) == '{') {
        if (!*inlineBehaviour) {
            CXString behaviourName("beh_");
            if (container->getType() == MC_CLASS)
                behaviourName += container->getName() + "_";
            behaviourName += name + "_" + key;
            behaviourName = freeInlineName(container, behaviourName);
            CMC_BehaviourBase* made = CMC_BehaviourBase::make(container, behaviourName, value);
            if (!made)
                return false;
            made->init();
            tmpBehaviours->add(made);
            container->addObject(made);
            *inlineBehaviour = made;
        }
        addBehaviour(key, *inlineBehaviour, nullptr, container);
        return true;
    }
    CXString behaviourName = value;
    CXArray* params = nullptr;
    int open = value.Find('(');
    if (open >= 0) {
        behaviourName = value.Left(open);
        behaviourName.AllTrim(' ');
        // Without a ')' after the '(' the parameters run to the end.
        int close = value.Find(')', open + 1);
        CXString list = close >= 0 ? value.Mid(open + 1, close) : value.Right(open + 1);
        list.AllTrim(' ');
        params = list.toVector();
    }
    CMC_Object* found = container->getObject(behaviourName);
    // Only a behaviour can be run as one.
    if (!found || found->typeId != MC_BEHAVIOUR) {
        CXString::releaseToVector(params);
        return false;
    }
    addBehaviour(key, static_cast<CMC_BehaviourBase*>(found), params, container);
    return true;
}

// A second record of an object that takes every record (a KEYBOARD or a
// MOUSE, whose bindings add up) makes its inline code under the name the
// first record's took: that one stays bound, so the new one is numbered
// rather than put in its place.
CXString CMC_Object::freeInlineName(CMC_ObjectsContainer* container, const CXString& wanted)
{
    auto boundHere = [this](CMC_Object* taken) {
        for (CMC_Binding* b = taken ? taken->binders : nullptr; b; b = b->next)
            if (b->owner == this)
                return true;
        return false;
    };
    CXString free = wanted;
    for (int n = 2; boundHere(container->getOwnObject(free)); ++n)
        free = wanted + "_" + CXString::toString(n);
    return free;
}

// After a snapshot: each placeholder is replaced by the behaviour of its name
// that the container sees; a placeholder that finds none, or whose key is
// no event of the type, goes with its binding.
void CMC_Object::rebindPlaceholders(CMC_ObjectsContainer* container)
{
    forEachList(bindings, [this, container](CStringHashCode* key, CMC_BindingList* list) {
        CXString keyText = key->getString();
        bool isEvent = getBehaviourIndex(keyText) >= 0;
        removeBindings(list, [this, container, isEvent, &keyText](CMC_Binding* b) {
            if (!b->placeholder)
                return false;
            CMC_Object* found = container ? container->getObject(b->target->name) : nullptr;
            if (!found || found->typeId != MC_BEHAVIOUR || !isEvent)
                return true;
            delete b->target;
            b->placeholder = false;
            b->target = found;
            b->link();
            setBoundByPrefix(keyText);
            return false;
        });
    });
}

// Every event the key begins with counts as bound, as when the same binding
// is read from a definition.
void CMC_Object::setBoundByPrefix(const CXString& key)
{
    for (int i = 0; events && i < events->count && i < eventCount; ++i)
        if (key.startsWith(*events->names[i]))
            eventBound[i] = true;
}

CMC_BindingList* CMC_Object::bindingList(const CXString& key, bool create)
{
    if (!bindings) {
        if (!create)
            return nullptr;
        bindings = new CHashtable(101, 0.75, true);
    }
    CStringHashCode& probe = bindingKey();
    probe.set(key);
    CMC_BindingList* list = static_cast<CMC_BindingList*>(bindings->get(&probe));
    if (!list && create) {
        list = new CMC_BindingList;
        bindings->put(new CStringHashCode(key), list);
    }
    return list;
}

void CMC_Object::appendBinding(const CXString& key, CMC_Object* target, CXArray* params,
                               CMC_ObjectsContainer* container, bool placeholder)
{
    CMC_Binding* made = new CMC_Binding(this, target, params, container, placeholder);
    bindingList(key, true)->items.add(made, 0, made);
}

void CMC_Object::addBehaviour(const CXString& key, CMC_BehaviourBase* behaviour, CXArray* params,
                              CMC_ObjectsContainer* container)
{
    if (!verifyBehaviour(key)) {
        CXString::releaseToVector(params);
        return;
    }
    if (signalsOverridden)
        removeBehaviourForce(key);
    int event = getSignalIndex(key);
    if (event >= 0 && event < eventCount)
        eventBound[event] = true;
    appendBinding(key, behaviour, params, container, false);
}

void CMC_Object::removeBehaviourForce(const CXString& key)
{
    removeBindings(bindingList(key, false), [](CMC_Binding*) { return true; });
}

void CMC_Object::removeBehaviour(const CXString& key, CMC_ObjectsContainer* container)
{
    removeBindings(bindingList(key, false), [container](CMC_Binding* b) { return b->container == container; });
}

// While the object raises an event, a raise walks one of the lists: they
// stay in the table, empty, until the table goes.
void CMC_Object::freeBindings()
{
    forEachList(bindings, [](CStringHashCode*, CMC_BindingList* list) {
        removeBindings(list, [](CMC_Binding*) { return true; });
    });
    if (raising > 0)
        return;
    forEachList(bindings, [](CStringHashCode*, CMC_BindingList* list) { delete list; });
    delete bindings;
    bindings = nullptr;
}

void CMC_Object::removeAllBehaviours()
{
    releaseEventList();
    freeBindings();
    delete tmpBehaviours;
    tmpBehaviours = nullptr;
    for (int i = 0; i < eventCount; ++i)
        eventBound[i] = false;
}

void CMC_Object::onSceneDone(CMC_ObjectsContainer* container)
{
    forEachList(bindings, [this, container](CStringHashCode*, CMC_BindingList* list) {
        bool removed = removeBindings(list, [container](CMC_Binding* b) { return b->container == container; });
        if (removed && list->getSize() == 0 && raising == 0) {
            bindings->remove(list);
            delete list;
        }
    });
}

void CMC_Object::removeBindingsTo(CMC_Object* behaviour)
{
    forEachList(bindings, [behaviour](CStringHashCode*, CMC_BindingList* list) {
        removeBindings(list, [behaviour](CMC_Binding* b) { return !b->placeholder && b->target == behaviour; });
    });
}

void CMC_Object::unbindEverywhere()
{
    while (CMC_Binding* first = binders) {
        first->owner->removeBindingsTo(this);
        // Every linked binding sits in its owner's table; should one not,
        // it is cut loose rather than looked at again.
        if (binders == first) {
            first->unlink();
            first->target = nullptr;
        }
    }
}

const CMC_BindingList* CMC_Object::getBehaviour(const CXString& key) { return bindingList(key, false); }

const CMC_Binding* CMC_Object::getSingleBehaviour(const CXString& key, int index)
{
    CMC_BindingList* list = bindingList(key, false);
    return list ? list->get(index) : nullptr;
}

bool CMC_Object::onSignal(const CXString& key) { return raise(key, nullptr, false); }

bool CMC_Object::onSignal(const CXString& key, CXArray* args) { return raise(key, args, true); }

// A running behaviour may bind and unbind behaviours of this object: the
// list is walked (CMC_BindingList), and it stays while the object raises.
// A finished object raises nothing (it is deleted as far as scripts go),
// and neither does it once it is finished by a binding's run.
bool CMC_Object::raise(const CXString& key, CXArray* args, bool useArgs)
{
    if (finished)
        return false;
    CMC_BindingList* list = bindingList(key, false);
    if (!list || list->getSize() == 0)
        return false;
    ++raising;
    {
        CMC_BindingList::Items::Walk walk(list->items);
        while (!finished) {
            CMC_Binding** binding = walk.next();
            if (!binding)
                break;
            runBinding(*binding, this, args, useArgs);
        }
    }
    --raising;
    return true;
}

// The behaviour may take the binding out while it runs: the binding, and
// with it the parameters the run reads, stays until the run ends.
void CMC_Object::runBinding(const CMC_Binding* bound, CMC_Object* owner, CXArray* args, bool useArgs)
{
    CMC_Binding* binding = const_cast<CMC_Binding*>(bound);
    CMC_BehaviourBase* behaviour = binding ? binding->getBehaviour() : nullptr;
    if (!behaviour)
        return;
    ++binding->running;
    behaviour->run(owner, useArgs ? args : binding->params, true);
    if (--binding->running == 0 && binding->dropped)
        delete binding;
}

void CMC_Object::addPlaceholderBinding(const CXString& key, const CXString& behaviourName, CXArray* params)
{
    appendBinding(key, new CMC_Object(behaviourName, MC_PLACEHOLDER), params, nullptr, true);
}

// The record of the base part: the name, the number of bindings, then each
// binding as its key, its behaviour's name and its parameter texts.
void CMC_Object::serialize(CXArchive* ar)
{
    if (!ar)
        return;
    if (ar->isStoring()) {
        int count = 0;
        forEachList(bindings, [&count](CStringHashCode*, CMC_BindingList* list) { count += list->getSize(); });
        *ar << name << count;
        forEachList(bindings, [ar](CStringHashCode* key, CMC_BindingList* list) {
            list->items.forEach([ar, key](CMC_Binding* b) {
                CMC_Object* target = b->target;
                CXArray* params = b->params;
                int n = params ? params->getSize() : 0;
                *ar << key->getString() << (target ? target->name : CXString()) << n;
                for (int p = 0; p < n; ++p)
                    *ar << *static_cast<CXString*>((*params)[p]);
            });
        });
        return;
    }
    // Counts come from the file: reading stops at the first short read.
    int count = 0;
    *ar >> &name;
    *ar >> &count;
    for (int i = 0; i < count && !ar->LastError(); ++i) {
        CXString key, behaviourName;
        int n = 0;
        *ar >> &key;
        *ar >> &behaviourName;
        *ar >> &n;
        CXArray* params = n > 0 ? new CXArray(101, 0.75f) : nullptr;
        for (int p = 0; p < n && !ar->LastError(); ++p) {
            CXString* text = new CXString;
            *ar >> text;
            params->add(text);
        }
        if (ar->LastError()) {
            CXString::releaseToVector(params);
            return;
        }
        addPlaceholderBinding(key, behaviourName, params);
    }
}

void CMC_Object::flush(CMC_Variable* value, bool)
{
    if (!value || isStopValue(value) || !variableRelease)
        return;
    variableRelease(value);
}

void CMC_Object::setVariableRelease(VariableRelease release) { variableRelease = release; }

CXString** CMC_Object::makeEventList(const char* const* names)
{
    int count = 0;
    while (names && names[count])
        ++count;
    CXString** list = new CXString*[count + 1];
    for (int i = 0; i < count; ++i)
        list[i] = new CXString(names[i]);
    list[count] = nullptr;
    return list;
}

void CMC_Object::freeEventList(CXString** names)
{
    if (!names)
        return;
    for (int i = 0; names[i]; ++i)
        delete names[i];
    delete[] names;
}
