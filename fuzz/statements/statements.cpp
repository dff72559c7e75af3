// Behaviour code from arbitrary bytes: parsed, run against a small fixed
// scene (values, behaviours, conditions, an expression, a timer), then the
// scene is unloaded. Nothing may crash, leak or run away: a step budget ends
// endless loops.
#include "base/WindowServices.h"
#include "base/XTimer.h"
#include "platform/Clock.h"
#include "script/Behaviour.h"
#include "script/Condition.h"
#include "script/Disposal.h"
#include "script/Element.h"
#include "script/Expression.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/String.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

template <class T, class V>
void addValue(CMC_Scene& scene, const char* name, V value)
{
    T* v = new T(CXString(name));
    v->setValue(value);
    scene.addObject(v);
}

CMC_Behaviour* addBehaviour(CMC_Scene& scene, const char* name, const char* code)
{
    CMC_Behaviour* b = new CMC_Behaviour(&scene, CXString(name), CXString(code));
    scene.addObject(b);
    b->init();
    return b;
}

template <class T>
void addRecord(CMC_Scene& scene, const char* name, std::vector<std::pair<const char*, const char*>> properties)
{
    CMElement record{CXString(name)};
    for (auto& p : properties)
        record.addProperty(CXString(p.first), CXString(p.second));
    T* made = new T(&scene, &record);
    scene.addObject(made);
    made->init();
}

void fillScene(CMC_Scene& scene)
{
    addValue<CMC_Integer>(scene, "I", 3);
    addValue<CMC_Double>(scene, "D", 1.5);
    addValue<CMC_Bool>(scene, "B", true);
    scene.addObject(new CMC_String(CXString("S"), CXString("I")));
    scene.addObject(new CMC_String(CXString("T"), CXString("HELPER")));
    addBehaviour(scene, "HELPER", "I^INC();@RETURN(I);");
    addBehaviour(scene, "TICK", "I^ADD($1);");
    addBehaviour(scene, "LOOPER", "@LOOP({@IF(_I_'2,{@BREAK();},\"\");I^ADD(_I_);},0,$1,1);");
    addRecord<CMC_Condition>(scene, "C",
                             {{"OPERAND1", "I"}, {"OPERATOR", "LESS"}, {"OPERAND2", "[D*4]"},
                              {"ONRUNTIMEFAILED", "{I^SET(0);}"}, {"ONRUNTIMESUCCESS", "HELPER"}});
    addRecord<CMC_ComplexCondition>(scene, "CC",
                                    {{"OPERATOR", "OR"}, {"CONDITION1", "C"}, {"CONDITION2", "CC"}});
    addRecord<CMC_Expression>(scene, "E", {{"OPERAND1", "I"}, {"OPERATOR", "MUL"}, {"OPERAND2", "E"}});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = [] {
        CMC_VariableFactory::initialize();
        CMC_RunnerFactory::initialize();
        return true;
    }();
    (void)ready;

    std::string code;
    for (size_t i = 0; i < size; ++i)
        if (data[i])
            code += char(data[i]);

    platform::ManualClock clock(1000);
    platform::ScopedClock scopedClock(&clock);
    CXTimer timer;
    CTrashList trash;
    CWindowServices::setTimer(&timer);
    CWindowServices::setTrash(&trash);
    CMC_Behaviour::setStepLimit(5000);
    {
        CMC_Scene scene(nullptr, MC_SCENE);
        scene.setName(CXString("ROOM"));
        fillScene(scene);
        CMC_Behaviour* fuzzed = addBehaviour(scene, "FUZZ", code.c_str());
        CXArray params(101, 0.75f);
        for (const char* p : {"1", "S", "{I^INC()}"})
            params.add(new CXString(p));
        fuzzed->run(scene.getObject("I"), &params, false);
        for (int frame = 0; frame < 4; ++frame) {
            clock.advance(100);
            timer.domodal();
            CMC_VariableFactory::clearPool();
            CMC_Disposal::freeWaiting();
        }
        trash.sweep();
        // What the trash keeps still refers to the scene.
        CMC_Disposal::freeAll();
        for (int i = 0; i < params.getSize(); ++i)
            delete static_cast<CXString*>(params[i]);
    }
    trash.sweep();
    CMC_VariableFactory::clearPool();
    CMC_Behaviour::setStepLimit(0);
    CWindowServices::setTimer(nullptr);
    CWindowServices::setTrash(nullptr);
    return 0;
}
