#include "script/SceneTree.h"

#include "base/Archive.h"
#include "base/File.h"
#include "base/Folder.h"
#include "base/StringTokenizer.h"
#include "base/WindowPaths.h"
#include "script/BehaviourBase.h"
#include "script/Scene.h"
#include "script/StructureParser.h"

#include <vector>

void CMC_SceneTree::enterDataFolder(const CXString& path)
{
    const CXString medium = CWindowPaths::getCDPath();
    CFile::chDir(CFolder::dataPath(medium, CXString()));
    if (path.IsString())
        CFile::chDir(path.GetAt(1) == ':' ? path : CFolder::dataPath(medium, path));
}

void CMC_SceneTree::adoptListed(CMC_Scene* owner, CMC_StructureParser* parser, const CXString& list,
                                bool byTheirScenes, bool scenesOnly)
{
    CStringTokenizer names(list, CXString(", "));
    while (names.hasMoreTokens()) {
        CMC_Object* found = parser->getNamed(names.nextToken(), owner);
        if (!found || found == owner || (scenesOnly && found->getType() != MC_SCENE))
            continue;
        CMC_Scene* child = static_cast<CMC_Scene*>(found);
        if (child->getParent())
            continue;
        owner->getSubScenes()->add(child);
        child->setParent(owner);
        if (!byTheirScenes) {
            owner->addObject(child);
            continue;
        }
        for (int i = 0; CMC_Scene* grandChild = childAt(child, i); ++i)
            owner->addObject(grandChild);
    }
}

bool CMC_SceneTree::readChildren(CMC_Scene* owner, CXArchive* archive, int minRecordBytes,
                                 CMC_Scene* (*make)(CWindow*), CMC_Scene** start)
{
    int count = -1;
    int startIndex = -1;
    *archive >> &count;
    *archive >> &startIndex;
    CFile* file = archive->GetFileHandle();
    long long left = file ? (long long)file->Length() - file->Tell() : 0;
    if (archive->LastError() || count < 0 || (file && (long long)count * minRecordBytes > left)) {
        archive->setErrorCode(CXArchive::ERROR_IO);
        return false;
    }
    for (int i = 0; i < count; ++i) {
        CMC_Scene* child = make(owner->getWindow());
        child->serialize(archive);
        if (archive->LastError() || child->LastError()) {
            delete child;
            archive->setErrorCode(CXArchive::ERROR_IO);
            return false;
        }
        child->setParent(owner);
        owner->getSubScenes()->add(child);
        owner->addObject(child);
    }
    *start = childAt(owner, startIndex);
    return true;
}

void CMC_SceneTree::unloadObjects(CMC_Scene* scene)
{
    std::vector<CMC_Object*> listed;
    for (int i = 0; CMC_Object* o = scene->getObject(i); ++i)
        if (o->getType() == MC_APPLICATION || o->getType() == MC_EPISODE || o->getType() == MC_SCENE)
            listed.push_back(o);
    scene->CMC_ObjectsContainer::unload();
    // As a scene that is left, it drops the bindings made in its scope and
    // its own; the next load binds afresh.
    scene->onSceneDone(scene);
    scene->flushBehList();
    for (CMC_Object* o : listed)
        scene->addObject(o);
}

void CMC_SceneTree::runInitialisers(CMC_Scene* scene)
{
    scene->onInit();
    if (scene->isEventBound(CMC_Scene::EVENT_ONINIT))
        scene->onSignal(CXString("ONINIT"));
    CMC_Object* init = scene->getObject("__INIT__");
    if (init && init->getType() == MC_BEHAVIOUR)
        static_cast<CMC_BehaviourBase*>(init)->run(scene, nullptr, true);
}

void CMC_SceneTree::deleteChildren(CMC_Scene* owner)
{
    // Whatever scenes owner lists by name (its children, their scenes) are
    // unlisted first: a scene going away tells the containers above it, which
    // must not reach the ones already gone.
    std::vector<CMC_Object*> listed;
    for (int i = 0; CMC_Object* o = owner->getObject(i); ++i)
        if (o != owner && (o->getType() == MC_EPISODE || o->getType() == MC_SCENE))
            listed.push_back(o);
    for (CMC_Object* o : listed)
        owner->removeObject(o);
    CXVector* children = owner->getSubScenes();
    while (children && children->getSize() > 0) {
        CMC_Scene* child = childAt(owner, 0);
        children->removeAt(0);
        delete child;
    }
}

CMC_Scene* CMC_SceneTree::childAt(CMC_Scene* owner, int index)
{
    CXVector* children = owner ? owner->getSubScenes() : nullptr;
    if (!children || index < 0 || index >= children->getSize())
        return nullptr;
    return static_cast<CMC_Scene*>((*children)[index]);
}

CMC_Scene* CMC_SceneTree::startAmong(CMC_Scene* owner, CMC_Object* found, bool listed)
{
    if (!owner || !found || found == owner)
        return nullptr;
    CMC_Scene* scene = static_cast<CMC_Scene*>(found);
    if (owner->getSubId(scene) >= 0)
        return scene;
    for (int i = 0; listed && owner->getObject(i); ++i)
        if (owner->getObject(i) == found)
            return scene;
    return nullptr;
}
