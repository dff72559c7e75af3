#pragma once
// Running script methods in the tests of the collection types: the pools
// and runners for one test, literal arguments, and results as text.
#include "script/ValueSupport.h"
#include "script/RunnerFactory.h"
#include "script/Runner.h"

#include <cstdio>
#include <string>
#include <vector>

namespace collectionstest {

// Pools and runners for one test.
struct Runtime {
    Runtime() { CMC_RunnerFactory::initialize(); }
    ~Runtime() { CMC_RunnerFactory::done(); }
    scripttest::Pools pools;
};

// "-" for no value, else a type letter and the value's text.
inline std::string resultText(CMC_Variable* r)
{
    if (!r)
        return "-";
    const char* kinds = "?ISBD";
    int t = r->getType();
    return std::string(1, kinds[t >= 1 && t <= 4 ? t : 0]) + ":" + r->toString().c_str();
}

// Arguments: a literal as scripts write it, or, with a leading '@', the
// object of that name in the container itself.
class Call {
public:
    Call(CMC_ObjectsContainer* container, std::vector<std::string> arguments) : container(container)
    {
        for (const std::string& a : arguments) {
            if (!a.empty() && a[0] == '@') {
                args.add(container->getObject(a.c_str() + 1));
            } else {
                literals.push_back(CMC_Variable::resolve(CXString(a.c_str())));
                args.add(literals.back());
            }
        }
    }
    ~Call()
    {
        for (CMC_Variable* v : literals)
            CMC_Object::flush(v);
    }
    // Runs the method by name on the object; the result as resultText.
    std::string run(CMC_Object* object, const char* method)
    {
        CMC_Runner* runner = CMC_RunnerFactory::getRunner(object);
        CMC_Variable* r = runner ? runner->run(CXString(method), object, container, args.getSize() ? &args : nullptr)
                                 : nullptr;
        std::string text = resultText(r);
        CMC_Object::flush(r);
        return text;
    }

private:
    CMC_ObjectsContainer* container;
    CXVector args;
    std::vector<CMC_Variable*> literals;
};

inline std::string call(CMC_ObjectsContainer* container, CMC_Object* object, const char* method,
                        std::vector<std::string> arguments = {})
{
    return Call(container, arguments).run(object, method);
}

// No temporary of a basic type is left taken.
inline bool poolsEmpty()
{
    for (int type : {MC_INTEGER, MC_STRING, MC_BOOL, MC_DOUBLE})
        if (CMC_VariableFactory::getTakenCount(type) != 0)
            return false;
    return true;
}

} // namespace collectionstest
