#include "script/ScriptApplication.h"

#include "base/Archive.h"
#include "base/File.h"
#include "base/Folder.h"
#include "base/Path.h"
#include "base/ReplacingFile.h"
#include "base/WindowPaths.h"
#include "platform/Debug.h"
#include "script/Application.h"
#include "script/BehaviourBase.h"
#include "script/CNVLoader.h"
#include "script/Disposal.h"
#include "script/Element.h"
#include "script/Episode.h"
#include "script/SceneSnapshot.h"
#include "script/SceneTree.h"
#include "script/StructureParser.h"
#include "script/VariableFactory.h"

#include <memory>

namespace {
// The smallest episode record: an empty scene record, no scenes, a start index.
const int MIN_RECORD_BYTES = 20;

CMC_Scene* makeEpisode(CWindow* window) { return new CMC_Episode(window); }
} // namespace

CMC_Application::CMC_Application(CWindow* w, CMC_StructureParser* parser, CMElement* element, CCommandLine6* cmd)
    : CMC_Scene(w, nullptr, element, MC_APPLICATION), window(w), startChild(nullptr), commandLine(cmd),
      soundDecoderLoaded(false), restartPending(false)
{
    if (CApplication::layers().loadSoundDecoder) {
        CApplication::layers().loadSoundDecoder(window);
        soundDecoderLoaded = true;
    }
    if (element && parser) {
        CMC_SceneTree::adoptListed(this, parser, element->getPropertyValue(CXString("EPISODES")), true, false);
        CMC_SceneTree::adoptListed(this, parser, element->getPropertyValue(CXString("SCENES")), false, false);
        CXString start = element->getPropertyValue(CXString("STARTWITH"));
        if (start.IsString())
            startChild = CMC_SceneTree::startAmong(this, parser->getNamed(start, this), true);
        if (!startChild)
            startChild = CMC_SceneTree::childAt(this, 0);
    }
    CMC_SceneTree::enterDataFolder(path);
    loadCnv();
}

CMC_Application::CMC_Application(CWindow* w)
    : CMC_Scene(w, MC_APPLICATION), window(w), startChild(nullptr), commandLine(nullptr), soundDecoderLoaded(false),
      restartPending(false)
{
    CFile file(window, CXString("application.bin"), CFile::MODE_READ | CFile::MODE_BINARY);
    if (file.LastError()) {
        setErrorCode(file.LastError());
        return;
    }
    CXArchive archive(&file, false);
    serialize(&archive);
    if (archive.LastError() && !LastError())
        setErrorCode(archive.LastError());
    // The application's own objects are in its scene snapshot; it is never
    // entered as a scene is, so they are read here as the definition route
    // reads them in its constructor.
    if (!LastError())
        loadCnv();
}

CMC_Application::~CMC_Application()
{
    // What scripts let go of meanwhile goes while the scenes and behaviours
    // it may still reach (its "ONDONE" bindings, its scene) exist.
    CMC_Disposal::freeWaiting();
    if (soundDecoderLoaded && CApplication::layers().releaseSoundDecoder)
        CApplication::layers().releaseSoundDecoder();
    if (currentScene) {
        onSignal(CXString("ONDONE"));
        currentScene->unload(nullptr);
    }
    currentScene = nullptr;
    // The children go while the application's own behaviours, to which
    // their events may be bound, still exist.
    CMC_SceneTree::deleteChildren(this);
    CMC_ObjectsContainer::unload();
    doneDefUnit();
    unit = nullptr;
    // Last: whatever leaving the scenes let go of is in the trash by now.
    CMC_Disposal::freeAll();
}

bool CMC_Application::initialize(CMC_Scene*)
{
    unit = getDefUnit();
    addObject(new CMC_Object(CXString("RANDOM"), MC_RANDOM));
    if (CApplication::layers().makeSystemObject)
        addObject(CApplication::layers().makeSystemObject(this));
    addObject(new CMC_CNVLoader(window, this));
    CMC_SceneTree::runInitialisers(this);
    if (!startChild)
        return false;
    _goto(startChild, nullptr);
    return true;
}

void CMC_Application::domodal()
{
    CMC_VariableFactory::clearPool();
    CMC_Disposal::freeWaiting();
    // Received messages run behaviours: before a pending switch, so that
    // one they ask for is made in this frame.
    if (CApplication::layers().dispatchNetwork)
        CApplication::layers().dispatchNetwork();
    if (restartPending) {
        restartPending = false;
        restart();
    }
    CMC_Scene::domodal();
}

void CMC_Application::exit()
{
    if (CApplicationWindow* link = CApplicationWindow::of(window))
        link->quit();
    onSignal(CXString("ONEXIT"));
}

void CMC_Application::restart()
{
    if (!startChild)
        return;
    if (currentScene == startChild) {
        startChild->restart();
        return;
    }
    if (CMC_BehaviourBase::isScriptRunning()) {
        restartPending = true;
        return;
    }
    if (currentScene)
        currentScene->unload(currentScene);
    currentScene = startChild;
    startChild->initialize(startChild);
}

void CMC_Application::unload(CMC_Scene* next)
{
    if (currentScene) {
        onSignal(CXString("ONDONE"));
        currentScene->unload(next);
    }
    currentScene = nullptr;
}

void CMC_Application::storeBinary()
{
    storeFailure = CXString();
    for (int i = 0; CMC_Scene* child = CMC_SceneTree::childAt(this, i); ++i)
        if (child->getType() != MC_EPISODE) {
            storeFailure = CXString("the application lists ") + child->getName() +
                           ", which is not an episode: a snapshot holds episodes only";
            platform::OutputDebugString((CXString("application.bin not written: ") + storeFailure).c_str());
            return;
        }
    // Every file of the snapshot waits until all are written: a snapshot
    // cut short, or one whose plug-in objects are missing, would keep the
    // title from playing as it does from its definitions.
    CXString here = CPath(window).GetFullPath(CXString());
    {
        CMC_SnapshotFiles files;
        std::unique_ptr<CReplacingFile> file(new CReplacingFile);
        const CXString name = CFolder::dataPath(CWindowPaths::getRootPath(), CXString(), CXString("application.bin"));
        bool written = file->Open(window, name, CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY) == 0;
        if (written) {
            CXArchive archive(file.get(), true);
            serialize(&archive);
            written = archive.LastError() == 0 && file->finish();
        }
        if (written)
            files.keep(std::move(file));
        else
            files.fail(CXString("the file cannot be written"));
        if (!files.commit()) {
            storeFailure = files.getFailure();
            platform::OutputDebugString((CXString("application.bin not written: ") + storeFailure).c_str());
        }
    }
    CFile::chDir(here);
}

void CMC_Application::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    if (archive->isStoring()) {
        CMC_Scene::serialize(archive);
        *archive << subScenes->getSize() << getSubId(startChild);
        for (int i = 0; CMC_Scene* child = CMC_SceneTree::childAt(this, i); ++i)
            child->serialize(archive);
        return;
    }
    CMC_Scene::serialize(archive);
    if (!CMC_SceneTree::readChildren(this, archive, MIN_RECORD_BYTES, &makeEpisode, &startChild)) {
        setErrorCode(CXArchive::ERROR_IO);
        return;
    }
    // The episodes' scenes are found by name from the application, as when
    // it is built from its definitions.
    for (int i = 0; CMC_Scene* episode = CMC_SceneTree::childAt(this, i); ++i)
        for (int j = 0; CMC_Scene* scene = CMC_SceneTree::childAt(episode, j); ++j)
            addObject(scene);
}
