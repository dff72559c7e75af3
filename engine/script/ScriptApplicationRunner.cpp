#include "base/Language.h"
#include "base/WindowPaths.h"
#include "script/Application.h"
#include "script/BehaviourBase.h"
#include "script/Disposal.h"
#include "script/RunnerFactory.h"
#include "script/ScriptApplication.h"
#include "script/String.h"
#include "script/Values.h"

namespace {
CMC_RegisterRunner<CMC_Application_Runner> registration({MC_APPLICATION});

bool isContainerType(int typeId)
{
    return typeId == MC_APPLICATION || typeId == MC_EPISODE || typeId == MC_SCENE || typeId == MC_CLASS;
}

bool isRunName(const CXString& method, const char* name, bool exactCase)
{
    return exactCase ? method == name : method.equalsIgnoreCase(CXString(name));
}
} // namespace

void CMC_Application_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("EXIT", EXIT);
    registerMethod("RESTART", RESTART);
    registerMethod("GOTO", GOTO);
    registerMethod("SETLANGUAGE", SETLANGUAGE);
    registerMethod("GETLANGUAGE", GETLANGUAGE);
    registerMethod("PRINT", PRINT);
    registerMethod("ENABLEMUSIC", ENABLEMUSIC);
    registerMethod("DISABLEMUSIC", DISABLEMUSIC);
    registerMethod("RUN", RUN);
    registerMethod("STOREBINARY", STOREBINARY);
    registerMethod("RUNENV", RUNENV);
    registerMethod("EXISTSENV", EXISTSENV);
    registerMethod("UPGRADE", UPGRADE);
    registerMethod("NEEDSUPGRADE", NEEDSUPGRADE);
}

CMC_Variable* CMC_Application_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                          CXVector* args)
{
    if (!object || object->getType() != MC_APPLICATION || id < EXIT || id > NEEDSUPGRADE)
        return CMC_Runner::run(id, object, container, args);
    CMC_Application* app = static_cast<CMC_Application*>(object);
    int argc = getArgCount(args);
    CMC_ObjectsContainer* caller = container ? container : app;
    switch (id) {
    case EXIT: app->exit(); return nullptr;
    case RESTART: app->restart(); return nullptr;
    case GOTO:
    case SETLANGUAGE: {
        if (argc < 1)
            return nullptr;
        CMC_String* text = getParameterString(args, 0);
        CXString value = text->getValue();
        CMC_Object::flush(text, true);
        if (id == GOTO)
            app->_goto(value);
        else if (CLanguageOSVer* language = CWindowPaths::getLangIfc())
            language->setLanguageFolder(value);
        return nullptr;
    }
    case GETLANGUAGE: {
        CLanguageOSVer* language = CWindowPaths::getLangIfc();
        return CMC_String::temporary(language ? language->getSubFolder() : CXString());
    }
    case PRINT: return print(app, caller, args);
    case ENABLEMUSIC:
    case DISABLEMUSIC:
        if (CApplicationWindow* link = CApplicationWindow::of(caller->getWindow()))
            link->MusicOn(id == ENABLEMUSIC);
        return nullptr;
    case RUN: {
        if (argc < 2)
            return nullptr;
        CMC_Object* target = caller->getObject(getParameterString(args, 0)->getValue());
        CXString method = getParameterString(args, 1)->getValue();
        return runOn(this, target, method, app, caller, args, 2, false);
    }
    case STOREBINARY: app->storeBinary(); return nullptr;
    case RUNENV:
    case EXISTSENV: return environment(app, args, id == RUNENV);
    default: return upgrade(app, args, id == NEEDSUPGRADE);
    }
}

CMC_Variable* CMC_Application_Runner::runOn(CMC_Runner* reader, CMC_Object* target, const CXString& method,
                                            CMC_Object* owner, CMC_ObjectsContainer* container, CXVector* args,
                                            int first, bool exactCase)
{
    if (!target)
        return nullptr;
    CMC_Hold hold(target);
    int argc = getArgCount(args);
    if (target->getType() == MC_BEHAVIOUR &&
        (isRunName(method, "RUN", exactCase) || isRunName(method, "RUNC", exactCase))) {
        CXArray* params = nullptr;
        if (argc > first) {
            params = new CXArray(101, 0.75f);
            for (int i = first; i < argc; ++i)
                params->add(new CXString(reader->getParameterString(args, i)->getValue()));
        }
        static_cast<CMC_BehaviourBase*>(target)->run(owner, params, isRunName(method, "RUNC", exactCase));
        CXString::releaseToVector(params);
        return nullptr;
    }
    CMC_Runner* runner = CMC_RunnerFactory::getRunner(target);
    if (!runner)
        return nullptr;
    CXVector rest(101, 0.75f);
    for (int i = first; i < argc; ++i)
        rest.add((*args)[i]);
    return runner->run(method, target, container, &rest);
}

CMC_Variable* CMC_Application_Runner::print(CMC_Object* app, CMC_ObjectsContainer* caller, CXVector* args)
{
    CApplicationWindow* link = CApplicationWindow::of(static_cast<CMC_Application*>(app)->getWindow());
    if (!link)
        return nullptr;
    CXSize screen = link->GetScreenSize();
    CXRect rect(0, 0, screen.cx, screen.cy);
    int argc = getArgCount(args);
    if (argc == 1) {
        CMC_String* name = getParameterString(args, 0);
        CGraphicsObject* drawable = caller->getGraphicsObject(name->getValue());
        CMC_Object::flush(name, true);
        if (drawable)
            rect = link->getBoundingBox(drawable);
    } else if (argc == 4) {
        int left = getParameterInteger(args, 0)->getValue();
        int top = getParameterInteger(args, 1)->getValue();
        int right = getParameterInteger(args, 2)->getValue();
        int bottom = getParameterInteger(args, 3)->getValue();
        rect = CXRect(left, top, right, bottom);
    }
    link->print(rect);
    return nullptr;
}

// The container is found from the application; the behaviour in it, then
// up its parents. Only containers and behaviours count.
CMC_Variable* CMC_Application_Runner::environment(CMC_Object* app, CXVector* args, bool run)
{
    CMC_Object* found = getArgCount(args) >= 2 ? static_cast<CMC_Application*>(app)->getObject(
                                                     getParameterString(args, 0)->getValue())
                                               : nullptr;
    CMC_ObjectsContainer* env =
        found && isContainerType(found->getType()) ? static_cast<CMC_ObjectsContainer*>(found) : nullptr;
    CMC_Object* behaviour = env ? env->getObject(getParameterString(args, 1)->getValue()) : nullptr;
    if (behaviour && behaviour->getType() != MC_BEHAVIOUR)
        behaviour = nullptr;
    if (!run)
        return CMC_Bool::temporary(behaviour != nullptr);
    if (!behaviour)
        return nullptr;
    CMC_ObjectsContainer* saved = behaviour->getScene();
    behaviour->setScene(env);
    static_cast<CMC_BehaviourBase*>(behaviour)->run(env, nullptr, true);
    behaviour->setScene(saved);
    return nullptr;
}

CMC_Variable* CMC_Application_Runner::upgrade(CMC_Object* object, CXVector* args, bool query)
{
    CMC_Application* app = static_cast<CMC_Application*>(object);
    CMC_Scene* scene = app;
    if (getArgCount(args) >= 1)
        scene = app->getScene(getParameterString(args, 0)->getValue());
    CMC_SceneUpdate* update = scene ? scene->getUpdateIfc() : nullptr;
    if (query)
        return CMC_Bool::temporary(update && update->needsUpgrade());
    if (update)
        update->upgrade();
    return nullptr;
}
