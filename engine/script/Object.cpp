#include "script/Object.h"

#include "base/Archive.h"
#include "base/Hashtable.h"
#include "script/BehaviourBase.h"
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

// A binding owns its parameter list and, after a snapshot, its placeholder.
// Which of the two it holds is recorded here. A binding to a behaviour is
// linked into that behaviour's list of binders, so that the behaviour,
// when it goes, takes every binding to it out of its owner's table.
struct CMC_Object::Binding : public CXTriple {
    Binding(CMC_Object* owner, CMC_Object* behaviour, CXArray* params, CMC_ObjectsContainer* container,
            bool ownsPlaceholder)
        : CXTriple(behaviour, params, container), owner(owner), placeholder(ownsPlaceholder)
    {
        link();
    }
    ~Binding() override { unlink(); }
    CMC_Object* target() const { return static_cast<CMC_Object*>(getFirst()); }
    void retarget(CMC_Object* behaviour)
    {
        unlink();
        setFirst(behaviour);
        link();
    }
    void link()
    {
        CMC_Object* to = target();
        if (placeholder || !to)
            return;
        next = to->binders;
        if (next)
            next->prev = this;
        to->binders = this;
        linked = true;
    }
    void unlink()
    {
        if (!linked)
            return;
        if (prev)
            prev->next = next;
        else
            target()->binders = next;
        if (next)
            next->prev = prev;
        prev = next = nullptr;
        linked = false;
    }

    CMC_Object* owner;
    bool placeholder;
    bool linked = false;
    Binding* prev = nullptr;
    Binding* next = nullptr;
};

namespace {
using Binding = CMC_Object::Binding;

CMC_Object* behaviourOf(CXTriple* binding) { return static_cast<CMC_Object*>(binding->getFirst()); }
Binding* bindingAt(CXVector* list, int i) { return static_cast<Binding*>((*list)[i]); }
bool isPlaceholder(CXTriple* binding) { return static_cast<Binding*>(binding)->placeholder; }

void freeBinding(CXTriple* binding)
{
    if (isPlaceholder(binding))
        delete behaviourOf(binding);
    CXString::releaseToVector(static_cast<CXArray*>(binding->getSecond()));
    delete static_cast<Binding*>(binding);
}

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
        visit(key, static_cast<CXVector*>(table->get(key)));
    }
    delete keys;
}

// Takes out and frees the bindings of a list that match; true when any did.
template <class Match>
bool removeBindings(CXVector* list, Match match)
{
    bool removed = false;
    for (int i = 0; list && i < list->getSize();) {
        CXTriple* b = bindingAt(list, i);
        if (match(b)) {
            list->removeAt(i);
            freeBinding(b);
            removed = true;
        } else {
            ++i;
        }
    }
    return removed;
}
} // namespace

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

