// Loading a scene's objects from its snapshot or definition file, writing
// the snapshot, and the plug-ins bound for a visit.
#include "script/Scene.h"

#include "base/Archive.h"
#include "base/File.h"
#include "base/FileReport.h"
#include "base/FileStream.h"
#include "base/Folder.h"
#include "base/Path.h"
#include "base/ReplacingFile.h"
#include "base/StringTokenizer.h"
#include "base/WindowPaths.h"
#include "platform/Debug.h"
#include "script/Behaviour.h"
#include "script/Condition.h"
#include "script/DLLExModule.h"
#include "script/Element.h"
#include "script/ElementsLoader.h"
#include "script/Expression.h"
#include "script/SceneSnapshot.h"
#include "script/String.h"
#include "script/Values.h"

#include <cstdio>
#include <map>
#include <utility>
#include <vector>

namespace {
std::map<int, CMC_SnapshotTypes::Restorer>& restorers()
{
    static std::map<int, CMC_SnapshotTypes::Restorer> table;
    return table;
}

std::map<int, CMC_SnapshotTypes::StateIO>& states()
{
    static std::map<int, CMC_SnapshotTypes::StateIO> table;
    return table;
}

// Null clears the entry.
template <class F>
void setEntry(std::map<int, F>& table, int typeId, F f)
{
    if (f)
        table[typeId] = f;
    else
        table.erase(typeId);
}

template <class F>
F entryOf(const std::map<int, F>& table, int typeId)
{
    auto it = table.find(typeId);
    return it == table.end() ? nullptr : it->second;
}

CMC_Object* restoreInteger(CMC_Scene*) { return new CMC_Integer(CXString()); }
CMC_Object* restoreString(CMC_Scene*) { return new CMC_String(CXString()); }
CMC_Object* restoreBool(CMC_Scene*) { return new CMC_Bool(CXString()); }
CMC_Object* restoreDouble(CMC_Scene*) { return new CMC_Double(CXString()); }
CMC_Object* restoreBehaviour(CMC_Scene* scene) { return new CMC_Behaviour(scene); }
CMC_Object* restoreCondition(CMC_Scene* scene) { return new CMC_Condition(scene); }
CMC_Object* restoreComplexCondition(CMC_Scene* scene) { return new CMC_ComplexCondition(scene); }
// An expression's record holds no operands: it comes back empty.
CMC_Object* restoreExpression(CMC_Scene* scene) { return new CMC_Expression(scene, CXString()); }

CMC_RegisterSnapshotType registerInteger(MC_INTEGER, &restoreInteger);
CMC_RegisterSnapshotType registerString(MC_STRING, &restoreString);
CMC_RegisterSnapshotType registerBool(MC_BOOL, &restoreBool);
CMC_RegisterSnapshotType registerDouble(MC_DOUBLE, &restoreDouble);
CMC_RegisterSnapshotType registerBehaviour(MC_BEHAVIOUR, &restoreBehaviour);
CMC_RegisterSnapshotType registerCondition(MC_CONDITION, &restoreCondition);
CMC_RegisterSnapshotType registerComplexCondition(MC_COMPLEXCONDITION, &restoreComplexCondition);
CMC_RegisterSnapshotType registerExpression(MC_EXPRESSION, &restoreExpression);

CMC_DLLExModuleInterface* moduleAt(CXVector* list, int i) { return static_cast<CMC_DLLExModuleInterface*>((*list)[i]); }
} // namespace

void CMC_SnapshotTypes::registerType(int typeId, Restorer restorer) { setEntry(restorers(), typeId, restorer); }

CMC_SnapshotTypes::Restorer CMC_SnapshotTypes::getRestorer(int typeId) { return entryOf(restorers(), typeId); }

void CMC_SnapshotTypes::registerState(int typeId, StateIO io) { setEntry(states(), typeId, io); }

CMC_SnapshotTypes::StateIO CMC_SnapshotTypes::getState(int typeId) { return entryOf(states(), typeId); }

bool CMC_SnapshotTypes::isSaved(int typeId)
{
    switch (typeId) {
    case MC_APPLICATION:
    case MC_EPISODE:
    case MC_SCENE:
    case MC_RANDOM:
    case MC_SYSTEM:
    case MC_CNVLOADER:
        return false;
    default:
        return true;
    }
}

bool CMC_Scene::loadCnv() { return isBinary() ? loadSnapshotFile() : loadDefinitions(); }

// The folder is rebuilt from the root without a separator, so a "PATH"
// without a leading backslash fails here and the folder entered before
// stays current.
void CMC_Scene::restoreOwnBindings()
{
    if (snapshotRecord.empty())
        return;
    removeAllBehaviours();
    std::string bytes = snapshotRecord;
    CFile_Stream stream(&bytes[0], int(bytes.size()));
    CXArchive archive(&stream, false);
    CXString ownName = name;
    CMC_Object::serialize(&archive);
    name = ownName;
}

