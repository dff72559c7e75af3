#pragma once
// Helpers for the array tests: a scene with the pools and runners, arrays
// filled from literals, and the elements written out with their types.
#include "collections/Array.h"
#include "script/RunnerFactory.h"
#include "script/ValueSupport.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>

namespace arraytest {

using scripttest::FakeBehaviour;
using scripttest::TestScene;

// "I:7,S:x,B:TRUE,D:1.23400": each element's type letter and text.
inline std::string typed(CMC_Array* a)
{
    std::string out;
    for (int i = 0; i < a->getSize(); ++i) {
        CMC_Variable* e = a->get(i);
        const char* kinds = "?ISBD";
        out += std::string(i ? "," : "") + kinds[e->getType() >= 1 && e->getType() <= 4 ? e->getType() : 0] + ":" +
               e->toString().c_str();
    }
    return out;
}

// A scene "SCENE" holding behaviours; arrays made in it belong to it.
class ArrayFixture : public ::testing::Test {
protected:
    ArrayFixture() : scene(new TestScene("SCENE")) { CMC_RunnerFactory::initialize(); }
    ~ArrayFixture() override
    {
        delete scene;
        CMC_RunnerFactory::done();
    }
    void SetUp() override { scripttest::runs().clear(); }

    // An array in the scene; with events, bound as the record gives them.
    CMC_Array* makeArray(const char* name, std::vector<std::pair<const char*, const char*>> properties = {})
    {
        std::unique_ptr<CMElement> e(scripttest::record(name, properties));
        CMC_Array* a = new CMC_Array(scene, e.get());
        scene->addObject(a);
        return a;
    }
    FakeBehaviour* makeBehaviour(const char* name)
    {
        FakeBehaviour* b = new FakeBehaviour(scene, CXString(name), CXString("{}"));
        scene->addObject(b);
        return b;
    }
    // Appends literals as the interpreter reads them ("7", "x", "TRUE", "1.5").
    static void fill(CMC_Array* a, std::initializer_list<const char*> literals)
    {
        for (const char* l : literals) {
            CMC_Variable* v = CMC_Variable::resolve(l);
            a->add(v);
            CMC_Object::flush(v);
        }
    }

    scripttest::Pools pools;
    TestScene* scene;
};

} // namespace arraytest
