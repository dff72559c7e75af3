// Definition records from arbitrary text turned into script objects, each
// way the engine does it. The first byte picks the way, the rest is the
// definition text:
//   0  a scene's definitions: the creation passes, each object's init, a
//      few frames of its timers and a method sent to every object, unload;
//   1  "application.def" through the structure parser;
//   2  a class file: a class of it, an instance made and deleted;
//   3  a file loaded and released by the definition loader "CNVLOADER".
// Behaviours run under a step budget, so that endless loops end.
#include "fuzz/InputFile.h"
#include "base/WindowPaths.h"
#include "base/WindowServices.h"
#include "base/XTimer.h"
#include "platform/Clock.h"
#include "script/Behaviour.h"
#include "script/CNVLoader.h"
#include "script/Disposal.h"
#include "script/ScriptApplication.h"
#include "script/Element.h"
#include "script/ElementsLoader.h"
#include "script/Runner.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/StructureParser.h"
#include "script/String.h"
#include "script/VariableFactory.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

CMC_Variable* call(CMC_Object* on, const char* method, CMC_ObjectsContainer* from, CXVector* args)
{
    CMC_Runner* runner = CMC_RunnerFactory::getRunner(on);
    return runner ? runner->run(CXString(method), on, from, args) : nullptr;
}

void sceneDefinitions(CMC_Scene& scene, CMElements* records, platform::ManualClock& clock, CXTimer& timer)
{
    delete scene.resolveObjects(records);
    std::vector<CMC_Object*> made;
    for (int i = 0; CMC_Object* o = scene.getObject(i); ++i)
        if (o != &scene)
            made.push_back(o);
    scene.onInit();
    for (int frame = 0; frame < 3; ++frame) {
        clock.advance(100);
        timer.domodal();
        CMC_VariableFactory::clearPool();
        CMC_Disposal::freeWaiting();
    }
    // Every object still there gets a method of its own type's runner.
    for (int i = 0; CMC_Object* o = scene.getObject(i); ++i) {
        CXVector args(101, 0.75f);
        args.add(CMC_String::temporary(CXString("1")));
        CMC_Object::flush(call(o, "GETSIZE", &scene, &args));
        CMC_Object::flush(static_cast<CMC_Variable*>(args.at(0)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The structure parser makes the pools and runners and ends them again.
    if (!CMC_RunnerFactory::isReady()) {
        CMC_VariableFactory::initialize();
        CMC_RunnerFactory::initialize();
    }
    if (size < 1)
        return 0;
    const int way = data[0] % 4;
    const char* names[] = {"scene.cnv", "application.def", "COMMON/CLASSES/FUZZ.def", "extra.cnv"};
    if (!fuzzinput::write(names[way], data + 1, size - 1))
        return 0;
    // The class files are looked for below the installation medium.
    CWindowPaths::setCDPath(CXString("F:\\"));
    CWindowPaths::setRootPath(CXString("F:\\"));

    platform::ManualClock clock(1000);
    platform::ScopedClock scopedClock(&clock);
    CXTimer timer;
    CTrashList trash;
    CWindowServices::setTimer(&timer);
    CWindowServices::setTrash(&trash);
    CMC_Behaviour::setStepLimit(5000);
    switch (way) {
    case 0: {
        CMC_Scene scene(nullptr, MC_SCENE);
        if (CMElements* records = CMElementsLoader::load(nullptr, CXString("F:\\scene.cnv"))) {
            sceneDefinitions(scene, records, clock, timer);
            delete records;
        }
        scene.unload(nullptr);
        break;
    }
    case 1: {
        // The application is its engine's to delete, before the parser.
        CMC_StructureParser parser(nullptr, CXString("F:\\application.def"));
        delete parser.getMCApplication();
        break;
    }
    default: {
        CMC_Scene scene(nullptr, MC_SCENE);
        CMElements records(true);
        CMElement* book = new CMElement(CXString("BOOK"));
        book->addProperty(CXString("TYPE"), CXString("CLASS"));
        book->addProperty(CXString("DEF"), CXString("FUZZ.def"));
        records.add(book);
        delete scene.resolveObjects(&records);
        CMC_CNVLoader loader(nullptr, &scene);
        if (way == 2) {
            CXVector args(101, 0.75f);
            args.add(CMC_String::temporary(CXString("NOVEL")));
            CMC_Object::flush(call(scene.getObject("BOOK"), "NEW", &scene, &args));
            if (CMC_Object* novel = scene.getObject("NOVEL"))
                CMC_Object::flush(call(novel, "READ", &scene, nullptr));
            CMC_Object::flush(call(scene.getObject("BOOK"), "DELETE", &scene, &args));
            CMC_Object::flush(static_cast<CMC_Variable*>(args.at(0)));
        } else {
            loader.load(CXString("F:\\extra.cnv"));
            loader.load(CXString("F:\\extra.cnv"));
            loader.release(CXString("F:\\extra.cnv"));
        }
        CMC_VariableFactory::clearPool();
        CMC_Disposal::freeWaiting();
        scene.unload(nullptr);
        break;
    }
    }
    CMC_Disposal::freeAll();
    trash.sweep();
    CMC_VariableFactory::clearPool();
    CMC_Behaviour::setStepLimit(0);
    CWindowServices::setTimer(nullptr);
    CWindowServices::setTrash(nullptr);
    CMC_Scene::doneDefUnit();
    return 0;
}