bool CMC_Scene::loadSnapshotFile()
{
    restoreOwnBindings();
    CFile::chDir(CWindowPaths::getRootPath() + CFolder::DATA_FOLDER + path);
    CFile file(getWindow(), getName() + ".bin", CFile::MODE_READ | CFile::MODE_BINARY);
    if (file.LastError()) {
        platform::OutputDebugString((CXString("Scene snapshot not found: ") + getName() + ".bin").c_str());
        if (getType() == MC_SCENE)
            CFileReport::failedAt("scene snapshot", getName() + ".bin", "not found", file.getFileName());
        return false;
    }
    CXArchive archive(&file, false);
    return readSnapshot(&archive);
}

bool CMC_Scene::loadDefinitions()
{
    // Episodes and the application need no definition file of their own;
    // a scene without one would wait for ever.
    CXString fileName = getName() + ".cnv";
    if (!CFile::fileExists(fileName)) {
        if (getType() == MC_SCENE)
            CFileReport::failed(getWindow(), "scene definition", fileName, "not found");
        return false;
    }
    CMElements* records = CMElementsLoader::load(getWindow(), fileName);
    if (!records) {
        if (getType() == MC_SCENE)
            CFileReport::failed(getWindow(), "scene definition", fileName, "cannot be read");
        return false;
    }
    CMElements* used = unit ? unit->resolveObjects(this, records) : records;
    if (!used)
        used = records;
    delete resolveObjects(used);
    initializeBehaviours(this, used->get(getName()));
    if (used != records)
        delete used;
    delete records;
    return true;
}

CMC_Object* CMC_Scene::restoreObject(CXArchive* archive, int typeId)
{
    if (CMC_SnapshotTypes::Restorer restorer = CMC_SnapshotTypes::getRestorer(typeId))
        return restorer(this);
    return serializeEx(archive, typeId);
}

bool CMC_Scene::readSnapshot(CXArchive* archive)
{
    if (!archive)
        return false;
    int count = 0;
    *archive >> &dllsList;
    *archive >> &background;
    *archive >> &music;
    musicKnown = true;
    *archive >> &count;
    bool complete = archive->LastError() == 0 && count >= 0;
    // A scene restored from the application snapshot learns its plug-ins
    // only here, and its records may need them.
    if (complete && !modules && dllsList.IsString())
        resolveDLLs(dllsList);
    // The objects join the scene once the state trailer is read, in record
    // order, so that a later record of the same name replaces an earlier
    // one as before and no state reaches an object already replaced.
    std::vector<CMC_Object*> read;
    for (int i = 0; complete && i < count; ++i) {
        int typeId = 0;
        *archive >> &typeId;
        CMC_Object* obj = archive->LastError() ? nullptr : restoreObject(archive, typeId);
        if (obj) {
            obj->setScene(this);
            obj->serialize(archive);
            if (archive->LastError()) {
                delete obj;
                obj = nullptr;
            }
        }
        if (!obj) {
            // Records carry no length: what follows one that cannot be read
            // cannot be found.
            char text[160];
            std::snprintf(text, sizeof text, "Scene %s: snapshot record %d of %d (type %d) cannot be read; the rest is skipped",
                          getName().c_str(), i + 1, count, typeId);
            platform::OutputDebugString(text);
            complete = false;
            break;
        }
        read.push_back(obj);
    }
    if (complete)
        readState(archive, read);
    for (CMC_Object* obj : read)
        addObject(obj);
    bindRestoredBehaviours();
    return complete;
}

// The trailer is optional: a file that ends after its records (then the
// archive is left without an error), or whose trailer is damaged, keeps what
// its records restored (an object may keep part of its state).
void CMC_Scene::readState(CXArchive* archive, const std::vector<CMC_Object*>& read)
{
    CFile* file = archive->GetFileHandle();
    if (!file || file->Tell() >= file->Length())
        return;
    int mark = 0, n = 0;
    *archive >> &mark;
    if (archive->LastError() || mark != CMC_SnapshotTypes::STATE_MARK)
        return;
    *archive >> &n;
    for (int i = 0; i < n && !archive->LastError(); ++i) {
        int index = -1, typeId = 0;
        *archive >> &index;
        *archive >> &typeId;
        CMC_SnapshotTypes::StateIO io = CMC_SnapshotTypes::getState(typeId);
        if (archive->LastError() || index < 0 || size_t(index) >= read.size() || !io ||
            read[size_t(index)]->getType() != typeId)
            return;
        io(read[size_t(index)], archive);
    }
}

