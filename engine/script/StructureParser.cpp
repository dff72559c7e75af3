#include "script/StructureParser.h"

#include "platform/Debug.h"
#include "script/Application.h"
#include "script/Element.h"
#include "script/ElementsLoader.h"
#include "script/Episode.h"
#include "script/RunnerFactory.h"
#include "script/ScriptApplication.h"
#include "script/VariableFactory.h"

#include <vector>

namespace {
CMC_Scene* sceneAt(CXVector* list, int i) { return static_cast<CMC_Scene*>((*list)[i]); }

bool hasType(CMElement* record, const char* type) { return record->getPropertyValue(CXString("TYPE")) == type; }
} // namespace

CMC_StructureParser::CMC_StructureParser(CWindow* w, const CXString& fileName)
    : window(w), application(nullptr), objects(new CXVector(101, 0.75f))
{
    CMC_VariableFactory::initialize();
    CMC_RunnerFactory::initialize();
    load(fileName);
}

CMC_StructureParser::~CMC_StructureParser()
{
    CMC_VariableFactory::done();
    CMC_RunnerFactory::done();
    delete objects;
    objects = nullptr;
}

CMC_Object* CMC_StructureParser::get(const CXString& name)
{
    for (int i = 0; i < objects->getSize(); ++i) {
        CMC_Object* o = static_cast<CMC_Object*>((*objects)[i]);
        if (o->getName() == name)
            return o;
    }
    return nullptr;
}

CMC_Object* CMC_StructureParser::getNamed(const CXString& name, CMC_Object* namedBy)
{
    CMC_Object* found = get(name);
    if (!found && name.IsString()) {
        CXString note = CXString("\"") + name + "\" (named by " + (namedBy ? namedBy->getName() : CXString()) + ")";
        missing.push_back(note);
        platform::OutputDebugString((CXString("No definition of ") + note + "\n").c_str());
    }
    return found;
}

CMC_Application* CMC_StructureParser::load(const CXString& fileName)
{
    CMElements* records = CMElementsLoader::load(window, fileName);
    if (!records)
        return application;
    for (int i = 0; i < records->getSize(); ++i)
        if (hasType(records->getAt(i), "SCENE"))
            objects->add(new CMC_Scene(window, nullptr, records->getAt(i), MC_SCENE));
    for (int i = 0; i < records->getSize(); ++i)
        if (hasType(records->getAt(i), "EPISODE"))
            objects->add(new CMC_Episode(window, this, records->getAt(i)));

    // Two applications would both claim the same episodes and scenes: only
    // the last record is built.
    CMElement* appRecord = nullptr;
    for (int i = 0; i < records->getSize(); ++i)
        if (hasType(records->getAt(i), "APPLICATION")) {
            if (appRecord)
                platform::OutputDebugString(
                    (CXString("Application record ignored: ") + appRecord->getName()).c_str());
            appRecord = records->getAt(i);
        }
    if (appRecord) {
        if (appRecord->getName() == "DEMO")
            appRecord->setName(CXString("GAME"));
        CApplicationWindow* link = CApplicationWindow::of(window);
        CApplication* engineApp = link ? link->GetApplicationInterface() : nullptr;
        application = new CMC_Application(window, this, appRecord, engineApp ? engineApp->getCommandLine() : nullptr);
        objects->add(application);
    }
    dropUnlisted();
    if (application && application->getUpdateIfc())
        application->createUpdates();
    delete records;
    return application;
}

// Scenes and episodes that no episode and no application took have no
// owner; they go now, with the scenes of such an episode.
void CMC_StructureParser::dropUnlisted()
{
    std::vector<CMC_Scene*> orphans;
    for (int i = 0; i < objects->getSize(); ++i) {
        CMC_Scene* s = sceneAt(objects, i);
        if (s != application && !s->getParent())
            orphans.push_back(s);
    }
    for (CMC_Scene* orphan : orphans) {
        objects->remove(orphan);
        CXVector* children = orphan->getSubScenes();
        for (int i = 0; children && i < children->getSize(); ++i)
            objects->remove(sceneAt(children, i));
        delete orphan;
    }
}
