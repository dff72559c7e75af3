#include "objects/PathRunner.h"

#include "objects/ScriptPath.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Values.h"

void CMC_Path_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("ADD", ADD);
    registerMethod("GETSIZE", GETSIZE);
    registerMethod("GETNODE", GETNODE);
    registerMethod("SETPROPERTY", SETPROPERTY);
    registerMethod("GETPROPERTY", GETPROPERTY);
}

// The property name is exact: "DENSITY" alone.
CMC_Variable* CMC_Path_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_PATH)
        return CMC_Runner::run(id, object, container, args);
    CMC_Path* path = static_cast<CMC_Path*>(object);
    const int given = getArgCount(args);
    switch (id) {
    case ADD:
        if (given > 0)
            path->add(container ? container : path->getScene(), getParameterString(args, 0)->getValue());
        return nullptr;
    case GETNODE: {
        CMC_Object* node = given > 0 ? path->getNode(getParameterInteger(args, 0)->getValue()) : nullptr;
        return CMC_String::temporary(node ? node->getName() : CXString());
    }
    case GETSIZE: return CMC_Integer::temporary(path->getSize());
    case SETPROPERTY:
        if (given > 1 && getParameterString(args, 0)->getValue() == "DENSITY")
            path->setDensity(getParameterDouble(args, 1)->getValue());
        return nullptr;
    case GETPROPERTY:
        if (given > 0 && getParameterString(args, 0)->getValue() == "DENSITY")
            return CMC_Double::temporary(path->getDensity());
        return nullptr;
    default: return CMC_Runner::run(id, object, container, args);
    }
}
