#include "collections/Class.h"

#include "base/Archive.h"
#include "base/Path.h"
#include "base/StringTokenizer.h"
#include "script/BehaviourBase.h"
#include "script/Disposal.h"
#include "script/Element.h"
#include "script/ElementsLoader.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/TypeRegistry.h"
#include "script/Variable.h"
#include "script/VariableFactory.h"

#include <vector>

namespace {

CMC_Object* makeClass(CMC_ObjectsContainer* container, CMElement* element)
{
    return new CMC_Class(container, element);
}

CMC_RegisterType typeRegistration("CLASS", 4, &makeClass);
CMC_RegisterRunner<CMC_Class_Runner> runnerRegistration({MC_CLASS});

CWindow* windowOf(CMC_ObjectsContainer* container) { return container ? container->getWindow() : nullptr; }

CXString property(CMElement* element, const char* key)
{
    return element ? element->getPropertyValue(CXString(key)) : CXString();
}

// Set while a class links its lookup parent: setParent would also list the
// parent by name, and a class holds only what its files declare.
bool linking = false;

} // namespace

CMC_Class::CMC_Class(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_ObjectsContainer(windowOf(container), container, element, MC_CLASS), def(property(element, "DEF")),
      base(property(element, "BASE")), classObject(nullptr), instance(false), destructed(false)
{
    linkTo(container);
}

CMC_Class::CMC_Class(CMC_ObjectsContainer* container, CMC_Class* cls, const CXString& n)
    : CMC_ObjectsContainer(windowOf(container), container, n, MC_CLASS), def(cls->def), base(cls->base),
      classObject(cls), instance(true), destructed(false)
{
    linkTo(cls);
    import_base(base);
    import(def);
}

CMC_Class::CMC_Class(CMC_ObjectsContainer* container) : CMC_Class(container, static_cast<CMElement*>(nullptr)) {}

// What came after the class was finished goes too.
CMC_Class::~CMC_Class()
{
    finish();
    deleteObjects();
}

void CMC_Class::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << def << base;
        return;
    }
    *archive >> &def;
    *archive >> &base;
}

void CMC_Class::linkTo(CMC_ObjectsContainer* lookupParent)
{
    linking = true;
    setParent(lookupParent);
    linking = false;
}

void CMC_Class::lookupParentGone(CMC_ObjectsContainer* gone, CMC_ObjectsContainer* grandParent)
{
    if (gone == classObject)
        classObject = nullptr;
    linkTo(grandParent);
}

void CMC_Class::addObject(CMC_Object* obj)
{
    if (!obj || linking)
        return;
    CMC_Object* existing = getOwnObject(obj->getName());
    if (existing == obj)
        return;
    if (existing) {
        removeObject(existing);
        existing->setName(CXString("SUPER_") + existing->getName());
        addObject(existing);
    }
    CMC_ObjectsContainer::addObject(obj);
}

CXString CMC_Class::getClassPath(const CXString& fileName)
{
    return CPath::resolveFileName(getWindow(), CXString("$COMMON\\CLASSES\\") + fileName);
}

// A file that cannot be read adds nothing.
void CMC_Class::import(const CXString& fileName)
{
    CMElements* records = CMElementsLoader::load(getWindow(), getClassPath(fileName));
    if (!records)
        return;
    delete resolveObjects(records);
    delete records;
}

void CMC_Class::import_base(const CXString& list)
{
    CStringTokenizer files(list, CXString(","));
    while (files.hasMoreTokens())
        import(files.nextToken());
}

CMC_Class* CMC_Class::newInstance(const CXString& n)
{
    CMC_Class* cls = getClassObject();
    CMC_Class* instance = new CMC_Class(cls->getScene(), cls, n);
    instance->init();
    return instance;
}

void CMC_Class::init()
{
    std::vector<CMC_Object*> held;
    for (int i = 0; getObject(i); ++i)
        held.push_back(getObject(i));
    for (CMC_Object* obj : held)
        obj->init();
    CMC_Object::init();
}

// A class object runs no "DESTRUCTOR": the one its lookup would find belongs
// to its container.
bool CMC_Class::done(bool final)
{
    destruct();
    unload();
    return CMC_Object::done(final);
}

