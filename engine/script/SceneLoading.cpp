// Loading a scene's objects from its snapshot or definition file, writing
// the snapshot, and the plug-ins bound for a visit.
#include "script/Scene.h"

#include "base/Archive.h"
#include "base/File.h"
#include "base/FileReport.h"
#include "base/FileStream.h"
#include "base/Folder.h"
#include "base/LoadBounds.h"
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

CMC_SnapshotFiles* openSet = nullptr;

// The title folder a scene's files are looked for in last, and written to:
// the installation medium's, which is the root's unless the title was
// started elsewhere.
CXString lastTitleFolder()
{
    CXString medium = CWindowPaths::getCDPath();
    return medium.IsString() ? medium : CWindowPaths::getRootPath();
}
} // namespace

void CMC_SnapshotTypes::registerType(int typeId, Restorer restorer) { setEntry(restorers(), typeId, restorer); }

CMC_SnapshotTypes::Restorer CMC_SnapshotTypes::getRestorer(int typeId) { return entryOf(restorers(), typeId); }

void CMC_SnapshotTypes::registerState(int typeId, StateIO io) { setEntry(states(), typeId, io); }

CMC_SnapshotTypes::StateIO CMC_SnapshotTypes::getState(int typeId) { return entryOf(states(), typeId); }

CMC_SnapshotTypes::StateIO CMC_SnapshotTypes::stateOf(CMC_Object* object)
{
    if (!object)
        return nullptr;
    StateIO io = getState(object->getType());
    return io ? io : object->getSnapshotState();
}

CMC_SnapshotFiles::CMC_SnapshotFiles() : previous(openSet) { openSet = this; }

CMC_SnapshotFiles::~CMC_SnapshotFiles()
{
    files.clear();
    if (openSet == this)
        openSet = previous;
}

CMC_SnapshotFiles* CMC_SnapshotFiles::current() { return openSet; }

void CMC_SnapshotFiles::keep(std::unique_ptr<CReplacingFile> file) { files.push_back(std::move(file)); }

void CMC_SnapshotFiles::fail(const CXString& reason)
{
    if (!failed())
        failure = reason.IsString() ? reason : CXString("the snapshot cannot be written");
}

bool CMC_SnapshotFiles::commit()
{
    for (std::unique_ptr<CReplacingFile>& file : files)
        if (!failed() && !file->commit())
            fail(CXString("\"") + file->getFileName() + "\" cannot be put in place");
    // The temporaries not put in place go with them.
    files.clear();
    return !failed();
}

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
    // Where the folder is not below the root, the folder entered before
    // (on the medium) stays current.
    CFile::chDir(CFolder::dataPath(CWindowPaths::getRootPath(), path));
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
    // a scene without one would wait for ever. A file that is there but
    // cannot be used is told, whichever it is.
    CXString fileName = getName() + ".cnv";
    const char* kind = getType() == MC_APPLICATION ? "application definition"
                       : getType() == MC_EPISODE   ? "episode definition"
                                                   : "scene definition";
    if (!CFile::fileExists(fileName)) {
        // The last place looked: the scene's folder on the medium.
        if (getType() == MC_SCENE)
            CFileReport::failedAt(kind, fileName, "not found", CFolder::dataPath(lastTitleFolder(), path, fileName));
        return false;
    }
    CMElements* records = CMElementsLoader::load(getWindow(), fileName);
    if (!records) {
        CFileReport::failed(getWindow(), kind, fileName, "cannot be read");
        return false;
    }
    // What can be read of a damaged file is used: the title plays on.
    if (records->isDamaged())
        CFileReport::failedAt(kind, fileName, "is damaged (not definition text)", records->getSource());
    CMElements* used = unit ? unit->resolveObjects(this, records) : records;
    if (!used)
        used = records;
    if (used != records)
        used->setSource(records->getSource());
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
    if (complete && !modules)
        bindPlugins();
    // What each record asks for is bounded (the header holds the file's own
    // bytes only). A record refused is read to its end, and its state too,
    // keeping nothing more; its object is then left out.
    CFile* file = archive->GetFileHandle();
    CLoadBounds bounds("scene snapshot", getName() + ".bin", file ? file->getFileName() : CXString());
    // The objects join the scene once the state trailer is read, in record
    // order, so that a later record of the same name replaces an earlier
    // one as before and no state reaches an object already replaced.
    std::vector<CMC_Object*> read;
    for (int i = 0; complete && i < count; ++i) {
        int typeId = 0;
        *archive >> &typeId;
        CMC_Object* obj = archive->LastError() ? nullptr : restoreObject(archive, typeId);
        if (obj) {
            bounds.setObject(obj);
            obj->setScene(this);
            obj->serialize(archive);
            if (archive->LastError()) {
                bounds.leaveOut(obj, obj->getName());
                delete obj;
                obj = nullptr;
            }
        }
        if (!obj) {
            // Records carry no length: what follows one that cannot be read
            // cannot be found.
            if (!archive->LastError() && getType() == MC_SCENE)
                tellUnrestored(archive, typeId, i, count);
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
    for (CMC_Object* obj : read) {
        if (bounds.refused(obj)) {
            bounds.leaveOut(obj, obj->getName());
            delete obj;
        } else {
            addObject(obj);
        }
    }
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
        if (archive->LastError() || index < 0 || size_t(index) >= read.size() ||
            read[size_t(index)]->getType() != typeId)
            return;
        CMC_SnapshotTypes::StateIO io = CMC_SnapshotTypes::stateOf(read[size_t(index)]);
        if (!io)
            return;
        if (CLoadBounds* bounds = CLoadBounds::current())
            bounds->setObject(read[size_t(index)]);
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
        if (CMC_SnapshotTypes::stateOf(o))
            stated.emplace_back(index, o);
        ++index;
    }
    if (stated.empty())
        return;
    *archive << int(CMC_SnapshotTypes::STATE_MARK) << int(stated.size());
    for (const auto& s : stated) {
        *archive << s.first << s.second->getType();
        CMC_SnapshotTypes::stateOf(s.second)(s.second, archive);
    }
}

