#include "script/Application.h"

#include "base/CommandLine.h"
#include "base/Config.h"
#include "base/File.h"
#include "base/Folder.h"
#include "base/Path.h"
#include "base/ResourcesManager.h"
#include "base/WindowPaths.h"
#include "platform/Debug.h"
#include "script/ElementsLoader.h"
#include "script/RunnerFactory.h"
#include "script/ScriptApplication.h"
#include "script/StructureParser.h"
#include "script/VariableFactory.h"

namespace {
CWindow* linkedWindow = nullptr;
CApplicationWindow* windowLink = nullptr;

// The application whose settings file the script values use.
CApplication* settingsOwner = nullptr;

CConfig* currentSettings(CMC_ObjectsContainer*) { return settingsOwner ? settingsOwner->GetConfigInterface() : nullptr; }
} // namespace

void CApplicationWindow::attach(CWindow* window, CApplicationWindow* link)
{
    linkedWindow = window;
    windowLink = link;
}

void CApplicationWindow::detach(CWindow* window)
{
    if (linkedWindow != window)
        return;
    linkedWindow = nullptr;
    windowLink = nullptr;
}

CApplicationWindow* CApplicationWindow::of(CWindow* window)
{
    return window && window == linkedWindow ? windowLink : nullptr;
}

CApplicationLayers& CApplication::layers()
{
    static CApplicationLayers entries = {};
    return entries;
}

CApplication::CApplication(CWindow* w, const CXString& settingsName, const CXString& archive, CCommandLine6* cmd)
    : window(w), animationManager(nullptr), soundManager(nullptr), commandLine(cmd), settings(nullptr),
      resources(nullptr), defaultFont(nullptr), application(nullptr), parser(nullptr), startedScriptServices(false)
{
    const CApplicationLayers& l = layers();
    if (l.makeAnimationManager)
        animationManager = l.makeAnimationManager();
    if (l.makeSoundManager)
        soundManager = l.makeSoundManager();
    if (l.initCodecs)
        l.initCodecs();
    settingsFileName = settingsName;
    archiveName = archive;
    if (archiveName.IsString())
        CFile::openBigFile(archiveName);
    if (CApplicationWindow* link = CApplicationWindow::of(window))
        link->SetApplicationInterface(this);
    // A full path ("/var/games/title/Game.ini", "D:\\Saves\\Game.ini") names
    // the file wherever it is: a title installed read-only keeps its
    // settings in a folder its players may write. A run that writes the
    // snapshot plays nothing and keeps no settings, so that the scenes it
    // reads record no visits there.
    const char* name = settingsFileName.c_str();
    const bool fullPath = name[0] == '/' || name[0] == '\\' || (name[0] && name[1] == ':');
    if (settingsFileName.IsString() && !(commandLine && commandLine->is2Bin()))
        settings = new CConfig(fullPath ? settingsFileName : CWindowPaths::getRootPath() + settingsFileName);
    settingsOwner = this;
    CMC_Variable::setSettingsSource(&currentSettings);
    CMElementsLoader::setCommandLine(commandLine);
}

CApplication::~CApplication()
{
    delete application;
    application = nullptr;
    if (parser) {
        delete parser;
        parser = nullptr;
    } else if (startedScriptServices) {
        CMC_VariableFactory::done();
        CMC_RunnerFactory::done();
    }
    if (settingsOwner == this) {
        settingsOwner = nullptr;
        CMC_Variable::setSettingsSource(nullptr);
        CMElementsLoader::setCommandLine(nullptr);
    }
    delete settings;
    settings = nullptr;
    delete resources;
    resources = nullptr;
    const CApplicationLayers& l = layers();
    if (animationManager && l.deleteAnimationManager)
        l.deleteAnimationManager(animationManager);
    animationManager = nullptr;
    if (l.doneCodecs)
        l.doneCodecs();
    if (soundManager && l.deleteSoundManager)
        l.deleteSoundManager(soundManager);
    soundManager = nullptr;
    CFile::closeBigFile();
    if (l.doneHotSpots)
        l.doneHotSpots();
    if (l.doneSockets)
        l.doneSockets();
    // The window must not reach an application that is gone.
    CApplicationWindow* link = CApplicationWindow::of(window);
    if (link && link->GetApplicationInterface() == this)
        link->SetApplicationInterface(nullptr);
}

void CApplication::preinitializeApplication()
{
    CXString path = commandLine ? commandLine->getPath() : CXString();
    resources = new CResourcesManager(window);
    if (path.IsString())
        CFile::chDir(path);
    {
        CPath here(window);
        CWindowPaths::setCDPath(here.GetFullPath(CXString()));
        if (CApplicationWindow* link = CApplicationWindow::of(window))
            link->SetSoundFXPath(here.GetFullPath(CXString("Wavs")));
    }
    CFile::chDir(CFolder::DATA_FOLDER);

    bool forceCNV = commandLine && commandLine->isForceCNV();
    if (!forceCNV && CFile::fileExists(CXString("application.bin"))) {
        application = readSnapshot();
    } else {
        parser = new CMC_StructureParser(window, CXString("application.def"));
        application = parser->getMCApplication();
    }
    if (!application) {
        setErrorCode(ERROR_NO_APPLICATION);
        return;
    }
    if (commandLine && commandLine->is2Bin())
        application->storeBinary();
    else
        application->initialize(nullptr);
}

// A snapshot that cannot be opened or read whole gives no application: a
// title started from half a snapshot would run without its scenes.
CMC_Application* CApplication::readSnapshot()
{
    CMC_VariableFactory::initialize();
    CMC_RunnerFactory::initialize();
    startedScriptServices = true;
    CMC_Application* read = new CMC_Application(window);
    if (read->LastError() == 0)
        return read;
    platform::OutputDebugString("application.bin cannot be read; no title is started");
    delete read;
    return nullptr;
}

// What the frame changed in the settings is on disk when it ends.
bool CApplication::domodal()
{
    if (application)
        application->domodal();
    if (settings)
        settings->Flush();
    return false;
}

CXString CApplication::getWAVPath(const CXString& name)
{
    CApplicationWindow* link = CApplicationWindow::of(window);
    return link ? link->GetSoundFXFullPath(name) : name;
}
