#pragma once
#include "script/ObjectsContainer.h"
#include "script/Runner.h"

// Script CLASS (type id 3004): a class declared in a definition with "DEF"
// (the class file) and "BASE" (base class files, comma-separated), and the
// instances made from it. Class files lie in "$COMMON\CLASSES\".
//
// The class object holds no objects; its lookups go to the container that
// declared it. An instance is a container of its own: it reads the BASE
// files in order, then the DEF file, and holds a private copy of every
// object they declare. A name declared again replaces the earlier object,
// which stays reachable with "SUPER_" in front (once more for each later
// file). Names an instance does not hold are looked up in its class object
// and upward from there.
class CMC_Class : public CMC_ObjectsContainer {
public:
    // The class object: "DEF" and "BASE" of the record; nothing is read yet.
    CMC_Class(CMC_ObjectsContainer* container, CMElement* element);
    // An instance called name of the class object cls, made in container
    // (the class object's own): reads the class files.
    CMC_Class(CMC_ObjectsContainer* container, CMC_Class* cls, const CXString& name);
    // For a snapshot: a class object that serialize names and gives its
    // "DEF" and "BASE".
    explicit CMC_Class(CMC_ObjectsContainer* container);
    // Finishes the class and disposes of the objects still held.
    ~CMC_Class() override;

    // Every held object's init (over a copy of the list), then the base's.
    void init() override;
    // An instance runs its "DESTRUCTOR" (once in its life), then finishes
    // and deletes its objects.
    bool done(bool final) override;
    // Keeps an object already under that name as "SUPER_" + name.
    void addObject(CMC_Object* obj) override;
    // The base record, then "DEF" and "BASE". An instance is written as a
    // class object of its class.
    void serialize(CXArchive* archive) override;

    // A new initialised instance of this class (of the class object when
    // called on an instance); the caller owns it.
    CMC_Class* newInstance(const CXString& name);

    bool isInstance() const { return instance; }
    // The class object of an instance; the object itself for a class object
    // and for an instance whose class object was deleted (it has the
    // class's files itself).
    CMC_Class* getClassObject() { return classObject ? classObject : this; }
    // An instance whose class object goes looks up where the class object
    // did.
    void lookupParentGone(CMC_ObjectsContainer* gone, CMC_ObjectsContainer* grandParent) override;
    CXString getDef() const { return def; }
    CXString getBase() const { return base; }

protected:
    // A class deleted without its done() (REMOVE, its name given to another
    // object, DELETE) runs no "DESTRUCTOR" here and deletes its objects as
    // REMOVE deletes, at once, whenever its memory goes.
    void finishContents() override
    {
        if (!isDone())
            deleteObjects();
    }

private:
    friend class CMC_Class_Runner;

    // Runs an instance's "DESTRUCTOR", the first time only (done(), DELETE).
    void destruct();

    // The lookup parent, without listing it (and its parent) by name as
    // setParent does: a class holds only what its files declare.
    void linkTo(CMC_ObjectsContainer* lookupParent);
    CXString getClassPath(const CXString& fileName);
    void import(const CXString& fileName);
    void import_base(const CXString& list);

    CXString def;
    CXString base;
    CMC_Class* classObject;
    bool instance;
    bool destructed;
};

// The methods of classes: "NEW" and "DELETE". Any other name called on a
// class or an instance runs the behaviour of that name, found from the
// instance, with the call's arguments as its parameters; the common methods
// of other types do nothing here.
class CMC_Class_Runner : public CMC_Runner {
public:
    enum { NEW = 1, DELETE = 2 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    CMC_Variable* run(const CXString& name, CMC_Object* object, CMC_ObjectsContainer* container,
                      CXVector* args) override;
    // Runs the behaviour called name, found from instance, for the instance
    // with the arguments' texts as $1, $2, ...; the behaviour's names
    // resolve from the instance while it runs. The result is a pooled copy
    // of "__RETURN__" when there is one, else null.
    virtual CMC_Variable* runClass(CMC_Object* instance, CMC_ObjectsContainer* container, CXVector* args,
                                   const CXString& name);

private:
    CMC_Variable* _new(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* _delete(CMC_ObjectsContainer* container, CXVector* args);
};
