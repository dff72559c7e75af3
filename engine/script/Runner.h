#pragma once
#include "base/XArray.h"
#include "base/XObject.h"
#include "base/XString.h"
#include "script/Variable.h"

class CHashtable;
class CStringHashCode;
class CMC_Bool;
class CMC_Double;
class CMC_Integer;
class CMC_ObjectsContainer;
class CMC_String;

// The method dispatcher of a script type: one stateless instance per type
// maps upper-case method names to ids and runs an id on an object with a
// vector of argument values.
//
// A type's runner derives from this, overrides prepareMthHashSet (calling
// the base first, then registerMethod for each of its own names) and run by
// id (a switch over its own ids; every other id goes to CMC_Runner::run so
// that the common methods of ids 96 to 109 work). Add `using CMC_Runner::run;`
// so that run by name stays visible. Register it with the runner factory.
//
// Arguments are read by position through the getters below, which never
// read past the vector: a missing argument is null from getArgument and
// getParameter, and an empty value (0, 0.0, false, "") from the typed
// getters, which never return null. getArgCount tells a method whether an
// optional argument was given or a required one is missing. Results are
// pooled temporaries (CMC_VariableFactory), or null for "no value".
class CMC_Runner : public CXObject {
public:
    enum {
        SEND = 96,
        ADDTOGROUP = 97,
        ADDTOARRAY = 98,
        GETNAME = 99,
        CLONE = 100,
        ADDBEHAVIOUR = 101,
        GETCLONEINDEX = 102,
        MSGBOX = 103,
        RESETCLONES = 104,
        REMOVEBEHAVIOUR = 105,
        GETCLONESNO = 106,
        REMOVEALLBEHAVIOURS = 107,
        REMOVEBEHAVIOURFORCE = 108,
        OVERIDESIGNALS = 109
    };

    CMC_Runner();
    ~CMC_Runner() override;
    CMC_Runner(const CMC_Runner&) = delete;
    CMC_Runner& operator=(const CMC_Runner&) = delete;

    // Makes a new table with the common methods.
    virtual void prepareMthHashSet();
    virtual void toDebug(const CXString&, CXVector*) {}
    // The argument at index, an expression computed; null when missing.
    virtual CMC_Variable* getParameter(CXVector* args, int index);
    // The argument converted to the type. A temporary made by the
    // conversion is already given back: read it at once, never keep or
    // flush it. An argument of the type itself is returned as it is.
    virtual CMC_Bool* getParameterBool(CXVector* args, int index);
    virtual CMC_Double* getParameterDouble(CXVector* args, int index);
    virtual CMC_Integer* getParameterInteger(CXVector* args, int index);
    virtual CMC_String* getParameterString(CXVector* args, int index);
    // The common methods; any other id does nothing and gives null.
    virtual CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    virtual CMC_Variable* run(const CXString& name, CMC_Object* object, CMC_ObjectsContainer* container,
                              CXVector* args);
    // The id registered under exactly that name; -1 when none is.
    virtual int resolveMethod(const CXString& name);

    // The number of arguments (0 for a null vector).
    static int getArgCount(CXVector* args) { return args ? args->getSize() : 0; }
    // The argument at index as a value: the vector's element itself when it
    // is a script value, a STRING temporary holding the name of an object
    // that is not one; null when missing (or a stop value).
    static CMC_Variable* getArgument(CXVector* args, int index)
    {
        CXObject* element = args && index >= 0 && index < args->getSize() ? args->at(index) : nullptr;
        if (!element || isStopValue(element))
            return nullptr;
        CMC_Object* object = static_cast<CMC_Object*>(element);
        return CMC_Variable::isVariableType(object->getType()) ? static_cast<CMC_Variable*>(object)
                                                               : nameOf(object);
    }

    // How the common methods add an object to a group (type 3000) or an
    // array (3001); the group and array types install theirs. A name that
    // finds an object of any other type adds nothing.
    using MemberAdder = void (*)(CMC_Object* collection, CMC_Object* member);
    static void setMemberAdder(int typeId, MemberAdder adder);
    static MemberAdder getMemberAdder(int typeId);

protected:
    void registerMethod(const char* name, int id);

private:
    // A STRING temporary holding the object's name, already given back.
    static CMC_Variable* nameOf(CMC_Object* object);
    CMC_Variable* addTo(int collectionType, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* addBehaviour(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);

    CHashtable* methods;
    CStringHashCode* lookupKey;
};