// The final "ONDONE" runs only for an object that was never finished: after
// done() its behaviours may already be gone (the container deletes them in
// the same sweep), and raising it twice would run them twice.
CMC_Object::~CMC_Object()
{
    if (!doneCalled && isEventBound(1)) {
        doneCalled = true;
        CMC_Object::onSignal(CXString("ONDONE"));
    }
    unbindEverywhere();
    if (inTrash)
        CMC_BehaviourBase::leftTrash(this);
    CMC_Groups::objectGone(this);
    releaseEventList();
    delete[] eventBound;
    freeBindings();
    delete tmpBehaviours;
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
        forEachList(bindings, [copy](CStringHashCode* key, CXVector* list) {
            CXString keyText = key->getString();
            if (keyText == "ONINIT")
                return;
            CXVector* copyList = new CXVector(101, 0.75f);
            for (int i = 0; i < list->getSize(); ++i) {
                Binding* b = bindingAt(list, i);
                CMC_Object* target = behaviourOf(b);
                // A placeholder belongs to its binding: the copy gets its own.
                if (b->placeholder)
                    target = new CMC_Object(target->name, MC_PLACEHOLDER);
                CXArray* params = copyParams(static_cast<CXArray*>(b->getSecond()));
                copyList->add(new Binding(copy, target, params, static_cast<CMC_ObjectsContainer*>(b->getThird()),
                                          b->placeholder));
            }
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
        for (Binding* b = taken ? taken->binders : nullptr; b; b = b->next)
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
    forEachList(bindings, [this, container](CStringHashCode* key, CXVector* list) {
        CXString keyText = key->getString();
        bool isEvent = getBehaviourIndex(keyText) >= 0;
        for (int i = 0; i < list->getSize();) {
            Binding* b = bindingAt(list, i);
            if (!b->placeholder) {
                ++i;
                continue;
            }
            CMC_Object* placeholder = behaviourOf(b);
            CMC_Object* found = container ? container->getObject(placeholder->name) : nullptr;
            if (found && found->typeId == MC_BEHAVIOUR && isEvent) {
                delete placeholder;
                b->placeholder = false;
                b->retarget(found);
                setBoundByPrefix(keyText);
                ++i;
            } else {
                list->removeAt(i);
                freeBinding(b);
            }
        }
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

CXVector* CMC_Object::bindingList(const CXString& key, bool create)
{
    if (!bindings) {
        if (!create)
            return nullptr;
        bindings = new CHashtable(101, 0.75, true);
    }
    CStringHashCode& probe = bindingKey();
    probe.set(key);
    CXVector* list = static_cast<CXVector*>(bindings->get(&probe));
    if (!list && create) {
        list = new CXVector(101, 0.75f);
        bindings->put(new CStringHashCode(key), list);
    }
    return list;
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
    bindingList(key, true)->add(new Binding(this, behaviour, params, container, false));
}

void CMC_Object::removeBehaviourForce(const CXString& key)
{
    removeBindings(bindingList(key, false), [](CXTriple*) { return true; });
}

void CMC_Object::removeBehaviour(const CXString& key, CMC_ObjectsContainer* container)
{
    removeBindings(bindingList(key, false), [container](CXTriple* b) { return b->getThird() == container; });
}

void CMC_Object::freeBindings()
{
    forEachList(bindings, [](CStringHashCode*, CXVector* list) {
        for (int i = 0; i < list->getSize(); ++i)
            freeBinding(bindingAt(list, i));
        delete list;
    });
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
    forEachList(bindings, [this, container](CStringHashCode*, CXVector* list) {
        bool removed = removeBindings(list, [container](CXTriple* b) { return b->getThird() == container; });
        if (removed && list->getSize() == 0) {
            bindings->remove(list);
            delete list;
        }
    });
}

void CMC_Object::removeBindingsTo(CMC_Object* behaviour)
{
    forEachList(bindings, [behaviour](CStringHashCode*, CXVector* list) {
        removeBindings(list, [behaviour](CXTriple* b) { return behaviourOf(b) == behaviour; });
    });
}

void CMC_Object::unbindEverywhere()
{
    while (Binding* first = binders) {
        first->owner->removeBindingsTo(this);
        // Every linked binding sits in its owner's table; should one not,
        // it is cut loose rather than looked at again.
        if (binders == first) {
            first->unlink();
            first->setFirst(nullptr);
        }
    }
}

CXVector* CMC_Object::getBehaviour(const CXString& key) { return bindingList(key, false); }

CXTriple* CMC_Object::getSingleBehaviour(const CXString& key, int index)
{
    CXVector* list = bindingList(key, false);
    if (!list || index < 0 || index >= list->getSize())
        return nullptr;
    return bindingAt(list, index);
}

// Only behaviours are ever bound, so a binding that holds no placeholder
// holds a behaviour (or null).
CMC_BehaviourBase* CMC_Object::bindingBehaviour(CXTriple* binding)
{
    if (!binding || isPlaceholder(binding))
        return nullptr;
    return static_cast<CMC_BehaviourBase*>(behaviourOf(binding));
}

bool CMC_Object::onSignal(const CXString& key) { return raise(key, nullptr, false); }

bool CMC_Object::onSignal(const CXString& key, CXArray* args) { return raise(key, args, true); }

// A running behaviour may add or remove bindings of this object, so the list
// is looked up again before each binding.
bool CMC_Object::raise(const CXString& key, CXArray* args, bool useArgs)
{
    // An object in the trash is deleted as far as scripts go (so are the
    // objects of a class instance there): it raises nothing meanwhile.
    if (inTrash || (scene && static_cast<CMC_Object*>(scene)->inTrash))
        return false;
    CXVector* list = bindingList(key, false);
    if (!list || list->getSize() == 0)
        return false;
    // Bindings to behaviours in the trash are as good as gone (they go
    // when the trash deletes them): with only those the event is unbound.
    bool bound = false;
    for (int i = 0; i < list->getSize() && !bound; ++i) {
        CMC_BehaviourBase* behaviour = bindingBehaviour(bindingAt(list, i));
        bound = !behaviour || !behaviour->inTrash;
    }
    if (!bound)
        return false;
    ++raising;
    for (int i = 0;; ++i) {
        if (i > 0)
            list = bindingList(key, false);
        if (!list || i >= list->getSize())
            break;
        runBinding(bindingAt(list, i), this, args, useArgs);
    }
    --raising;
    return true;
}

void CMC_Object::runBinding(CXTriple* binding, CMC_Object* owner, CXArray* args, bool useArgs)
{
    CMC_BehaviourBase* behaviour = bindingBehaviour(binding);
    if (!behaviour || behaviour->inTrash)
        return;
    CXArray* own = static_cast<CXArray*>(binding->getSecond());
    if (useArgs || !own) {
        behaviour->run(owner, useArgs ? args : nullptr, true);
        return;
    }
    // The behaviour may remove the binding, and with it these parameters,
    // while it runs.
    CXArray* params = copyParams(own);
    behaviour->run(owner, params, true);
    CXString::releaseToVector(params);
}

void CMC_Object::addPlaceholderBinding(const CXString& key, const CXString& behaviourName, CXArray* params)
{
    CMC_Object* placeholder = new CMC_Object(behaviourName, MC_PLACEHOLDER);
    bindingList(key, true)->add(new Binding(this, placeholder, params, nullptr, true));
}

// The record of the base part: the name, the number of bindings, then each
// binding as its key, its behaviour's name and its parameter texts.
void CMC_Object::serialize(CXArchive* ar)
{
    if (!ar)
        return;
    if (ar->isStoring()) {
        int count = 0;
        forEachList(bindings, [&count](CStringHashCode*, CXVector* list) { count += list->getSize(); });
        *ar << name << count;
        forEachList(bindings, [ar](CStringHashCode* key, CXVector* list) {
            for (int i = 0; i < list->getSize(); ++i) {
                Binding* b = bindingAt(list, i);
                CMC_Object* target = behaviourOf(b);
                CXArray* params = static_cast<CXArray*>(b->getSecond());
                int n = params ? params->getSize() : 0;
                *ar << key->getString() << (target ? target->name : CXString()) << n;
                for (int p = 0; p < n; ++p)
                    *ar << *static_cast<CXString*>((*params)[p]);
            }
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