// Placeholders left by the records become the behaviours of their names.
// The containers listed in the scene bind their own. Behaviours then find
// their conditions, as after the creation passes of a definition file.
void CMC_Scene::bindRestoredBehaviours()
{
    initializeBehaviours(this, nullptr);
    for (int i = 0; CMC_Object* o = getObject(i); ++i) {
        int t = o->getType();
        if (o != this && t != MC_APPLICATION && t != MC_EPISODE && t != MC_SCENE)
            o->initializeBehaviours(this, nullptr);
    }
    for (int i = 0; CMC_Object* o = getObject(i); ++i)
        if (o->getType() == MC_BEHAVIOUR)
            static_cast<CMC_BehaviourBase*>(o)->resolveCondition();
}

void CMC_Scene::writeSnapshot(CXArchive* archive)
{
    if (!archive)
        return;
    *archive << dllsList << background << music;
    int count = 0;
    for (int i = 0; CMC_Object* o = getObject(i); ++i)
        if (CMC_SnapshotTypes::isSaved(o->getType()))
            ++count;
    *archive << count;
    std::vector<std::pair<int, CMC_Object*>> stated;
    int index = 0;
    for (int i = 0; CMC_Object* o = getObject(i); ++i) {
        if (!CMC_SnapshotTypes::isSaved(o->getType()))
            continue;
        *archive << o->getType();
        o->serialize(archive);
        if (CMC_SnapshotTypes::getState(o->getType()))
            stated.emplace_back(index, o);
        ++index;
    }
    if (stated.empty())
        return;
    *archive << int(CMC_SnapshotTypes::STATE_MARK) << int(stated.size());
    for (const auto& s : stated) {
        *archive << s.first << s.second->getType();
        CMC_SnapshotTypes::getState(s.second->getType())(s.second, archive);
    }
}

void CMC_Scene::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CXString here = CFile::getCurrentDirectory();
    if (!archive->isStoring()) {
        // The scene is entered under the name it reads.
        bool listed = removeObject(this);
        CFile* file = archive->GetFileHandle();
        int start = file ? file->Tell() : 0;
        CMC_Object::serialize(archive);
        int end = file ? file->Tell() : 0;
        snapshotRecord.clear();
        if (file && !archive->LastError() && end > start) {
            file->Seek(start, 0);
            snapshotRecord.resize(size_t(end - start));
            if (file->Tell() != start || file->Read(&snapshotRecord[0], end - start) != end - start)
                snapshotRecord.clear();
            file->Seek(end, 0);
        }
        *archive >> &path;
        if (listed)
            addObject(this);
        return;
    }
    CMC_Object::serialize(archive);
    *archive << path;
    CXString fileName = CPath(getWindow()).GetFullPath(path, getName() + ".bin");
    CFile::chDir(CWindowPaths::getRootPath() + CFolder::DATA_FOLDER + path);
    // The old file is replaced only by a complete one.
    {
        CReplacingFile file;
        int mode = CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY;
        bool written = file.Open(getWindow(), fileName, mode) == 0;
        if (written) {
            CXArchive out(&file, true);
            writeSnapshot(&out);
            written = out.LastError() == 0 && file.commit();
        }
        if (!written)
            platform::OutputDebugString((CXString("Scene snapshot cannot be written: ") + fileName).c_str());
    }
    CFile::chDir(here);
}

// A name with a folder in it is no plug-in name: plug-ins are loaded from
// the program's folder only (the binder refuses it too).
void CMC_Scene::resolveDLLs(const CXString& list)
{
    doneDLLs();
    modules = new CXVector(101, 0.75f);
    CStringTokenizer names(list, CXString(","));
    while (names.hasMoreTokens()) {
        CXString n = names.nextToken();
        if (!CMC_DLLExModuleInterface::isPluginName(n))
            continue;
        modules->add(new CMC_DLLExModuleInterface(n, this));
    }
}

void CMC_Scene::doneDLLs()
{
    if (!modules)
        return;
    for (int i = 0; i < modules->getSize(); ++i)
        delete moduleAt(modules, i);
    delete modules;
    modules = nullptr;
}

CMC_Object* CMC_Scene::resolveEx(CMElement* element)
{
    for (int i = 0; modules && i < modules->getSize(); ++i)
        if (CMC_ExternObject* m = moduleAt(modules, i)->getModuleInterface())
            if (CMC_Object* made = m->resolve(this, element))
                return made;
    return nullptr;
}

CMC_Object* CMC_Scene::serializeEx(CXArchive* archive, int typeId)
{
    for (int i = 0; modules && i < modules->getSize(); ++i)
        if (CMC_ExternObject* m = moduleAt(modules, i)->getModuleInterface())
            if (CMC_Object* made = m->serialize(typeId, archive))
                return made;
    return nullptr;
}
