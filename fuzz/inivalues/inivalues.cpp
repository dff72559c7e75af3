// A title's settings file of arbitrary bytes read into script variables: the
// INTEGER, DOUBLE, BOOL and STRING of scene "SCENE" kept there ("TOINI")
// take their keys' values when the scene starts, the ARRAY takes its line
// with "LOADINI", and each writes its value back as a method changes it.
// A second visit must read back what the first left of the INTEGER and the
// BOOL, whose texts are their own canonical forms.
#include "fuzz/InputFile.h"
#include "base/Config.h"
#include "script/Element.h"
#include "script/Runner.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/String.h"
#include "script/Variable.h"
#include "script/VariableFactory.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

CConfig*& settings()
{
    static CConfig* config = nullptr;
    return config;
}

const char* const kept[][2] = {{"I", "INTEGER"}, {"D", "DOUBLE"}, {"B", "BOOL"}, {"S", "STRING"}, {"A", "ARRAY"}};

void define(CMElements& records)
{
    for (const auto& k : kept) {
        CMElement* e = new CMElement(CXString(k[0]));
        e->addProperty(CXString("TYPE"), CXString(k[1]));
        e->addProperty(CXString("TOINI"), CXString("TRUE"));
        records.add(e);
    }
}

void call(CMC_ObjectsContainer& scene, const char* name, const char* method, const char* argument = nullptr)
{
    CMC_Object* on = scene.getObject(name);
    CMC_Runner* runner = on ? CMC_RunnerFactory::getRunner(on) : nullptr;
    if (!runner)
        return;
    CXVector args(101, 0.75f);
    if (argument)
        args.add(CMC_String::temporary(CXString(argument)));
    CMC_Object::flush(runner->run(CXString(method), on, &scene, &args));
    if (argument)
        CMC_Object::flush(static_cast<CMC_Variable*>(args.at(0)));
}

std::string text(CMC_ObjectsContainer& scene, const char* name)
{
    CMC_Object* o = scene.getObject(name);
    return o ? o->toString().c_str() : std::string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!CMC_RunnerFactory::isReady()) {
        CMC_VariableFactory::initialize();
        CMC_RunnerFactory::initialize();
        CMC_Variable::setSettingsSource([](CMC_ObjectsContainer*) { return settings(); });
    }
    if (!fuzzinput::write("title.ini", data, size))
        return 0;
    std::unique_ptr<CConfig> config(new CConfig(CXString("F:\\title.ini")));
    settings() = config.get();
    std::string integer, boolean;
    for (int visit = 0; visit < 2; ++visit) {
        CMC_Scene scene(nullptr, MC_SCENE);
        scene.setName(CXString("SCENE"));
        CMElements records(true);
        define(records);
        delete scene.resolveObjects(&records);
        scene.onInit();
        if (visit == 1 && (text(scene, "I") != integer || text(scene, "B") != boolean))
            std::abort();
        call(scene, "A", "LOADINI");
        for (const auto& k : kept)
            text(scene, k[0]);
        call(scene, "I", "INC");
        call(scene, "D", "INC");
        call(scene, "B", "SWITCH");
        call(scene, "S", "ADD", ";x");
        call(scene, "A", "SAVEINI");
        integer = text(scene, "I");
        boolean = text(scene, "B");
        CMC_VariableFactory::clearPool();
        scene.unload(nullptr);
    }
    settings() = nullptr;
    CMC_VariableFactory::clearPool();
    CMC_Scene::doneDefUnit();
    return 0;
}
