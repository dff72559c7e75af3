#pragma once
// What the tests of structures, databases and multi-arrays share: pools and
// runners for one test, a scene that owns what it creates, a drive T: on a
// temp folder, and method calls with literal arguments.
#include "platform/Drives.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Runner.h"
#include "script/Variable.h"
#include "script/VariableFactory.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace recordstest {

// Creates the objects of "OBJECT:PROPERTY=VALUE" lines in the container
// through the type registry, as a scene file would, then calls init on each.
template <class Lines>
void defineObjectLines(CMC_ObjectsContainer* container, const Lines& lines)
{
    CMElements elements(true);
    for (const auto& line : lines) {
        std::string text(line);
        size_t colon = text.find(':'), equals = text.find('=');
        CXString object(text.substr(0, colon).c_str());
        CMElement* e = elements.get(object);
        if (!e) {
            e = new CMElement(object);
            elements.add(e);
        }
        e->addProperty(text.substr(colon + 1, equals - colon - 1).c_str(), text.substr(equals + 1).c_str());
    }
    delete container->resolveObjects(&elements);
    for (int i = 0; i < elements.getSize(); ++i)
        if (CMC_Object* o = container->getObject(elements.getAt(i)->getName()))
            o->init();
}
inline void defineObjects(CMC_ObjectsContainer* container, std::initializer_list<const char*> lines)
{
    defineObjectLines(container, lines);
}

class Scene : public CMC_ObjectsContainer {
public:
    Scene() : CMC_ObjectsContainer(nullptr, nullptr, CXString("SCENE"), MC_SCENE) { scene = this; }
    ~Scene() override { unload(); }

    void define(std::initializer_list<const char*> lines) { defineObjects(this, lines); }
    // One object of a type word with one property; null when the word did
    // not make an object of the type id.
    CMC_Object* defineOne(const char* name, const char* word, int typeId, const char* property, const char* value)
    {
        std::string type = std::string(name) + ":TYPE=" + word;
        std::string set = std::string(name) + ":" + property + "=" + value;
        define({type.c_str(), set.c_str()});
        CMC_Object* o = getObject(name);
        EXPECT_TRUE(o && o->getType() == typeId) << name;
        return o && o->getType() == typeId ? o : nullptr;
    }
};

// Pools and runners for one test, and a drive T: on a temp folder.
class RecordsTest : public ::testing::Test {
protected:
    RecordsTest()
    {
        CMC_VariableFactory::initialize();
        CMC_RunnerFactory::initialize();
        platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
    }
    ~RecordsTest() override
    {
        scene.unload();
        CMC_RunnerFactory::done();
        CMC_VariableFactory::done();
    }

    // Runs a method with literal arguments (CMC_Variable::resolve: "\"a\""
    // is a string, "5" an integer) and gives the result's text, "-" for none.
    std::string call(CMC_Object* object, const char* method, std::initializer_list<const char*> literals = {})
    {
        CXVector args;
        for (const char* l : literals)
            args.add(CMC_Variable::resolve(CXString(l)));
        return callWith(object, method, &args);
    }
    // The same with the arguments given (the caller's).
    std::string callWith(CMC_Object* object, const char* method, CXVector* args)
    {
        CMC_Runner* runner = CMC_RunnerFactory::getRunner(object);
        EXPECT_NE(runner, nullptr);
        CMC_Variable* r = runner ? runner->run(CXString(method), object, &scene, args) : nullptr;
        std::string text = r ? r->toString().c_str() : "-";
        CMC_Object::flush(r);
        for (int i = 0; i < args->getSize(); ++i)
            CMC_Object::flush(static_cast<CMC_Variable*>(args->at(i)));
        for (int type : {MC_INTEGER, MC_STRING, MC_BOOL, MC_DOUBLE})
            EXPECT_EQ(CMC_VariableFactory::getTakenCount(type), 0) << method << " keeps a temporary";
        return text;
    }

    testsupport::TempDir tmp;
    platform::ScopedDriveMap drives;
    Scene scene;
};

} // namespace recordstest