void CMC_Scene::serialize(CXArchive* archive)
{
    if (!archive)
        return;
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
    // Beside the definitions it is made of. The old file is replaced only by
    // a complete one, and within a title's snapshot only once every file of
    // it is written.
    CXString fileName = CFolder::dataPath(lastTitleFolder(), path, getName() + ".bin");
    std::unique_ptr<CReplacingFile> file(new CReplacingFile);
    int mode = CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY;
    bool written = file->Open(getWindow(), fileName, mode) == 0;
    if (written) {
        CXArchive out(file.get(), true);
        writeSnapshot(&out);
        written = out.LastError() == 0 && file->finish();
    }
    CMC_SnapshotFiles* set = CMC_SnapshotFiles::current();
    if (written && set)
        set->keep(std::move(file));
    else if (written)
        written = file->commit();
    if (!written) {
        CXString why = CXString("\"") + fileName + "\" cannot be written";
        platform::OutputDebugString((CXString("Scene snapshot not written: ") + why).c_str());
        if (set)
            set->fail(why);
    }
}

// Every name gets its binding, also one that cannot be loaded (the binding
// tells why, and stays without a module).
void CMC_Scene::resolveDLLs(const CXString& list)
{
    doneDLLs();
    modules = new CXVector(101, 0.75f);
    CStringTokenizer names(list, CXString(","));
    while (names.hasMoreTokens())
        modules->add(new CMC_DLLExModuleInterface(names.nextToken(), this));
}

bool CMC_Scene::bindPlugins()
{
    if (dllsList.IsString())
        resolveDLLs(dllsList);
    for (int i = 0; modules && i < modules->getSize(); ++i) {
        if (moduleAt(modules, i)->getModuleInterface())
            continue;
        // A snapshot being written would lack the plug-in's objects.
        if (CMC_SnapshotFiles* files = CMC_SnapshotFiles::current())
            files->fail(CXString("a plug-in of the scene \"") + getName() + "\" cannot be loaded");
        return false;
    }
    return true;
}

void CMC_Scene::tellUnrestored(CXArchive* archive, int typeId, int index, int count)
{
    CFile* file = archive->GetFileHandle();
    char text[240];
    std::snprintf(text, sizeof text, "record %d of %d (type %d) of the snapshot of the scene \"%s\" is made by "
                  "nothing (no engine type, no plug-in of the scene); it and the records after it are left out",
                  index + 1, count, typeId, getName().c_str());
    CFileReport::mistakeAt(CXString(text), file ? file->getFileName() : CXString());
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