void CMC_Class::destruct()
{
    if (!isInstance() || destructed)
        return;
    destructed = true;
    CMC_Runner* runner = CMC_RunnerFactory::getRunner(MC_CLASS);
    if (runner)
        CMC_Object::flush(
            static_cast<CMC_Class_Runner*>(runner)->runClass(this, getScene(), nullptr, CXString("DESTRUCTOR")));
}

void CMC_Class_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("NEW", NEW);
    registerMethod("DELETE", DELETE);
}

// The common methods of other types do nothing on a class.
CMC_Variable* CMC_Class_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    switch (id) {
    case NEW: return _new(object, container, args);
    case DELETE: return _delete(container, args);
    default: return nullptr;
    }
}

CMC_Variable* CMC_Class_Runner::run(const CXString& name, CMC_Object* object, CMC_ObjectsContainer* container,
                                    CXVector* args)
{
    int id = resolveMethod(name);
    if (id >= 0)
        return run(id, object, container, args);
    return runClass(object, container, args, name);
}

// Only behaviours run. The behaviour's own scene is put back afterwards: a
// behaviour found in the class object's container outlives the instance.
CMC_Variable* CMC_Class_Runner::runClass(CMC_Object* instance, CMC_ObjectsContainer*, CXVector* args,
                                         const CXString& name)
{
    if (!instance || instance->getType() != MC_CLASS)
        return nullptr;
    CMC_Class* self = static_cast<CMC_Class*>(instance);
    CMC_Object* found = self->getObject(name);
    if (!found || found->getType() != MC_BEHAVIOUR)
        return nullptr;
    CMC_BehaviourBase* behaviour = static_cast<CMC_BehaviourBase*>(found);

    CXArray* params = nullptr;
    int argc = getArgCount(args);
    if (argc > 0) {
        params = new CXArray(101, 0.75f);
        for (int i = 0; i < argc; ++i)
            params->add(new CXString(getParameterString(args, i)->getValue()));
    }

    CMC_ObjectsContainer* previous = behaviour->getScene();
    behaviour->setScene(self);
    // The method may delete the instance; its result is read from it after.
    CMC_Hold hold(self);
    behaviour->run(self, params, false);
    behaviour->setScene(previous);

    CMC_Object* returned = self->getObject("__RETURN__");
    CMC_Variable* result = returned && CMC_Variable::isVariableType(returned->getType())
                               ? CMC_VariableFactory::copyVariable(static_cast<CMC_Variable*>(returned))
                               : nullptr;
    for (int i = 0; params && i < params->getSize(); ++i)
        delete params->stringAt(i);
    delete params;
    return result;
}

// The instance is entered where the statement runs, then constructed with
// the instance name as $1. NEW on an instance makes an instance of its
// class. A name held by the class object itself is refused; an instance
// under that name is deleted as the new one takes it.
CMC_Variable* CMC_Class_Runner::_new(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_CLASS || !container || getArgCount(args) < 1)
        return nullptr;
    CMC_Class* cls = static_cast<CMC_Class*>(object)->getClassObject();
    CXString n = getParameterString(args, 0)->getValue();
    if (container->getOwnObject(n) == cls)
        return nullptr;
    CMC_Class* instance = cls->newInstance(n);
    container->addObject(instance);
    return runClass(instance, container, args, CXString("CONSTRUCTOR"));
}

// Only instances are deleted, each once: a DELETE from its own destructor
// does nothing. The instance leaves the container that holds it (the
// lookup may have found it further up) and is deleted (CMC_Disposal).
CMC_Variable* CMC_Class_Runner::_delete(CMC_ObjectsContainer* container, CXVector* args)
{
    if (!container || getArgCount(args) < 1)
        return nullptr;
    CMC_Object* found = container->getObject(getParameterString(args, 0)->getValue());
    if (!found || found->getType() != MC_CLASS)
        return nullptr;
    CMC_Class* instance = static_cast<CMC_Class*>(found);
    if (!instance->isInstance() || instance->destructed)
        return nullptr;
    instance->destructed = true;
    CMC_Variable* result = runClass(instance, container, args, CXString("DESTRUCTOR"));
    bool removed = false;
    for (CMC_ObjectsContainer* c = container; c && !removed; c = c->getParent())
        removed = c->removeObject(instance);
    if (removed)
        CMC_Disposal::dispose(instance, CMC_Disposal::WITHOUT_DONE);
    return result;
}
